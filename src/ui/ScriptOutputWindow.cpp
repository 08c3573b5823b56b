#include "ui/ScriptOutputWindow.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::ui {

ScriptOutputWindow::ScriptOutputWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("scriptOutputWindow"));
    setModal(false);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("scriptOutputText"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Notes name long paths first and say what is wrong at the end: wrapped, all
    // of a note shows.
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton(QStringLiteral("Copy All"), QDialogButtonBox::ActionRole);
    copy->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this, &ScriptOutputWindow::copyAll);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* column = new QVBoxLayout(this);
    column->addWidget(text_);
    column->addWidget(buttons);
    resize(900, 360);
}

void ScriptOutputWindow::showOutput(const QString& command, const QString& text) {
    setWindowTitle(command + QStringLiteral(": what the scripts printed"));
    text_->setPlainText(text);
    show();
    raise();
    activateWindow();
}

void ScriptOutputWindow::copyAll() { QGuiApplication::clipboard()->setText(text_->toPlainText()); }

}  // namespace velmora::ui
