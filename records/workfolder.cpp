#include "records/workfolder.h"

#include "quiz/problemtexts.h"
#include "records/recordsfile.h"
#include "topics/catalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

namespace {

QString shownFolder(const QString &folder)
{
    return QDir::toNativeSeparators(QDir(folder).absolutePath());
}

// Whether a new file can be made in folder, tried with a file of its own that is removed
// again: permission bits, a read-only disk and the rights of a shared folder all answer.
bool acceptsNewFile(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".zuf-write-probe-XXXXXX")));
    return probe.open();
}

ProblemId whyUnwritable(const QFileInfo &folder)
{
    if (!folder.exists())
        return ProblemId::SystemNoFolder;
    if (!folder.isDir())
        return ProblemId::SystemFileInPath;
    return QStorageInfo(folder.absoluteFilePath()).isReadOnly() ? ProblemId::SystemReadOnly
                                                                : ProblemId::SystemNoPermission;
}

} // namespace

std::optional<QString> resultsUnsavableNotice(const QString &folder)
{
    // An existing file takes lines even in a folder closed to new files; what else may
    // stand under its name is said when the line is written.
    const QFileInfo records(QDir(folder).filePath(RecordsFileName));
    if (records.isFile()) {
        if (records.isWritable())
            return std::nullopt;
        return problemText(ProblemId::FolderKeepsNoResults, shownFolder(folder),
                           problemText(whyUnwritable(QFileInfo(folder))));
    }
    if (records.exists() || acceptsNewFile(folder))
        return std::nullopt;
    return problemText(ProblemId::FolderKeepsNoResults, shownFolder(folder),
                       problemText(whyUnwritable(QFileInfo(folder))));
}

std::optional<QString> noQuestionFilesNotice(const QString &folder)
{
    QStringList files;
    for (const Topic &topic : topicCatalogue()) {
        if (QFileInfo::exists(QDir(folder).filePath(topic.file)))
            return std::nullopt;
        files << topic.file;
    }
    files.sort();
    return problemText(ProblemId::FolderHasNoQuestions, shownFolder(folder), files.join(QStringLiteral(", ")));
}
