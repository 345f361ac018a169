#include "quiz/regularfile.h"
#include "quiz/problemtexts.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <QFileInfo>
#else
#include "quiz/trustedlink.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

#ifdef Q_OS_WIN

// Windows has no pipes or devices under ordinary file names in a folder; Qt reports
// what is not a disk file as sequential. Links there are made by administrators only.
std::optional<NotAFile> notAFileAt(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return std::nullopt;
    return info.isDir() ? NotAFile::Folder : NotAFile::Device;
}

OpenedFile openRegularFile(QFile &file, const QString &path, Access access)
{
    file.close();
    file.setFileName(path);
    const QIODevice::OpenMode mode = access == Access::Read ? QIODevice::ReadOnly : QIODevice::ReadWrite;
    if (!file.open(mode | QIODevice::Unbuffered)) {
        if (!QFileInfo::exists(path))
            return {OpenedFile::Status::Missing, 0, file.errorString()};
        if (QFileInfo(path).isDir())
            return {OpenedFile::Status::NotRegular, 0, {}, NotAFile::Folder};
        if (!QFileInfo(path).isFile())
            return {OpenedFile::Status::NotRegular, 0, {}};
        return {OpenedFile::Status::Failed, 0, file.errorString()};
    }
    if (file.isSequential()) {
        file.close();
        return {OpenedFile::Status::NotRegular, 0, {}};
    }
    return {OpenedFile::Status::Opened, file.size(), {}, NotAFile::Device, path};
}

#else

namespace {

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

} // namespace

std::optional<NotAFile> notAFileAt(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || S_ISREG(status.st_mode))
        return std::nullopt;
    return notAFileOf(status.st_mode);
}

OpenedFile openRegularFile(QFile &file, const QString &path, Access access)
{
    file.close();
    // O_NONBLOCK: opening a pipe that has no writer would otherwise wait for one.
    const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    QByteArray opened;
    bool untrusted = false;
    int fd = -1;
    if (access == Access::Read) {
        opened = QFile::encodeName(path);
        do
            fd = ::open(opened.constData(), flags);
        while (fd < 0 && errno == EINTR);
    } else {
        fd = openFollowingTrustedLinks(QFile::encodeName(path), flags, 0, opened, untrusted);
    }
    if (fd < 0) {
        const int error = errno;
        if (untrusted)
            return {OpenedFile::Status::UntrustedLink, 0, problemText(ProblemId::UntrustedLink)};
        // A folder cannot be opened for writing, nor a socket at all: each is told as what it is.
        struct stat what = {};
        if ((error == EISDIR || error == ENXIO) && ::stat(opened.constData(), &what) == 0)
            return {OpenedFile::Status::NotRegular, 0, {}, notAFileOf(what.st_mode)};
        return {error == ENOENT ? OpenedFile::Status::Missing : OpenedFile::Status::Failed, 0,
                qt_error_string(error)};
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0) {
        const QString reason = qt_error_string(errno);
        ::close(fd);
        return {OpenedFile::Status::Failed, 0, reason};
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return {OpenedFile::Status::NotRegular, 0, {}, notAFileOf(status.st_mode)};
    }
    // A regular file never blocks, but some network file systems honour the flag.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const QIODevice::OpenMode mode = access == Access::Read ? QIODevice::ReadOnly : QIODevice::ReadWrite;
    if (!file.open(fd, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {OpenedFile::Status::Failed, 0, file.errorString()};
    }
    return {OpenedFile::Status::Opened, qint64(status.st_size), {}, NotAFile::Device, QFile::decodeName(opened)};
}

#endif
