#include "quiz/questionfile.h"
#include "quiz/codepage.h"
#include "quiz/fieldreader.h"
#include "quiz/problemtexts.h"
#include "quiz/textencoding.h"
#include "quiz/quizstate.h"
#include "quiz/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <span>

namespace {

constexpr int FieldsPerRecord = 10;

// Reads one field of record `number` (0 for the header); the end of the bytes
// gets a message that says how far the record got.
template <typename Read>
auto readFieldOf(FieldReader &reader, int number, int field, Read read)
{
    if (reader.exhausted()) {
        throw QuizError(QString(), number == 0
            ? problemAt(reader.line(), reader.column(), ProblemId::HeaderEnds, field - 1)
            : problemAt(reader.line(), reader.column(), ProblemId::QuestionEnds, number, field - 1));
    }
    return read(reader);
}

QString readText(FieldReader &r) { return r.readText(); }
qint16 readInt(FieldReader &r) { return r.readInt(); }
bool skip(FieldReader &r) { r.skipField(); return true; }

constexpr int TextFields = 5;

IgnoredField keptField(const FieldReader &r)
{
    return {decode1251(r.lastBytes()), r.lastField().quoted};
}

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
    contents.warnings.push_back(problemAt(at.line, at.column, ProblemId::SplitText, symptom));
}

// A flag that is not a number after an unquoted text: the text most likely
// held a comma and every later field moved by one. A number out of range is no
// sign of that.
void noteSplitBeforeNumber(QuestionFileContents &contents, int number, std::span<const FieldInfo> fields,
                           const FileProblem &fault, bool &noted)
{
    if (fault.id != ProblemId::NotANumber)
        return;
    // The ignored sixth field, bare, may be a split text too; a flag before this one is not.
    const FieldInfo *text = firstUnquotedText(fields);
    if (!text && fields.size() == size_t(TextFields + 1) && !fields.back().quoted)
        text = &fields.back();
    if (text && !noted)
        noteSplit(contents, *text, problemText(ProblemId::SplitSymptomFlag, number), noted);
}

// One record per line is how question files are written; a record that ends
// in the middle of a line has an extra field there, usually a split text, or a
// comma after its last flag. Every later record is then shifted too, so only the
// first one is noted.
void noteRecordEndingMidLine(QuestionFileContents &contents, const FieldReader &reader, int number,
                             std::span<const FieldInfo> fields, bool &noted)
{
    if (noted || fields.back().endedLine)
        return;
    if (reader.restOfLineBlank()) {
        noted = true;
        const FieldInfo &last = fields.back();
        contents.warnings.push_back(problemAt(last.line, last.column, reader.atEnd() ? ProblemId::CommaAfterLastRecord
                                                                                     : ProblemId::CommaAfterRecord,
                                              number));
        return;
    }
    const FieldInfo *text = firstUnquotedText(fields);
    noteSplit(contents, text ? *text : fields.front(), problemText(ProblemId::SplitSymptomExtraFields, number),
              noted);
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
    record.sixth = keptField(reader);
    for (qint16 &flag : record.correct) {
        try {
            flag = read(readInt);
        } catch (const QuizError &error) {
            noteSplitBeforeNumber(contents, number, std::span(fields).first(size_t(field)), error.problem(),
                                  splitNoted);
            throw;
        }
    }
    noteRecordEndingMidLine(contents, reader, number, fields, splitNoted);
    return record;
}

void readHeader(FieldReader &reader, QuestionFileContents &contents)
{
    contents.threshold5 = readFieldOf(reader, 0, 1, readInt);
    contents.threshold4 = readFieldOf(reader, 0, 2, readInt);
    contents.threshold3 = readFieldOf(reader, 0, 3, readInt);
    readFieldOf(reader, 0, 4, readInt);
    contents.headerFourth = keptField(reader);
}

void noteQuestionsWithoutRightAnswer(QuestionFileContents &contents, const std::vector<int> &recordLines)
{
    const int count = int(qMin<size_t>(contents.records.size(), QuestionsPerTest));
    for (int i = 0; i < count; ++i) {
        const auto &flags = contents.records[i].correct;
        if (std::find(flags.begin(), flags.end(), 1) == flags.end())
            contents.warnings.push_back(problemAt(recordLines[i], 1, ProblemId::NoRightAnswer, i + 1));
    }
}

void noteThresholdsAgainstCriteria(QuestionFileContents &contents)
{
    if (contents.records.size() < size_t(QuestionsPerTest))
        return;
    const int maxScore = shownRightAnswers(contents.records);
    const CriteriaThresholds want = criteriaThresholds(maxScore);
    const bool agree = contents.threshold5 == want.threshold5 && contents.threshold4 == want.threshold4
        && (contents.threshold3 == want.threshold3 || contents.threshold3 == want.threshold3Alt);
    if (agree)
        return;
    const QString want3 = want.threshold3 == want.threshold3Alt
        ? QString::number(want.threshold3)
        : problemText(ProblemId::CriteriaThreshold3Either, want.threshold3, want.threshold3Alt);
    contents.warnings.push_back(problemAt(1, 1, ProblemId::ThresholdsOffCriteria, contents.threshold5,
                                          contents.threshold4, contents.threshold3, maxScore, want.threshold5,
                                          want.threshold4, want3));
}

FileProblem tooLargeFault()
{
    return problemAt(0, 0, ProblemId::QuestionFileTooLarge, MaxQuestionFileBytes / (1024 * 1024));
}

// "qes1.ssu" -> "qes1-1251.ssu": where the teacher's iconv command puts the converted text.
QString convertedName(const QString &file)
{
    const qsizetype dot = file.lastIndexOf(u'.');
    if (dot <= file.lastIndexOf(u'/') + 1)
        return file + QStringLiteral("-1251");
    return file.first(dot) + QStringLiteral("-1251") + file.sliced(dot);
}

// A file in UTF-8, UTF-16 or another Cyrillic encoding would show pupils wrong letters.
std::optional<FileProblem> encodingFault(QByteArrayView bytes, const QString &file)
{
    const UnicodeForm form = detectUnicodeForm(bytes);
    if (form != UnicodeForm::None)
        return problemAt(1, 1, ProblemId::UnicodeFile, unicodeFormName(form), shellWord(file),
                         iconvCommand(form, file, convertedName(file)));
    const CyrillicEncoding other = detectCyrillicEncoding(bytes);
    if (other == CyrillicEncoding::Windows1251)
        return std::nullopt;
    return problemAt(1, 1, ProblemId::UnicodeFile, cyrillicEncodingName(other), shellWord(file),
                     QStringLiteral("iconv -f %1 -t WINDOWS-1251 %2 > %3")
                         .arg(QLatin1String(iconvName(other)), shellWord(file), shellWord(convertedName(file))));
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

int shownRightAnswers(const std::vector<QuestionRecord> &records)
{
    const size_t shown = std::min(records.size(), size_t(QuestionsPerTest));
    int score = 0;
    for (size_t i = 0; i < shown; ++i)
        score += int(std::count(records[i].correct.begin(), records[i].correct.end(), 1));
    return score;
}

CriteriaThresholds criteriaThresholds(int maxScore)
{
    // ceil(percent * maxScore / 100) in whole numbers, free of rounding surprises.
    const auto atLeast = [maxScore](int percent) { return (percent * maxScore + 99) / 100; };
    return {atLeast(91), atLeast(81), atLeast(66), atLeast(65)};
}

QuestionFileContents readQuestionFile(QByteArrayView bytes, const QString &file)
{
    QuestionFileContents contents;
    if (bytes.size() > MaxQuestionFileBytes) {
        contents.fault = tooLargeFault();
        return contents;
    }
    contents.fault = encodingFault(bytes, file);
    if (contents.fault)
        return contents;
    FieldReader reader(bytes);
    std::vector<int> recordLines;
    bool splitNoted = false;
    try {
        readHeader(reader, contents);
        while (!reader.atEnd()) {
            const int number = int(contents.records.size()) + 1;
            if (number > MaxQuestionRecords)
                throw QuizError(QString(), problemAt(reader.line(), reader.column(), ProblemId::TooManyQuestions));
            recordLines.push_back(reader.line());
            contents.records.push_back(readRecord(reader, number, contents, splitNoted));
            contents.records.back().line = recordLines.back();
        }
        if (contents.records.size() < size_t(QuestionsPerTest))
            throw QuizError(QString(), problemAt(reader.line(), reader.column(), ProblemId::TooFewQuestions,
                                                 contents.records.size()));
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

QuestionFileContents readQuestionFileAt(const QString &path, QByteArray *kept)
{
    QuestionFileContents contents;
    // A device or a pipe under the file's name would never end (a pipe not even open).
    QFile file;
    const OpenedFile opened = openRegularFile(file, path);
    if (opened.status != OpenedFile::Status::Opened) {
        contents.fault = opened.status == OpenedFile::Status::NotRegular
            ? problemAt(0, 0, ProblemId::QuestionFileNotAFile, notAFileReason(opened.what))
            : opened.status == OpenedFile::Status::Missing
            ? problemAt(0, 0, ProblemId::QuestionFileMissing, QDir::toNativeSeparators(QFileInfo(path).absolutePath()))
            : problemAt(0, 0, ProblemId::QuestionFileUnopenable, opened.reason);
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
        contents.fault = problemAt(0, 0, ProblemId::QuestionFileUnreadable, file.errorString());
        return contents;
    }
    if (kept)
        *kept = bytes;
    return readQuestionFile(bytes, path);
}

void loadQuestionFile()
{
    const QString name = QuizState.questionFile;
    QuestionFileContents contents = readQuestionFileAt(name);
    if (contents.fault)
        throw QuizError(name, *contents.fault);
    commitToBank(contents);
}
