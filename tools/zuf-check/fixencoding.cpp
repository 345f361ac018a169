#include "fixencoding.h"
#include "checker.h"
#include "quiz/problemtexts.h"
#include "quiz/regularfile.h"
#include "quiz/textencoding.h"
#include "records/filelock.h"
#include "records/recordsfile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace {

constexpr qsizetype MaxConvertedBytes = 64 * 1024 * 1024;

FileProblem failure(const QString &reason)
{
    return problemAt(0, 0, ProblemId::ConversionFailed, reason);
}

// The reason the file cannot be converted at all, before anything was read.
QString openingFault(const OpenedFile &opened)
{
    return opened.status == OpenedFile::Status::NotRegular ? notAFileReason(opened.what) : opened.reason;
}

// The old bytes, as they were read, in a new file beside the one converted: FILE.bak or
// FILE.bak.2, ... Created anew, never opened through a name that is there already (a
// link, a pipe), with the rights of the file it copies from its first instant.
// The backup's name, or nullopt with `reason`.
std::optional<QString> writeBackup(const QString &path, QFileDevice::Permissions rights, const QByteArray &bytes,
                                   QString &reason)
{
    QString name = path + QStringLiteral(".bak");
    for (int n = 2;; ++n) {
        QFile backup(name);
        if (backup.open(QIODevice::WriteOnly | QIODevice::NewOnly, rights)) {
            if (backup.write(bytes) == bytes.size() && backup.flush()) {
                backup.close();
                if (backup.error() == QFileDevice::NoError)
                    return name;
            }
            reason = failureReason(backup, errno);
            backup.close();
            backup.remove();
            return std::nullopt;
        }
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink()) {
            reason = failureReason(backup, errno);
            return std::nullopt;
        }
        name = path + QStringLiteral(".bak.%1").arg(n);
    }
}

struct Overwritten {
    enum { Done, PutBack, Torn } state;
    QString reason;   // why the new bytes could not be written
};

// Puts bytes in place of what the open file holds (unbuffered: a full disk fails the write
// itself); when they cannot all be written, what it held is put back (it fitted before).
Overwritten overwrite(QFile &file, const QByteArray &bytes, const QByteArray &before)
{
    if (file.seek(0) && file.write(bytes) == bytes.size() && file.resize(bytes.size()) && file.flush())
        return {Overwritten::Done, {}};
    const QString reason = failureReason(file, errno);
    const bool putBack = file.seek(0) && file.write(before) == before.size() && file.resize(before.size())
        && file.flush();
    return {putBack ? Overwritten::PutBack : Overwritten::Torn, reason};
}

} // namespace

QStringList fixEncoding(const QString &file, bool &ok, bool records)
{
    ok = false;
    const auto refused = [&](const FileProblem &problem) { return QStringList{problemLine(file, problem)}; };
    // Everything happens on the one file opened here and checked: a pipe or a device is
    // refused without waiting, a link followed only where a classmate cannot have planted
    // it, and a name swapped meanwhile changes nothing of what is read or written.
    QFile target;
    const OpenedFile opened = openRegularFile(target, file, Access::ReadWrite);
    if (opened.status != OpenedFile::Status::Opened)
        return refused(failure(openingFault(opened)));
    // Copies of the quiz append to a records file under this lock: none of their lines
    // may fall between the read and the write.
    const FileLock lock(target, LockMode::Exclusive, RecordsLockWait);
    if (lock.state() == FileLock::State::Busy)
        return refused(failure(systemErrorText(EAGAIN)));
    const QByteArray bytes = target.read(MaxConvertedBytes + 1);
    if (bytes.size() > MaxConvertedBytes)
        return refused(failure(problemText(ProblemId::ConversionTooLarge, MaxConvertedBytes / (1024 * 1024))));
    if (target.error() != QFileDevice::NoError)
        return refused(failure(target.errorString()));

    const Windows1251Conversion converted = convertToWindows1251(bytes, records);
    if (converted.outcome == Windows1251Conversion::Outcome::AlreadyWindows1251) {
        ok = true;
        return {visibleText(problemText(ProblemId::AlreadyWindows1251, file))};
    }
    if (converted.refusal)
        return refused(*converted.refusal);

    QString reason;
    const QFileDevice::Permissions rights = target.permissions()
        & (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup
           | QFileDevice::ReadOther | QFileDevice::WriteOther);
    const std::optional<QString> backup = writeBackup(opened.path, rights, bytes, reason);
    if (!backup)
        return refused(problemAt(0, 0, ProblemId::ConversionBackupFailed, opened.path + QStringLiteral(".bak"), reason));
    // Written into the same file, not renamed over it: a copy of the quiz waiting for the
    // lock appends to this file, and the file keeps its owner, group and rights.
    const Overwritten written = overwrite(target, converted.bytes, bytes);
    if (written.state != Overwritten::Done) {
        // The backup stays only when it is all that holds the old bytes.
        if (written.state == Overwritten::PutBack)
            QFile::remove(*backup);
        return refused(failure(written.reason));
    }
    ok = true;
    return {visibleText(problemText(ProblemId::Converted, file, converted.sourceName, *backup))};
}
