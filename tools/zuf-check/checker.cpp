#include "checker.h"
#include "quiz/grading.h"
#include "quiz/problemtexts.h"
#include "quiz/quizstate.h"
#include "quiz/regularfile.h"
#include "quiz/textencoding.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
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
    QJsonObject object{
        {QStringLiteral("kind"), QStringLiteral("questions")},
        {QStringLiteral("questions"), questions},
    };
    // A file that was never read, or whose first line was not, has no limits to tell.
    if (contents.fault && contents.fault->line <= 1)
        return object;
    QJsonArray grades;
    for (int score = 0; score <= MaxTestScore; ++score)
        grades.append(computeGrade(qint16(score), contents.threshold5, contents.threshold4, contents.threshold3));
    object.insert(QStringLiteral("thresholds"),
                  intArray(std::array{contents.threshold5, contents.threshold4, contents.threshold3}));
    object.insert(QStringLiteral("grades"), grades);
    return object;
}

QByteArray compactJson(const auto &value)
{
    return QJsonDocument(value).toJson(QJsonDocument::Compact);
}

// A JSON string as QJsonDocument writes it: UTF-8, with quotes, backslashes and
// control characters escaped. Written by hand because a records file's report is
// written line by line, and a document per line would cost thirty times as much.
void appendJsonString(QByteArray &out, const QString &text)
{
    static const char Hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    qsizetype plain = 0;   // start of the run of bytes that need no escape
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        out.append(utf8.constData() + plain, i - plain);
        plain = i + 1;
        switch (byte) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            out += "\\u00";
            out += Hex[byte >> 4];
            out += Hex[byte & 0xF];
        }
    }
    out.append(utf8.constData() + plain, utf8.size() - plain);
    out += '"';
}

// {"grade":…,"name":…,"row":…,"topic":…}, the keys in the order QJsonDocument gives them.
QByteArray recordJson(const RecordRow &record)
{
    QByteArray out = "{\"grade\":" + QByteArray::number(record.entry.grade) + ",\"name\":";
    appendJsonString(out, record.entry.name);
    out += ",\"row\":";
    appendJsonString(out, record.row);
    out += ",\"topic\":";
    appendJsonString(out, record.entry.topic);
    out += '}';
    return out;
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

FileReport checkQuestionFile(const QString &file, const TextFitTest &fits)
{
    QuestionFileCheck check = checkQuestionFileAt(file, fits);
    FileReport report{file, FileKind::Questions, std::move(check.contents), {}};
    for (const QuestionProblem &p : check.problems)
        report.problems.push_back({p.line, p.column, p.severity, p.message, p.id});
    return report;
}

namespace {

// A record's line: one record a line, less the lines the reader skipped.
void noteGradesOutOfRange(FileReport &report, const std::vector<std::pair<qsizetype, RecordEntryRecord>> &offGrades,
                          const std::vector<FileProblem> &skipped)
{
    std::vector<int> skippedLines;
    for (const FileProblem &p : skipped)
        skippedLines.push_back(p.line);
    std::sort(skippedLines.begin(), skippedLines.end());
    for (const auto &[number, entry] : offGrades) {
        qsizetype line = number + 1;
        for (const int s : skippedLines)
            line += s <= line ? 1 : 0;
        report.problems.push_back(problemAt(int(line), 1, ProblemId::GradeOutOfRange, entry.grade, entry.name.trimmed(),
                                            entry.topic.trimmed()));
    }
}

// Lines of UTF-8 among lines of Windows-1251; not looked for in a file too large to hold.
int firstMixedLine(const QString &file)
{
    constexpr qint64 MaxLooked = 64 * 1024 * 1024;
    QFile input;
    const OpenedFile opened = openRegularFile(input, file);
    if (opened.status != OpenedFile::Status::Opened || opened.size > MaxLooked)
        return 0;
    return firstUtf8LineAmongWindows1251(input.read(opened.size));
}

} // namespace

FileReport checkRecordsFile(const QString &file, const std::function<void(const RecordRow &)> &onRecord)
{
    FileReport report{file, FileKind::Records, {}, {}};
    // The program reads a missing records file as no records, but a teacher who
    // names a file wants to know that it is not there.
    if (!QFileInfo::exists(file)) {
        report.problems.push_back(problemAt(0, 0, ProblemId::RecordsFileMissing));
        return report;
    }
    // Read as the program reads it: under the shared lock, refusing folders, devices
    // and files too large to list.
    RowPads pads;
    qsizetype records = 0;
    std::vector<std::pair<qsizetype, RecordEntryRecord>> offGrades;   // by the record's number
    constexpr size_t MaxOffGrades = 100;
    RecordsScan scan = scanRecordsFile(file, [&](const RecordEntryRecord &entry) {
        if ((entry.grade < 2 || entry.grade > 5) && offGrades.size() < MaxOffGrades)
            offGrades.push_back({records, entry});
        ++records;
        if (onRecord)
            onRecord({entry, buildRecordRow(entry, pads)});
    });
    if (scan.fault) {
        report.problems.push_back({0, 0, Severity::Error, *scan.fault});
        return report;
    }
    noteGradesOutOfRange(report, offGrades, scan.problems);
    if (const int mixed = firstMixedLine(file)) {
        report.problems.push_back(problemAt(mixed, 1, ProblemId::MixedRecordsFile, mixed, shellWord(file)));
        scan.unicodeForm = UnicodeForm::None;   // told above, line by line
    }
    if (scan.unicodeForm != UnicodeForm::None)
        report.problems.push_back(problemAt(1, 1, ProblemId::UnicodeRecordsFile, unicodeFormName(scan.unicodeForm),
                                            shellWord(file)));
    report.problems.insert(report.problems.end(), scan.problems.begin(), scan.problems.end());
    sortByPlace(report.problems);
    return report;
}

QString visibleText(const QString &text)
{
    const auto control = [](QChar c) { return c < u' ' || (c >= u'\x7F' && c <= u'\x9F'); };
    if (std::none_of(text.begin(), text.end(), control))
        return text;
    QString shown;
    for (const QChar c : text) {
        if (!control(c))
            shown += c;
        else if (c == u'\t')
            shown += QStringLiteral("\\t");
        else if (c == u'\r')
            shown += QStringLiteral("\\r");
        else if (c == u'\n')
            shown += QStringLiteral("\\n");
        else
            shown += QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
    }
    return shown;
}

QString problemLine(const QString &file, const FileProblem &problem)
{
    const QString place = problem.line > 0 ? QStringLiteral("%1:%2:%3").arg(file).arg(problem.line).arg(problem.column)
                                           : file;
    const QString severity = problem.severity == Severity::Error ? QStringLiteral("error")
                                                                 : QStringLiteral("warning");
    return visibleText(QStringLiteral("%1: %2: %3").arg(place, severity, problem.message));
}

namespace {

// Question texts that differ only in spaces or letter case are the same question.
QString questionKey(const QString &text)
{
    return text.simplified().toCaseFolded();
}

} // namespace

QStringList problemLines(const FileReport &report)
{
    QStringList lines;
    for (const FileProblem &problem : report.problems)
        lines.append(problemLine(report.file, problem));
    return lines;
}

void noteSharedQuestions(FileReport &report, ShownQuestions &shown)
{
    const QString canonical = QFileInfo(report.file).canonicalFilePath();
    const auto &records = report.questions.records;
    const size_t count = qMin(records.size(), size_t(QuestionsPerTest));
    std::vector<std::pair<QString, ShownQuestion>> added;
    for (size_t i = 0; i < count; ++i) {
        const QString key = questionKey(records[i].question);
        const int number = int(i) + 1;
        if (key.isEmpty())
            continue;
        const auto earlier = shown.find(key);
        if (earlier == shown.end()) {
            added.push_back({key, {report.file, canonical, number}});
        } else if (earlier->second.canonicalPath != canonical) {
            report.problems.push_back(problemAt(records[i].line, 1, ProblemId::SharedQuestion, number,
                                                records[i].question.simplified(), earlier->second.file,
                                                earlier->second.number));
        }
    }
    shown.insert(added.begin(), added.end());
    sortByPlace(report.problems);
}

QJsonObject reportJson(const FileReport &report)
{
    QJsonObject object = questionsJson(report.questions);
    object.insert(QStringLiteral("file"), report.file);
    object.insert(QStringLiteral("ok"), report.ok());
    object.insert(QStringLiteral("problems"), problemsJson(report.problems));
    return object;
}

FileReport writeRecordsJson(const QString &file, const std::function<void(const QByteArray &)> &write)
{
    // The records go first, as they are read; whether the file is fine is known only after them.
    QByteArray head = "{\"file\":";
    appendJsonString(head, file);
    write(head + ",\"kind\":\"records\",\"records\":[");
    bool first = true;
    const FileReport report = checkRecordsFile(file, [&](const RecordRow &record) {
        write((first ? "" : ",") + recordJson(record));
        first = false;
    });
    write("],\"ok\":" + QByteArray(report.ok() ? "true" : "false") + ",\"problems\":"
          + compactJson(problemsJson(report.problems)) + "}");
    return report;
}
