// The program's own way in and out: LinkwartMain creates the application
// object, the user closes the window, and the process ends normally. Run as
// a whole program, so a crash while exiting fails the test.
#include <QApplication>
#include <QTimer>

#include "vcl.h"

int main(int argc, char** argv) {
    SetCommandLine(argc, argv);
    // Creates the application object as LinkwartMain would, so the close
    // can be queued before the window opens.
    TApplication::Instance().Initialize();
    QTimer::singleShot(0, [] { QApplication::closeAllWindows(); });
    return LinkwartMain();
}
