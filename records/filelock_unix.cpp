#include "records/filelock.h"
#include "quiz/retrying.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>

namespace {

using State = FileLock::State;

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

} // namespace

FileLock::FileLock(QFile &file, LockMode mode, std::chrono::milliseconds wait) : file_(file)
{
    const int fd = file.handle();
    if (fd < 0)
        return;
    const short type = mode == LockMode::Exclusive ? F_WRLCK : F_RDLCK;
    state_ = retryWhileBusy(wait, [&] { return changeLock(fd, type); }, [](State state) { return state == State::Busy; });
}

FileLock::~FileLock()
{
    // Closing the file has already dropped the lock, and its descriptor may be reused.
    if (state_ == State::Held && file_.isOpen())
        changeLock(file_.handle(), F_UNLCK);
}
