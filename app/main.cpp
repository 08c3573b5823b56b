// The dialog front end: everything happens in the main dialog.

#include "ui/CKIVApp.h"

int main(int argc, char** argv) {
    velmora::ui::CKIVApp app(argc, argv);
    return app.InitInstance();
}
