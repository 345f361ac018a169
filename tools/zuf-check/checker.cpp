#include "checker.h"
#include "quiz/grading.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <algorithm>

namespace {

constexpr int MaxTestScore = 40;

void sortByPlace(std::vector<FileProblem> &problems)
{
    std::stable_sort(problems.begin(), problems.end(), [](const FileProblem &a, const FileProblem &b) {
        return std::pair(a.line, a.column) < std::pair(b.line, b.column);
    });
}

QJsonArray intArray(const auto &values)
{
    QJsonArray array;
    for (const auto value : values)
        array.append(int(value));
    return array;
}

QJsonArray problemsJson(const std::vector<FileProblem> &problems)
{
    QJsonArray array;
    for (const FileProblem &problem : problems) {
        array.append(QJsonObject{
            {QStringLiteral("line"), problem.line},
            {QStringLiteral("column"), problem.column},
            {QStringLiteral("severity"),
             problem.severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning")},
            {QStringLiteral("message"), problem.message},
        });
    }
    return array;
}

QJsonObject questionsJson(const QuestionFileContents &contents)
{
    QJsonArray questions;
    for (const QuestionRecord &record : contents.records) {
        QJsonArray answers;
        for (const QString &answer : record.answers)
            answers.append(answer);
        questions.append(QJsonObject{
            {QStringLiteral("text"), record.question},
            {QStringLiteral("answers"), answers},
            {QStringLiteral("correct"), intArray(record.correct)},
        });
    }
    QJsonArray grades;
    for (int score = 0; score <= MaxTestScore; ++score)
        grades.append(computeGrade(qint16(score), contents.threshold5, contents.threshold4, contents.threshold3));
    return QJsonObject{
        {QStringLiteral("kind"), QStringLiteral("questions")},
        {QStringLiteral("thresholds"),
         intArray(std::array{contents.threshold5, contents.threshold4, contents.threshold3})},
        {QStringLiteral("questions"), questions},
        {QStringLiteral("grades"), grades},
    };
}

QJsonObject recordsJson(const std::vector<RecordRow> &records)
{
    QJsonArray array;
    for (const RecordRow &record : records) {
        array.append(QJsonObject{
            {QStringLiteral("name"), record.entry.name},
            {QStringLiteral("topic"), record.entry.topic},
            {QStringLiteral("grade"), record.entry.grade},
            {QStringLiteral("row"), record.row},
        });
    }
    return QJsonObject{
        {QStringLiteral("kind"), QStringLiteral("records")},
        {QStringLiteral("records"), array},
    };
}

} // namespace

bool FileReport::ok() const
{
    return std::none_of(problems.begin(), problems.end(),
                        [](const FileProblem &p) { return p.severity == Severity::Error; });
}

FileKind kindOf(const QString &file, bool afterRecordsOption)
{
    if (afterRecordsOption || QFileInfo(file).fileName().compare(RecordsFileName, Qt::CaseInsensitive) == 0)
        return FileKind::Records;
    return FileKind::Questions;
}

FileReport checkQuestionFile(const QString &file)
{
    FileReport report{file, FileKind::Questions, readQuestionFileAt(file), {}, {}};
    report.problems = report.questions.warnings;
    if (report.questions.fault)
        report.problems.push_back(*report.questions.fault);
    sortByPlace(report.problems);
    return report;
}

FileReport checkRecordsFile(const QString &file)
{
    FileReport report{file, FileKind::Records, {}, {}, {}};
    // The program reads a missing records file as no records, but a teacher who
    // names a file wants to know that it is not there.
    if (!QFileInfo::exists(file)) {
        report.problems.push_back({0, 0, Severity::Error, QStringLiteral("Файла рекордов нет.")});
        return report;
    }
    // Read as the program reads it: under the shared lock, refusing folders and devices.
    const RecordsFileBytes input = readRecordsFile(file);
    if (input.fault) {
        report.problems.push_back({0, 0, Severity::Error, *input.fault});
        return report;
    }
    const QByteArray &bytes = input.bytes;
    RecordReader reader(bytes);
    RowPads pads;
    RecordEntryRecord entry;
    while (reader.next(entry))
        report.records.push_back({entry, buildRecordRow(entry, pads)});
    report.problems = reader.problems();
    sortByPlace(report.problems);
    return report;
}

QStringList problemLines(const FileReport &report)
{
    QStringList lines;
    for (const FileProblem &problem : report.problems) {
        const QString place = problem.line > 0
            ? QStringLiteral("%1:%2:%3").arg(report.file).arg(problem.line).arg(problem.column)
            : report.file;
        const QString severity = problem.severity == Severity::Error ? QStringLiteral("error")
                                                                     : QStringLiteral("warning");
        lines.append(QStringLiteral("%1: %2: %3").arg(place, severity, problem.message));
    }
    return lines;
}

QJsonObject reportJson(const FileReport &report)
{
    QJsonObject object = report.kind == FileKind::Questions ? questionsJson(report.questions)
                                                            : recordsJson(report.records);
    object.insert(QStringLiteral("file"), report.file);
    object.insert(QStringLiteral("ok"), report.ok());
    object.insert(QStringLiteral("problems"), problemsJson(report.problems));
    return object;
}
