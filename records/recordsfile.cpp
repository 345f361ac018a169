#include "records/recordsfile.h"
#include "quiz/codepage.h"
#include "quiz/quizstate.h"

#include <QFile>

RecordEntryRecord RecordEntry;

std::optional<QByteArray> recordLine(const RecordEntryRecord &entry)
{
    const QString line = entry.name + QLatin1Char(',') + entry.topic + QLatin1Char(',')
        + numberText(entry.grade) + QStringLiteral("\r\n");
    return encode1251(line);
}

std::optional<QString> appendRecord(const QString &path, const RecordEntryRecord &entry)
{
    const std::optional<QByteArray> line = recordLine(entry);
    if (!line)
        return QStringLiteral("Имя или тема содержат знаки, которые нельзя записать в файл рекордов.");
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return QStringLiteral("Не удалось открыть файл рекордов %1: %2.").arg(path, file.errorString());
    // A last line torn by a power cut would swallow the new record: start a new line first.
    QByteArray bytes = *line;
    if (file.size() > 0 && file.seek(file.size() - 1)) {
        const QByteArray last = file.read(1);
        if (last != "\n" && last != "\r")
            bytes.prepend("\r\n");
    }
    if (file.write(bytes) != bytes.size() || !file.flush())
        return QStringLiteral("Не удалось записать в файл рекордов %1: %2.").arg(path, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("Не удалось записать в файл рекордов %1: %2.").arg(path, file.errorString());
    return std::nullopt;
}

RecordReader::RecordReader(QByteArrayView bytes) : reader_(bytes)
{
}

bool RecordReader::next(RecordEntryRecord &entry)
{
    while (!reader_.atEnd()) {
        const int line = reader_.line();
        try {
            QString name = reader_.readText();
            QString topic = reader_.readText();
            const qint16 grade = reader_.readInt();
            entry.name = std::move(name);
            entry.topic = std::move(topic);
            entry.grade = grade;
            return true;
        } catch (const QuizError &error) {
            if (reader_.exhausted()) {
                problems_.push_back({line, 1, Severity::Warning,
                                     QStringLiteral("Последняя запись оборвана (в ней меньше трёх полей) и пропущена.")});
                return false;
            }
            problems_.push_back({error.problem().line, error.problem().column, Severity::Warning,
                                 error.problem().message
                                     + QStringLiteral(" Запись, начатая в строке %1, пропущена.").arg(line)});
            // A record torn on an earlier line: the bad field's line may start a whole record.
            const FieldInfo bad = reader_.lastField();
            reader_.restartLine(bad);
            if (bad.line == line)
                reader_.skipLine();
        }
    }
    return false;
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
