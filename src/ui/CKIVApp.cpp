#include "ui/CKIVApp.h"

#include "ui/AppIcon.h"
#include "ui/CKIVDlg.h"

namespace velmora::ui {

CKIVApp::CKIVApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Velmora"));
    setApplicationVersion(QString::fromWCharArray(CKIVDlg::kVersionText));
    setWindowIcon(VelmoraIcon());
}

int CKIVApp::InitInstance() {
    CKIVDlg dialog;
    dialog.exec();
    // No message loop follows the dialog.
    return 0;
}

}  // namespace velmora::ui
