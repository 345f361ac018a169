// The "Результаты" page driven as a teacher drives it: a folder with a damaged records
// file opened, the table filtered by topic and name and sorted, the summary read, and the
// shown rows exported through the file dialog; the CSV's bytes and the untouched records
// file checked.

#include "quiz/codepage.h"
#include "teacher/results/resultspage.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString RecordsText = u"Анна,Наводнения, 5\r\n"
                            u"Борис,Землетрясение, 3\r\n"
                            u"Вера,Наводнения, четыре\r\n"
                            u"Анна,Землетрясение, 4\r\n"
                            u"Глеб,Землетрясение, 2\r\n"
                            u"Ганна,Землетрясение, 5\r\n"_qs;

QStringList shownColumn(const QTableView &table, int column)
{
    QStringList texts;
    for (int row = 0; row < table.model()->rowCount(); ++row)
        texts << table.model()->index(row, column).data().toString();
    return texts;
}

QString summaryRow(const QTableWidget &summary, const QString &topic)
{
    for (int row = 0; row < summary.rowCount(); ++row) {
        if (summary.item(row, 0)->text() != topic)
            continue;
        QStringList cells;
        for (int column = 1; column < summary.columnCount(); ++column)
            cells << summary.item(row, column)->text();
        return cells.join(u' ');
    }
    return {};
}

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class TestResultsPage : public QObject {
    Q_OBJECT

private slots:
    void filterSortAndExport();
};

void TestResultsPage::filterSortAndExport()
{
    QTemporaryDir dir;
    const QByteArray recordBytes = *encode1251(RecordsText);
    QFile records(dir.filePath(u"records.ssu"_qs));
    QVERIFY(records.open(QIODevice::WriteOnly));
    records.write(recordBytes);
    records.close();

    ResultsPage page;
    page.resize(1000, 700);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.openFolder(dir.path());

    auto *table = page.findChild<QTableView *>(u"resultsTable"_qs);
    auto *topic = page.findChild<QComboBox *>(u"topicFilter"_qs);
    auto *name = page.findChild<QLineEdit *>(u"nameFilter"_qs);
    auto *summary = page.findChild<QTableWidget *>(u"topicSummary"_qs);
    auto *notices = page.findChild<QLabel *>(u"notices"_qs);
    auto *exportButton = page.findChild<QPushButton *>(u"exportCsv"_qs);
    QVERIFY(table && topic && name && summary && notices && exportButton);
    QCOMPARE(exportButton->text(), u"Экспорт в CSV…"_qs);
    const QString csvNote = page.findChild<QLabel *>(u"csvNote"_qs)->text();   // the format, said before exporting
    QVERIFY2(csvNote.contains(u"точкой с запятой"_qs) && csvNote.contains(u"UTF-8 с меткой BOM"_qs), qPrintable(csvNote));
    for (QWidget *control : std::initializer_list<QWidget *>{table, topic, name, summary, exportButton})
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));

    QCOMPARE(shownColumn(*table, 0), (QStringList{u"Анна"_qs, u"Борис"_qs, u"Анна"_qs, u"Глеб"_qs, u"Ганна"_qs}));
    QVERIFY2(notices->isVisible() && notices->text().contains(u"пропущено: 1 (первая — в строке 3)"_qs),
             qPrintable(notices->text()));
    // Counted, then 2, 3, 4, 5 and the mean with a decimal comma.
    QCOMPARE(summaryRow(*summary, u"Землетрясение"_qs), u"4 1 1 1 1 3,50"_qs);
    QCOMPARE(summaryRow(*summary, u"Наводнения"_qs), u"1 0 0 0 1 5,00"_qs);

    // The topic chosen from the keyboard: topics stand in alphabetical order after "Все темы".
    topic->setFocus();
    QTest::keyClick(topic, Qt::Key_Down);
    QCOMPARE(topic->currentText(), u"Землетрясение"_qs);
    QCOMPARE(shownColumn(*table, 0), (QStringList{u"Борис"_qs, u"Анна"_qs, u"Глеб"_qs, u"Ганна"_qs}));
    name->setFocus();
    typeText(name, u"гАн"_qs);
    QCOMPARE(shownColumn(*table, 0), (QStringList{u"Ганна"_qs}));
    name->clear();

    // Sorted by name, alphabetically; then by grade, the highest first.
    QTest::mouseClick(table->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(table->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
    QCOMPARE(shownColumn(*table, 0), (QStringList{u"Анна"_qs, u"Борис"_qs, u"Ганна"_qs, u"Глеб"_qs}));
    table->sortByColumn(2, Qt::DescendingOrder);
    QCOMPARE(shownColumn(*table, 2), (QStringList{u"5"_qs, u"4"_qs, u"3"_qs, u"2"_qs}));

    const QString csv = dir.filePath(u"итоги.csv"_qs);
    QString dialogTitle;
    QTimer answer;
    answer.setInterval(10);
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            answer.stop();
            dialogTitle = dialog->windowTitle();
            auto *fileName = dialog->findChild<QLineEdit *>(u"fileNameEdit"_qs);
            fileName->setText(csv);
            QTest::keyClick(fileName, Qt::Key_Return);
        }
    });
    answer.start();
    QTest::mouseClick(exportButton, Qt::LeftButton);
    QCOMPARE(dialogTitle, u"Экспорт в CSV"_qs);

    QFile written(csv);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), u"\uFEFFИмя;Тема;Оценка\r\nГанна;Землетрясение;5\r\nАнна;Землетрясение;4\r\n"
                                u"Борис;Землетрясение;3\r\nГлеб;Землетрясение;2\r\n"_qs.toUtf8());
    QVERIFY(page.findChild<QLabel *>(u"exportStatus"_qs)->text().endsWith(u": 4."_qs));
    QVERIFY(records.open(QIODevice::ReadOnly));
    QCOMPARE(records.readAll(), recordBytes);
}

QTEST_MAIN(TestResultsPage)
#include "test_results_page.moc"
