#include "teacher/quizfolder.h"
#include "quiz/win32api.h"

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

bool processRunning(qint64 pid)
{
    if (pid <= 0 || pid > qint64(MAXDWORD))
        return false;
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)   // gone, unless it is there but not ours to ask about
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}
