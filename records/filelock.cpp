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
