// Program entry: creates the main window and runs the event loop.

#include <QApplication>
#include <QMainWindow>

#include "GuiThread.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quadrell 2x4 Atts"));
    window.resize(564, 422);
    window.show();
    const int rc = app.exec();
    // Release any worker still waiting for the GUI thread.
    TGuiGate::CloseAll();
    return rc;
}
