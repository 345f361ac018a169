#include "teacher/quizfolder.h"
#include "teacher/teacherwindow.h"
#include "shell/appearance.h"

#include <QApplication>
#include <QFileInfo>

// zuf-teacher [FILE | FOLDER]: without one, the pupil's program's own folder.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    prepareApplication(app);
    TeacherWindow window;
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString target = args.isEmpty() ? pupilFolder() : args.front();
    if (QFileInfo(target).isDir())
        window.openFolder(target);
    else
        window.openFile(target);
    window.show();
    return app.exec();
}
