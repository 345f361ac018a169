#include "records/filelock.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <thread>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include "quiz/trustedlink.h"
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

// Opens name for appending, for reading too where the file's mode allows it, following
// only links that cannot be turned against the user. `opened`: the name reached.
int openAppending(const QByteArray &name, bool &readable, QByteArray &opened, bool &untrusted)
{
    // O_NONBLOCK: a pipe with nobody reading it would otherwise hold open() for ever.
    const int flags = O_APPEND | O_NONBLOCK | O_CLOEXEC;
    int fd = openFollowingTrustedLinks(name, O_RDWR | flags, 0, opened, untrusted);
    readable = fd >= 0;
    if (fd < 0 && errno == EACCES && !untrusted)
        fd = openFollowingTrustedLinks(name, O_WRONLY | flags, 0, opened, untrusted);
    return fd;
}

// A file just created in a folder that its group may write is made writable by that group,
// whatever the umask took away; no class gets more than the folder gives it.
void shareWithFolderGroup(int fd, const QByteArray &folderName)
{
    struct stat file = {}, folder = {};
    if (::fstat(fd, &file) != 0 || ::stat(folderName.constData(), &folder) != 0)
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

// Creates name with the rights it keeps from its first instant: made under a name of its
// own, given its group and mode, then linked under name, which is never replaced (another
// copy that created it first wins: EEXIST). A pupil who opens the file the moment it
// appears can already write it, whatever the creator's umask.
int createShared(const QByteArray &name)
{
    const QByteArray folder = folderOf(name);
    const QByteArray base = name.mid(name.lastIndexOf('/') + 1);
    // Unique among the machines sharing the folder: a process number alone is not.
    const QByteArray draft = folder + "/." + base + '.' + QByteArray::number(::getpid()) + '.'
        + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".new";
    const int fd = ::open(draft.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    shareWithFolderGroup(fd, folder);
    int placed = ::link(draft.constData(), name.constData());
    if (placed != 0 && errno != EEXIST)
        placed = ::renameat2(AT_FDCWD, draft.constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE);
    const int error = errno;
    ::unlink(draft.constData());
    if (placed == 0) {
        ::fcntl(fd, F_SETFL, O_APPEND);
        return fd;
    }
    ::close(fd);
    if (error == EEXIST) {
        errno = EEXIST;
        return -1;
    }
    // A file system with neither hard links nor a rename that keeps what is there: made
    // in place and widened at once.
    const int direct = ::open(name.constData(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (direct >= 0)
        shareWithFolderGroup(direct, folder);
    return direct;
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
    QByteArray name = QFile::encodeName(path);
    int fd = -1;
    QByteArray reached;
    // Another copy may create the file between a look and the creation: then it is opened.
    for (int tries = 0; fd < 0 && tries < 3; ++tries) {
        fd = openAppending(name, opening.readable, reached, opening.untrustedLink);
        if (fd >= 0 || errno != ENOENT)
            break;
        // Missing: records.ssu itself, or the file a trusted link leads to.
        fd = createShared(reached);
        opening.readable = fd >= 0;
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        opening.error = errno;
        // ENXIO: a pipe with no reader opened for writing only, or a socket.
        if (errno == ENXIO)
            opening.notAFile = notAFileAt(QFile::decodeName(reached));
        return opening;
    }
    struct stat what = {};
    if (::fstat(fd, &what) != 0 || !S_ISREG(what.st_mode)) {
        opening.notAFile = S_ISFIFO(what.st_mode) ? NotAFile::Pipe
            : S_ISSOCK(what.st_mode)              ? NotAFile::Socket
                                                  : NotAFile::Device;
        ::close(fd);
        return opening;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);   // a regular file: reads and writes may wait for the disk
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

qint64 nextData(QFile &file, qint64 from)
{
    const off_t data = ::lseek(file.handle(), off_t(from), SEEK_DATA);
    if (data >= 0)
        return qint64(data);
    return errno == ENXIO ? qMax(from, file.size()) : from;
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
        opening.notAFile = NotAFile::Device;
    }
    return opening;
}

qint64 currentSize(QFile &file)
{
    return file.size();
}

qint64 nextData(QFile &, qint64 from)
{
    return from;
}

void forgetCachedData(QFile &file)
{
    file.flush();
}

#endif
