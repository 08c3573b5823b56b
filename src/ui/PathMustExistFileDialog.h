#pragma once
// A file-open dialog that takes a typed name of a file that is not there yet, as
// long as the folder it names exists. Qt's own dialog has either rule "the file
// must exist" or none at all; a platform's native dialog applies its own check.

#include <QFileDialog>

namespace velmora::ui {

class PathMustExistFileDialog : public QFileDialog {
public:
    PathMustExistFileDialog(QWidget* parent, const QString& caption);

protected:
    // Refuses, with a warning box, a chosen file whose folder does not exist; the
    // dialog stays open. Everything else is QFileDialog's.
    void accept() override;
};

}  // namespace velmora::ui
