#include "fixencoding.h"
#include "checker.h"
#include "quiz/problemtexts.h"
#include "quiz/regularfile.h"
#include "quiz/textencoding.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qsizetype MaxConvertedBytes = 64 * 1024 * 1024;

QString freeBackupName(const QString &file)
{
    QString name = file + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = file + QStringLiteral(".bak.%1").arg(n);
    return name;
}

} // namespace

QStringList fixEncoding(const QString &file, bool &ok, bool records)
{
    ok = false;
    const auto refused = [&](const FileProblem &problem) { return QStringList{problemLine(file, problem)}; };
    // A pipe or a device under the name would block the open or never end; what was
    // opened is checked, not the name.
    QFile input;
    const OpenedFile opened = openRegularFile(input, file);
    if (opened.status == OpenedFile::Status::NotRegular)
        return refused(problemAt(0, 0, ProblemId::ConversionFailed, problemText(ProblemId::ConversionNotAFile)));
    if (opened.status != OpenedFile::Status::Opened)
        return refused(problemAt(0, 0, ProblemId::ConversionFailed, opened.reason));
    const QByteArray bytes = input.read(MaxConvertedBytes + 1);
    if (bytes.size() > MaxConvertedBytes)
        return refused(problemAt(0, 0, ProblemId::ConversionFailed,
                                 problemText(ProblemId::ConversionTooLarge, MaxConvertedBytes / (1024 * 1024))));
    if (input.error() != QFileDevice::NoError)
        return refused(problemAt(0, 0, ProblemId::ConversionFailed, input.errorString()));
    input.close();

    const Windows1251Conversion converted = convertToWindows1251(bytes, records);
    if (converted.outcome == Windows1251Conversion::Outcome::AlreadyWindows1251) {
        ok = true;
        return {visibleText(problemText(ProblemId::AlreadyWindows1251, file))};
    }
    if (converted.refusal)
        return refused(*converted.refusal);

    const QString backup = freeBackupName(file);
    if (!QFile::copy(file, backup))
        return refused(problemAt(0, 0, ProblemId::ConversionBackupFailed, backup, qt_error_string()));
    // Written beside the file and renamed over it: a failure leaves the old file whole.
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly) || output.write(converted.bytes) != converted.bytes.size()
        || !output.commit())
        return refused(problemAt(0, 0, ProblemId::ConversionFailed, output.errorString()));
    ok = true;
    return {visibleText(problemText(ProblemId::Converted, file, converted.sourceName, backup))};
}
