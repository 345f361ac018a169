#pragma once
// The one way the program opens a file: to read, to read and write, or to append. What is
// checked is the file that was opened, never the name looked at before: a name swapped for
// a pipe or a device in between can neither hold the program in open() nor feed it for ever.
// Each system's half lies in its own file (regularfile_unix.cpp, regularfile_win.cpp).
//
// A name that is a link is followed by a writer only where following it cannot be turned
// against the user: the link belongs to the user, to the owner of its folder or to the
// administrator. Anyone else who may write the folder (a classmate in a shared lab folder)
// could point it at any file of the user's, and writing there would write that file.

#include <QIODevice>
#include <QString>
#include <chrono>
#include <optional>

class QFile;

// What stands under a name instead of a regular file; each has its own sentence.
enum class NotAFile { Folder, Pipe, Device, Socket };
QString notAFileReason(NotAFile what);
// What stands under path (links followed) when that is something other than a regular
// file; nullopt for a regular file or nothing at all.
std::optional<NotAFile> notAFileAt(const QString &path);

struct OpenedFile {
    enum class Status {
        Opened,         // a regular file, open
        Missing,        // no file of that name (to append: no folder for it)
        NotRegular,     // a folder, a device or a pipe (`what` says which): not opened
        UntrustedLink,  // for writing: a link another user may have planted; not followed
        Failed,         // the system refused; `reason` says why
    };
    Status status = Status::Failed;
    qint64 size = 0;  // when opened: the size at that moment
    QString reason;   // the system's own words (in the desktop's language), without a closing stop
    NotAFile what = NotAFile::Device;
    QString path;     // when opened: where the file lies, links followed
    int error = 0;    // POSIX systems: the error number behind `reason`, for a pupil's own phrase
    bool readable = false;   // when opened: reads work too (a file of mode 0200 can only be appended to)
};

enum class Access {
    Read,        // every link followed
    ReadWrite,   // only links that cannot be turned against the user followed
    // Writes go to the end. A missing file is created; one created in a folder that its
    // group may write has read and write access for that group from its first instant
    // whatever the umask, so that pupils of one group can share it, and no class of users
    // gets more access to it than the folder gives. Opened for reading too where allowed.
    Append,
};

// Opens path into `file` (closed first) without ever waiting in open(), and keeps it open
// only when it is a regular file. Reads and writes are unbuffered. A file another program
// holds open denying what is asked (a spreadsheet keeping the records file) is asked for
// again until sharingWait has passed; systems without such denials never wait.
OpenedFile openRegularFile(QFile &file, const QString &path, Access access = Access::Read,
                           std::chrono::milliseconds sharingWait = {});

// For each system's half: how Qt is to use a descriptor opened for access; `readable`
// when an appending descriptor may be read as well.
QIODevice::OpenMode openModeOf(Access access, bool readable);

// A system's message as the reason inside a sentence of ours, which brings its own full
// stop: the message's closing stop and spaces go.
QString systemReason(QString message);
