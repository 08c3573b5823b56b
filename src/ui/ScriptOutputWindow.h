#pragma once
// What the scripts of one command printed, for a dialog user who has no console to
// read it on: a window beside the main dialog with the text read-only, in a
// monospace font, selectable and copyable. It does not block the dialog.

#include <QDialog>

class QPlainTextEdit;

namespace velmora::ui {

class ScriptOutputWindow : public QDialog {
    Q_OBJECT

public:
    explicit ScriptOutputWindow(QWidget* parent = nullptr);

    // Replaces the text, titles the window after the command and brings it up.
    void showOutput(const QString& command, const QString& text);

    QPlainTextEdit* textView() const { return text_; }

private:
    void copyAll();

    QPlainTextEdit* text_ = nullptr;
};

}  // namespace velmora::ui
