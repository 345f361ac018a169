// POSIX systems' half of the file-opening seam.
#include "quiz/groupshare.h"
#include "quiz/problemtexts.h"
#include "quiz/regularfile.h"
#include "quiz/trustedlink.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// O_NONBLOCK: opening a pipe that has no writer, or for writing one with no reader, would
// otherwise wait for the other end.
constexpr int CommonFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

NotAFile notAFileOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return NotAFile::Folder;
    if (S_ISFIFO(mode))
        return NotAFile::Pipe;
    if (S_ISSOCK(mode))
        return NotAFile::Socket;
    return NotAFile::Device;
}

// Opens name for appending, for reading too where the file's mode allows it, creating it
// when it is missing. Another copy may create it between a look and the creation: then
// that file is opened.
int openAppending(const QByteArray &name, QByteArray &reached, bool &untrusted, bool &readable)
{
    const int flags = O_APPEND | CommonFlags;
    for (int tries = 0; tries < 3; ++tries) {
        int fd = openFollowingTrustedLinks(name, O_RDWR | flags, 0, reached, untrusted);
        readable = fd >= 0;
        if (fd < 0 && errno == EACCES && !untrusted)
            fd = openFollowingTrustedLinks(name, O_WRONLY | flags, 0, reached, untrusted);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        // Missing: the name itself, or the file a trusted link leads to.
        fd = createShared(reached);
        readable = fd >= 0;
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

OpenedFile refusal(int error, const QByteArray &reached, bool untrusted)
{
    OpenedFile refused;
    if (untrusted) {
        refused.status = OpenedFile::Status::UntrustedLink;
        refused.reason = problemText(ProblemId::UntrustedLink);
        return refused;
    }
    // A folder cannot be opened for writing, a socket not at all, a pipe without a reader
    // not for writing only: each is told as what it is.
    struct stat what = {};
    if ((error == EISDIR || error == ENXIO) && ::stat(reached.constData(), &what) == 0 && !S_ISREG(what.st_mode)) {
        refused.status = OpenedFile::Status::NotRegular;
        refused.what = notAFileOf(what.st_mode);
        return refused;
    }
    refused.status = error == ENOENT ? OpenedFile::Status::Missing : OpenedFile::Status::Failed;
    refused.reason = systemReason(qt_error_string(error));
    refused.error = error;
    return refused;
}

} // namespace

std::optional<NotAFile> notAFileAt(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || S_ISREG(status.st_mode))
        return std::nullopt;
    return notAFileOf(status.st_mode);
}

// Nothing here denies sharing a file: the wait is never needed.
OpenedFile openRegularFile(QFile &file, const QString &path, Access access, std::chrono::milliseconds)
{
    file.close();
    const QByteArray name = QFile::encodeName(path);
    QByteArray reached = name;
    bool untrusted = false;
    bool readable = true;
    int fd = -1;
    switch (access) {
    case Access::Read:
        fd = openUninterrupted(name.constData(), O_RDONLY | CommonFlags);
        break;
    case Access::ReadWrite:
        fd = openFollowingTrustedLinks(name, O_RDWR | CommonFlags, 0, reached, untrusted);
        break;
    case Access::Append:
        fd = openAppending(name, reached, untrusted, readable);
        break;
    }
    if (fd < 0)
        return refusal(errno, reached, untrusted);
    struct stat status = {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return refusal(error, reached, false);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        OpenedFile refused{OpenedFile::Status::NotRegular};
        refused.what = notAFileOf(status.st_mode);
        return refused;
    }
    // A regular file never blocks, but some network file systems honour the flag.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, openModeOf(access, readable) | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        OpenedFile refused;
        refused.reason = systemReason(file.errorString());
        return refused;
    }
    OpenedFile opened{OpenedFile::Status::Opened, qint64(status.st_size)};
    opened.path = QFile::decodeName(reached);
    opened.readable = readable;
    return opened;
}
