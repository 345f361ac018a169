#include "shell/appearance.h"
#ifdef ZUF_PAINT_PROBE
#include "shell/paintprobe.h"
#endif
#include "shell/windows.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    prepareApplication(app);
#ifdef ZUF_PAINT_PROBE
    // Only in the benchmark's own copy of the program (bench/): the installed one reads no settings.
    armFirstPaintExit(app);
#endif
    startProgram([] { QCoreApplication::exit(0); });
    const int code = app.exec();
    discardWindows();
    return code;
}
