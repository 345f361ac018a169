#include "teacher/bankcheck.h"
#include "teacher/limits.h"
#include "quiz/problemtexts.h"
#include "quiz/quizstate.h"

#include <QHash>
#include <algorithm>

namespace {

// The field of the written line at a 1-based column: every text is quoted and holds
// no quote, so the commas outside quotes before it count the fields.
int fieldAtColumn(QByteArrayView line, int column)
{
    int field = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < qMin<qsizetype>(column - 1, line.size()); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ',' && !quoted)
            ++field;
    }
    return field < TextFieldsPerQuestion ? field : -1;
}

// The reader's findings on the bytes the bank would be saved as, placed by question and field.
void addReaderFindings(std::vector<BankProblem> &out, const EditedBank &bank, const QByteArray &bytes)
{
    const QuestionFileContents read = readQuestionFile(bytes);
    std::vector<FileProblem> findings = read.warnings;
    if (read.fault)
        findings.push_back(*read.fault);
    std::vector<qsizetype> lineStarts{0};
    for (qsizetype i = bytes.indexOf('\n'); i >= 0; i = bytes.indexOf('\n', i + 1))
        lineStarts.push_back(i + 1);
    for (const FileProblem &p : findings) {
        BankProblem found{0, -1, p.severity, p.message};
        const int question = p.line - 1;
        if (question >= 1 && size_t(question) <= bank.records.size() && size_t(p.line) < lineStarts.size()) {
            found.question = question;
            const qsizetype start = lineStarts[size_t(p.line) - 1];
            found.field = p.column > 1 ? fieldAtColumn(QByteArrayView(bytes).sliced(start), p.column) : -1;
        }
        out.push_back(std::move(found));
    }
}

void addAnswerFindings(std::vector<BankProblem> &out, const EditedBank &bank)
{
    for (size_t i = 0; i < bank.records.size(); ++i) {
        const QuestionRecord &r = bank.records[i];
        const int n = int(i) + 1;
        if (std::all_of(r.correct.begin(), r.correct.end(), [](qint16 f) { return f == 1; }))
            out.push_back({n, 1, Severity::Warning, problemText(ProblemId::EveryAnswerRight, n)});
        for (int k = 1; k <= 4; ++k) {
            if (fieldText(r, k).trimmed().isEmpty())
                out.push_back({n, k, Severity::Warning, problemText(ProblemId::EmptyAnswer, n, k)});
        }
    }
}

void addRepeatFindings(std::vector<BankProblem> &out, const EditedBank &bank, const std::vector<OtherTopic> &others)
{
    QHash<QString, int> seen;
    seen.reserve(qsizetype(bank.records.size()));
    for (size_t i = 0; i < bank.records.size(); ++i) {
        const QString key = bank.records[i].question.simplified();
        if (key.isEmpty())
            continue;
        const int n = int(i) + 1;
        const auto at = seen.constFind(key);
        if (at != seen.constEnd())
            out.push_back({n, 0, Severity::Warning, problemText(ProblemId::RepeatedQuestion, n, *at)});
        else
            seen.insert(key, n);
        if (n > QuestionsPerTest)
            continue;
        for (const OtherTopic &other : others) {
            const auto found = std::find_if(other.firstTen.begin(), other.firstTen.end(),
                                            [&key](const QString &q) { return q.simplified() == key; });
            if (found != other.firstTen.end())
                out.push_back({n, 0, Severity::Warning,
                               problemText(ProblemId::SharedQuestion, n, bank.records[i].question, other.file,
                                           int(found - other.firstTen.begin()) + 1)});
        }
    }
}

void addLimitFindings(std::vector<BankProblem> &out, const EditedBank &bank)
{
    if (limitsOutOfOrder(bank))
        out.push_back({0, -1, Severity::Error,
                       problemText(ProblemId::LimitsOutOfOrder, bank.threshold5, bank.threshold4, bank.threshold3)});
    if (limitsUnreachable(bank))
        out.push_back({0, -1, Severity::Error, problemText(ProblemId::LimitUnreachable, bank.threshold5, maxScore(bank))});
}

} // namespace

std::vector<BankProblem> checkBank(const EditedBank &bank, const std::vector<OtherTopic> &others)
{
    std::vector<BankProblem> out;
    const WrittenBank written = writeQuestionFile(bank);
    for (const UnwritableCharacter &u : written.unwritable)
        out.push_back({u.question, u.field, Severity::Error,
                       problemText(ProblemId::UnwritableCharacter, u.question, fieldName(u.field), QString(u.character),
                                   QString::number(u.character.unicode(), 16).toUpper().rightJustified(4, u'0'))});
    addReaderFindings(out, bank, written.bytes);
    addAnswerFindings(out, bank);
    addRepeatFindings(out, bank, others);
    addLimitFindings(out, bank);
    std::stable_sort(out.begin(), out.end(), [](const BankProblem &a, const BankProblem &b) {
        return std::pair(a.question, a.field) < std::pair(b.question, b.field);
    });
    return out;
}
