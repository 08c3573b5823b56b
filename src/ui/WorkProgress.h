#pragma once
// The progress window of a command that runs long on the one user-interface
// thread. Polled by the core (Frontend::cancelRequested) while the command works:
// once it has worked for a second, a window with Cancel appears, window-modal over
// its owner, and from then on every poll lets the events through, so that the
// window paints and its Cancel works while the owner takes no input at all.

#include <memory>

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>

class QProgressDialog;

namespace velmora::ui {

class WorkProgress {
public:
    static constexpr int kShowAfterMs = 1000;
    // Between two rounds of events while the window shows.
    static constexpr int kEventsEveryMs = 25;

    explicit WorkProgress(QWidget* owner);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // A command starts working; text says what it does.
    void begin(const QString& text);
    // The command ended: the window goes.
    void end();
    // The poll: true once Cancel (or Esc, or the window's close box) was used.
    bool cancelRequested();

    // Around a modal box of the command: the window goes, and the second before it
    // shows again counts from the box's end.
    void suspend();
    void resume();

private:
    void show();

    QPointer<QWidget> owner_;
    std::unique_ptr<QProgressDialog> window_;
    QElapsedTimer working_;
    QElapsedTimer sinceEvents_;
    QString text_;
    bool active_ = false;
    bool cancelled_ = false;
};

}  // namespace velmora::ui
