#pragma once
// The application: starts Qt, runs the main dialog modally and ends with it.

#include <QApplication>

namespace velmora::ui {

class CKIVApp : public QApplication {
    Q_OBJECT

public:
    CKIVApp(int& argc, char** argv);

    // Shows the main dialog in the current working folder; returns 0 when it closes.
    int InitInstance();
};

}  // namespace velmora::ui
