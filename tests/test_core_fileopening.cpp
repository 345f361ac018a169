// Opening a file the one way the program does, on each system: what each kind of name
// gives for each kind of access, bytes that reach the file and come back exactly, and a
// system's message fitted into a sentence of ours with one full stop.

#include "quiz/regularfile.h"
#include "records/recordsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Access)
Q_DECLARE_METATYPE(OpenedFile::Status)

class TestFileOpening : public QObject {
    Q_OBJECT
private slots:
    void init();
    void opensByKind_data();
    void opensByKind();
    void bytesGoAndComeBackExactly();
    void systemReasonLosesItsStop_data();
    void systemReasonLosesItsStop();
    void recordsSentencesEndWithOneStop_data();
    void recordsSentencesEndWithOneStop();

private:
    QTemporaryDir dir_;
};

void TestFileOpening::init()
{
    QVERIFY(dir_.isValid());
    QFile file(dir_.filePath(QStringLiteral("file.ssu")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write("abc"), 3);
    QFile::remove(dir_.filePath(QStringLiteral("missing.ssu")));
}

void TestFileOpening::opensByKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Access>("access");
    QTest::addColumn<OpenedFile::Status>("status");
    QTest::addColumn<qint64>("size");
    using S = OpenedFile::Status;
    const struct {
        const char *name;
        Access access;
        S status;
        qint64 size;
    } rows[] = {
        {"file.ssu", Access::Read, S::Opened, 3},
        {"file.ssu", Access::ReadWrite, S::Opened, 3},
        {"file.ssu", Access::Append, S::Opened, 3},
        {"missing.ssu", Access::Read, S::Missing, 0},
        {"missing.ssu", Access::ReadWrite, S::Missing, 0},
        {"missing.ssu", Access::Append, S::Opened, 0},   // created
        {"no/such/folder.ssu", Access::Read, S::Missing, 0},
        {"no/such/folder.ssu", Access::Append, S::Missing, 0},
        {".", Access::Read, S::NotRegular, 0},
        {".", Access::ReadWrite, S::NotRegular, 0},
        {".", Access::Append, S::NotRegular, 0},
    };
    const char *accessNames[] = {"read", "read-write", "append"};
    for (const auto &row : rows)
        QTest::addRow("%s %s", row.name, accessNames[int(row.access)])
            << QString::fromLatin1(row.name) << row.access << row.status << row.size;
}

void TestFileOpening::opensByKind()
{
    QFETCH(QString, name);
    QFETCH(Access, access);
    QFETCH(OpenedFile::Status, status);
    QFETCH(qint64, size);
    const QString path = dir_.filePath(name);
    QFile file;
    const OpenedFile opened = openRegularFile(file, path, access);
    QCOMPARE(opened.status, status);
    QCOMPARE(file.isOpen(), status == OpenedFile::Status::Opened);
    if (status == OpenedFile::Status::Opened) {
        QCOMPARE(opened.size, size);
        QCOMPARE(file.size(), size);
        QVERIFY(opened.readable);
        QVERIFY(QFileInfo(path).isFile());
    }
    if (status == OpenedFile::Status::NotRegular)
        QCOMPARE(opened.what, NotAFile::Folder);
    if (status == OpenedFile::Status::Missing) {
        QVERIFY(!opened.reason.isEmpty());
        QVERIFY2(!opened.reason.endsWith(u'.'), qPrintable(opened.reason));
        QVERIFY(!QFileInfo::exists(path));
    }
}

// Line ends and the old end-of-text byte pass untouched; an appending file writes at its
// end wherever it was read; a file opened to read refuses writes.
void TestFileOpening::bytesGoAndComeBackExactly()
{
    const QString path = dir_.filePath(QStringLiteral("file.ssu"));
    const QByteArray line("Ученик,Наводнения, 4\r\n\x1a\n");
    QFile appending;
    QCOMPARE(openRegularFile(appending, path, Access::Append).status, OpenedFile::Status::Opened);
    QCOMPARE(appending.write(line), qint64(line.size()));
    QVERIFY(appending.seek(0));
    QCOMPARE(appending.read(3), QByteArray("abc"));
    QCOMPARE(appending.write("!"), qint64(1));
    appending.close();

    QFile reading;
    const OpenedFile opened = openRegularFile(reading, path, Access::Read);
    QCOMPARE(opened.status, OpenedFile::Status::Opened);
    QCOMPARE(opened.size, qint64(3 + line.size() + 1));
    QCOMPARE(reading.readAll(), "abc" + line + '!');
    QCOMPARE(reading.write("x"), qint64(-1));
}

void TestFileOpening::systemReasonLosesItsStop_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason");
    QTest::newRow("stop") << QStringLiteral("Доступ запрещён.") << QStringLiteral("Доступ запрещён");
    QTest::newRow("stop and line break") << QStringLiteral("Access is denied.\r\n") << QStringLiteral("Access is denied");
    QTest::newRow("stop and space") << QStringLiteral("Конфликт совместного доступа. ")
                                    << QStringLiteral("Конфликт совместного доступа");
    QTest::newRow("no stop") << QStringLiteral("No such file or directory")
                             << QStringLiteral("No such file or directory");
    QTest::newRow("inner stops stay") << QStringLiteral("Путь не найден. Проверьте имя.")
                                      << QStringLiteral("Путь не найден. Проверьте имя");
    QTest::newRow("only one stop goes") << QStringLiteral("Ошибка...") << QStringLiteral("Ошибка..");
    QTest::newRow("empty") << QString() << QString();
}

void TestFileOpening::systemReasonLosesItsStop()
{
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QCOMPARE(systemReason(message), reason);
}

// Whatever the system says, the pupil reads one full stop at the end of the sentence.
void TestFileOpening::recordsSentencesEndWithOneStop_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("no folder") << QStringLiteral("no/such/folder/records.ssu");
    QTest::newRow("a folder") << QStringLiteral(".");
}

void TestFileOpening::recordsSentencesEndWithOneStop()
{
    QFETCH(QString, name);
    const std::optional<QString> unsaved =
        appendRecord(dir_.filePath(name), {QStringLiteral("Ученик"), QStringLiteral("Наводнения"), 4});
    QVERIFY(unsaved.has_value());
    QVERIFY2(unsaved->endsWith(u'.') && !unsaved->contains(QStringLiteral("..")), qPrintable(*unsaved));
}

QTEST_GUILESS_MAIN(TestFileOpening)
#include "test_core_fileopening.moc"
