#include "teacher/wholesave.h"
#include "quiz/problemtexts.h"
#include "quiz/regularfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

std::optional<QString> writeWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Unbuffered: a full disk fails the write itself, not a flush whose failure could go unseen.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    return std::nullopt;
}

std::optional<QString> saveWhole(const QString &path, const QByteArray &bytes)
{
    if (const std::optional<NotAFile> what = notAFileAt(path))
        return problemText(ProblemId::SaveFailed, notAFileReason(*what));
    if (QFileInfo::exists(path)) {
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly))
            return problemText(ProblemId::SaveFailed, old.errorString());
        const QByteArray previous = old.readAll();
        if (old.error() != QFileDevice::NoError)
            return problemText(ProblemId::SaveFailed, old.errorString());
        if (const auto why = writeWhole(path + QStringLiteral(".bak"), previous))
            return problemText(ProblemId::BackupFailed, path + QStringLiteral(".bak"), *why);
    }
    if (const auto why = writeWhole(path, bytes))
        return problemText(ProblemId::SaveFailed, *why);
    return std::nullopt;
}
