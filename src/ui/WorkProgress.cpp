#include "ui/WorkProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include "model/Frontend.h"

namespace velmora::ui {

WorkProgress::WorkProgress(QWidget* owner) : owner_(owner) {}

WorkProgress::~WorkProgress() = default;

void WorkProgress::begin(const QString& text) {
    text_ = text;
    active_ = true;
    cancelled_ = false;
    working_.start();
}

void WorkProgress::end() {
    window_.reset();
    active_ = false;
}

bool WorkProgress::cancelRequested() {
    if (!active_) return false;
    if (!window_) {
        // The first second stays as it always was: no events, so nothing can reach
        // the dialog before the modal window stands in front of it.
        if (!working_.hasExpired(kShowAfterMs)) return false;
        show();
    }
    if (!sinceEvents_.isValid() || sinceEvents_.hasExpired(kEventsEveryMs)) {
        QCoreApplication::processEvents();
        sinceEvents_.start();
    }
    return cancelled_;
}

void WorkProgress::suspend() { window_.reset(); }

void WorkProgress::resume() {
    if (active_) working_.start();
}

void WorkProgress::show() {
    // Made afresh each time: a QProgressDialog shows itself after its own delay, and
    // one that was put away for a box must not come back on its own.
    window_ = std::make_unique<QProgressDialog>(text_, QStringLiteral("Cancel"), 0, 0, owner_);
    window_->setObjectName(QStringLiteral("workProgress"));
    window_->setWindowTitle(QString::fromWCharArray(kApplicationName));
    window_->setWindowModality(Qt::WindowModal);
    window_->setAutoClose(false);
    window_->setAutoReset(false);
    window_->setMinimumDuration(0);
    QProgressDialog* window = window_.get();
    QObject::connect(window, &QProgressDialog::canceled, window, [this, window] {
        cancelled_ = true;
        window->setLabelText(QStringLiteral("Stopping..."));
    });
    window->show();
    sinceEvents_.invalidate();
}

}  // namespace velmora::ui
