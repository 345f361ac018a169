#include "teacher/quizfolder.h"

#include <QCoreApplication>

// A Windows copy keeps the question files beside the programs.
QString pupilFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString pupilProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zuf-quiz.exe");
}
