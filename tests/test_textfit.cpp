// Every question and answer of the shipped question files fits its label in the main
// window: laid out with the label's own font and width, word-wrapped as the label
// wraps it, no line wider than the box and all lines within its height.

#include "quiz/questionfile.h"
#include "shell/appearance.h"
#include "shell/form1.h"
#include "shell/windows.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>
#include <QTextLayout>
#include <cstdio>

namespace {

struct Fit {
    qreal height = 0;      // of all wrapped lines
    qreal widest = 0;      // the widest line; a word longer than the box sticks out
};

// The layout the label draws: its font on its own device, its alignment, word wrap
// at its contents width.
Fit layOut(const CaptionLabel &label, const QString &text)
{
    QTextLayout layout(stripMnemonic(text), label.font(), &label);
    QTextOption option(label.alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    Fit fit;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label.contentsRect().width());
        line.setPosition(QPointF(0, fit.height));
        fit.height += line.height();
        fit.widest = std::max(fit.widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return fit;
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
    void cleanupTestCase();
};

void TestTextFit::initTestCase()
{
    prepareApplication(*qApp);
    std::printf("question font: %s %.2f pt; answer font: %s %.2f pt\n",
                qPrintable(QFontInfo(form1().Label1->font()).family()), form1().Label1->font().pointSizeF(),
                qPrintable(QFontInfo(form1().Label2->font()).family()), form1().Label2->font().pointSizeF());
}

void TestTextFit::textsFitTheirLabels_data()
{
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("answers");
    for (int file = 1; file <= 9; ++file) {
        const QString name = QStringLiteral("qes%1.ssu").arg(file);
        const QuestionFileContents contents =
            readQuestionFileAt(QStringLiteral(ZUF_SHIPPED_DATA "/") + name);
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
    Form1 &main = form1();
    // Label4 is a little wider than the others: measure every answer in the narrowest.
    const std::pair<CaptionLabel *, QString> texts[] = {
        {main.Label1, question}, {main.Label2, answers[0]}, {main.Label2, answers[1]},
        {main.Label2, answers[2]}, {main.Label2, answers[3]},
    };
    int k = 0;
    for (const auto &[label, text] : texts) {
        const QString what = k == 0 ? QStringLiteral("question") : QStringLiteral("answer %1").arg(k);
        ++k;
        const QRect box = label->contentsRect();
        const Fit fit = layOut(*label, text);
        QVERIFY2(fit.widest <= box.width(),
                 qPrintable(QStringLiteral("%1 has a word wider than the box (%2 of %3 px): %4")
                                .arg(what).arg(fit.widest).arg(box.width()).arg(text)));
        QVERIFY2(fit.height <= box.height(),
                 qPrintable(QStringLiteral("%1 needs %2 px of %3: %4").arg(what).arg(fit.height).arg(box.height()).arg(text)));
        const qreal spare = box.height() - fit.height;
        if (spare < tightest.spare)
            tightest = {spare, QStringLiteral("%1, %2").arg(QString::fromLatin1(QTest::currentDataTag()), what),
                        fit.height, box.height()};
    }
}

void TestTextFit::cleanupTestCase()
{
    std::printf("tightest fit: %s needs %.0f px of %d\n", qPrintable(tightest.where), tightest.needed, tightest.box);
    discardWindows();
}

QTEST_MAIN(TestTextFit)
#include "test_textfit.moc"
