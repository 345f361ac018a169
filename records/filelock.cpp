#include "records/filelock.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <thread>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#endif

namespace {

using State = FileLock::State;

#ifdef Q_OS_WIN

// The lock byte, at 2^62.
constexpr DWORD LockOffsetHigh = 0x40000000;

// A handle of our own for the lock: Qt keeps the file's native handle to itself.
HANDLE openLockHandle(const QFile &file)
{
    const std::wstring path = QFileInfo(file).absoluteFilePath().replace(u'/', u'\\').toStdWString();
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

State tryLock(HANDLE handle, LockMode mode)
{
    OVERLAPPED at{};
    at.OffsetHigh = LockOffsetHigh;
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (mode == LockMode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (LockFileEx(handle, flags, 0, 1, 0, &at))
        return State::Held;
    const DWORD error = GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? State::Busy : State::Unsupported;
}

void unlock(HANDLE handle)
{
    OVERLAPPED at{};
    at.OffsetHigh = LockOffsetHigh;
    UnlockFileEx(handle, 0, 1, 0, &at);
}

#else

static_assert(sizeof(off_t) >= 8, "the lock byte lies beyond 4 GiB");
constexpr off_t LockOffset = off_t(1) << 62;

State changeLock(int fd, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = LockOffset;
    lock.l_len = 1;
    if (::fcntl(fd, F_SETLK, &lock) == 0)
        return State::Held;
    return errno == EACCES || errno == EAGAIN || errno == EINTR ? State::Busy : State::Unsupported;
}

State tryLock(int fd, LockMode mode)
{
    return changeLock(fd, mode == LockMode::Exclusive ? F_WRLCK : F_RDLCK);
}

#endif

// Tries until the deadline, sleeping a little longer after each refusal: a writer
// holds the lock for well under a millisecond, so the first retries come soon.
template <typename Try>
State retryUntil(std::chrono::milliseconds wait, Try tryOnce)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::chrono::milliseconds pause{1};
    for (;;) {
        const State state = tryOnce();
        if (state != State::Busy || std::chrono::steady_clock::now() >= deadline)
            return state;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds{16});
    }
}

} // namespace

FileLock::FileLock(QFile &file, LockMode mode, std::chrono::milliseconds wait) : file_(file)
{
#ifdef Q_OS_WIN
    const HANDLE handle = openLockHandle(file);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    state_ = retryUntil(wait, [&] { return tryLock(handle, mode); });
    if (state_ == State::Held)
        native_ = handle;
    else
        CloseHandle(handle);
#else
    const int fd = file.handle();
    if (fd >= 0)
        state_ = retryUntil(wait, [&] { return tryLock(fd, mode); });
#endif
}

FileLock::~FileLock()
{
#ifdef Q_OS_WIN
    if (native_) {
        unlock(static_cast<HANDLE>(native_));
        CloseHandle(static_cast<HANDLE>(native_));
    }
#else
    // Closing the file has already dropped the lock, and its descriptor may be reused.
    if (state_ == State::Held && file_.isOpen())
        changeLock(file_.handle(), F_UNLCK);
#endif
}

#ifndef Q_OS_WIN

namespace {

// Opens name for appending, for reading too where the file's mode allows it.
int openAppending(const QByteArray &name, int create, bool &readable)
{
    // O_NONBLOCK: a pipe with nobody reading it would otherwise hold open() for ever.
    const int flags = O_APPEND | O_NONBLOCK | O_CLOEXEC | create;
    int fd = ::open(name.constData(), O_RDWR | flags, 0666);
    readable = fd >= 0;
    if (fd < 0 && errno == EACCES)
        fd = ::open(name.constData(), O_WRONLY | flags, 0666);
    return fd;
}

// A file just created in a folder that its group may write is made writable by that group,
// whatever the umask took away; no class gets more than the folder gives it.
void shareWithFolderGroup(int fd, const QString &path)
{
    struct stat file = {}, folder = {};
    if (::fstat(fd, &file) != 0
        || ::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder) != 0)
        return;
    const bool groupWrites = (folder.st_mode & S_IWGRP) != 0;
    // Without the setgid bit the file gets its creator's group; a member may hand it over.
    const bool sameGroup = file.st_gid == folder.st_gid || (groupWrites && ::fchown(fd, -1, folder.st_gid) == 0);
    mode_t mode = file.st_mode & 07777 & ~mode_t(S_IWGRP | S_IWOTH);
    if (groupWrites && sameGroup)
        mode |= S_IRGRP | S_IWGRP;
    if (folder.st_mode & S_IWOTH)
        mode |= S_IROTH | S_IWOTH;
    // Whom the folder shuts out, the file does not let in either.
    mode &= ~(mode_t(S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH) & ~folder.st_mode);
    if (mode != (file.st_mode & 07777))
        ::fchmod(fd, mode);
}

// File systems where this machine may keep a copy of the file that differs from what the
// server holds: network shares and FUSE views.
bool cachedRemotely(int fd)
{
    struct statfs info = {};
    if (::fstatfs(fd, &info) != 0)
        return true;
    constexpr unsigned long Remote[] = {
        0x6969,       // NFS
        0x517B,       // SMB
        0xFF534D42,   // CIFS
        0xFE534D42,   // SMB2
        0x65735546,   // FUSE
        0x01021997,   // 9P
        0x00C36400,   // Ceph
        0x5346414F,   // AFS
    };
    return std::find(std::begin(Remote), std::end(Remote), static_cast<unsigned long>(info.f_type))
        != std::end(Remote);
}

} // namespace

AppendOpening openForAppend(QFile &file, const QString &path)
{
    AppendOpening opening;
    const QByteArray name = QFile::encodeName(path);
    bool created = false;
    int fd = openAppending(name, 0, opening.readable);
    if (fd < 0 && errno == ENOENT) {
        fd = openAppending(name, O_CREAT | O_EXCL, opening.readable);
        created = fd >= 0;
        // Another copy created it meanwhile, or records.ssu is a link to a file not there yet.
        if (fd < 0 && errno == EEXIST)
            fd = openAppending(name, O_CREAT, opening.readable);
    }
    if (fd < 0) {
        opening.error = errno;
        // ENXIO: a pipe with no reader, opened for writing only.
        opening.notAFile = errno == ENXIO;
        return opening;
    }
    struct stat what = {};
    if (::fstat(fd, &what) != 0 || !S_ISREG(what.st_mode)) {
        opening.notAFile = true;
        ::close(fd);
        return opening;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);   // a regular file: reads and writes may wait for the disk
    if (created)
        shareWithFolderGroup(fd, path);
    file.setFileName(path);
    const QIODevice::OpenMode mode = QIODevice::Append | QIODevice::Unbuffered
        | (opening.readable ? QIODevice::ReadWrite : QIODevice::WriteOnly);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        opening.error = EBADF;
        ::close(fd);
    }
    return opening;
}

qint64 currentSize(QFile &file)
{
    // Asks a share's server, and refreshes where this machine's appends will land.
    struct statx info = {};
    if (::statx(file.handle(), "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_SIZE, &info) == 0)
        return qint64(info.stx_size);
    return file.size();
}

void forgetCachedData(QFile &file)
{
    const int fd = file.handle();
    if (fd < 0 || !cachedRemotely(fd))
        return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
}

#else

AppendOpening openForAppend(QFile &file, const QString &path)
{
    AppendOpening opening;
    file.setFileName(path);
    opening.readable = file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered);
    if (!opening.readable && !file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return opening;
    // NUL, a console or a pipe: nothing written there stays.
    if (file.isSequential()) {
        file.close();
        opening.notAFile = true;
    }
    return opening;
}

qint64 currentSize(QFile &file)
{
    return file.size();
}

void forgetCachedData(QFile &file)
{
    file.flush();
}

#endif
