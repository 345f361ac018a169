#include "quiz/quizsession.h"

#include "quiz/grading.h"
#include "quiz/questionfile.h"
#include "quiz/quizerror.h"
#include "quiz/quizstate.h"
#include "records/recordsfile.h"
#include "topics/catalogue.h"

#include <algorithm>

QuizSession::QuizSession(QString records, QObject *parent) : QObject(parent), records_(std::move(records))
{
}

void QuizSession::start(const QString &topicName)
{
    const QString previousTopic = QuizState.topicName;
    const QString previousFile = QuizState.questionFile;
    QuizState.topicName = topicName;
    topicFileFor(topicName);
    try {
        loadQuestionFile();
    } catch (const QuizError &) {
        QuizState.topicName = previousTopic;
        QuizState.questionFile = previousFile;
        throw;
    }
    QuizState.score = 0;
    QuizState.questionNumber = 1;
    emit started();
}

void QuizSession::answer(const std::array<bool, 4> &ticked)
{
    const bool taken = std::count(ticked.begin(), ticked.end(), true) > 0;
    if (!taken) {
        emit answerRefused();
    } else {
        emit answerTaken();
        const int points = answerPoints(QuizState.questionNumber, ticked);
        QuizState.score = std::max<qint16>(checkedInt16(QuizState.score + points), 0);
        QuizState.questionNumber = checkedInt16(QuizState.questionNumber + 1);
    }
    if (QuizState.questionNumber == QuestionsPerTest + 1)
        finish();
    else
        emit questionDue(taken);
}

// The grade is shown and its cue started before the line is written: a slow share
// keeps the pupil waiting for the file, not for the grade.
void QuizSession::finish()
{
    QuizState.grade = computeGrade(QuizState.score, QuizState.threshold5, QuizState.threshold4,
                                   QuizState.threshold3);
    emit graded(QuizState.grade);
    const std::optional<QString> notSaved =
        appendRecord(records_, {QuizState.userName, QuizState.topicName, QuizState.grade});
    QuizState.questionNumber = 0;
    emit finished(notSaved);
}
