#include "ui/StatusLine.h"

#include <QResizeEvent>

namespace velmora::ui {

namespace {

// Not the secure and non-secure colours: those mean worlds everywhere else.
const QColor kPassColour(0x00, 0x60, 0x00);
const QColor kFailColour(0xB0, 0x00, 0x00);

}  // namespace

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("statusLine"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The text is the user's names: never laid out wider than the strip.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

QString StatusLine::ReadyText(int projectCount) {
    return projectCount == 1 ? QStringLiteral("Ready: 1 project")
                             : QStringLiteral("Ready: %1 projects").arg(projectCount);
}

void StatusLine::showResult(const std::optional<std::wstring>& firstError, int projectCount) {
    passes_ = !firstError;
    if (firstError) {
        QString message = QString::fromStdWString(*firstError);
        qsizetype first = 0;
        while (first < message.size() && message[first] == QLatin1Char(' ')) ++first;
        fullText_ = message.mid(first);
    } else {
        fullText_ = ReadyText(projectCount);
    }
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, passes_ ? kPassColour : kFailColour);
    setPalette(colours);
    setToolTip(fullText_);
    showElided();
}

void StatusLine::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    showElided();
}

void StatusLine::showElided() {
    const int room = contentsRect().width();
    setText(fontMetrics().elidedText(fullText_, Qt::ElideRight, room));
}

}  // namespace velmora::ui
