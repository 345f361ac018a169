// Faults through the real windows. A whole test whose records file cannot be written:
// the grade is shown, a warning box says that the result was not saved and why, the
// program goes on, and once the fault is gone the next test is recorded on a line of its
// own. Question texts of every byte, control characters and long fields are shown.

#include "fault_support.h"
#include "gui_support.h"
#include "quiz/fieldreader.h"
#include "quiz/form3.h"
#include "records/form5.h"
#include "topics/form2.h"

#include <QListWidget>
#include <QProcess>

using namespace gui;

namespace {

enum class Fault { ReadOnlyFolder, Directory, FullDisk, HeldByAnotherCopy, FullPipe };

const QString Floods = QStringLiteral("Наводнения");   // qes8.ssu

// Ten answers, each the first box: ten points, grade 5 with thresholds 9, 7, 5. The last
// press runs into the dialogs armed in `answers`.
void answerTen(ModalAnswers &answers, bool armLast = true)
{
    for (int q = 1; q <= 10; ++q) {
        QTest::mouseClick(mainBox(1), Qt::LeftButton);
        if (q == 10 && armLast)
            answers.press(QMessageBox::Ok);
        QTest::mouseClick(mainButton(), Qt::LeftButton);
    }
}

QByteArray recordsLine(int grade)
{
    return recordLine({QStringLiteral("Ученик"), Floods, qint16(grade)}).value();
}

} // namespace

class TestGuiFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { prepareApplication(*qApp); }

    void unsavedResultIsSaidAndTheProgramGoesOn_data();
    void unsavedResultIsSaidAndTheProgramGoesOn();
    void hostileTextsAreShown_data();
    void hostileTextsAreShown();
    void topicStaysSelected_data();
    void topicStaysSelected();
    void markupInAMessageIsShownAsText_data();
    void markupInAMessageIsShownAsText();
    void recordsWindowMemoryIsBounded();
};

void TestGuiFaults::unsavedResultIsSaidAndTheProgramGoesOn_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QByteArray>("before");   // records.ssu before the test; null: none
    const QByteArray earlier = recordLine({QStringLiteral("Анна"), QStringLiteral("Землетрясение"), 4}).value();
    QTest::newRow("read-only folder") << Fault::ReadOnlyFolder << earlier;
    QTest::newRow("records.ssu is a folder") << Fault::Directory << QByteArray();
    QTest::newRow("full disk") << Fault::FullDisk << faults::recordsOfSize(4096);
    QTest::newRow("held by another copy") << Fault::HeldByAnotherCopy << earlier;
    QTest::newRow("records.ssu is a full pipe") << Fault::FullPipe << QByteArray();
}

void TestGuiFaults::unsavedResultIsSaidAndTheProgramGoesOn()
{
    QFETCH(Fault, fault);
    QFETCH(QByteArray, before);

    FreshRun run;
    // The working folder: the run's own, or a tiny disk inside it.
    QString lab = run.path();
    std::optional<faults::TinyDisk> disk;
    if (fault == Fault::FullDisk) {
        lab += QStringLiteral("/lab");
        QVERIFY(QDir().mkpath(lab));
        disk.emplace(lab, 16);
        if (!disk->mounted())
            QSKIP("This process may not mount a tmpfs (root with CAP_SYS_ADMIN is needed).");
        QVERIFY(QDir::setCurrent(lab));
    }
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile(9, 7, 5)));
    if (!before.isNull())
        QVERIFY(writeFile(QStringLiteral("records.ssu"), before));

    std::optional<faults::ReadOnlyFolder> readOnly;
    std::unique_ptr<QProcess> holder;
    int pipeEnd = -1;
    QString reason;
    switch (fault) {
    case Fault::ReadOnlyFolder:
        readOnly.emplace(lab);
        if (readOnly->method().isEmpty())
            QSKIP("No way to make a folder read-only here: root ignores mode bits, and neither a read-only "
                  "bind mount nor the immutable attribute is allowed.");
        QVERIFY(QDir::setCurrent(lab));   // into the read-only view of the folder
        // In plain Russian whatever the desktop's language (the tests run in the C locale).
        reason = readOnly->error() == EROFS ? QStringLiteral("диск или папка доступны только для чтения")
                                            : QStringLiteral("нет прав на запись в этот файл или в его папку");
        break;
    case Fault::Directory:
        QVERIFY(QDir().mkdir(QStringLiteral("records.ssu")));
        reason = QStringLiteral("на месте файла находится папка");
        break;
    case Fault::FullDisk:
        QVERIFY(disk->fill());
        reason = QStringLiteral("на диске нет места");
        break;
    case Fault::HeldByAnotherCopy:
        holder = std::make_unique<QProcess>();
        holder->start(QStringLiteral(ZUF_APPEND_WORKER), {QStringLiteral("hold"), lab + QStringLiteral("/records.ssu")});
        QVERIFY(holder->waitForStarted() && holder->waitForReadyRead(10000));
        QCOMPARE(holder->readLine(), QByteArray("locked\n"));
        reason = QStringLiteral("занят другой программой");
        break;
    case Fault::FullPipe:
        // Nobody reads it and it holds no more: a write there would wait for ever.
        QCOMPARE(::mkfifo("records.ssu", 0666), 0);
        pipeEnd = ::open("records.ssu", O_RDWR | O_NONBLOCK);
        QVERIFY(pipeEnd >= 0);
        while (::write(pipeEnd, "xxxxxxxxxxxxxxxx", 16) > 0) {
        }
        reason = QStringLiteral("это не файл, а именованный канал");
        break;
    }

    // A folder closed to results is said before the test, at the start and over question 1.
    const bool toldBefore = fault == Fault::ReadOnlyFolder;
    SeenDialog atStart;
    enterProgram(QStringLiteral("Ученик"), toldBefore ? &atStart : nullptr);
    Form1 &main = form1();
    QList<SeenDialog> notices{atStart};
    {
        ModalAnswers overQuestion1;   // gone before the answers below are watched
        if (toldBefore)
            overQuestion1.press(QMessageBox::Ok);
        startTopic(Floods);
        QVERIFY(overQuestion1.allAnswered() && overQuestion1.unexpected().isEmpty());
        notices += overQuestion1.seen();
    }
    if (toldBefore) {
        QCOMPARE(notices.size(), 2);
        for (const SeenDialog &notice : notices) {
            QCOMPARE(notice.title, QStringLiteral("Внимание"));
            QVERIFY2(notice.text.startsWith(QStringLiteral("Результат теста не будет сохранён: в папку ") + lab)
                         && notice.text.contains(reason) && notice.text.contains(QStringLiteral("Тест пройти можно")),
                     qPrintable(notice.text));
        }
        QCOMPARE(mainLabel(9)->text(), QStringLiteral(" 1"));
    }
    ModalAnswers answers;
    bool gradeShownFirst = false;
    answers.then([&](QWidget *dialog) {
        gradeShownFirst = form3().isVisible() && form3().Label1->text() == u"5";
        qobject_cast<QMessageBox *>(dialog)->button(QMessageBox::Ok)->click();
    });
    answerTen(answers, false);
    QVERIFY(answers.allAnswered());
    QVERIFY(answers.unexpected().isEmpty());
    QVERIFY(gradeShownFirst);
    const SeenDialog &box = answers.seen().first();
    qInfo("pupil sees: [%s] %s", qPrintable(box.title), qPrintable(QString(box.text).replace(u'\n', u' ')));
    QCOMPARE(box.title, QStringLiteral("Ошибка"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QStringList{QStringLiteral("ОК")});
    QVERIFY2(box.text.startsWith(QStringLiteral("Результат не удалось записать в файл рекордов.\n")), qPrintable(box.text));
    QVERIFY2(box.text.contains(reason), qPrintable(box.text));

    // The grade stands, the title screen is back behind it, and "Ok" gives the program back.
    QVERIFY(form3().isVisible());
    QCOMPARE(form3().Label1->text(), QStringLiteral("5"));
    QVERIFY(mainLabel(10)->isVisible());
    QTest::mouseClick(form3().Command1, Qt::LeftButton);
    QVERIFY(main.isEnabled());
    QVERIFY(mainAction("Newpers")->isEnabled());
    if (fault == Fault::Directory)
        QVERIFY(QFileInfo(QStringLiteral("records.ssu")).isDir());
    else if (fault == Fault::FullPipe)
        QVERIFY(!QFileInfo(QStringLiteral("records.ssu")).isFile());
    else
        QCOMPARE(readFile(QStringLiteral("records.ssu")), before);

    // The fault gone, the next test is recorded after what was there, on a line of its own.
    switch (fault) {
    case Fault::ReadOnlyFolder:
        readOnly->lift();
        QVERIFY(QDir::setCurrent(lab));
        break;
    case Fault::Directory:
        QVERIFY(QDir().rmdir(QStringLiteral("records.ssu")));
        break;
    case Fault::FullDisk:
        disk->makeRoom();
        break;
    case Fault::HeldByAnotherCopy:
        holder->closeWriteChannel();
        QVERIFY(holder->waitForFinished());
        break;
    case Fault::FullPipe:
        ::close(pipeEnd);
        QVERIFY(QFile::remove(QStringLiteral("records.ssu")));
        break;
    }
    startTopic(Floods);
    ModalAnswers none;
    answerTen(none, false);
    QVERIFY(none.seen().isEmpty() && none.unexpected().isEmpty());
    QCOMPARE(readFile(QStringLiteral("records.ssu")), before + recordsLine(5));
    QTest::mouseClick(form3().Command1, Qt::LeftButton);
    QDir::setCurrent(run.path());
}

// Texts a teacher's editor or the internet may bring: each is read and shown as it is.
void TestGuiFaults::hostileTextsAreShown_data()
{
    QTest::addColumn<QList<QByteArray>>("texts");   // the raw question texts of questions 1 to 10
    QByteArray high;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        high += char(byte);
    QByteArray control;
    for (int byte = 0x01; byte < 0x20; ++byte)
        if (byte != '\r' && byte != '\n')
            control += char(byte);
    QList<QByteArray> highTexts, controlTexts, longTexts;
    for (int n = 0; n < 10; ++n) {
        highTexts << high.mid(n * 13, 13);
        controlTexts << "Q" + control.mid(n * 3, 3) + QByteArray(1, '\0') + "\x7F";
        longTexts << QByteArray(MaxFieldBytes - n, char(0xC0 + n));
    }
    highTexts.last() = high;   // all 128 in one text
    QTest::newRow("bytes 0x80 to 0xFF") << highTexts;
    QTest::newRow("control characters and NUL") << controlTexts;
    QTest::newRow("texts at the field limit") << longTexts;
    QTest::newRow("markup") << QList<QByteArray>(10, QByteArray("<img src=/dev/zero>"));
}

void TestGuiFaults::hostileTextsAreShown()
{
    QFETCH(QList<QByteArray>, texts);
    FreshRun run;
    QByteArray file = "9,7,5,0\r\n";
    for (const QByteArray &text : texts)
        file += '"' + text + "\",\"" + text + "\",b,c,d,0,1,0,0,0\r\n";
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), file));
    enterProgram();
    ModalAnswers answers;
    startTopic(Floods);
    QVERIFY(answers.seen().isEmpty() && answers.unexpected().isEmpty());
    for (int n = 1; n <= 10; ++n) {
        const QString expected = decode1251(texts[n - 1]);
        QCOMPARE(mainLabel(1)->text(), expected);
        QCOMPARE(mainLabel(2)->text(), expected);
        QCOMPARE(mainLabel(3)->text(), QStringLiteral("b"));
        QVERIFY(mainLabel(1)->isVisible());
        mainLabel(1)->grab();   // painted without a crash
        QTest::mouseClick(mainBox(1), Qt::LeftButton);
        QTest::mouseClick(mainButton(), Qt::LeftButton);
    }
    QVERIFY(answers.unexpected().isEmpty());
    QVERIFY(form3().isVisible());
    QCOMPARE(form3().Label1->text(), QStringLiteral("5"));
    QTest::mouseClick(form3().Command1, Qt::LeftButton);
}

// A running test, the topic window opened over it, and its selected topic clicked with
// Ctrl or toggled with Ctrl+Space: the topic stays selected, and whatever the pupil
// presses then, the finished test is recorded under its topic.
void TestGuiFaults::topicStaysSelected_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::newRow("Ctrl+click") << false;
    QTest::newRow("Ctrl+Space") << true;
}

void TestGuiFaults::topicStaysSelected()
{
    QFETCH(bool, byKey);
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile(9, 7, 5)));
    enterProgram();
    startTopic(Floods);
    QTest::mouseClick(mainBox(1), Qt::LeftButton);
    QTest::mouseClick(mainButton(), Qt::LeftButton);

    mainAction("New")->trigger();
    Form2 &topics = form2();
    QListWidgetItem *floods = topics.List1->findItems(Floods, Qt::MatchExactly).first();
    QVERIFY(floods->isSelected());
    for (int time = 0; time < 2; ++time) {
        if (byKey) {
            QTest::keyClick(topics.List1, Qt::Key_Space, Qt::ControlModifier);
        } else {
            topics.List1->scrollToItem(floods);
            QTest::mouseClick(topics.List1->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              topics.List1->visualItemRect(floods).center());
        }
        QVERIFY(floods->isSelected());
        QCOMPARE(topics.selectedTopic(), Floods);
    }

    // As the pupil did: "Ok", then "Отмена" if the window is still open, then the test
    // is answered to its end.
    QTest::mouseClick(topics.Command1, Qt::LeftButton);
    if (topics.isVisible())
        QTest::mouseClick(topics.Command2, Qt::LeftButton);
    QCOMPARE(QuizState.topicName, Floods);
    QCOMPARE(QuizState.questionFile, QStringLiteral("qes8.ssu"));
    for (int press = 0; press < 10 && !form3().isVisible(); ++press) {
        QTest::mouseClick(mainBox(1), Qt::LeftButton);
        QTest::mouseClick(mainButton(), Qt::LeftButton);
    }
    QVERIFY(form3().isVisible());
    const QByteArray records = readFile(QStringLiteral("records.ssu"));
    QVERIFY2(records.startsWith(encode1251(QStringLiteral("Ученик,Наводнения, ")).value()), records.constData());
    QTest::mouseClick(form3().Command1, Qt::LeftButton);
}

// A message that quotes a file's text: markup in it is shown literally, and the box's
// label takes no markup at all (an image tag would load a file, even /dev/zero).
void TestGuiFaults::markupInAMessageIsShownAsText_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("heading") << QByteArray("<h1>big</h1>");
    QTest::newRow("coloured") << QByteArray("<font color=red>red</font>");
    QTest::newRow("image") << QByteArray("<img src=picture.png>");
}

void TestGuiFaults::markupInAMessageIsShownAsText()
{
    QFETCH(QByteArray, field);
    FreshRun run;
    // The first limit is the quoted number field.
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), field + simpleQuestionFile(9, 7, 5).mid(1)));
    enterProgram();
    ModalAnswers answers;
    Qt::TextFormat format = Qt::AutoText;
    QString shown;
    answers.then([&](QWidget *dialog) {
        auto *label = dialog->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label);
        format = label->textFormat();
        shown = label->text();
        qobject_cast<QMessageBox *>(dialog)->button(QMessageBox::Ok)->click();
    });
    startTopic(Floods);
    QVERIFY(answers.allAnswered());
    QCOMPARE(answers.seen().first().title, QStringLiteral("Ошибка"));
    QCOMPARE(format, Qt::PlainText);
    QVERIFY2(shown.contains(QString::fromLatin1(field)), qPrintable(shown));
    QTest::mouseClick(form2().Command2, Qt::LeftButton);
}

// The peak of this process's resident memory since the last reset, in KiB (Linux).
qint64 peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// A records file that anyone in the folder can make 4 GiB - 1 large with truncate: the
// records window lists its records with memory to spare, and keeps none of it once closed.
void TestGuiFaults::recordsWindowMemoryIsBounded()
{
    FreshRun run;
    const QByteArray records = recordLine({QStringLiteral("Анна"), Floods, 4}).value()
        + recordLine({QStringLiteral("Вера"), Floods, 5}).value();
    {
        QFile file(RecordsFileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(records), records.size());
        if (!file.resize(MaxRecordsFileBytes))
            QSKIP("this file system keeps no sparse file");
    }
    enterProgram();
    if (!resetPeakMemory())
        QSKIP("this system does not reset the peak of a process's memory");
    const qint64 before = peakMemoryKiB();
    mainAction("Rec")->trigger();
    const qint64 peak = peakMemoryKiB() - before;
    qInfo("listing 4 GiB - 1 took %lld KiB more at its peak", peak);
    Form5 &window = form5();
    QVERIFY(window.isVisible());
    QCOMPARE(window.List1->model()->rowCount(), 2);
    QVERIFY(window.List1->model()->index(1, 0).data().toString().startsWith(QStringLiteral("Вера")));
    QVERIFY2(peak < 32 * 1024, qPrintable(QString::number(peak)));
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    QCOMPARE(window.List1->model()->rowCount(), 0);
}

QTEST_MAIN(TestGuiFaults)
#include "test_gui_faults.moc"
