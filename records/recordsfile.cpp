#include "records/recordsfile.h"
#include "quiz/codepage.h"
#include "quiz/problemtexts.h"
#include "quiz/quizstate.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

RecordEntryRecord RecordEntry;

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
    RecordReader reader(line);
    RecordEntryRecord read;
    return reader.next(read) && reader.problems().empty() && reader.offset() == line.size()
        && read.name == withoutLeadingSpaces(entry.name) && read.topic == withoutLeadingSpaces(entry.topic)
        && read.grade == entry.grade;
}

} // namespace

std::optional<QByteArray> recordLine(const RecordEntryRecord &entry)
{
    const QString text = entry.name + QLatin1Char(',') + entry.topic + QLatin1Char(',')
        + numberText(entry.grade) + QStringLiteral("\r\n");
    std::optional<QByteArray> line = encode1251(text);
    if (line && !readsBack(*line, entry))
        return std::nullopt;
    return line;
}

namespace {

QString secondsText(std::chrono::milliseconds wait)
{
    return QLocale(QLocale::Russian).toString(wait.count() / 1000.0, 'g', 3);
}

// The system's own words for the last failure (in the desktop's language).
QString lastFailure(const QFile &file)
{
    return file.error() != QFileDevice::NoError ? file.errorString() : qt_error_string();
}

// A line torn by a power cut has no line break at its end.
bool endsWithLineBreak(QFile &file, qint64 size)
{
    if (size == 0)
        return true;
    if (!file.seek(size - 1))
        return false;
    const QByteArray last = file.read(1);
    return last == "\n" || last == "\r";
}

} // namespace

std::optional<QString> appendRecord(const QString &path, const RecordEntryRecord &entry,
                                    std::chrono::milliseconds lockWait)
{
    const std::optional<QByteArray> line = recordLine(entry);
    if (!line)
        return QStringLiteral("Имя или тема содержат знаки, которые нельзя записать в файл рекордов.");
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return QStringLiteral("Не удалось открыть файл рекордов %1: %2.").arg(path, file.errorString());
    const FileLock lock(file, LockMode::Exclusive, lockWait);
    if (lock.state() == FileLock::State::Busy)
        return QStringLiteral("Файл рекордов %1 занят другой программой: он не освободился за %2 с.")
            .arg(path, secondsText(lockWait));
    // A file system without locks still gets the line: one appending write of a short
    // line stays whole on a local disk, and losing the pupil's result would be worse.

    // Under the lock no other copy can write between this look at the end and the write.
    // A device (records.ssu linked to one) has neither an end to look at nor a place to seek to.
    const bool device = file.isSequential();
    const qint64 sizeBefore = device ? 0 : file.size();
    QByteArray bytes = *line;
    if (!device && !endsWithLineBreak(file, sizeBefore))
        bytes.prepend("\r\n");
    const qint64 written = device || file.seek(sizeBefore) ? file.write(bytes) : -1;
    if (written != bytes.size()) {
        const QString reason = lastFailure(file);
        // Part of a line (a disk that filled up during the write) would tear the file.
        if (!device && file.size() > sizeBefore)
            file.resize(sizeBefore);
        return QStringLiteral("Не удалось записать в файл рекордов %1: %2.").arg(path, reason);
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("Не удалось записать в файл рекордов %1: %2.").arg(path, file.errorString());
    return std::nullopt;
}

RecordsFileBytes readRecordsFile(const QString &path, std::chrono::milliseconds lockWait)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (!info.isFile())
        return {{}, QStringLiteral("Не удалось прочитать файл рекордов %1: это не файл, а папка или устройство.")
                        .arg(path)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("Не удалось открыть файл рекордов %1: %2.").arg(path, file.errorString())};
    const FileLock lock(file, LockMode::Shared, lockWait);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {{}, QStringLiteral("Не удалось прочитать файл рекордов %1: %2.").arg(path, file.errorString())};
    return {std::move(bytes), std::nullopt};
}

RecordReader::RecordReader(QByteArrayView bytes) : reader_(bytes)
{
}

bool RecordReader::next(RecordEntryRecord &entry)
{
    while (!atEnd()) {
        recordStart_ = reader_.offset();
        const int line = reader_.line();
        const FieldInfo start{line, 1, false, false, reader_.offset() - (reader_.column() - 1)};
        try {
            QString name = reader_.readText();
            QString topic = reader_.readText();
            const qint16 grade = reader_.readInt();
            entry.name = std::move(name);
            entry.topic = std::move(topic);
            entry.grade = grade;
            return true;
        } catch (const QuizError &error) {
            // Read on at the bad field's line when it lies below, since a record torn on an
            // earlier line leaves the next one whole there; otherwise at the line after the
            // record's start (a quote that is never closed runs to the end of the bytes).
            const FieldInfo bad = reader_.lastField();
            reader_.restartLine(bad.line > line ? bad : start);
            if (bad.line <= line)
                reader_.skipLine();
            // Only running out of fields is a torn last record; a bad grade there is a bad grade.
            if (error.problem().id == ProblemId::FileEndsInsideRecord && atEnd()) {
                note(problemAt(line, 1, ProblemId::LastRecordTorn));
                return false;
            }
            note(problemAt(error.problem().line, error.problem().column, ProblemId::RecordSkipped,
                           error.problem().message, line));
        }
    }
    return false;
}

// A damaged file can hold a problem on every line; a few are enough to show.
void RecordReader::note(FileProblem problem)
{
    if (problems_.size() < MaxRecordProblems) {
        problems_.push_back(std::move(problem));
    } else if (problems_.size() == MaxRecordProblems) {
        problems_.push_back(problemAt(problem.line, problem.column, ProblemId::MoreDamagedRecords));
    }
}

const std::vector<FileProblem> &RecordReader::problems() const
{
    return problems_;
}

qsizetype RecordReader::offset() const
{
    return reader_.offset();
}

int RecordReader::line() const
{
    return reader_.line();
}

namespace {

// The fixed pads of the records window's topic column, tested in this order;
// each rule that matches replaces the pad.
struct TopicPadRule {
    int length;          // match by length when > 0
    const char16_t *name;  // otherwise match by the exact name
    int pad;
};

constexpr TopicPadRule TopicPadRules[] = {
    {51, nullptr, 8},
    {0, u"Правила безопасного поведения на природе", 19},
    {43, nullptr, 16},
    {0, u"Правила безопасного поведения на воде", 22},
    {19, nullptr, 40},
    {0, u"Правила безопасного поведения в быту", 23},
    {0, u"Землетрясение", 46},
    {0, u"Безопасность прихимических авариях", 25},
    {0, u"Наводнения", 49},
};

void updatePads(const RecordEntryRecord &entry, RowPads &pads)
{
    const qsizetype n = entry.name.size();
    if (n >= 1 && n <= 15)
        pads.name = QString(16 - n, QLatin1Char(' '));
    for (const TopicPadRule &rule : TopicPadRules) {
        const bool matches = rule.length > 0 ? entry.topic.size() == rule.length
                                             : entry.topic == QStringView(rule.name);
        if (matches)
            pads.topic = QString(rule.pad, QLatin1Char(' '));
    }
}

} // namespace

QString buildRecordRow(const RecordEntryRecord &entry, RowPads &pads)
{
    updatePads(entry, pads);
    return entry.name + pads.name + entry.topic + pads.topic + numberText(entry.grade);
}
