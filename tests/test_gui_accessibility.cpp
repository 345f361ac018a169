// What a screen reader is told about the windows, read through Qt's accessibility
// interfaces: names and descriptions of the tick boxes, counters and grade, the
// welcome window's name, the records rows, and no drawing-only object in any tree.

#include "gui_support.h"
#include "quiz/form3.h"
#include "records/form5.h"
#include "records/recordsmodel.h"
#include "shell/form4.h"
#include "topics/form2.h"

#include <QAccessible>
#include <QListView>
#include <QListWidget>
#include <QItemSelectionModel>

using namespace gui;

namespace {

const QString Floods = QStringLiteral("Наводнения");   // qes8.ssu

QAccessibleInterface *accessibleOf(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QString nameOf(QObject *object)
{
    return accessibleOf(object)->text(QAccessible::Name);
}

QString descriptionOf(QObject *object)
{
    return accessibleOf(object)->text(QAccessible::Description);
}

// Every object a screen reader reaches from the window, depth first.
QList<QAccessibleInterface *> reachable(QAccessibleInterface *root)
{
    QList<QAccessibleInterface *> found;
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface *child = root->child(i);
        if (!child)
            continue;
        found << child << reachable(child);
    }
    return found;
}

// Ticks a box the way a screen reader does: through its accessible action.
void tickByAction(TickBox *box)
{
    QAccessibleActionInterface *action = accessibleOf(box)->actionInterface();
    QVERIFY(action);
    QVERIFY(action->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    action->doAction(QAccessibleActionInterface::toggleAction());
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { prepareApplication(*qApp); }

    void welcomeWindowReadsAsTheProgram();
    void drawingsAreLeftOutOfEveryWindow();
    void questionScreenReadsAnswersAndCounters();
    void resultWindowReadsTheGrade();
    void recordsRowsReadAsNameTopicAndGrade();
    void whatTheKeyboardBringsToTheScreenReader();
    void answerTextShowsTheFocusOfItsBox();
};

void TestAccessibility::welcomeWindowReadsAsTheProgram()
{
    FreshRun run;
    form1();
    Form6 &welcome = form6();
    QCOMPARE(welcome.windowTitle(), QStringLiteral("Form6"));
    QAccessibleInterface *window = accessibleOf(&welcome);
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Тесты по ЗУФ"));
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(nameOf(welcome.Command1), QStringLiteral("Да"));
    QCOMPARE(nameOf(welcome.Label1), QStringLiteral("Вы желаете работать с тестами по ЗУФ?"));
    QVERIFY(nameOf(welcome.Image1).contains(QStringLiteral("Тесты по ЗУФ")));
}

void TestAccessibility::drawingsAreLeftOutOfEveryWindow()
{
    FreshRun run;
    enterProgram();
    const QList<QWidget *> windows = {&form1(), &form2(), &form3(), &form4(), &form5(), &form6()};
    for (QWidget *window : windows) {
        int pictures = 0;
        for (QAccessibleInterface *object : reachable(accessibleOf(window))) {
            QObject *o = object->object();   // none for the cells of a list
            const QString where = window->objectName() + u'.' + (o ? o->objectName() : QString());
            QVERIFY2(!qobject_cast<FrameShape *>(o), qPrintable(where));
            QVERIFY2(!qobject_cast<LineShape *>(o), qPrintable(where));
            if (object->role() == QAccessible::Graphic) {
                ++pictures;
                QVERIFY2(!object->text(QAccessible::Name).isEmpty(), qPrintable(where));
            }
        }
        // The help window's three photographs and the welcome window's collage are read.
        if (window == &form4())
            QCOMPARE(pictures, 3);
        if (window == &form6())
            QCOMPARE(pictures, 1);
        if (window == &form3())
            QCOMPARE(pictures, 0);
    }
    // Still there for the eye.
    QVERIFY(form4().Line3 && form3().Image1 && mainShape(1)->isVisible());
}

void TestAccessibility::questionScreenReadsAnswersAndCounters()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile()));
    enterProgram();
    Form1 &main = form1();
    startTopic(Floods);
    QVERIFY(!form2().isVisible());

    const std::array<TickBox *, 4> boxes = {mainBox(1), mainBox(2), mainBox(3), mainBox(4)};
    for (int n = 1; n <= 3; ++n) {
        for (int k = 1; k <= 4; ++k) {
            TickBox *box = boxes[k - 1];
            QCOMPARE(nameOf(box), QStringLiteral("Ответ %1.%2").arg(n).arg(k));
            QCOMPARE(descriptionOf(box), QStringLiteral("Ответ %1").arg(k));
            QCOMPARE(accessibleOf(box)->role(), QAccessible::CheckBox);
            // Nothing changes for the eye: the box shows no caption.
            QCOMPARE(box->text(), QStringLiteral("Check%1").arg(k));
        }
        QAccessibleInterface *group = accessibleOf(mainBox(1))->parent();
        QCOMPARE(group->text(QAccessible::Description), QStringLiteral("Вопрос %1").arg(n));
        // Review reads each answer once: by its tick box, not again by the label beside it.
        QStringList names;
        for (QAccessibleInterface *object : reachable(accessibleOf(&main)))
            names << object->text(QAccessible::Name);
        for (int k = 1; k <= 4; ++k)
            QCOMPARE(names.count(QStringLiteral("Ответ %1.%2").arg(n).arg(k)), 1);
        QVERIFY(names.contains(nameOf(mainLabel(6))) && names.contains(nameOf(mainLabel(9))));
        QCOMPARE(nameOf(mainLabel(6)), QStringLiteral("Количество баллов: %1").arg(n - 1));
        QCOMPARE(nameOf(mainLabel(9)), QStringLiteral("Номер вопроса: %1").arg(n));
        QCOMPARE(mainLabel(9)->text(), numberText(qint16(n)));

        tickByAction(mainBox(1));
        QVERIFY(mainBox(1)->isChecked());
        QVERIFY(accessibleOf(mainBox(1))->state().checked);
        QTest::mouseClick(mainButton(), Qt::LeftButton);
    }
    QCOMPARE(nameOf(mainLabel(6)), QStringLiteral("Количество баллов: 3"));
    QCOMPARE(nameOf(mainLabel(9)), QStringLiteral("Номер вопроса: 4"));

    // Toggled twice through its action, a box is unticked again, as by two clicks.
    tickByAction(mainBox(2));
    tickByAction(mainBox(2));
    QVERIFY(!mainBox(2)->isChecked());
}

void TestAccessibility::resultWindowReadsTheGrade()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile(9, 7, 5)));
    enterProgram();
    startTopic(Floods);
    QVERIFY(!form2().isVisible());
    for (int n = 1; n <= 10; ++n) {
        tickByAction(mainBox(1));
        QTest::mouseClick(mainButton(), Qt::LeftButton);
    }
    Form3 &result = form3();
    QVERIFY(result.isVisible());
    QCOMPARE(result.Label1->text(), QStringLiteral("5"));
    QCOMPARE(nameOf(result.Label1), QStringLiteral("Ваша оценка: 5"));
    QCOMPARE(nameOf(&result), QStringLiteral("Оценка"));

    // Back on the title screen, the group no longer describes a question.
    QTest::mouseClick(result.Command1, Qt::LeftButton);
    QVERIFY(accessibleOf(mainBox(1))->parent()->text(QAccessible::Description).isEmpty());
}

void TestAccessibility::recordsRowsReadAsNameTopicAndGrade()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("records.ssu"),
                      encode1251(QStringLiteral("Ученик,Наводнения, 4\r\nАня,Землетрясение, 5\r\n")).value()));
    enterProgram();
    mainAction("Rec")->trigger();
    Form5 &records = form5();
    QVERIFY(records.isVisible());
    QAccessibleInterface *list = accessibleOf(records.List1);
    QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Результаты: имя, тест, оценка"));
    QAccessibleTableInterface *table = list->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("Ученик, Наводнения, оценка 4"));
    QCOMPARE(table->cellAt(1, 0)->text(QAccessible::Name), QStringLiteral("Аня, Землетрясение, оценка 5"));
    // The eye still sees the padded columns.
    QCOMPARE(records.records->rowText(0).size(), 77);
    QTest::mouseClick(records.Command1, Qt::LeftButton);
}

// A screen reader reads what has the keyboard: each window puts there what the pupil
// must hear first, in the name or description of that control.
void TestAccessibility::whatTheKeyboardBringsToTheScreenReader()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile(9, 7, 5)));
    form1();
    QCOMPARE(descriptionOf(form6().Command1), QStringLiteral("Вы желаете работать с тестами по ЗУФ?"));
    enterProgram();
    QTRY_COMPARE(QApplication::focusWidget(), mainLabel(11));
    QVERIFY(nameOf(mainLabel(11)).startsWith(QStringLiteral("Программа представляет собой сборник тестов")));
    QVERIFY(nameOf(mainLabel(11)).endsWith(QStringLiteral("прочтите справку ('Помощь').")));

    startTopic(Floods);
    QTRY_COMPARE(QApplication::focusWidget(), mainLabel(1));
    QCOMPARE(nameOf(mainLabel(1)), QStringLiteral("Вопрос 1 Вопрос 1 из 10. Количество баллов: 0."));
    // Nothing ticked: after the warning the same question again, and no answer was taken.
    {
        ModalAnswers warning;
        warning.press(QMessageBox::Ok);
        QTest::mouseClick(mainButton(), Qt::LeftButton);
        QVERIFY(warning.allAnswered());
    }
    QTRY_COMPARE(QApplication::focusWidget(), mainLabel(1));
    QCOMPARE(nameOf(mainLabel(1)), QStringLiteral("Вопрос 1 Вопрос 1 из 10. Количество баллов: 0."));
    for (int n = 2; n <= 10; ++n) {
        tickByAction(mainBox(1));
        QTest::mouseClick(mainButton(), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), mainLabel(1));
        QCOMPARE(nameOf(mainLabel(1)),
                 QStringLiteral("Ответ принят. Вопрос %1 Вопрос %1 из 10. Количество баллов: %2.").arg(n).arg(n - 1));
    }
    tickByAction(mainBox(1));
    QTest::mouseClick(mainButton(), Qt::LeftButton);
    Form3 &result = form3();
    QTRY_COMPARE(QApplication::focusWidget(), result.Command1);
    QCOMPARE(descriptionOf(result.Command1), QStringLiteral("Ответ принят. Ваша оценка: 5"));

    QTest::mouseClick(result.Command1, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), mainLabel(11));
    mainAction("Rec")->trigger();
    Form5 &records = form5();
    QTRY_COMPARE(QApplication::focusWidget(), records.List1);
    QCOMPARE(records.List1->currentIndex().row(), 0);
    QVERIFY(records.List1->selectionModel()->selectedIndexes().isEmpty());   // nothing changes for the eye
}

// The tick box's own frame is small: its answer text wears one too, and only then.
void TestAccessibility::answerTextShowsTheFocusOfItsBox()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile()));
    enterProgram();
    startTopic(Floods);
    QTRY_COMPARE(QApplication::focusWidget(), mainLabel(1));
    const QImage plain = mainLabel(3)->grab().toImage();
    mainBox(2)->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), mainBox(2));
    const QImage marked = mainLabel(3)->grab().toImage();
    QVERIFY(marked != plain);
    mainBox(3)->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), mainBox(3));
    QCOMPARE(mainLabel(3)->grab().toImage(), plain);
}

QTEST_MAIN(TestAccessibility)
#include "test_gui_accessibility.moc"
