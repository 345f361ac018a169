#pragma once
// A pupil's test from the chosen topic to the records line, on QuizState and
// QuestionBank. The windows show what it tells them and hand it the pupil's input.

#include <QObject>
#include <QString>
#include <array>
#include <optional>

class QuizSession : public QObject {
    Q_OBJECT
public:
    // records: where finish() appends the line (the records file of the working folder).
    explicit QuizSession(QString records, QObject *parent = nullptr);

    // Loads the question file of the topic named so and begins at question 1 with no
    // points. A file that is refused leaves every state as it was, a running test
    // included, and its QuizError goes to the caller.
    void start(const QString &topicName);

    // Scores the ticks of the question on screen (ticked[k] is answer k+1): +1 for each
    // right answer ticked, -1 for each wrong one, the score never below 0. No tick is
    // refused and the question stays. After the last question the test is finished.
    void answer(const std::array<bool, 4> &ticked);

    // Ends the test: the grade of the score under the topic's thresholds, then the
    // records line "name,topic, grade"; afterwards no test runs.
    void finish();

signals:
    void started();                  // question 1 is due
    void answerRefused();            // nothing ticked: the same question again
    void answerTaken();              // scored
    void questionDue(bool afterAnswer);   // QuizState.questionNumber is on screen next
    void graded(qint16 grade);       // the test is over, its line not yet written
    // The line is written (notSaved empty) or why not; no test runs any more.
    void finished(const std::optional<QString> &notSaved);

private:
    QString records_;
};
