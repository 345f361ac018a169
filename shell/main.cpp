#include "shell/appearance.h"
#include "shell/form1.h"
#include "shell/paintprobe.h"
#include "shell/windows.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    prepareApplication(app);
    armFirstPaintExit(app);
    // The main window is the start-up window: loading it shows the welcome window.
    QObject::connect(&form1(), &Form1::programEnded, &app, [] { QCoreApplication::exit(0); });
    const int code = app.exec();
    discardWindows();
    return code;
}
