#include "quiz/questioncheck.h"
#include "quiz/codepage.h"
#include "quiz/fieldreader.h"
#include "quiz/grading.h"
#include "quiz/quizstate.h"
#include "quiz/textencoding.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>

namespace {

constexpr int RecordFields = 10;
constexpr int HeaderFields = 4;
constexpr int FirstAnswer = 1, FirstFlag = 6;   // 0-based positions on a question's line

struct Line {
    int number = 0;   // 1-based
    QByteArrayView bytes;   // without its line break
};

// Lines end at CR LF, a lone CR or a lone LF, as the field reader's do.
std::vector<Line> splitLines(QByteArrayView bytes)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back({int(lines.size()) + 1, bytes.sliced(start, i - start)});
        if (i + 1 < bytes.size() && bytes[i] == '\r' && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

bool isBlank(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

struct LineField {
    int column = 0;   // where the field starts, after the spaces the reader skips
    QByteArrayView value;   // between the quotes, or as written
    bool quoted = false;
};

struct LineScan {
    std::vector<LineField> fields;
    std::vector<std::pair<char, int>> separators;   // each separator met, with its column
    int unclosedQuote = 0;   // column of a text whose closing quote is missing; then fields stop there
};

// The fields of one line as the reader would split them if each of `separators`
// ended a field. A quoted text that runs past the line, or that swallows a comma and
// the next field's opening quote, lacks its closing quote.
LineScan scanLine(QByteArrayView line, QByteArrayView separators)
{
    LineScan scan;
    const auto isSeparator = [&](char c) { return separators.contains(c); };
    qsizetype pos = 0;
    for (;;) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        LineField field{int(pos) + 1, {}, false};
        if (pos < line.size() && line[pos] == '"') {
            const qsizetype close = line.indexOf('"', pos + 1);
            if (close < 0) {
                scan.unclosedQuote = field.column;
                return scan;
            }
            field.quoted = true;
            field.value = line.sliced(pos + 1, close - pos - 1);
            pos = close + 1;
            const qsizetype after = pos;
            while (pos < line.size() && !isSeparator(line[pos]))
                ++pos;
            if (field.value.contains(',') && line.sliced(after, pos - after).contains('"')) {
                scan.unclosedQuote = field.column;
                return scan;
            }
        } else {
            const qsizetype start = pos;
            while (pos < line.size() && !isSeparator(line[pos]))
                ++pos;
            field.value = line.sliced(start, pos - start);
        }
        scan.fields.push_back(field);
        if (pos >= line.size())
            return scan;
        scan.separators.push_back({line[pos], int(pos) + 1});
        ++pos;
    }
}

int firstSeparator(const LineScan &scan, char which)
{
    for (const auto &[c, column] : scan.separators) {
        if (c == which)
            return column;
    }
    return 1;
}

QuestionField answerField(int k) { return QuestionField(int(QuestionField::Answer1) + k - 1); }

QuestionProblem placed(const FileProblem &p, int question, QuestionField field)
{
    return {p.line, p.column, p.severity, p.id, p.message, question, field};
}

struct Checker {
    QuestionFileCheck &check;
    const TextFitTest &fits;
    std::map<int, int> questionOfLine;                 // line -> question number
    std::map<int, LineScan> scans;                     // line -> its fields, for lines of the right shape
    int headerLine = 0;
    int lastLine = 0;                                  // the last line that is not blank
    int firstStructural = 0;                           // line of the first mistake that moves the fields after it
    bool semicolonsNoted = false;
    int bareTextSplitLine = 0;                         // the first line of too many fields that has a bare text

    void add(int question, QuestionField field, const FileProblem &problem)
    {
        check.problems.push_back(placed(problem, question, field));
    }
    template <typename... Args>
    void note(int line, int column, int question, QuestionField field, ProblemId id, const Args &...args)
    {
        add(question, field, problemAt(line, column, id, args...));
        if (problemKind(id) == ProblemKind::Error && firstStructural == 0 && id != ProblemId::FlagNotANumber)
            firstStructural = line;
    }

    void checkLines(const std::vector<Line> &lines);
    size_t checkRecordLine(const std::vector<Line> &lines, size_t i, int question);
    void checkFields(const Line &line, int question, const LineScan &scan);
    void checkHeader(const Line &line);
    std::optional<LineScan> scanShaped(const Line &line, size_t expected, int question);
    void checkContents();
    void checkLimits();
    void keepReaderProblems();
    std::pair<int, QuestionField> placeOf(int line, int column) const;
};

// One question per line is how question files are written; a file laid out otherwise
// (one field per line reads the same) is left to the reader's own messages.
bool writtenOnePerLine(const std::vector<Line> &lines, size_t first, size_t last)
{
    int records = 0, shaped = 0;
    for (size_t i = first; i <= last; ++i) {
        if (isBlank(lines[i].bytes))
            continue;
        ++records;
        for (const char *separators : {",", ",;", ",\t"}) {
            const LineScan scan = scanLine(lines[i].bytes, separators);
            if (scan.unclosedQuote || scan.fields.size() == size_t(RecordFields)) {
                ++shaped;
                break;
            }
        }
    }
    return records > 0 && 2 * shaped >= records;
}

void Checker::checkLines(const std::vector<Line> &lines)
{
    const auto nonBlank = [](const Line &l) { return !isBlank(l.bytes); };
    const auto first = std::find_if(lines.begin(), lines.end(), nonBlank);
    if (first == lines.end())
        return;
    const size_t last = size_t(std::find_if(lines.rbegin(), lines.rend(), nonBlank).base() - lines.begin()) - 1;
    headerLine = first->number;
    lastLine = lines[last].number;
    if (!writtenOnePerLine(lines, size_t(first - lines.begin()) + 1, last))
        return;
    int question = 0;
    for (size_t i = 0; i <= last; ++i) {
        const Line &line = lines[i];
        if (isBlank(line.bytes))
            note(line.number, 1, 0, QuestionField::None, ProblemId::BlankLine);
        else if (line.number == headerLine)
            checkHeader(line);
        else
            i += checkRecordLine(lines, i, ++question);
    }
}

// The fields of a line that should hold `expected` of them, or nullopt after naming
// why it does not: a missing closing quote, semicolons, a tab, or the count.
std::optional<LineScan> Checker::scanShaped(const Line &line, size_t expected, int question)
{
    const LineScan scan = scanLine(line.bytes, ",");
    const size_t count = scan.fields.size();
    const bool header = question == 0;
    if (scan.unclosedQuote) {
        note(line.number, scan.unclosedQuote, question, header ? QuestionField::Header : questionFieldAt(int(count)),
             ProblemId::QuoteNotClosed);
        return std::nullopt;
    }
    if (count == expected)
        return scan;
    const LineScan bySemicolons = scanLine(line.bytes, ",;");
    if (bySemicolons.fields.size() == expected || (count == 1 && bySemicolons.fields.size() > 1)) {
        if (!std::exchange(semicolonsNoted, true))
            note(line.number, firstSeparator(bySemicolons, ';'), question,
                 header ? QuestionField::Header : QuestionField::None, ProblemId::Semicolons);
        return std::nullopt;
    }
    const LineScan byTabs = scanLine(line.bytes, ",\t");
    if (byTabs.fields.size() == expected) {
        const int column = firstSeparator(byTabs, '\t');
        note(line.number, column, question, header ? QuestionField::Header : QuestionField::None,
             ProblemId::TabSeparator);
        return std::nullopt;
    }
    if (header) {
        note(line.number, 1, 0, QuestionField::Header, ProblemId::HeaderFieldCount, count);
        return std::nullopt;
    }
    if (count < expected) {
        // On the last line the reader's own message says how far the file got.
        if (line.number != lastLine)
            note(line.number, int(line.bytes.size()) + 1, question, questionFieldAt(int(count)),
                 ProblemId::TooFewFields, count);
        return std::nullopt;
    }
    // A comma after the last flag and nothing more: the reader's own message says it.
    const bool onlyBlanksAfter = std::all_of(scan.fields.begin() + qsizetype(expected), scan.fields.end(),
                                             [](const LineField &f) { return isBlank(f.value); });
    if (onlyBlanksAfter)
        return std::nullopt;
    note(line.number, scan.fields[expected].column, question, QuestionField::None, ProblemId::TooManyFields, count);
    const auto texts = scan.fields.begin() + 5;
    if (std::any_of(scan.fields.begin(), texts, [](const LineField &f) { return !f.quoted; }))
        bareTextSplitLine = bareTextSplitLine ? bareTextSplitLine : line.number;
    return std::nullopt;
}

void Checker::checkHeader(const Line &line)
{
    scanShaped(line, HeaderFields, 0);
}

// A quoted text not closed on its own line runs on to the next quote: a text over
// several lines when the question then has its ten fields, a closing quote left out
// when not. Returns how many lines after this one the text took.
size_t Checker::checkRecordLine(const std::vector<Line> &lines, size_t i, int question)
{
    const Line &line = lines[i];
    questionOfLine[line.number] = question;
    const LineScan own = scanLine(line.bytes, ",");
    const bool runsOn = own.unclosedQuote && !line.bytes.sliced(own.unclosedQuote).contains('"');
    if (!runsOn) {
        if (const std::optional<LineScan> scan = scanShaped(line, RecordFields, question)) {
            scans[line.number] = *scan;
            checkFields(line, question, *scan);
        }
        return 0;
    }
    size_t more = 1;
    while (i + more < lines.size() && !lines[i + more].bytes.contains('"'))
        ++more;
    if (i + more == lines.size())
        return 0;   // no quote closes it: the reader says that the file ends inside the text
    QByteArray joined = line.bytes.toByteArray();
    for (size_t k = 1; k <= more; ++k)
        joined += ' ' + lines[i + k].bytes.toByteArray();
    const LineScan whole = scanLine(joined, ",");
    if (!whole.unclosedQuote && whole.fields.size() == size_t(RecordFields))
        checkFields(line, question, whole);
    else
        note(line.number, own.unclosedQuote, question, questionFieldAt(int(own.fields.size())), ProblemId::QuoteNotClosed);
    return more;
}

void Checker::checkFields(const Line &line, int question, const LineScan &scan)
{
    for (int k = 1; k <= 4; ++k) {
        const LineField &answer = scan.fields[size_t(FirstAnswer + k - 1)];
        if (isBlank(answer.value))
            note(line.number, answer.column, question, answerField(k), ProblemId::EmptyAnswer, k, question);
    }
    for (int k = 0; k < 4; ++k) {
        const LineField &flag = scan.fields[size_t(FirstFlag + k)];
        const QByteArrayView value = flag.value.trimmed();
        if (value.isEmpty() || value == "0" || value == "1")
            continue;
        const QByteArrayView digits = value.startsWith('-') ? value.sliced(1) : value;
        const bool number = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](char c) {
            return c >= '0' && c <= '9';
        });
        if (number && (digits.size() > 5 || std::abs(value.toByteArray().toInt()) > 32767))
            continue;   // the reader refuses it, and says why
        note(line.number, flag.column, question, questionFieldAt(FirstFlag + k),
             number ? ProblemId::FlagNotZeroOrOne : ProblemId::FlagNotANumber, decode1251(value));
    }
    if (!fits)
        return;
    for (int f = 0; f <= 4; ++f) {
        const LineField &text = scan.fields[size_t(f)];
        const QuestionField field = questionFieldAt(f);
        if (text.value.size() <= MaxFieldBytes && !fits(field, decode1251(text.value))) {
            note(line.number, text.column, question, field, ProblemId::TextTooLong, fieldName(question, f));
        }
    }
}

// The question and field at a place, for the reader's own messages.
std::pair<int, QuestionField> Checker::placeOf(int line, int column) const
{
    if (line == headerLine)
        return {0, QuestionField::Header};
    const auto question = questionOfLine.find(line);
    if (question == questionOfLine.end()) {
        const auto &records = check.contents.records;
        const auto record = std::find_if(records.begin(), records.end(), [&](const QuestionRecord &r) { return r.line == line; });
        return {record == records.end() ? 0 : int(record - records.begin()) + 1, QuestionField::None};
    }
    QuestionField field = QuestionField::None;
    if (const auto scan = scans.find(line); scan != scans.end()) {
        for (size_t i = 0; i < scan->second.fields.size() && scan->second.fields[i].column <= column; ++i)
            field = questionFieldAt(int(i));
    }
    return {question->second, field};
}

void Checker::checkContents()
{
    const auto &records = check.contents.records;
    for (size_t i = 0; i < std::min<size_t>(records.size(), QuestionsPerTest); ++i) {
        const auto &flags = records[i].correct;
        if (firstStructural && records[i].line >= firstStructural)
            break;
        if (std::all_of(flags.begin(), flags.end(), [](qint16 f) { return f == 1; }))
            note(records[i].line, 1, int(i) + 1, QuestionField::Question, ProblemId::AllAnswersRight, i + 1);
    }
}

// Which of the grades 5, 4 and 3 some score from nothing ticked to every right answer
// earns, by the grading itself.
void Checker::checkLimits()
{
    const QuestionFileContents &c = check.contents;
    if (headerLine == 0 || (c.fault && c.fault->line <= headerLine) || (firstStructural && firstStructural <= headerLine))
        return;
    const bool counted = c.records.size() >= size_t(QuestionsPerTest) && !firstStructural;
    const int maxScore = counted ? shownRightAnswers(c.records) : 4 * QuestionsPerTest;
    std::set<int> given;
    for (int score = 0; score <= maxScore; ++score)
        given.insert(computeGrade(qint16(score), c.threshold5, c.threshold4, c.threshold3));
    const bool ordered = c.threshold5 > c.threshold4 && c.threshold4 > c.threshold3;
    QStringList never;
    const std::pair<int, qint16> grades[] = {{5, c.threshold5}, {4, c.threshold4}, {3, c.threshold3}};
    for (const auto &[grade, threshold] : grades) {
        if (given.contains(grade))
            continue;
        if (ordered && counted)
            note(headerLine, 1, 0, QuestionField::Header, ProblemId::LimitAboveMaximum, grade, threshold, maxScore);
        else if (!ordered)
            never << QString::number(grade);
    }
    if (!never.isEmpty())
        note(headerLine, 1, 0, QuestionField::Header, ProblemId::GradesNeverGiven, c.threshold5, c.threshold4,
             c.threshold3, never.join(QStringLiteral(" и ")));
}

// The reader's messages, less those that only follow from a mistake named here: after a
// field moved, every later one is a consequence.
void Checker::keepReaderProblems()
{
    std::set<std::pair<int, int>> named;   // flags named here, which the reader may call no number
    bool limitsNamed = false;
    std::set<int> flagLines;               // there a word in a flag is the mistake, not a split text
    for (const QuestionProblem &p : check.problems) {
        if (p.id == ProblemId::FlagNotANumber) {
            named.insert({p.line, p.column});
            flagLines.insert(p.line);
        }
        limitsNamed = limitsNamed || p.id == ProblemId::GradesNeverGiven || p.id == ProblemId::LimitAboveMaximum;
    }
    std::vector<FileProblem> reader = check.contents.warnings;
    if (check.contents.fault)
        reader.push_back(*check.contents.fault);
    for (const FileProblem &p : reader) {
        // A text split by a comma is the likely cause of too many fields on its own line.
        const bool cause = p.id == ProblemId::SplitText && p.line == bareTextSplitLine && p.line == firstStructural;
        const bool follows = firstStructural && !cause
            && (p.line >= firstStructural || p.id == ProblemId::ThresholdsOffCriteria);
        const bool flagNamed = named.contains({p.line, p.column}) || (p.id == ProblemId::SplitText && flagLines.contains(p.line));
        if (follows || flagNamed || (limitsNamed && p.id == ProblemId::ThresholdsOffCriteria))
            continue;
        const auto [question, field] = placeOf(p.line, p.column);
        add(question, field, p);
    }
}

// A records line, "name,topic, grade", where the four limits should stand: a records
// file renamed, as the guide suggests for keeping last year's.
bool looksLikeRecords(const std::vector<Line> &lines)
{
    const auto first = std::find_if(lines.begin(), lines.end(), [](const Line &l) { return !isBlank(l.bytes); });
    if (first == lines.end())
        return false;
    const LineScan scan = scanLine(first->bytes, ",");
    const auto isNumber = [](QByteArrayView field) {
        bool ok = false;
        field.trimmed().toByteArray().toInt(&ok);
        return ok;
    };
    return scan.fields.size() == 3 && !scan.unclosedQuote && !isNumber(scan.fields[0].value)
        && !isNumber(scan.fields[1].value) && isNumber(scan.fields[2].value);
}

bool refusedUnread(const QuestionFileContents &contents)
{
    return contents.fault && (contents.fault->line == 0 || contents.fault->id == ProblemId::UnicodeFile);
}

} // namespace

QString fieldName(int question, int field)
{
    return field == 0 ? problemText(ProblemId::FieldQuestionText, question)
                      : problemText(ProblemId::FieldAnswerText, question, field);
}

QuestionField questionFieldAt(int index)
{
    return index >= 0 && index < RecordFields ? QuestionField(int(QuestionField::Question) + index)
                                              : QuestionField::None;
}

QuestionFileCheck checkQuestionBytes(QByteArrayView bytes, const QString &file, const TextFitTest &fits)
{
    QuestionFileCheck check{readQuestionFile(bytes, file), {}};
    if (refusedUnread(check.contents)) {
        const FileProblem &fault = *check.contents.fault;
        check.problems.push_back(placed(fault, 0, fault.line ? QuestionField::Header : QuestionField::None));
        return check;
    }
    const std::vector<Line> lines = splitLines(bytes);
    if (looksLikeRecords(lines)) {
        check.problems.push_back(
            placed(problemAt(1, 1, ProblemId::RecordsFileAsQuestions, shellWord(file)), 0, QuestionField::Header));
        return check;
    }
    Checker checker{check, fits};
    checker.checkLines(lines);
    checker.checkContents();
    checker.checkLimits();
    checker.keepReaderProblems();
    std::stable_sort(check.problems.begin(), check.problems.end(), [](const QuestionProblem &a, const QuestionProblem &b) {
        return std::pair(a.line, a.column) < std::pair(b.line, b.column);
    });
    return check;
}

QuestionFileCheck checkQuestionFileAt(const QString &path, const TextFitTest &fits)
{
    QByteArray bytes;
    QuestionFileContents contents = readQuestionFileAt(path, &bytes);
    if (contents.fault && contents.fault->line == 0) {
        const FileProblem fault = *contents.fault;
        QuestionFileCheck check{std::move(contents), {}};
        check.problems.push_back(placed(fault, 0, QuestionField::None));
        return check;
    }
    return checkQuestionBytes(bytes, path, fits);
}
