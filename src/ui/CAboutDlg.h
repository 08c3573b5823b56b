#pragma once
// The About box: the product icon, the product name and an OK button.

#include <QDialog>

namespace velmora::ui {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace velmora::ui
