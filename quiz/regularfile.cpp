#include "quiz/regularfile.h"
#include "quiz/problemtexts.h"

QString notAFileReason(NotAFile what)
{
    switch (what) {
    case NotAFile::Folder:
        return problemText(ProblemId::NotAFileFolder);
    case NotAFile::Pipe:
        return problemText(ProblemId::NotAFilePipe);
    case NotAFile::Socket:
        return problemText(ProblemId::NotAFileSocket);
    case NotAFile::Device:
        break;
    }
    return problemText(ProblemId::NotAFileDevice);
}

QIODevice::OpenMode openModeOf(Access access, bool readable)
{
    switch (access) {
    case Access::Read:
        return QIODevice::ReadOnly;
    case Access::ReadWrite:
        return QIODevice::ReadWrite;
    case Access::Append:
        break;
    }
    return QIODevice::Append | (readable ? QIODevice::ReadWrite : QIODevice::WriteOnly);
}

QString systemReason(QString message)
{
    message = message.trimmed();
    if (message.endsWith(u'.'))
        message.chop(1);
    return message.trimmed();
}
