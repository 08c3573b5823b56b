#pragma once
// The dialog's live status line: the first message of validation for the
// configuration as it stands, or "Ready: N projects" when every rule holds. A
// message too long for the strip is elided; the tooltip holds it whole.

#include <optional>
#include <string>

#include <QLabel>

namespace velmora::ui {

class StatusLine : public QLabel {
    Q_OBJECT

public:
    explicit StatusLine(QWidget* parent = nullptr);

    // firstError: validation's first message (shown without its leading blanks),
    // or nullopt for a configuration that passes, which has projectCount rows.
    void showResult(const std::optional<std::wstring>& firstError, int projectCount);

    // The whole text the line stands for (also its tooltip).
    const QString& fullText() const { return fullText_; }
    bool passes() const { return passes_; }

    // "Ready: 1 project", "Ready: 3 projects".
    static QString ReadyText(int projectCount);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showElided();

    QString fullText_;
    bool passes_ = false;
};

}  // namespace velmora::ui
