#include "records/filelock.h"
#include "quiz/retrying.h"
#include "quiz/win32api.h"

#include <QFile>
#include <io.h>

namespace {

using State = FileLock::State;

// The lock byte, at 2^62.
constexpr DWORD LockOffsetHigh = 0x40000000;

// The system's handle of a file the program opened: its C runtime descriptor stands for it.
HANDLE handleOf(const QFile &file)
{
    return file.handle() < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
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

} // namespace

FileLock::FileLock(QFile &file, LockMode mode, std::chrono::milliseconds wait) : file_(file)
{
    const HANDLE handle = handleOf(file);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    state_ = retryWhileBusy(wait, [&] { return tryLock(handle, mode); }, [](State state) { return state == State::Busy; });
}

FileLock::~FileLock()
{
    // Closing the file has already dropped the lock.
    if (state_ != State::Held || !file_.isOpen())
        return;
    OVERLAPPED at{};
    at.OffsetHigh = LockOffsetHigh;
    UnlockFileEx(handleOf(file_), 0, 1, 0, &at);
}
