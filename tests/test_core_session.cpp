// A pupil's test without windows: starting a topic, a refused start, scoring the ticks,
// finishing with a grade, the records line.

#include "quiz/quizerror.h"
#include "quiz/quizsession.h"
#include "quiz/quizstate.h"
#include "topics/catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Ticks = std::array<bool, 4>;
Q_DECLARE_METATYPE(Ticks)

namespace {

// Thresholds 9, 7, 5; question n reads "Q n" and only its first answer is right.
const QByteArray GoodFile = [] {
    QByteArray text = "9,7,5,0\r\n";
    for (int n = 1; n <= 10; ++n)
        text += QByteArray("\"Q ") + QByteArray::number(n) + "\",\"a\",\"b\",\"c\",\"d\",0,1,0,0,0\r\n";
    return text;
}();

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void init();

    void startBeginsAtQuestionOne();
    void failedStartKeepsTheRunningTest_data();
    void failedStartKeepsTheRunningTest();
    void answerScoresTicks_data();
    void answerScoresTicks();
    void lastAnswerGradesThenWrites_data();
    void lastAnswerGradesThenWrites();
    void finishAppendsTheRecordsLine_data();
    void finishAppendsTheRecordsLine();

private:
    QString records() const { return dir_->filePath(QStringLiteral("records.ssu")); }

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestSession::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(dir_->path()));
    QuizState = {};
    QuestionBank = {};
}

void TestSession::startBeginsAtQuestionOne()
{
    const Topic &topic = topicCatalogue().front();
    writeFile(topic.file, GoodFile);
    QuizState.questionNumber = 6;   // a test running: starting again begins afresh
    QuizState.score = 4;
    QuizSession session(records());
    QSignalSpy started(&session, &QuizSession::started);

    session.start(topic.name);
    QCOMPARE(started.size(), 1);
    QCOMPARE(QuizState.topicName, topic.name);
    QCOMPARE(QuizState.questionFile, topic.file);
    QCOMPARE(QuizState.questionNumber, 1);
    QCOMPARE(QuizState.score, 0);
    QCOMPARE(QuestionBank.questionAt(1), QStringLiteral("Q 1"));
    QCOMPARE(QuizState.threshold4, 7);
}

void TestSession::failedStartKeepsTheRunningTest_data()
{
    QTest::addColumn<QByteArray>("bytes");   // of the chosen topic's file; empty: no file
    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("not a question file") << QByteArray("nonsense\r\n");
    QTest::newRow("thresholds only, cut short") << QByteArray("9,7");
}

void TestSession::failedStartKeepsTheRunningTest()
{
    QFETCH(QByteArray, bytes);
    const Topic &running = topicCatalogue()[0];
    const Topic &chosen = topicCatalogue()[1];
    writeFile(running.file, GoodFile);
    if (!bytes.isEmpty())
        writeFile(chosen.file, bytes);
    QuizSession session(records());
    session.start(running.name);
    session.answer({true, false, false, false});
    const QuizStateRecord before = QuizState;
    QSignalSpy started(&session, &QuizSession::started);

    QVERIFY_THROWS_EXCEPTION(QuizError, session.start(chosen.name));
    QCOMPARE(started.size(), 0);
    QCOMPARE(QuizState.topicName, before.topicName);
    QCOMPARE(QuizState.questionFile, before.questionFile);
    QCOMPARE(QuizState.questionNumber, 2);
    QCOMPARE(QuizState.score, 1);
    QCOMPARE(QuizState.threshold5, before.threshold5);
    QCOMPARE(QuestionBank.questionAt(2), QStringLiteral("Q 2"));
}

void TestSession::answerScoresTicks_data()
{
    QTest::addColumn<QList<int>>("flags");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<int>("scoreBefore");
    QTest::addColumn<int>("scoreAfter");
    QTest::addColumn<bool>("taken");

    QTest::newRow("two right, one wrong") << QList{1, 0, 1, 0} << Ticks{true, true, true, false} << 0 << 1 << true;
    QTest::newRow("all four, two right") << QList{1, 1, 0, 0} << Ticks{true, true, true, true} << 4 << 4 << true;
    QTest::newRow("one wrong costs one") << QList{1, 0, 0, 0} << Ticks{false, true, false, false} << 3 << 2 << true;
    QTest::newRow("never below zero") << QList{1, 0, 0, 0} << Ticks{false, true, true, true} << 1 << 0 << true;
    QTest::newRow("a flag of 2 is wrong") << QList{2, 0, 0, 0} << Ticks{true, false, false, false} << 2 << 1 << true;
    QTest::newRow("unticked right answers count nothing") << QList{1, 1, 1, 1} << Ticks{false, false, false, true} << 0 << 1 << true;
    QTest::newRow("nothing ticked is refused") << QList{1, 0, 0, 0} << Ticks{} << 5 << 5 << false;
}

void TestSession::answerScoresTicks()
{
    QFETCH(QList<int>, flags);
    QFETCH(Ticks, ticks);
    QFETCH(int, scoreBefore);
    QFETCH(int, scoreAfter);
    QFETCH(bool, taken);
    const int q = 3;
    QuestionBank.correct1[q] = qint16(flags[0]);
    QuestionBank.correct2[q] = qint16(flags[1]);
    QuestionBank.correct3[q] = qint16(flags[2]);
    QuestionBank.correct4[q] = qint16(flags[3]);
    QuizState.questionNumber = q;
    QuizState.score = qint16(scoreBefore);
    QuizSession session(records());
    QSignalSpy refused(&session, &QuizSession::answerRefused);
    QSignalSpy accepted(&session, &QuizSession::answerTaken);
    QSignalSpy due(&session, &QuizSession::questionDue);

    session.answer(ticks);
    QCOMPARE(QuizState.score, scoreAfter);
    QCOMPARE(QuizState.questionNumber, taken ? q + 1 : q);
    QCOMPARE(accepted.size(), taken ? 1 : 0);
    QCOMPARE(refused.size(), taken ? 0 : 1);
    QCOMPARE(due.size(), 1);
    QCOMPARE(due.first().first().toBool(), taken);   // "answer taken" is said only then
}

void TestSession::lastAnswerGradesThenWrites_data()
{
    QTest::addColumn<int>("scoreBefore");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<int>("grade");   // 0: no grade, the test goes on

    QTest::newRow("right answer reaches threshold 4") << 6 << Ticks{true, false, false, false} << 4;
    QTest::newRow("right answer reaches threshold 3") << 4 << Ticks{true, false, false, false} << 3;
    QTest::newRow("wrong answer drops below 3") << 5 << Ticks{false, true, false, false} << 2;
    QTest::newRow("at most points") << 9 << Ticks{true, false, false, false} << 5;
    QTest::newRow("nothing ticked keeps question 10") << 9 << Ticks{} << 0;
}

void TestSession::lastAnswerGradesThenWrites()
{
    QFETCH(int, scoreBefore);
    QFETCH(Ticks, ticks);
    QFETCH(int, grade);
    const Topic &topic = topicCatalogue().front();
    writeFile(topic.file, GoodFile);
    QuizSession session(records());
    session.start(topic.name);
    QuizState.questionNumber = QuestionsPerTest;
    QuizState.score = qint16(scoreBefore);
    QByteArray recordsWhenGraded = "(not graded)";
    connect(&session, &QuizSession::graded, this, [&] { recordsWhenGraded = readFile(records()); });
    QSignalSpy graded(&session, &QuizSession::graded);
    QSignalSpy finished(&session, &QuizSession::finished);
    QSignalSpy due(&session, &QuizSession::questionDue);

    session.answer(ticks);
    if (grade == 0) {
        QVERIFY(graded.isEmpty() && finished.isEmpty());
        QCOMPARE(due.size(), 1);
        QCOMPARE(QuizState.questionNumber, QuestionsPerTest);
        return;
    }
    QCOMPARE(due.size(), 0);
    QCOMPARE(graded.size(), 1);
    QCOMPARE(graded.first().first().value<qint16>(), grade);
    QCOMPARE(QuizState.grade, grade);
    QCOMPARE(recordsWhenGraded, QByteArray("(missing)"));   // shown before it is written
    QCOMPARE(finished.size(), 1);
    QVERIFY(!finished.first().first().value<std::optional<QString>>());
    QVERIFY(readFile(records()).endsWith(", " + QByteArray::number(grade) + "\r\n"));
    QCOMPARE(QuizState.questionNumber, 0);
}

void TestSession::finishAppendsTheRecordsLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");   // empty: a folder stands in the file's place

    QTest::newRow("first line") << "Ivan" << "Floods" << QByteArray() << QByteArray("Ivan,Floods, 5\r\n");
    QTest::newRow("appended, Windows-1251") << QStringLiteral("Аня") << QStringLiteral("Землетрясение")
                                            << QByteArray("Ivan,Floods, 2\r\n")
                                            << QByteArray("Ivan,Floods, 2\r\n\xC0\xED\xFF,\xC7\xE5\xEC\xEB\xE5\xF2\xF0\xFF\xF1\xE5\xED\xE8\xE5, 5\r\n");
    QTest::newRow("folder in its place") << "Ivan" << "Floods" << QByteArray() << QByteArray();
}

void TestSession::finishAppendsTheRecordsLine()
{
    QFETCH(QString, name);
    QFETCH(QString, topic);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        writeFile(records(), before);
    if (after.isEmpty())
        QVERIFY(QDir().mkdir(records()));
    QuizState.userName = name;
    QuizState.topicName = topic;
    QuizState.questionNumber = QuestionsPerTest + 1;   // all thresholds 0: grade 5
    QuizSession session(records());
    QSignalSpy finished(&session, &QuizSession::finished);

    session.finish();
    QCOMPARE(finished.size(), 1);
    const auto notSaved = finished.first().first().value<std::optional<QString>>();
    QCOMPARE(QuizState.questionNumber, 0);
    if (after.isEmpty()) {
        QVERIFY(notSaved && !notSaved->isEmpty());
        QVERIFY(QFileInfo(records()).isDir());
        return;
    }
    QVERIFY2(!notSaved, qPrintable(notSaved.value_or(QString())));
    QCOMPARE(readFile(records()), after);
}

QTEST_GUILESS_MAIN(TestSession)
#include "test_core_session.moc"
