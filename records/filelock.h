#pragma once
// The operating system's lock on a file: fcntl record locks on POSIX systems
// (filelock_unix.cpp), LockFileEx on Windows (filelock_win.cpp). Both work on local disks
// and on network shares (NFS, SMB), and the system drops them when the holder closes the
// file or dies, so a copy of the program that crashed never blocks the others.
//
// Every copy locks the same single byte far beyond any real data rather than the
// data itself: Windows locks are mandatory, and a lock on the data would make plain
// reads by other programs fail.

#include <QtGlobal>
#include <chrono>

class QFile;

enum class LockMode { Shared, Exclusive };

// How long a copy of the program waits for another one to finish with the records file.
inline constexpr std::chrono::milliseconds RecordsLockWait{5000};

// Holds a lock on a file opened by openRegularFile from construction until destruction or
// until the file is closed.
class FileLock {
public:
    enum class State {
        Held,
        Busy,          // another holder kept it for the whole wait
        Unsupported,   // the file system keeps no locks (an old share without a lock service)
    };

    // Tries again and again until `wait` has passed.
    FileLock(QFile &file, LockMode mode, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    State state() const { return state_; }

private:
    QFile &file_;
    State state_ = State::Unsupported;
};
