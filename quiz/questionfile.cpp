#include "quiz/questionfile.h"
#include "quiz/fieldreader.h"
#include "quiz/quizstate.h"
#include "quiz/regularfile.h"

#include <QFile>
#include <algorithm>
#include <span>

namespace {

constexpr int FieldsPerRecord = 10;

FileProblem errorAt(int line, int column, const QString &message)
{
    return FileProblem{line, column, Severity::Error, message};
}

FileProblem warningAt(int line, int column, const QString &message)
{
    return FileProblem{line, column, Severity::Warning, message};
}

// Reads one field of record `number` (0 for the header); the end of the bytes
// gets a message that says how far the record got.
template <typename Read>
auto readFieldOf(FieldReader &reader, int number, int field, Read read)
{
    if (reader.exhausted()) {
        const QString message = number == 0
            ? QStringLiteral("Файл кончается в заголовке: нужны четыре числа (пороги оценок 5, 4 и 3 "
                             "и ещё одно число), а прочитано чисел: %1.").arg(field - 1)
            : QStringLiteral("Файл кончается посреди вопроса %1: прочитано полей: %2 из десяти.")
                  .arg(number).arg(field - 1);
        throw QuizError(QString(), errorAt(reader.line(), reader.column(), message));
    }
    return read(reader);
}

QString readText(FieldReader &r) { return r.readText(); }
qint16 readInt(FieldReader &r) { return r.readInt(); }
bool skip(FieldReader &r) { r.skipField(); return true; }

constexpr int TextFields = 5;

// The first text field of a record written without quotes: the likeliest place
// of a comma that split a text into two fields.
const FieldInfo *firstUnquotedText(std::span<const FieldInfo> fields)
{
    const auto texts = fields.begin() + qMin<qsizetype>(TextFields, qsizetype(fields.size()));
    const auto found = std::find_if(fields.begin(), texts, [](const FieldInfo &f) { return !f.quoted; });
    return found != texts ? &*found : nullptr;
}

void noteSplit(QuestionFileContents &contents, const FieldInfo &at, const QString &symptom, bool &noted)
{
    noted = true;
    contents.warnings.push_back(warningAt(at.line, at.column,
        QStringLiteral("Текст без кавычек; %1: возможно, запятая внутри текста разбила его на два поля. "
                       "Заключите тексты в кавычки.").arg(symptom)));
}

// A flag that is not a number after an unquoted text: the text most likely
// held a comma and every later field moved by one.
void noteSplitBeforeNumber(QuestionFileContents &contents, int number, std::span<const FieldInfo> fields,
                           bool &noted)
{
    const FieldInfo *text = firstUnquotedText(fields);
    if (!text && !fields.back().quoted)
        text = &fields.back();
    if (text && !noted)
        noteSplit(contents, *text,
                  QStringLiteral("дальше в вопросе %1 вместо флага стоит текст").arg(number), noted);
}

// One record per line is how question files are written; a record that ends
// in the middle of a line has an extra field there, usually a split text. Every
// later record is then shifted too, so only the first one is noted.
void noteRecordEndingMidLine(QuestionFileContents &contents, int number,
                             std::span<const FieldInfo> fields, bool &noted)
{
    if (noted || fields.back().endedLine)
        return;
    const FieldInfo *text = firstUnquotedText(fields);
    noteSplit(contents, text ? *text : fields.front(),
              QStringLiteral("после десятого поля вопроса %1 в той же строке есть ещё поля").arg(number), noted);
}

QuestionRecord readRecord(FieldReader &reader, int number, QuestionFileContents &contents, bool &splitNoted)
{
    QuestionRecord record;
    std::array<FieldInfo, FieldsPerRecord> fields;
    int field = 0;   // fields read so far
    const auto read = [&](auto how) {
        const auto value = readFieldOf(reader, number, field + 1, how);
        fields[size_t(field++)] = reader.lastField();
        return value;
    };
    record.question = read(readText);
    for (QString &answer : record.answers)
        answer = read(readText);
    read(skip);
    for (qint16 &flag : record.correct) {
        try {
            flag = read(readInt);
        } catch (const QuizError &) {
            noteSplitBeforeNumber(contents, number, std::span(fields).first(size_t(field)), splitNoted);
            throw;
        }
    }
    noteRecordEndingMidLine(contents, number, fields, splitNoted);
    return record;
}

void readHeader(FieldReader &reader, QuestionFileContents &contents)
{
    contents.threshold5 = readFieldOf(reader, 0, 1, readInt);
    contents.threshold4 = readFieldOf(reader, 0, 2, readInt);
    contents.threshold3 = readFieldOf(reader, 0, 3, readInt);
    readFieldOf(reader, 0, 4, readInt);
}

void noteQuestionsWithoutRightAnswer(QuestionFileContents &contents, const std::vector<int> &recordLines)
{
    const int count = int(qMin<size_t>(contents.records.size(), QuestionsPerTest));
    for (int i = 0; i < count; ++i) {
        const auto &flags = contents.records[i].correct;
        if (std::find(flags.begin(), flags.end(), 1) == flags.end())
            contents.warnings.push_back(warningAt(recordLines[i], 1,
                QStringLiteral("У вопроса %1 нет правильного ответа (ни один флаг не равен 1): любой ответ "
                               "на него отнимает баллы.").arg(i + 1)));
    }
}

void noteThresholdsAgainstCriteria(QuestionFileContents &contents)
{
    if (contents.records.size() < size_t(QuestionsPerTest))
        return;
    int maxScore = 0;
    for (int i = 0; i < QuestionsPerTest; ++i)
        maxScore += int(std::count(contents.records[i].correct.begin(), contents.records[i].correct.end(), 1));
    const CriteriaThresholds want = criteriaThresholds(maxScore);
    const bool agree = contents.threshold5 == want.threshold5 && contents.threshold4 == want.threshold4
        && (contents.threshold3 == want.threshold3 || contents.threshold3 == want.threshold3Alt);
    if (agree)
        return;
    const QString want3 = want.threshold3 == want.threshold3Alt
        ? QString::number(want.threshold3)
        : QStringLiteral("%1 (или %2)").arg(want.threshold3).arg(want.threshold3Alt);
    contents.warnings.push_back(warningAt(1, 1,
        QStringLiteral("Пороги %1, %2, %3 расходятся с критериями оценки из справки: правильных ответов "
                       "в первых десяти вопросах %4, и по критериям пороги были бы %5, %6, %7.")
            .arg(contents.threshold5).arg(contents.threshold4).arg(contents.threshold3).arg(maxScore)
            .arg(want.threshold5).arg(want.threshold4).arg(want3)));
}

FileProblem tooLargeFault()
{
    return errorAt(0, 0, QStringLiteral("Файл больше %1 МБ: такой файл вопросов программа не читает.")
                             .arg(MaxQuestionFileBytes / (1024 * 1024)));
}

// The texts move into the bank: no copy of the question bank is kept.
void commitToBank(QuestionFileContents &contents)
{
    for (size_t i = 0; i < contents.records.size(); ++i) {
        const int n = checkedIndex(int(i) + 1);
        QuestionRecord &record = contents.records[i];
        QuestionBank.question[n] = std::move(record.question);
        QuestionBank.answer1[n] = std::move(record.answers[0]);
        QuestionBank.answer2[n] = std::move(record.answers[1]);
        QuestionBank.answer3[n] = std::move(record.answers[2]);
        QuestionBank.answer4[n] = std::move(record.answers[3]);
        QuestionBank.correct1[n] = record.correct[0];
        QuestionBank.correct2[n] = record.correct[1];
        QuestionBank.correct3[n] = record.correct[2];
        QuestionBank.correct4[n] = record.correct[3];
    }
    QuizState.threshold5 = contents.threshold5;
    QuizState.threshold4 = contents.threshold4;
    QuizState.threshold3 = contents.threshold3;
}

} // namespace

CriteriaThresholds criteriaThresholds(int maxScore)
{
    // ceil(percent * maxScore / 100) in whole numbers, free of rounding surprises.
    const auto atLeast = [maxScore](int percent) { return (percent * maxScore + 99) / 100; };
    return {atLeast(91), atLeast(81), atLeast(66), atLeast(65)};
}

QuestionFileContents readQuestionFile(QByteArrayView bytes)
{
    QuestionFileContents contents;
    if (bytes.size() > MaxQuestionFileBytes) {
        contents.fault = tooLargeFault();
        return contents;
    }
    FieldReader reader(bytes);
    std::vector<int> recordLines;
    bool splitNoted = false;
    try {
        readHeader(reader, contents);
        while (!reader.atEnd()) {
            const int number = int(contents.records.size()) + 1;
            if (number > MaxQuestionRecords)
                throw QuizError(QString(), errorAt(reader.line(), reader.column(),
                    QStringLiteral("В файле больше 90 вопросов: вопрос 91 программа не принимает.")));
            recordLines.push_back(reader.line());
            contents.records.push_back(readRecord(reader, number, contents, splitNoted));
        }
        if (contents.records.size() < size_t(QuestionsPerTest))
            throw QuizError(QString(), errorAt(reader.line(), reader.column(),
                QStringLiteral("Вопросов в файле: %1, а тест показывает десять: нужно не меньше десяти вопросов.")
                    .arg(contents.records.size())));
    } catch (const QuizError &error) {
        contents.fault = error.problem();
    }
    contents.warnings.insert(contents.warnings.end(), reader.notes().begin(), reader.notes().end());
    noteQuestionsWithoutRightAnswer(contents, recordLines);
    noteThresholdsAgainstCriteria(contents);
    std::stable_sort(contents.warnings.begin(), contents.warnings.end(), [](const FileProblem &a, const FileProblem &b) {
        return std::pair(a.line, a.column) < std::pair(b.line, b.column);
    });
    return contents;
}

QuestionFileContents readQuestionFileAt(const QString &path)
{
    QuestionFileContents contents;
    // A device or a pipe under the file's name would never end (a pipe not even open).
    QFile file;
    const OpenedFile opened = openRegularFile(file, path);
    if (opened.status != OpenedFile::Status::Opened) {
        contents.fault = errorAt(0, 0, opened.status == OpenedFile::Status::NotRegular
            ? QStringLiteral("Это не файл вопросов, а папка или устройство.")
            : opened.status == OpenedFile::Status::Missing ? QStringLiteral("Файл вопросов не найден.")
                                                           : QStringLiteral("Файл вопросов не удаётся открыть для чтения."));
        return contents;
    }
    if (opened.size > MaxQuestionFileBytes) {
        contents.fault = tooLargeFault();
        return contents;
    }
    // Read one byte past the limit: a file that grows while it is read is caught too.
    const QByteArray bytes = file.read(MaxQuestionFileBytes + 1);
    if (bytes.size() > MaxQuestionFileBytes) {
        contents.fault = tooLargeFault();
        return contents;
    }
    if (file.error() != QFileDevice::NoError) {
        contents.fault = errorAt(0, 0, QStringLiteral("Файл вопросов не удаётся прочитать: %1.").arg(file.errorString()));
        return contents;
    }
    return readQuestionFile(bytes);
}

void loadQuestionFile()
{
    const QString name = QuizState.questionFile;
    QuestionFileContents contents = readQuestionFileAt(name);
    if (contents.fault)
        throw QuizError(name, *contents.fault);
    commitToBank(contents);
}
