#include "ui/PathMustExistFileDialog.h"

#include <QFileInfo>
#include <QMessageBox>

#include "ui/NativePath.h"

namespace velmora::ui {

PathMustExistFileDialog::PathMustExistFileDialog(QWidget* parent, const QString& caption)
    : QFileDialog(parent, caption) {
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::AnyFile);
}

void PathMustExistFileDialog::accept() {
    const QStringList chosen = selectedFiles();
    if (!chosen.isEmpty()) {
        const QFileInfo file(chosen.first());
        if (!file.isDir() && !QFileInfo(file.absolutePath()).isDir()) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("%1\nPath does not exist.\nCheck the path and try again.")
                                     .arg(NativePath(file.absolutePath())));
            return;
        }
    }
    QFileDialog::accept();
}

}  // namespace velmora::ui
