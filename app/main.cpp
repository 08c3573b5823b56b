// The dialog front end: everything happens in the main dialog.

#include <QString>
#include <QStringList>

#include "ui/CKIVApp.h"

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto answered = velmora::ui::CKIVApp::AnswerWithoutWindow(arguments)) {
        return *answered;
    }
    velmora::ui::CKIVApp app(argc, argv);
    return app.InitInstance();
}
