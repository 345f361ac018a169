#pragma once
// What the readers promise for any bytes at all, checked by the fuzz targets and by the
// test that replays their inputs. Each check returns what went wrong, or nothing.

#include "quiz/codepage.h"
#include "quiz/fieldreader.h"
#include "quiz/questionfile.h"
#include "quiz/quizstate.h"
#include "records/recordsfile.h"

#include <QString>

namespace fuzzcheck {

inline int lineCount(QByteArrayView bytes)
{
    int lines = 1;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++lines;
    return lines;
}

inline QString problemOutside(const std::vector<FileProblem> &problems, int lines)
{
    for (const FileProblem &p : problems)
        if (p.line < 0 || p.line > lines + 1 || p.column < 0 || p.message.isEmpty())
            return QStringLiteral("problem at line %1, column %2 of %3 lines: %4").arg(p.line).arg(p.column).arg(lines).arg(p.message);
    return {};
}

// A question file: at most 90 records, at least ten unless refused, every text within
// the field limit, every problem placed inside the file.
inline QString checkQuestionFile(QByteArrayView bytes)
{
    const QuestionFileContents contents = readQuestionFile(bytes);
    if (contents.records.size() > size_t(MaxQuestionRecords))
        return QStringLiteral("%1 records").arg(contents.records.size());
    if (!contents.fault && contents.records.size() < 10)
        return QStringLiteral("accepted with %1 records").arg(contents.records.size());
    for (const QuestionRecord &record : contents.records) {
        if (record.question.size() > MaxFieldBytes)
            return QStringLiteral("a question of %1 characters").arg(record.question.size());
        for (const QString &answer : record.answers)
            if (answer.size() > MaxFieldBytes)
                return QStringLiteral("an answer of %1 characters").arg(answer.size());
    }
    const int lines = lineCount(bytes);
    if (contents.fault) {
        if (const QString bad = problemOutside({*contents.fault}, lines); !bad.isEmpty())
            return bad;
    }
    return problemOutside(contents.warnings, lines);
}

// A records file: reading moves forward and ends, never more records than fields allow, a
// bounded list of problems, and rows with the grade at their end. And whatever the file
// held, a line appended to it the way appendRecord does comes back whole as the last record.
inline QString checkRecords(QByteArrayView bytes)
{
    const int lines = lineCount(bytes);
    const qsizetype fields = lines + bytes.count(',');
    {
        RecordReader reader(bytes);
        RecordEntryRecord entry;
        RowPads pads;
        int count = 0;
        qsizetype offset = 0;
        while (reader.next(entry)) {
            if (reader.offset() <= offset)
                return QStringLiteral("reading stood still at %1").arg(offset);
            offset = reader.offset();
            // Records may share a line, but each takes three fields.
            if (3 * ++count > fields)
                return QStringLiteral("%1 records from %2 fields").arg(count).arg(fields);
            if (!buildRecordRow(entry, pads).endsWith(numberText(entry.grade)))
                return QStringLiteral("a row without its grade");
        }
        if (reader.problems().size() > RecordReader::MaxRecordProblems + 1)
            return QStringLiteral("%1 problems kept").arg(reader.problems().size());
        if (const QString bad = problemOutside(reader.problems(), lines); !bad.isEmpty())
            return bad;
    }

    const RecordEntryRecord pupil{QStringLiteral("Ученик"), QStringLiteral("Наводнения"), 4};
    QByteArray mended = bytes.toByteArray();
    if (!mended.isEmpty() && !mended.endsWith('\n') && !mended.endsWith('\r'))
        mended += "\r\n";
    mended += recordLine(pupil).value();
    RecordReader reader(mended);
    RecordEntryRecord entry, last;
    bool any = false;
    while (reader.next(entry)) {
        last = entry;
        any = true;
    }
    if (!any || last.name != pupil.name || last.topic != pupil.topic || last.grade != pupil.grade)
        return QStringLiteral("the appended record came back as «%1», «%2», %3").arg(last.name, last.topic).arg(last.grade);
    return {};
}

} // namespace fuzzcheck
