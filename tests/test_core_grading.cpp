// Grades, points of one answer, counters' texts, checked indices and the topic catalogue.

#include "quiz/grading.h"
#include "quiz/quizstate.h"
#include "topics/catalogue.h"

#include <QDir>
#include <QTest>

class TestGrading : public QObject {
    Q_OBJECT
private slots:
    void init();

    void computeGradeFollowsThresholds_data();
    void computeGradeFollowsThresholds();
    void computeGradeEqualsStaircaseRule();
    void answerPointsCountsTicks_data();
    void answerPointsCountsTicks();
    void numberTextPadsNonNegative_data();
    void numberTextPadsNonNegative();
    void checksIndicesAndRanges();

    void catalogueMapsExamples_data();
    void catalogueMapsExamples();
    void everyTopicHasItsShippedFile();
    void nearMissNamesLeaveFileUnchanged_data();
    void nearMissNamesLeaveFileUnchanged();
    void catalogueIsSortedForTheList();
};

void TestGrading::init()
{
    QuizState = QuizStateRecord{};
    QuestionBank = QuestionBankRecord{};
}

void TestGrading::computeGradeFollowsThresholds_data()
{
    QTest::addColumn<int>("t5");
    QTest::addColumn<int>("t4");
    QTest::addColumn<int>("t3");
    QTest::addColumn<int>("score");
    QTest::addColumn<int>("grade");

    struct Case { int t5, t4, t3, score, grade; };
    const Case cases[] = {
        // descending
        {9, 7, 5, 0, 2}, {9, 7, 5, 4, 2}, {9, 7, 5, 5, 3}, {9, 7, 5, 6, 3}, {9, 7, 5, 7, 4},
        {9, 7, 5, 8, 4}, {9, 7, 5, 9, 5}, {9, 7, 5, 40, 5},
        // threshold4 above threshold5: grade 4 never occurs
        {6, 8, 4, 3, 2}, {6, 8, 4, 4, 3}, {6, 8, 4, 6, 3}, {6, 8, 4, 7, 3}, {6, 8, 4, 8, 5}, {6, 8, 4, 20, 5},
        // threshold3 above threshold4: grade 3 never occurs
        {9, 5, 7, 5, 2}, {9, 5, 7, 6, 2}, {9, 5, 7, 7, 4}, {9, 5, 7, 8, 4}, {9, 5, 7, 9, 5},
        // all equal
        {6, 6, 6, 5, 2}, {6, 6, 6, 6, 5}, {6, 6, 6, 30, 5},
        // all zero
        {0, 0, 0, 0, 5}, {0, 0, 0, 17, 5},
        // a negative score from the state's 16-bit range still gets a grade
        {0, 0, 0, -1, 2},
    };
    for (const Case &c : cases)
        QTest::addRow("%d,%d,%d score %d", c.t5, c.t4, c.t3, c.score) << c.t5 << c.t4 << c.t3 << c.score << c.grade;
}

void TestGrading::computeGradeFollowsThresholds()
{
    QFETCH(int, t5);
    QFETCH(int, t4);
    QFETCH(int, t3);
    QFETCH(int, score);
    QFETCH(int, grade);
    QCOMPARE(int(computeGrade(qint16(score), qint16(t5), qint16(t4), qint16(t3))), grade);
}

void TestGrading::computeGradeEqualsStaircaseRule()
{
    // For thresholds in any order: 2 below t3, else 3 below t4, else 4 below t5, else 5.
    for (int t5 = 0; t5 <= 12; ++t5)
        for (int t4 = 0; t4 <= 12; ++t4)
            for (int t3 = 0; t3 <= 12; ++t3)
                for (int score = 0; score <= 14; ++score) {
                    const int want = score < t3 ? 2 : score < t4 ? 3 : score < t5 ? 4 : 5;
                    if (computeGrade(qint16(score), qint16(t5), qint16(t4), qint16(t3)) != want)
                        QFAIL(qPrintable(QStringLiteral("%1,%2,%3 score %4").arg(t5).arg(t4).arg(t3).arg(score)));
                }
}

void TestGrading::answerPointsCountsTicks_data()
{
    QTest::addColumn<QList<int>>("flags");
    QTest::addColumn<QList<bool>>("ticked");
    QTest::addColumn<int>("points");

    QTest::newRow("both right ticked") << QList<int>{1, 0, 0, 1} << QList<bool>{true, false, false, true} << 2;
    QTest::newRow("one right one wrong") << QList<int>{1, 0, 0, 1} << QList<bool>{true, true, false, false} << 0;
    QTest::newRow("all four ticked") << QList<int>{1, 0, 0, 1} << QList<bool>{true, true, true, true} << 0;
    QTest::newRow("flags 2 and -1 are wrong") << QList<int>{2, -1, 1, 0} << QList<bool>{true, true, true, false} << -1;
    QTest::newRow("nothing ticked") << QList<int>{1, 1, 1, 1} << QList<bool>{false, false, false, false} << 0;
}

void TestGrading::answerPointsCountsTicks()
{
    QFETCH(QList<int>, flags);
    QFETCH(QList<bool>, ticked);
    QFETCH(int, points);

    QuestionBank.correct1[4] = qint16(flags[0]);
    QuestionBank.correct2[4] = qint16(flags[1]);
    QuestionBank.correct3[4] = qint16(flags[2]);
    QuestionBank.correct4[4] = qint16(flags[3]);
    QCOMPARE(answerPoints(4, {ticked[0], ticked[1], ticked[2], ticked[3]}), points);
}

void TestGrading::numberTextPadsNonNegative_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << " 0";
    QTest::newRow("7") << 7 << " 7";
    QTest::newRow("40") << 40 << " 40";
    QTest::newRow("-3") << -3 << "-3";
    QTest::newRow("max") << 32767 << " 32767";
    QTest::newRow("min") << -32768 << "-32768";
}

void TestGrading::numberTextPadsNonNegative()
{
    QFETCH(int, value);
    QTEST(numberText(qint16(value)), "text");
}

void TestGrading::checksIndicesAndRanges()
{
    QCOMPARE(checkedIndex(0), 0);
    QCOMPARE(checkedIndex(90), 90);
    QVERIFY_THROWS_EXCEPTION(QuizError, checkedIndex(91));
    QVERIFY_THROWS_EXCEPTION(QuizError, checkedIndex(-1));
    QCOMPARE(checkedInt16(32767), qint16(32767));
    QCOMPARE(checkedInt16(-32768), qint16(-32768));
    QVERIFY_THROWS_EXCEPTION(QuizError, checkedInt16(32768));
    QVERIFY_THROWS_EXCEPTION(QuizError, checkedInt16(-32769));

    QuestionBank.answer3[90] = QStringLiteral("последний");
    QuestionBank.correct2[90] = 1;
    QCOMPARE(QuestionBank.answer(90, 3), QStringLiteral("последний"));
    QCOMPARE(QuestionBank.correct(90, 2), qint16(1));
    QVERIFY_THROWS_EXCEPTION(QuizError, QuestionBank.questionAt(91));
    QVERIFY_THROWS_EXCEPTION(QuizError, QuestionBank.answer(1, 5));
    QVERIFY_THROWS_EXCEPTION(QuizError, QuestionBank.correct(1, 0));
    QVERIFY_THROWS_EXCEPTION(QuizError, answerPoints(91, {true, false, false, false}));
}

// Files that labs already hold under these numbers.
void TestGrading::catalogueMapsExamples_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("floods") << "Наводнения" << "qes8.ssu";
    QTest::newRow("at home") << "Правила безопасного поведения в быту" << "qes1.ssu";
}

void TestGrading::catalogueMapsExamples()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QuizState.questionFile = QStringLiteral("earlier.ssu");
    topicFileFor(name);
    QCOMPARE(QuizState.questionFile, file);
}

// Each topic starts from a file of its own, and every question file shipped is one topic's.
void TestGrading::everyTopicHasItsShippedFile()
{
    QStringList files;
    for (const Topic &topic : topicCatalogue()) {
        QuizState.questionFile.clear();
        topicFileFor(topic.name);
        QVERIFY2(!files.contains(QuizState.questionFile), qPrintable(QuizState.questionFile));
        files << QuizState.questionFile;
    }
    files.sort();
    QCOMPARE(QDir(QStringLiteral(ZUF_SHIPPED_DATA)).entryList({QStringLiteral("*.ssu")}, QDir::Files, QDir::Name), files);
}

void TestGrading::nearMissNamesLeaveFileUnchanged_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("other case") << "наводнения";
    QTest::newRow("space inside прихимических") << "Безопасность при химических авариях";
    QTest::newRow("trailing space") << "Землетрясение ";
    QTest::newRow("leading space") << " Землетрясение";
    QTest::newRow("spaces for underscores") << "Ураганы бури смерчи";
    QTest::newRow("file name") << "qes8.ssu";
}

void TestGrading::nearMissNamesLeaveFileUnchanged()
{
    QFETCH(QString, name);
    QuizState.questionFile = QStringLiteral("qes4.ssu");
    topicFileFor(name);
    QCOMPARE(QuizState.questionFile, QStringLiteral("qes4.ssu"));
}

void TestGrading::catalogueIsSortedForTheList()
{
    const std::span<const Topic> topics = topicCatalogue();
    for (size_t i = 1; i < topics.size(); ++i)
        QVERIFY(topics[i - 1].name < topics[i].name);   // no Ё, so code order is alphabetical
}

QTEST_APPLESS_MAIN(TestGrading)
#include "test_core_grading.moc"
