#pragma once
// zuf-check reads files with the very functions the program uses, so that a
// teacher sees exactly what the program will do with a question file.

#include "quiz/questioncheck.h"
#include "quiz/questionfile.h"
#include "records/recordsfile.h"

#include <QJsonObject>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

enum class FileKind { Questions, Records };

struct RecordRow {
    RecordEntryRecord entry;
    QString row;   // as the records window shows it, pads included
};

struct FileReport {
    QString file;
    FileKind kind = FileKind::Questions;
    QuestionFileContents questions;      // a question file's contents
    std::vector<FileProblem> problems;   // ordered by place in the file

    bool ok() const;   // no problem is an error
};

// records.ssu in any letter case, or any file named after --records, is a records file.
FileKind kindOf(const QString &file, bool afterRecordsOption);

// With fits, every shown text is measured in the pupil's window.
FileReport checkQuestionFile(const QString &file, const TextFitTest &fits = {});
// A records file is read a piece at a time and keeps none of its lines: each goes to
// onRecord, with its row, as it is read.
FileReport checkRecordsFile(const QString &file, const std::function<void(const RecordRow &)> &onRecord = {});

// The first ten questions of the question files checked so far, by their text, so
// that the same question shown in two topics is noticed.
struct ShownQuestion {
    QString file;
    QString canonicalPath;
    int number = 0;
};
using ShownQuestions = std::map<QString, ShownQuestion>;
// Warns in report about each of its first ten questions that an earlier file also
// shows (another file: the same file named twice is no duplicate), and adds its own.
void noteSharedQuestions(FileReport &report, ShownQuestions &shown);

// "FILE:LINE:COLUMN: error: TEXT" per problem ("FILE: error: TEXT" when the
// problem concerns the whole file). Control characters from the file are shown
// escaped, never sent to the terminal.
QStringList problemLines(const FileReport &report);
QString problemLine(const QString &file, const FileProblem &problem);
QString visibleText(const QString &text);
// A question file's report.
QJsonObject reportJson(const FileReport &report);
// A records file's report, written out as it is read, record by record: the same object
// as reportJson would give with every line in "records". Returns the report.
FileReport writeRecordsJson(const QString &file, const std::function<void(const QByteArray &)> &write);
