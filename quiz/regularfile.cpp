#include "quiz/regularfile.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <QFileInfo>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN

// Windows has no pipes or devices under ordinary file names in a folder; Qt reports
// what is not a disk file as sequential.
OpenedFile openRegularFile(QFile &file, const QString &path)
{
    file.close();
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (!QFileInfo::exists(path))
            return {OpenedFile::Status::Missing, 0, file.errorString()};
        if (!QFileInfo(path).isFile())
            return {OpenedFile::Status::NotRegular, 0, {}};
        return {OpenedFile::Status::Failed, 0, file.errorString()};
    }
    if (file.isSequential()) {
        file.close();
        return {OpenedFile::Status::NotRegular, 0, {}};
    }
    return {OpenedFile::Status::Opened, file.size(), {}};
}

#else

OpenedFile openRegularFile(QFile &file, const QString &path)
{
    file.close();
    // O_NONBLOCK: opening a pipe that has no writer would otherwise wait for one.
    int fd;
    do
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
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
        return {OpenedFile::Status::NotRegular, 0, {}};
    }
    // A regular file never blocks, but some network file systems honour the flag.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {OpenedFile::Status::Failed, 0, file.errorString()};
    }
    return {OpenedFile::Status::Opened, qint64(status.st_size), {}};
}

#endif
