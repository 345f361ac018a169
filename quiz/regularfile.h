#pragma once
// Opening a file that the program only reads. What is checked is the file that was
// opened, never the name looked at before: a name swapped for a pipe or a device in
// between can neither hold the program in open() nor feed it for ever.

#include <QString>

class QFile;

struct OpenedFile {
    enum class Status {
        Opened,       // a regular file, open for reading
        Missing,      // no file of that name
        NotRegular,   // a folder, a device or a pipe: not opened
        Failed,       // the system refused; `reason` says why
    };
    Status status = Status::Failed;
    qint64 size = 0;  // when opened: the size at that moment
    QString reason;   // the system's own words (in the desktop's language)
};

// Opens path read-only into `file` (closed first) without ever waiting in open(),
// and keeps it open only when it is a regular file. Reads are unbuffered.
OpenedFile openRegularFile(QFile &file, const QString &path);
