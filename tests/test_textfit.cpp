// The shipped question files. Every question and answer shows whole in its label in
// the main window: drawn by the label itself, nothing of it is cut off at the bottom
// or the right. And each file
// grades as the help says: its limits are the help's percentages of the points its ten
// shown questions offer, they mix one, two and three right answers, ticking every box
// earns a 2, and no shown question is shown again in another topic.

#include "gui_support.h"
#include "quiz/codepage.h"
#include "quiz/questioncheck.h"
#include "quiz/questionfile.h"
#include "shell/appearance.h"
#include "shell/textfit.h"
#include "shell/windows.h"
#include "topics/catalogue.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <set>

using gui::mainLabel;

namespace {

bool isInk(const QImage &image, int x, int y, QRgb paper)
{
    return image.pixel(x, y) != paper;
}

// What the label draws of text: how far down its ink reaches when it has room to
// spare, and whether its own box shows the same (no line cut off or left out) with no
// ink in its last column (a word wider than the box).
struct Drawn {
    int inkBottom = 0;
    bool whole = false;
};

Drawn drawWith(CaptionLabel &label, const QString &text)
{
    label.setText(text);
    const QSize box = label.size();
    const QImage shown = label.grab().toImage();
    label.resize(box.width(), box.height() * 4);
    const QImage roomy = label.grab().toImage();
    label.resize(box);
    const QRgb paper = roomy.pixel(roomy.width() - 1, roomy.height() - 1);
    Drawn drawn;
    for (int y = 0; y < roomy.height(); ++y) {
        for (int x = 0; x < roomy.width(); ++x) {
            if (isInk(roomy, x, y, paper))
                drawn.inkBottom = y + 1;
        }
    }
    const int lastColumn = label.contentsRect().right();
    bool rightEdgeClear = true;
    for (int y = 0; y < roomy.height(); ++y)
        rightEdgeClear = rightEdgeClear && !isInk(roomy, lastColumn, y, paper);
    drawn.whole = drawn.inkBottom <= box.height() && rightEdgeClear && roomy.copy(QRect(QPoint(), box)) == shown;
    return drawn;
}

struct Tightest {
    qreal spare = 1e9;
    QString where;
    qreal needed = 0;
    int box = 0;
};
Tightest tightest;

} // namespace

class TestTextFit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void textsFitTheirLabels_data();
    void textsFitTheirLabels();
    void banksGradeAsTheHelpSays_data();
    void banksGradeAsTheHelpSays();
    void noQuestionIsSharedBetweenTopics();
    void checkerNamesTextCutOff();
    void cleanupTestCase();
};

void TestTextFit::initTestCase()
{
    prepareApplication(*qApp);
    std::printf("question font: %s %.2f pt; answer font: %s %.2f pt\n",
                qPrintable(QFontInfo(mainLabel(1)->font()).family()), mainLabel(1)->font().pointSizeF(),
                qPrintable(QFontInfo(mainLabel(2)->font()).family()), mainLabel(2)->font().pointSizeF());
}

void TestTextFit::textsFitTheirLabels_data()
{
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("answers");
    for (const Topic &topic : topicCatalogue()) {
        const QString &name = topic.file;
        const QuestionFileContents contents = readQuestionFileAt(QStringLiteral(ZUF_SHIPPED_DATA "/") + name);
        QVERIFY2(!contents.fault, qPrintable(name));
        QVERIFY2(contents.records.size() >= 10, qPrintable(name));
        for (size_t n = 0; n < contents.records.size(); ++n) {
            const QuestionRecord &record = contents.records[n];
            QTest::addRow("%s #%d", qPrintable(name), int(n + 1))
                << record.question
                << QStringList(record.answers.begin(), record.answers.end());
        }
    }
}

void TestTextFit::textsFitTheirLabels()
{
    QFETCH(QString, question);
    QFETCH(QStringList, answers);
    const QStringList texts = QStringList{question} + answers;
    for (int k = 0; k < texts.size(); ++k) {
        CaptionLabel &label = *mainLabel(k + 1);
        const QString what = k == 0 ? QStringLiteral("question") : QStringLiteral("answer %1").arg(k);
        const Drawn drawn = drawWith(label, texts[k]);
        QVERIFY2(drawn.whole, qPrintable(QStringLiteral("%1 is cut off (ink to %2 px of %3): %4")
                                             .arg(what).arg(drawn.inkBottom).arg(label.height()).arg(texts[k])));
        // The checker's measure agrees with what the label draws.
        QCOMPARE(fitsCaption(label, texts[k]), drawn.whole);
        const int spare = label.height() - drawn.inkBottom;
        if (spare < tightest.spare)
            tightest = {qreal(spare), QStringLiteral("%1, %2").arg(QString::fromLatin1(QTest::currentDataTag()), what),
                        qreal(drawn.inkBottom), label.height()};
    }
}

namespace {

QuestionFileContents shippedFile(const QString &file)
{
    return readQuestionFileAt(QStringLiteral(ZUF_SHIPPED_DATA "/") + file);
}

int rightAnswers(const QuestionRecord &record)
{
    return int(std::count(record.correct.begin(), record.correct.end(), 1));
}

// The fewest points that make at least percent of maxScore.
int leastScoreFor(int percent, int maxScore)
{
    int score = 0;
    while (100 * score < percent * maxScore)
        ++score;
    return score;
}

} // namespace

void TestTextFit::banksGradeAsTheHelpSays_data()
{
    QTest::addColumn<QString>("file");
    for (const Topic &topic : topicCatalogue())
        QTest::newRow(qPrintable(topic.file)) << topic.file;
}

void TestTextFit::banksGradeAsTheHelpSays()
{
    QFETCH(QString, file);
    const QuestionFileContents contents = shippedFile(file);
    QVERIFY(!contents.fault);
    QVERIFY(contents.records.size() >= 10);
    int maxScore = 0;
    int allTicked = 0;   // every box of every question ticked
    std::set<int> kinds;
    for (size_t n = 0; n < 10; ++n) {
        const int right = rightAnswers(contents.records[n]);
        QVERIFY2(right >= 1 && right <= 3, qPrintable(QStringLiteral("question %1: %2 right").arg(n + 1).arg(right)));
        kinds.insert(right);
        maxScore += right;
        allTicked = std::max(0, allTicked + right - (4 - right));
    }
    QCOMPARE(kinds, (std::set<int>{1, 2, 3}));
    QCOMPARE(contents.threshold5, qint16(leastScoreFor(91, maxScore)));
    QCOMPARE(contents.threshold4, qint16(leastScoreFor(81, maxScore)));
    QCOMPARE(contents.threshold3, qint16(leastScoreFor(66, maxScore)));
    QVERIFY2(allTicked < contents.threshold3, qPrintable(QStringLiteral("ticking everything scores %1").arg(allTicked)));
}

void TestTextFit::noQuestionIsSharedBetweenTopics()
{
    QMap<QString, QString> seen;   // question, case and spaces aside -> where it is shown
    for (const Topic &topic : topicCatalogue()) {
        const QuestionFileContents contents = shippedFile(topic.file);
        for (size_t n = 0; n < std::min<size_t>(10, contents.records.size()); ++n) {
            const QString key = contents.records[n].question.simplified().toLower();
            const QString where = QStringLiteral("%1 #%2").arg(topic.file).arg(n + 1);
            QVERIFY2(!seen.contains(key), qPrintable(where + QStringLiteral(" repeats ") + seen.value(key)));
            seen.insert(key, where);
        }
    }
    QCOMPARE(seen.size(), 90);
}

// The checker's measure is the window's: a text the label cuts off is named with its
// question and field, and the shipped texts are not.
void TestTextFit::checkerNamesTextCutOff()
{
    const TextFitTest fits = pupilWindowFit();
    QByteArray bytes;
    QVERIFY(!readQuestionFileAt(QStringLiteral(ZUF_SHIPPED_DATA "/qes1.ssu"), &bytes).fault);
    QVERIFY(checkQuestionBytes(bytes, QStringLiteral("qes1.ssu"), fits).problems.empty());

    const QString longAnswer = QStringLiteral("Очень длинный ответ, который не поместится в рамку ").repeated(6);
    QVERIFY(!fitsCaption(*mainLabel(4), longAnswer));
    QVERIFY(!drawWith(*mainLabel(4), longAnswer).whole);
    QVERIFY(!drawWith(*mainLabel(2), QString(200, u'Ж')).whole);
    QList<QByteArray> lines = bytes.split('\n');
    lines[3] = encode1251(QStringLiteral("\"Вопрос\",\"А\",\"Б\",\"%1\",\"Г\",0,1,0,0,0\r").arg(longAnswer)).value();
    const QuestionFileCheck check = checkQuestionBytes(lines.join('\n'), QStringLiteral("qes1.ssu"), fits);
    const auto cut = std::find_if(check.problems.begin(), check.problems.end(),
                                  [](const QuestionProblem &p) { return p.id == ProblemId::TextTooLong; });
    QVERIFY(cut != check.problems.end());
    QCOMPARE(cut->line, 4);
    QCOMPARE(cut->column, 18);
    QCOMPARE(cut->question, 3);
    QCOMPARE(cut->field, QuestionField::Answer3);
}

void TestTextFit::cleanupTestCase()
{
    std::printf("tightest fit: %s needs %.0f px of %d\n", qPrintable(tightest.where), tightest.needed, tightest.box);
    discardWindows();
}

QTEST_MAIN(TestTextFit)
#include "test_textfit.moc"
