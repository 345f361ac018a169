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

QString systemReason(QString message)
{
    message = message.trimmed();
    if (message.endsWith(u'.'))
        message.chop(1);
    return message.trimmed();
}
