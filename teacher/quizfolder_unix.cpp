#include "teacher/quizfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <cerrno>
#include <limits>
#include <signal.h>

// The folder the launcher seeds: $ZUF_QUIZ_DIR, else zuf-quiz in the user's data folder.
QString pupilFolder()
{
    const QString shared = qEnvironmentVariable("ZUF_QUIZ_DIR");
    if (!shared.isEmpty())
        return shared;
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.startsWith(u'/'))
        return data + QStringLiteral("/zuf-quiz");
    return QDir::homePath() + QStringLiteral("/.local/share/zuf-quiz");
}

QString pupilProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zuf-quiz");
}

bool processRunning(qint64 pid)
{
    // Signal 0 only asks; EPERM means the process is there but another user's.
    return pid > 0 && pid <= std::numeric_limits<pid_t>::max() && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}
