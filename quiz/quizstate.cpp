#include "quiz/quizstate.h"
#include "quiz/quizerror.h"

#include <limits>

QuizStateRecord QuizState;
QuestionBankRecord QuestionBank;

QString numberText(qint16 value)
{
    const QString digits = QString::number(value);
    return value < 0 ? digits : QLatin1Char(' ') + digits;
}

qint16 checkedInt16(int value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        throw QuizError(QStringLiteral("Число %1 не помещается в пределы от -32768 до 32767.").arg(value));
    return qint16(value);
}

int checkedIndex(int n)
{
    if (n < 0 || n >= BankSize)
        throw QuizError(QStringLiteral("Номер вопроса %1 лежит вне пределов от 0 до 90.").arg(n));
    return n;
}

namespace {

int checkedAnswer(int k)
{
    if (k < 1 || k > 4)
        throw QuizError(QStringLiteral("Номер ответа %1 лежит вне пределов от 1 до 4.").arg(k));
    return k;
}

} // namespace

const QString &QuestionBankRecord::answer(int n, int k) const
{
    const int i = checkedIndex(n);
    switch (checkedAnswer(k)) {
    case 1: return answer1[i];
    case 2: return answer2[i];
    case 3: return answer3[i];
    default: return answer4[i];
    }
}

qint16 QuestionBankRecord::correct(int n, int k) const
{
    const int i = checkedIndex(n);
    switch (checkedAnswer(k)) {
    case 1: return correct1[i];
    case 2: return correct2[i];
    case 3: return correct3[i];
    default: return correct4[i];
    }
}

const QString &QuestionBankRecord::questionAt(int n) const
{
    return question[checkedIndex(n)];
}
