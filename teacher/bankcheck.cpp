#include "teacher/bankcheck.h"
#include "quiz/problemtexts.h"
#include "quiz/quizstate.h"

#include <QHash>
#include <algorithm>

namespace {

void addCheckerFindings(std::vector<BankProblem> &out, const QByteArray &bytes, const TextFitTest &fits)
{
    const QuestionFileCheck check = checkQuestionBytes(bytes, QStringLiteral("файл.ssu"), fits);
    for (const QuestionProblem &p : check.problems)
        out.push_back({p.question, bankField(p.field), p.severity, p.message});
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

} // namespace

int bankField(QuestionField field)
{
    const int index = int(field) - int(QuestionField::Question);
    return index >= 0 && index < TextFieldsPerQuestion ? index : -1;
}

std::vector<BankProblem> checkBank(const EditedBank &bank, const std::vector<OtherTopic> &others, const TextFitTest &fits)
{
    std::vector<BankProblem> out;
    const WrittenBank written = writeQuestionFile(bank);
    for (const UnwritableCharacter &u : written.unwritable)
        out.push_back({u.question, u.field, Severity::Error,
                       problemText(ProblemId::UnwritableCharacter, fieldName(u.question, u.field), QString(u.character),
                                   QString::number(u.character.unicode(), 16).toUpper().rightJustified(4, u'0'))});
    addCheckerFindings(out, written.bytes, fits);
    addRepeatFindings(out, bank, others);
    std::stable_sort(out.begin(), out.end(), [](const BankProblem &a, const BankProblem &b) {
        return std::pair(a.question, a.field) < std::pair(b.question, b.field);
    });
    return out;
}
