#pragma once
// Opening a file that the program only reads. What is checked is the file that was
// opened, never the name looked at before: a name swapped for a pipe or a device in
// between can neither hold the program in open() nor feed it for ever.
//
// A name that is a link is followed by a writer only where following it cannot be turned
// against the user: the link belongs to the user, to the owner of its folder or to the
// administrator. Anyone else who may write the folder (a classmate in a shared lab folder)
// could point it at any file of the user's, and writing there would write that file.

#include <QString>
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
        Missing,        // no file of that name
        NotRegular,     // a folder, a device or a pipe (`what` says which): not opened
        UntrustedLink,  // for writing: a link another user may have planted; not followed
        Failed,         // the system refused; `reason` says why
    };
    Status status = Status::Failed;
    qint64 size = 0;  // when opened: the size at that moment
    QString reason;   // the system's own words (in the desktop's language)
    NotAFile what = NotAFile::Device;
    QString path;     // when opened: where the file lies, links followed
};

enum class Access {
    Read,        // every link followed
    ReadWrite,   // only links that cannot be turned against the user followed
};

// Opens path into `file` (closed first) without ever waiting in open(), and keeps it open
// only when it is a regular file. Reads and writes are unbuffered.
OpenedFile openRegularFile(QFile &file, const QString &path, Access access = Access::Read);
