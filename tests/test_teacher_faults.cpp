// The workbench against what is no question file and against saving that cannot work:
// a pipe, a device, a folder, a file of 4 GB, a read-only folder, a full disk. Each is
// refused with a sentence, without waiting, and nothing is written. Linux only.

#include "fault_support.h"
#include "gui_support.h"
#include "teacher/results/classresults.h"
#include "teacher/teacherwindow.h"
#include "teacher/wholesave.h"

#include <sys/stat.h>

class TestTeacherFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { prepareApplication(*qApp); }

    void whatIsNoQuestionFileIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << "fifo" << "Файл вопросов не открыт: это не файл, а именованный канал.";
        QTest::newRow("device") << "device" << "Файл вопросов не открыт: это не файл, а устройство.";
        QTest::newRow("folder") << "folder" << "Файл вопросов не открыт: на месте файла находится папка.";
        QTest::newRow("4 GB") << "huge" << "Файл вопросов не открыт: он больше 4 МБ.";
        QTest::newRow("missing") << "missing" << "Файл вопросов не открыт: такого файла нет.";
    }
    void whatIsNoQuestionFileIsRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("qes1.ssu"));
        if (kind == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else if (kind == u"device") {
            path = QStringLiteral("/dev/zero");
        } else if (kind == u"folder") {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("qes1.ssu")));
        } else if (kind == u"huge") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(4) << 30));
        }
        const OpenedBank opened = openBankFile(path);
        QVERIFY(opened.refused);
        QVERIFY(opened.bank.records.empty());
        QCOMPARE(opened.problems.size(), size_t(1));
        QCOMPARE(opened.problems[0].message, reason);
    }

    // What stands under the name is told as what it is, and nothing is written there.
    void saveOverWhatIsNoFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << "fifo" << "это не файл, а именованный канал";
        QTest::newRow("folder") << "folder" << "на месте файла находится папка";
    }
    void saveOverWhatIsNoFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("qes1.ssu"));
        if (kind == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        else
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("qes1.ssu")));
        QCOMPARE(saveWhole(path, "18,16,13,0\r\n"),
                 QStringLiteral("Файл не сохранён: %1. Прежний файл не изменён, правки остались в окне.").arg(reason));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System), QStringList{"qes1.ssu"});
    }

    // Saving where it cannot work: a sentence, the old file as it was, the edits kept.
    void saveThatCannotWork_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("read-only folder") << false;
        QTest::newRow("full disk") << true;
    }
    void saveThatCannotWork()
    {
        QFETCH(bool, fullDisk);
        QTemporaryDir base;
        const QString dir = base.filePath(QStringLiteral("class"));
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("class")));
        std::unique_ptr<faults::TinyDisk> disk;
        if (fullDisk) {
            disk = std::make_unique<faults::TinyDisk>(dir, 64);
            if (!disk->mounted())
                QSKIP("no tmpfs can be mounted here");
        }
        const QString path = dir + QStringLiteral("/qes1.ssu");
        const QByteArray shipped = gui::readFile(QStringLiteral(ZUF_SHIPPED_DATA "/qes1.ssu"));
        QVERIFY(gui::writeFile(path, shipped));
        std::unique_ptr<faults::ReadOnlyFolder> readOnly;
        if (fullDisk) {
            QVERIFY(disk->fill());
        } else {
            readOnly = std::make_unique<faults::ReadOnlyFolder>(dir);
            if (readOnly->method().isEmpty())
                QSKIP("no means to make a folder read-only here");
        }
        TeacherWindow window;
        QVERIFY(window.openFile(path));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
        const size_t edited = window.bank().records.size();
        gui::ModalAnswers answers;
        answers.press(QMessageBox::Ok);
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(answers.allAnswered(), qPrintable(QString::number(gui::readFile(path).size()) + QDir(dir).entryList().join(u' ')));
        QVERIFY2(answers.seen().value(0).text.startsWith(QStringLiteral("Файл не")), qPrintable(answers.seen().value(0).text));
        QVERIFY(answers.seen().value(0).text.endsWith(QStringLiteral("Прежний файл не изменён, правки остались в окне.")));
        QCOMPARE(gui::readFile(path), shipped);
        QVERIFY(!QFileInfo::exists(path + QStringLiteral(".bak")) || fullDisk);
        QVERIFY(window.isWindowModified());
        QCOMPARE(window.bank().records.size(), edited);
        if (disk)
            disk->makeRoom();
        window.undoStack().setClean();
    }
    // The class's table exported onto a full disk: refused, and no cut table left that
    // looks complete.
    void csvOnFullDisk()
    {
        QTemporaryDir base;
        const QString dir = base.filePath(QStringLiteral("class"));
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("class")));
        faults::TinyDisk disk(dir, 64);
        if (!disk.mounted())
            QSKIP("no tmpfs can be mounted here");
        QVERIFY(gui::writeFile(dir + QStringLiteral("/records.ssu"), "Anna,Floods, 5\r\nBoris,Floods, 4\r\n"));
        const ClassResults results = readClassResults(dir + QStringLiteral("/records.ssu"));
        QCOMPARE(results.rows.size(), size_t(2));
        QVERIFY(disk.fill());
        const QString csv = dir + QStringLiteral("/class.csv");
        const std::optional<QString> refused = writeResultsCsv(csv, results, std::vector<int>{0, 1});
        QVERIFY(refused);
        QVERIFY2(refused->startsWith(problemTemplate(ProblemId::ResultsCsvFailed).section(u'%', 0, 0)), qPrintable(*refused));
        QVERIFY(!QFileInfo::exists(csv));
        disk.makeRoom();
    }
};

QTEST_MAIN(TestTeacherFaults)
#include "test_teacher_faults.moc"
