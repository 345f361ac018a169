// The records window through the menu: the fixed-width rows with their carried pads,
// a missing, empty, torn or unreadable records file, a second opening, and the way
// back to the main window.

#include "gui_support.h"
#include "records/form5.h"
#include "records/recordsmodel.h"
#include "topics/catalogue.h"

#include <QListView>
#include <QMenu>
#include <QRandomGenerator>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace gui;

namespace {

QString spaces(int n)
{
    return QString(n, u' ');
}

// A row as the window must show it, put together by hand.
QString row(const QString &name, int namePad, const QString &topic, int topicPad, int grade)
{
    return name + spaces(namePad) + topic + spaces(topicPad) + u' ' + QString::number(grade);
}

void writeRecords(const QStringList &lines)
{
    QVERIFY(writeFile(RecordsFileName, encode1251(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).value()));
}

QStringList shownRows()
{
    const QAbstractItemModel *model = form5().List1->model();
    QStringList rows;
    for (int i = 0; i < model->rowCount(); ++i)
        rows << model->index(i, 0).data().toString();
    return rows;
}

// What the window must list: every record the reader gives, with pads carried from
// row to row.
QStringList rowsByReader(const QByteArray &bytes)
{
    RecordReader reader(bytes);
    RecordEntryRecord entry;
    RowPads pads;
    QStringList rows;
    while (reader.next(entry))
        rows << buildRecordRow(entry, pads);
    return rows;
}

const QString Floods = QStringLiteral("Наводнения");
const QString Quake = QStringLiteral("Землетрясение");

// What this process has read from files so far (Linux).
qint64 bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

} // namespace

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { prepareApplication(*qApp); }
    void init()
    {
        run_ = std::make_unique<FreshRun>();
        enterProgram();
    }
    void cleanup() { run_.reset(); }

    void listsRowsWithPads_data();
    void listsRowsWithPads();
    void everyTopicFillsItsColumn();
    void rowsAreThoseOfBuildRecordRow();
    void missingOrEmptyFileListsNothing_data();
    void missingOrEmptyFileListsNothing();
    void tornRecordsAreLeftOut_data();
    void tornRecordsAreLeftOut();
    void secondOpeningIsNotDoubled();
    void returnsToMainWindow_data();
    void returnsToMainWindow();
    void listIsFixedPitchAndReadOnly();
    void opensWithCyrillicAccessKeys();
    void unreadableFileIsReported();
    void hugeFileIsRefusedUnread();
    void blankTailIsNotReadPerRow();

private:
    std::unique_ptr<FreshRun> run_;
};

void TestRecords::listsRowsWithPads_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("rows");

    const QString fifteen = QStringLiteral("Иванов Сергей П");
    QTest::newRow("name of 15 and of 1")
        << QStringList{fifteen + u',' + Floods + QStringLiteral(", 5"), QStringLiteral("Я,") + Floods + QStringLiteral(", 4")}
        << QStringList{row(fifteen, 1, Floods, 49, 5), row(QStringLiteral("Я"), 15, Floods, 49, 4)};

    // An empty name in the first row has no pad; later ones, and names over 15
    // characters, keep the pad of the row before. Spaces in front of a name are skipped.
    const QString longName = QStringLiteral("Анастасия Вячеславовна");
    QTest::newRow("carried name pads")
        << QStringList{QStringLiteral(",") + Floods + QStringLiteral(", 3"), QStringLiteral("Оля,") + Quake + QStringLiteral(", 5"),
                       QStringLiteral("   ,") + Quake + QStringLiteral(", 2"), longName + u',' + Floods + QStringLiteral(", 4"),
                       QStringLiteral("  Петя,") + Floods + QStringLiteral(", 3")}
        << QStringList{row(QString(), 0, Floods, 49, 3), row(QStringLiteral("Оля"), 13, Quake, 46, 5),
                       row(QString(), 13, Quake, 46, 2), row(longName, 13, Floods, 49, 4),
                       row(QStringLiteral("Петя"), 12, Floods, 49, 3)};

    // Topics outside the catalogue: by length 51, 43 and 19 they get the pads of those
    // topics; any other keeps the pad of the row before, or none in the first row.
    const QString fire = QStringLiteral("Пожарная безопасность");
    const QString len51 = QStringLiteral("Действия населения при сигнале «Внимание всем!» ...");
    const QString len43 = QStringLiteral("Первая помощь при ожогах и обморожениях ...");
    const QString len19 = QStringLiteral("Опасные вещества №1");
    QCOMPARE(len51.size(), 51);
    QCOMPARE(len43.size(), 43);
    QCOMPARE(len19.size(), 19);
    QTest::newRow("unknown topics")
        << QStringList{QStringLiteral("Аня,") + fire + QStringLiteral(", 5"), QStringLiteral("Аня,") + len51 + QStringLiteral(", 4"),
                       QStringLiteral("Аня,") + fire + QStringLiteral(", 3"), QStringLiteral("Аня,") + len43 + QStringLiteral(", 2"),
                       QStringLiteral("Аня,") + len19 + QStringLiteral(", 5"), QStringLiteral("Аня,") + fire + QStringLiteral(", 4"),
                       QStringLiteral("Аня,наводнения, 3")}
        << QStringList{row(QStringLiteral("Аня"), 13, fire, 0, 5), row(QStringLiteral("Аня"), 13, len51, 8, 4),
                       row(QStringLiteral("Аня"), 13, fire, 8, 3), row(QStringLiteral("Аня"), 13, len43, 16, 2),
                       row(QStringLiteral("Аня"), 13, len19, 40, 5), row(QStringLiteral("Аня"), 13, fire, 40, 4),
                       row(QStringLiteral("Аня"), 13, QStringLiteral("наводнения"), 40, 3)};

    QTest::newRow("grade always after one space")
        << QStringList{QStringLiteral("Вова,") + Quake + QStringLiteral(",5"), QStringLiteral("Вова,") + Quake + QStringLiteral(",   2")}
        << QStringList{row(QStringLiteral("Вова"), 12, Quake, 46, 5), row(QStringLiteral("Вова"), 12, Quake, 46, 2)};
}

void TestRecords::listsRowsWithPads()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, rows);
    writeRecords(lines);
    mainAction("Rec")->trigger();
    QVERIFY(form5().isVisible());
    QCOMPARE(shownRows(), rows);
}

void TestRecords::everyTopicFillsItsColumn()
{
    // Every topic of the table, padded to a column of 59 characters.
    QStringList lines;
    QStringList expected;
    for (const Topic &topic : topicCatalogue()) {
        lines << QStringLiteral("Маша,%1, 4").arg(topic.name);
        expected << row(QStringLiteral("Маша"), 12, topic.name, 59 - int(topic.name.size()), 4);
    }
    writeRecords(lines);
    mainAction("Rec")->trigger();
    const QStringList rows = shownRows();
    QCOMPARE(rows, expected);
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows[i].size(), 77);
        QCOMPARE(rows[i].mid(16, 59).trimmed(), topicCatalogue()[i].name);
        QCOMPARE(rows[i].right(2), QStringLiteral(" 4"));
    }
}

void TestRecords::rowsAreThoseOfBuildRecordRow()
{
    // Names of every length from empty to over 15, catalogue and other topics, a
    // line that cannot be read in the middle and an incomplete record at the end.
    QRandomGenerator random(20030901);
    QStringList topics;
    for (const Topic &topic : topicCatalogue())
        topics << topic.name;
    topics << QStringLiteral("Пожарная безопасность") << QString(43, u'т') << QString(19, u'ю') << QString(51, u'я');
    QString text;
    QString lastName, lastTopic;
    qint16 lastGrade = 0;
    for (int i = 0; i < 3000; ++i) {
        if (i == 1500)
            text += QStringLiteral("Сломанная,Наводнения, пять\r\n");
        const int nameLength = random.bounded(19);
        QString name;
        for (int k = 0; k < nameLength; ++k)
            name += QChar(u'а' + random.bounded(32));
        lastName = name;
        lastTopic = topics[random.bounded(topics.size())];
        lastGrade = qint16(2 + random.bounded(4));
        text += QStringLiteral("%1,%2, %3\r\n").arg(lastName, lastTopic).arg(lastGrade);
    }
    text += QStringLiteral("Последний,Наводнения");
    const QByteArray bytes = encode1251(text).value();
    QVERIFY(writeFile(RecordsFileName, bytes));

    mainAction("Rec")->trigger();
    const QStringList expected = rowsByReader(bytes);
    QCOMPARE(expected.size(), 3000);
    QCOMPARE(shownRows(), expected);
    // The process-wide entry keeps the last whole record.
    QCOMPARE(RecordEntry.name, lastName);
    QCOMPARE(RecordEntry.topic, lastTopic);
    QCOMPARE(RecordEntry.grade, lastGrade);
}

void TestRecords::missingOrEmptyFileListsNothing_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << false;
    QTest::newRow("empty") << true;
}

void TestRecords::missingOrEmptyFileListsNothing()
{
    QFETCH(bool, exists);
    if (exists)
        QVERIFY(writeFile(RecordsFileName, {}));
    ModalAnswers answers;
    mainAction("Rec")->trigger();
    QTest::qWait(30);
    QVERIFY(answers.unexpected().isEmpty());
    QVERIFY(form5().isVisible());
    QVERIFY(!form1().isEnabled());
    QCOMPARE(form5().List1->model()->rowCount(), 0);
    QCOMPARE(QFile::exists(RecordsFileName), exists);
}

void TestRecords::tornRecordsAreLeftOut_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows");
    const QString ann = row(QStringLiteral("Аня"), 13, Floods, 49, 4);
    const QString vera = row(QStringLiteral("Вера"), 12, Quake, 46, 5);
    auto bytes = [](const char16_t *text) { return encode1251(QString::fromUtf16(text)).value(); };
    QTest::newRow("last record without grade") << bytes(u"Аня,Наводнения, 4\r\nБорис,Наводнения") << QStringList{ann};
    QTest::newRow("last record only a name") << bytes(u"Аня,Наводнения, 4\r\nБорис") << QStringList{ann};
    QTest::newRow("last line without line break") << bytes(u"Аня,Наводнения, 4") << QStringList{ann};
    QTest::newRow("blank lines at the end") << bytes(u"Аня,Наводнения, 4\r\n\r\n\r\n") << QStringList{ann};
    QTest::newRow("torn line in the middle") << bytes(u"Аня,Наводнения, 4\r\nБор\r\nВера,Землетрясение, 5\r\n")
                                             << QStringList{ann, vera};
    QTest::newRow("grade that is no number") << bytes(u"Аня,Наводнения, 4\r\nБорис,Наводнения, пять\r\nВера,Землетрясение, 5\r\n")
                                             << QStringList{ann, vera};
    QTest::newRow("quote never closed") << bytes(u"Аня,Наводнения, 4\r\n\"Борис,Наводнения, 3\r\n") << QStringList{ann};
}

void TestRecords::tornRecordsAreLeftOut()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);
    QVERIFY(writeFile(RecordsFileName, bytes));
    ModalAnswers answers;
    mainAction("Rec")->trigger();
    QTest::qWait(30);
    QVERIFY(answers.unexpected().isEmpty());
    QVERIFY(form5().isVisible());
    QCOMPARE(shownRows(), rows);
    QCOMPARE(shownRows(), rowsByReader(bytes));
}

void TestRecords::secondOpeningIsNotDoubled()
{
    writeRecords({QStringLiteral("Аня,") + Floods + QStringLiteral(", 4"), QStringLiteral("Вера,") + Quake + QStringLiteral(", 5")});
    mainAction("Rec")->trigger();
    const QStringList first = shownRows();
    QCOMPARE(first.size(), 2);
    QTest::mouseClick(form5().Command1, Qt::LeftButton);
    mainAction("Rec")->trigger();
    QCOMPARE(shownRows(), first);

    // A test finished in between adds its row at the end.
    QTest::mouseClick(form5().Command1, Qt::LeftButton);
    QVERIFY(!appendRecord(RecordsFileName, {QStringLiteral("Ученик"), Quake, 3}));
    mainAction("Rec")->trigger();
    QCOMPARE(shownRows(), first + QStringList{row(QStringLiteral("Ученик"), 10, Quake, 46, 3)});
}

void TestRecords::returnsToMainWindow_data()
{
    QTest::addColumn<bool>("desktopClose");
    QTest::newRow("Ok") << false;
    QTest::newRow("closed by the desktop") << true;
}

void TestRecords::returnsToMainWindow()
{
    QFETCH(bool, desktopClose);
    writeRecords({QStringLiteral("Аня,") + Floods + QStringLiteral(", 4")});
    mainAction("Rec")->trigger();
    Form5 &records = form5();
    QVERIFY(records.isVisible());
    gui::checkSecondaryWindowRoundTrip(records, records.Command1, mainMenu("File"), Qt::Key(0x0424), QStringLiteral("ф"),
                                       desktopClose);
    if (QTest::currentTestFailed())
        return;
    // Closed, the window keeps nothing of the file: no rows, no index, no open file.
    QCOMPARE(shownRows().size(), 0);
}

void TestRecords::listIsFixedPitchAndReadOnly()
{
    writeRecords({QStringLiteral("Аня,") + Floods + QStringLiteral(", 4"), QStringLiteral("Вера,") + Quake + QStringLiteral(", 5")});
    mainAction("Rec")->trigger();
    Form5 &records = form5();
    QListView *list = records.List1;
    QCOMPARE(list->objectName(), QStringLiteral("List1"));
    QCOMPARE(records.findChildren<QAbstractItemView *>().size(), 1);
    QVERIFY(QFontInfo(list->font()).fixedPitch());
    QCOMPARE(list->font().pointSizeF(), 9.75);
    QCOMPARE(list->geometry(), QRect(0, 32, 681, 238));
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(list->uniformItemSizes());

    // The list has the focus when the window opens; a click selects one row, keys edit nothing.
    QVERIFY(QTest::qWaitForWindowActive(&records));
    QTRY_COMPARE(QApplication::focusWidget(), list);
    const QModelIndex second = list->model()->index(1, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(second).center());
    QCOMPARE(list->selectionModel()->selectedIndexes(), QModelIndexList{second});
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(second).center());
    QTest::keyClicks(list, "x");
    QTest::keyClick(list, Qt::Key_F2);
    QTest::keyClick(list, Qt::Key_Delete);
    QVERIFY(!list->isPersistentEditorOpen(second));
    QVERIFY(!(list->model()->flags(second) & Qt::ItemIsEditable));
    QCOMPARE(shownRows().size(), 2);
    QCOMPARE(shownRows().at(1), row(QStringLiteral("Вера"), 12, Quake, 46, 5));
}

void TestRecords::opensWithCyrillicAccessKeys()
{
    writeRecords({QStringLiteral("Аня,") + Floods + QStringLiteral(", 4")});
    Form1 &main = form1();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::sendKeyEvent(QTest::Click, &main, Qt::Key(0x0424), QStringLiteral("ф"), Qt::AltModifier);
    QTRY_VERIFY(mainMenu("File")->isVisible());
    QTest::sendKeyEvent(QTest::Click, mainMenu("File"), Qt::Key(0x0420), QStringLiteral("р"), Qt::NoModifier);
    QTRY_VERIFY(form5().isVisible());
    QVERIFY(!main.isEnabled());
    QCOMPARE(shownRows(), QStringList{row(QStringLiteral("Аня"), 13, Floods, 49, 4)});
}

void TestRecords::unreadableFileIsReported()
{
    QVERIFY(QDir().mkdir(RecordsFileName));
    ModalAnswers answers;
    answers.press(QMessageBox::Ok);
    mainAction("Rec")->trigger();
    QVERIFY(answers.allAnswered());
    const SeenDialog &box = answers.seen().first();
    QCOMPARE(box.title, QStringLiteral("Ошибка"));
    QVERIFY2(box.text.contains(RecordsFileName), qPrintable(box.text));
    QVERIFY(!form5().isVisible());
    QVERIFY(form1().isEnabled());
}

// A records file larger than can be listed is refused by its size, before a byte of it
// is read: a sparse file of over 4 GB costs neither memory nor a frozen window.
void TestRecords::hugeFileIsRefusedUnread()
{
    {
        QFile file(RecordsFileName);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(encode1251(QStringLiteral("Аня,") + Floods + QStringLiteral(", 4\r\n")).value());
        if (!file.resize(MaxRecordsFileBytes + 1))
            QSKIP("this file system keeps no sparse file of 4 GB");
    }
    const qint64 before = bytesReadSoFar();
    ModalAnswers answers;
    answers.press(QMessageBox::Ok);
    mainAction("Rec")->trigger();
    QVERIFY(answers.allAnswered());
    const SeenDialog &box = answers.seen().first();
    QCOMPARE(box.title, QStringLiteral("Ошибка"));
    QCOMPARE(box.text, QStringLiteral("Файл рекордов %1 слишком велик, чтобы его показать.").arg(RecordsFileName));
    QVERIFY(!form5().isVisible());
    QVERIFY(form1().isEnabled());
    if (before >= 0)
        QVERIFY2(bytesReadSoFar() - before < 1024 * 1024, qPrintable(QString::number(bytesReadSoFar() - before)));
    QVERIFY(QFile::remove(RecordsFileName));
}

// 20 records and then a long run of spaces (a file padded by some editor or copy tool):
// rows are read from the file when shown, and nothing after the last record is read
// for them, however often they are painted or read out.
void TestRecords::blankTailIsNotReadPerRow()
{
    QByteArray records;
    for (int i = 0; i < 20; ++i)
        records += encode1251(QStringLiteral("Ученик%1,").arg(i) + Quake + QStringLiteral(", 5\r\n")).value();
    const QStringList expected = rowsByReader(records);
    {
        QFile file(RecordsFileName);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.write(records + QByteArray(1024 * 1024, ' ')) > 0);
    }
    RecordsModel model;
    QCOMPARE(model.listFile(RecordsFileName), std::nullopt);
    QCOMPARE(model.rowCount(), 20);
    const qint64 before = bytesReadSoFar();
    for (int pass = 0; pass < 3; ++pass) {
        QStringList rows;
        for (int i = 0; i < model.rowCount(); ++i)
            rows << model.index(i).data().toString();
        QCOMPARE(rows, expected);
        // What a screen reader reads of each row stops at the end of the data too.
        for (int i = 0; i < model.rowCount(); ++i)
            QCOMPARE(model.index(i).data(Qt::AccessibleTextRole).toString(),
                     QStringLiteral("Ученик%1, ").arg(i) + Quake + QStringLiteral(", оценка 5"));
    }
    if (before >= 0)
        QVERIFY2(bytesReadSoFar() - before < 64 * 1024, qPrintable(QString::number(bytesReadSoFar() - before)));
    model.clear();
}

QTEST_MAIN(TestRecords)
#include "test_gui_records.moc"
