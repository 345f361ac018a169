#pragma once
// A class's results, read from its records file for the teacher: every record kept
// small (each distinct name and topic held once), the grades of each topic counted,
// and the records written out as CSV for a spreadsheet. The records file is only read.

#include "quiz/quizerror.h"
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>
#include <span>
#include <vector>

inline constexpr int LowestGrade = 2;
inline constexpr int HighestGrade = 5;

// One record: its name and topic as indices into ClassResults' lists. Twelve bytes,
// so that a million records cost less than their file.
struct ResultRow {
    quint32 name;
    quint32 topic;
    qint16 grade;
};

// Each distinct text once, all in one block with an index beside it: a million different
// names cost little more than their letters, where a list of strings would cost three
// times the file.
class TextPool {
public:
    // The index of text, added when new.
    quint32 add(QStringView text);
    QStringView operator[](quint32 i) const;
    qsizetype size() const { return qsizetype(ends_.size()); }

private:
    void grow();

    QString chars_;
    std::vector<quint32> ends_;    // where each text ends in chars_
    std::vector<quint32> slots_;   // open addressing: a text's index + 1, or 0 for none
};

struct TopicGrades {
    std::array<qint64, HighestGrade - LowestGrade + 1> count{};   // how many 2s, 3s, 4s, 5s
    qint64 outside = 0;   // grades no test gives (a file edited by hand)

    qint64 graded() const;
    // The mean of the grades 2 to 5; nullopt when there are none.
    std::optional<double> mean() const;
};

struct ClassResults {
    TextPool names;                   // distinct, in the order first met
    TextPool topics;                  // distinct, in the order first met
    std::vector<ResultRow> rows;      // in file order
    std::vector<TopicGrades> grades;  // one per topic
    int skipped = 0;                  // damaged records left out, as the records window leaves them
    bool skippedMore = false;         // the reader stopped counting: there were more than `skipped`
    std::vector<FileProblem> notices; // what the teacher should read about the file
    std::optional<QString> fault;     // the file could not be read; then there is nothing else
};

// The records file at path, read piece by piece with the program's own reader, so that
// memory follows the number of distinct names rather than the file's length. A missing
// file is no records and one notice.
ClassResults readClassResults(const QString &path);

// CSV for a spreadsheet with Russian settings. The separator is ";": there the comma is the
// decimal sign, so the list separator (which Excel splits a CSV by) is the semicolon. UTF-8
// with a byte-order mark: without the mark Excel takes the bytes for the ANSI code page,
// and LibreOffice recognises the mark too. Lines end with CR LF.
inline constexpr char CsvSeparator = ';';
inline constexpr char CsvByteOrderMark[] = "\xEF\xBB\xBF";

// One line of fields: a field holding the separator, a quote or a line break is quoted
// (quotes doubled); a text a spreadsheet would take for a formula (starting with = + - @)
// gets an apostrophe in front, so that a name never runs as one.
QByteArray csvLine(const QStringList &fields);

// The header line and the given rows (indices into results.rows), in that order, written
// whole or not at all. A name ending in .ssu is refused: the program's own files are never
// written here. Returns the message to show when the file was not written.
std::optional<QString> writeResultsCsv(const QString &path, const ClassResults &results,
                                       std::span<const int> rows);
