#include "records/recordline.h"
#include "quiz/codepage.h"

namespace {

QString withoutLeadingSpaces(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    return text.sliced(i);
}

// The line format has no quoting: a comma or a line break inside a field, or a double
// quote at its start, would shift or swallow this line and the ones after it.
bool readsBack(const QByteArray &line, const RecordEntryRecord &entry)
{
    FieldReader reader(line);
    try {
        const RecordEntryRecord read = readRecord(reader);
        return reader.offset() == line.size() && read.name == withoutLeadingSpaces(entry.name)
            && read.topic == withoutLeadingSpaces(entry.topic) && read.grade == entry.grade;
    } catch (const QuizError &) {
        return false;
    }
}

} // namespace

QString gradeText(qint16 grade)
{
    const QString digits = QString::number(grade);
    return grade < 0 ? digits : QLatin1Char(' ') + digits;
}

std::optional<QByteArray> recordLine(const RecordEntryRecord &entry)
{
    const QString text = entry.name + QLatin1Char(',') + entry.topic + QLatin1Char(',') + gradeText(entry.grade)
        + QStringLiteral("\r\n");
    std::optional<QByteArray> line = encode1251(text);
    if (line && !readsBack(*line, entry))
        return std::nullopt;
    return line;
}

RecordEntryRecord readRecord(FieldReader &reader)
{
    RecordEntryRecord entry;
    entry.name = reader.readText();
    entry.topic = reader.readText();
    entry.grade = reader.readInt();
    return entry;
}
