#include "teacher/results/classresults.h"
#include "quiz/problemtexts.h"
#include "quiz/textencoding.h"
#include "records/recordsfile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

qint64 TopicGrades::graded() const
{
    qint64 total = 0;
    for (const qint64 n : count)
        total += n;
    return total;
}

std::optional<double> TopicGrades::mean() const
{
    const qint64 total = graded();
    if (total == 0)
        return std::nullopt;
    double sum = 0;
    for (size_t i = 0; i < count.size(); ++i)
        sum += double(count[i]) * double(LowestGrade + int(i));
    return sum / double(total);
}

namespace {

// The index of text in list, added when new.
quint32 indexOf(const QString &text, QStringList &list, QHash<QString, quint32> &known)
{
    const auto found = known.constFind(text);
    if (found != known.cend())
        return *found;
    const auto index = quint32(list.size());
    list.append(text);
    known.insert(text, index);
    return index;
}

void countGrade(TopicGrades &grades, qint16 grade)
{
    if (grade >= LowestGrade && grade <= HighestGrade)
        ++grades.count[size_t(grade - LowestGrade)];
    else
        ++grades.outside;
}

// The reader notes each record it skips; past its limit it notes only that there are more.
void countSkipped(ClassResults &results, const std::vector<FileProblem> &problems)
{
    int firstLine = 0;
    for (const FileProblem &problem : problems) {
        if (problem.id == ProblemId::MoreDamagedRecords) {
            results.skippedMore = true;
        } else if (problem.id == ProblemId::RecordSkipped || problem.id == ProblemId::LastRecordTorn) {
            ++results.skipped;
            if (firstLine == 0 || problem.line < firstLine)
                firstLine = problem.line;
        }
    }
    if (results.skippedMore)
        results.notices.push_back(problemAt(firstLine, 1, ProblemId::ResultsSkippedMore, results.skipped, firstLine));
    else if (results.skipped > 0)
        results.notices.push_back(problemAt(firstLine, 1, ProblemId::ResultsSkipped, results.skipped, firstLine));
}

void noteGradesOutside(ClassResults &results)
{
    qint64 outside = 0;
    for (const TopicGrades &grades : results.grades)
        outside += grades.outside;
    if (outside > 0)
        results.notices.push_back(problemAt(0, 0, ProblemId::ResultsGradesOutside, outside));
}

} // namespace

ClassResults readClassResults(const QString &path)
{
    ClassResults results;
    if (!QFileInfo::exists(path)) {
        results.notices.push_back(
            problemAt(0, 0, ProblemId::ResultsNoRecords, QDir::toNativeSeparators(QFileInfo(path).absolutePath())));
        return results;
    }
    QHash<QString, quint32> knownNames;
    QHash<QString, quint32> knownTopics;
    const RecordsScan scan = scanRecordsFile(path, [&](const RecordEntryRecord &entry) {
        const quint32 topic = indexOf(entry.topic, results.topics, knownTopics);
        if (topic == results.grades.size())
            results.grades.emplace_back();
        countGrade(results.grades[topic], entry.grade);
        results.rows.push_back({indexOf(entry.name, results.names, knownNames), topic, entry.grade});
    });
    if (scan.fault) {
        ClassResults failed;
        failed.fault = scan.fault;
        return failed;
    }
    results.rows.shrink_to_fit();
    if (scan.unicodeForm != UnicodeForm::None)
        results.notices.push_back(problemAt(1, 1, ProblemId::UnicodeRecordsFile, unicodeFormName(scan.unicodeForm),
                                            shellWord(path)));
    countSkipped(results, scan.problems);
    noteGradesOutside(results);
    return results;
}

namespace {

// A plain number such as -3 is taken as a number, which is harmless.
bool startsLikeFormula(const QString &text)
{
    bool number = false;
    text.toLongLong(&number);
    return !text.isEmpty() && QStringView(u"=+-@").contains(text.front()) && !number;
}

QString csvField(const QString &text)
{
    QString field = startsLikeFormula(text) ? QLatin1Char('\'') + text : text;
    if (!field.contains(QLatin1Char(CsvSeparator)) && !field.contains(u'"') && !field.contains(u'\n')
        && !field.contains(u'\r'))
        return field;
    field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

} // namespace

QByteArray csvLine(const QStringList &fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(CsvSeparator);
        line += csvField(fields[i]);
    }
    return line.toUtf8() + "\r\n";
}

std::optional<QString> writeResultsCsv(const QString &path, const ClassResults &results, std::span<const int> rows)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    if (path.endsWith(QStringLiteral(".ssu"), Qt::CaseInsensitive))
        return problemText(ProblemId::ResultsCsvFailed, shownPath, problemText(ProblemId::ResultsCsvOverProgramFile));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return problemText(ProblemId::ResultsCsvFailed, shownPath, file.errorString());
    file.write(CsvByteOrderMark);
    file.write(csvLine({QStringLiteral("Имя"), QStringLiteral("Тема"), QStringLiteral("Оценка")}));
    for (const int i : rows) {
        const ResultRow &row = results.rows[size_t(i)];
        file.write(csvLine({results.names[row.name], results.topics[row.topic], QString::number(row.grade)}));
    }
    if (!file.commit())
        return problemText(ProblemId::ResultsCsvFailed, shownPath, file.errorString());
    return std::nullopt;
}
