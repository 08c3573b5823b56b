#include "ui/QtFrontend.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/NativePath.h"
#include "ui/PathMustExistFileDialog.h"

namespace velmora::ui {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

MessageAnswer FromQtButton(QMessageBox::StandardButton button, MessageButtons buttons) {
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    switch (button) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        default: return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    }
}

// Ok answers an Ok box. A Yes/No box asks before something is given up, so Enter
// and Esc both keep it (No); a Yes/No/Cancel box goes ahead on Enter.
void SetButtons(QMessageBox& box, MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
            return;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            return;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            return;
    }
}

// On Windows it matches every file; elsewhere only names with a dot.
constexpr QLatin1String kWindowsAllFiles("*.*");

// "All files(*.*)" as "All files": the pattern in parentheses would hide the
// files without a dot again.
QString AllFilesName(const QString& name) {
    const QString suffix = QLatin1Char('(') + QString(kWindowsAllFiles) + QLatin1Char(')');
    return name.endsWith(suffix) ? name.chopped(suffix.size()).trimmed() : name;
}

}  // namespace

MessageAnswer QtFrontend::message(const std::wstring& text, const std::wstring& caption,
                                  MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(ToQtIcon(icon), QString::fromStdWString(caption),
                    QString::fromStdWString(text), QMessageBox::NoButton, owner_);
    box.setTextFormat(Qt::PlainText);
    SetButtons(box, buttons);
    // A box during a long command stands alone, not behind the progress window.
    progress_.suspend();
    box.exec();
    progress_.resume();
    return FromQtButton(box.standardButton(box.clickedButton()), buttons);
}

std::optional<std::wstring> QtFrontend::pickFolder(const std::wstring& title,
                                                   const std::wstring& startFolder, bool) {
    // Qt's folder dialog always has a name field, so withEditBox needs nothing.
    QFileDialog dialog(owner_, QString::fromStdWString(title),
                       QDir::fromNativeSeparators(QString::fromStdWString(startFolder)));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return NativePath(dialog.selectedFiles().first()).toStdWString();
}

std::optional<std::wstring> QtFrontend::pickFile(const std::wstring& title,
                                                 const std::wstring& filter,
                                                 const std::wstring& defaultExtension) {
    PathMustExistFileDialog dialog(owner_, QString::fromStdWString(title));
    dialog.setNameFilters(NameFiltersFromWin32(QString::fromStdWString(filter)));
    QString suffix = QString::fromStdWString(defaultExtension);
    if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return NativePath(dialog.selectedFiles().first()).toStdWString();
}

void QtFrontend::openFolder(const std::wstring& path) {
    // Whether the file manager came up is not reported.
    opener_.open(QString::fromStdWString(path));
}

void QtFrontend::beginWork(const std::wstring& text) {
    progress_.begin(QString::fromStdWString(text));
}

void QtFrontend::endWork() { progress_.end(); }

bool QtFrontend::cancelRequested() { return progress_.cancelRequested(); }

QStringList QtFrontend::NameFiltersFromWin32(const QString& filter, PatternRules rules) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        QString pattern = parts[i + 1].trimmed();
        if (name.isEmpty() && pattern.isEmpty()) break;  // the closing "||"
        if (rules == PatternRules::Posix && pattern == kWindowsAllFiles) {
            name = AllFilesName(name);
            pattern = QStringLiteral("*");
        }
        const QString patterns = QString(pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (name.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')))
            filters << name;
        else
            filters << name + QLatin1String(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

}  // namespace velmora::ui
