#pragma once
// The operating system's lock on a file: fcntl record locks on POSIX systems,
// LockFileEx on Windows. Both work on local disks and on network shares (NFS, SMB),
// and the system drops them when the holder closes the file or dies, so a copy of
// the program that crashed never blocks the others.
//
// Every copy locks the same single byte far beyond any real data rather than the
// data itself: Windows locks are mandatory, and a lock on the data would make plain
// reads by other programs fail.

#include "quiz/regularfile.h"
#include <QString>
#include <QtGlobal>
#include <chrono>
#include <optional>

class QFile;

enum class LockMode { Shared, Exclusive };

// How long a copy of the program waits for another one to finish with the records file.
inline constexpr std::chrono::milliseconds RecordsLockWait{5000};

// Holds a lock on an open file from construction until destruction or until the file is closed.
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
    void *native_ = nullptr;   // Windows: the handle that holds the lock
};

// Opening the records file for appending, and looking at what really reached it, the way
// the file system at hand allows.
struct AppendOpening {
    int error = 0;          // the system's error number when nothing was opened (0: see the file's errorString)
    std::optional<NotAFile> notAFile;   // the name leads to a pipe, a socket or a device: refused, nothing opened
    bool untrustedLink = false;         // a link another user may have planted: not followed, nothing opened
    bool readable = false;  // opened for reading too; a file of mode 0200 can only be written
};

// Opens path for appending, creating the file when it is missing, following a link only
// where that cannot be turned against the user (an administrator may point records.ssu
// elsewhere on purpose; a classmate may not point it at this pupil's files) and never
// blocking: what was opened is checked, not the name, and anything but a regular file is
// closed again unused. A file created in a folder that its group may write has read and
// write access for that group from its first instant whatever the umask, so that pupils
// of one group can share it; no class of users gets more access to the file than the
// folder gives it.
AppendOpening openForAppend(QFile &file, const QString &path);

// The file's size as the disk or the share's server has it now, not as this machine
// remembers it (two machines appending to one share see each other's lines only so).
qint64 currentSize(QFile &file);

// Where the next bytes written to the file lie at or after `from`: a stretch the file
// system keeps as a hole (a file made large with truncate) reads as zero bytes and need
// not be read. `from` itself where the system cannot tell; the size after the last data.
qint64 nextData(QFile &file, qint64 from);

// Pushes what was written out to the share's server and forgets this machine's copy, so
// that the next read shows what the file really holds; nothing to do on a local disk.
void forgetCachedData(QFile &file);
