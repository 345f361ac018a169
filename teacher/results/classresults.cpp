#include "teacher/results/classresults.h"
#include "quiz/problemtexts.h"
#include "quiz/textencoding.h"
#include "records/recordsfile.h"
#include "teacher/wholesave.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

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

QStringView TextPool::operator[](quint32 i) const
{
    const quint32 start = i == 0 ? 0 : ends_[i - 1];
    return QStringView(chars_).sliced(start, ends_[i] - start);
}

quint32 TextPool::add(QStringView text)
{
    if (ends_.size() * 2 >= slots_.size())
        grow();
    const size_t mask = slots_.size() - 1;
    for (size_t slot = qHash(text, QHashSeed::globalSeed()) & mask;; slot = (slot + 1) & mask) {
        if (slots_[slot] == 0) {
            chars_.append(text);
            ends_.push_back(quint32(chars_.size()));
            slots_[slot] = quint32(ends_.size());
            return quint32(ends_.size() - 1);
        }
        if ((*this)[slots_[slot] - 1] == text)
            return slots_[slot] - 1;
    }
}

void TextPool::grow()
{
    slots_.assign(qMax<size_t>(64, slots_.size() * 2), 0);
    const size_t mask = slots_.size() - 1;
    for (quint32 i = 0; i < ends_.size(); ++i) {
        size_t slot = qHash((*this)[i], QHashSeed::globalSeed()) & mask;
        while (slots_[slot] != 0)
            slot = (slot + 1) & mask;
        slots_[slot] = i + 1;
    }
}

namespace {

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
    const RecordsScan scan = scanRecordsFile(path, [&](const RecordEntryRecord &entry) {
        const quint32 topic = results.topics.add(entry.topic);
        if (topic == results.grades.size())
            results.grades.emplace_back();
        countGrade(results.grades[topic], entry.grade);
        results.rows.push_back({results.names.add(entry.name), topic, entry.grade});
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
    // Written whole or not at all, as the workbench saves a question file: a full disk
    // must not leave a cut table that looks complete.
    QByteArray bytes = CsvByteOrderMark;
    bytes += csvLine({QStringLiteral("Имя"), QStringLiteral("Тема"), QStringLiteral("Оценка")});
    for (const int i : rows) {
        const ResultRow &row = results.rows[size_t(i)];
        bytes += csvLine({results.names[row.name].toString(), results.topics[row.topic].toString(),
                          QString::number(row.grade)});
    }
    if (const std::optional<QString> why = writeWhole(path, bytes))
        return problemText(ProblemId::ResultsCsvFailed, shownPath, *why);
    return std::nullopt;
}
