// Windows: a records file another program holds open denying writes (a spreadsheet showing
// it) is waited for as long as another copy's lock, and only then is the line refused, in
// a sentence with one full stop; nothing is written meanwhile.

#include "quiz/win32api.h"
#include "records/recordsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

namespace {

const RecordEntryRecord Pupil{QStringLiteral("Ученик"), QStringLiteral("Наводнения"), 4};
const RecordEntryRecord Earlier{QStringLiteral("Анна"), QStringLiteral("Землетрясение"), 5};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Opens path as such a program does: reading and writing it, letting others only read.
HANDLE holdDenyingWrites(const QString &path)
{
    return CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

class TestRecordsSharing : public QObject {
    Q_OBJECT
private slots:
    void waitsForAHolderDenyingWrites_data();
    void waitsForAHolderDenyingWrites();
};

void TestRecordsSharing::waitsForAHolderDenyingWrites_data()
{
    QTest::addColumn<bool>("letsGoWithinTheWait");
    QTest::newRow("lets go within the wait") << true;
    QTest::newRow("holds past the wait") << false;
}

void TestRecordsSharing::waitsForAHolderDenyingWrites()
{
    QFETCH(bool, letsGoWithinTheWait);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.ssu"));
    QCOMPARE(appendRecord(path, Earlier), std::nullopt);
    const QByteArray before = recordLine(Earlier).value();
    HANDLE holder = holdDenyingWrites(path);
    QVERIFY(holder != INVALID_HANDLE_VALUE);
    QFile blocked(path);
    QVERIFY2(!blocked.open(QIODevice::WriteOnly | QIODevice::Append), "the holder does not deny writes here");

    std::optional<QString> unsaved;
    if (letsGoWithinTheWait) {
        // Let go after a moment; the wait is long enough that only a hang could outlast it.
        std::thread holderLetsGo([holder] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            CloseHandle(holder);
        });
        unsaved = appendRecord(path, Pupil, std::chrono::seconds(30));
        holderLetsGo.join();
        QCOMPARE(unsaved, std::nullopt);
        QCOMPARE(fileBytes(path), before + recordLine(Pupil).value());
        return;
    }
    unsaved = appendRecord(path, Pupil, std::chrono::milliseconds(300));
    CloseHandle(holder);
    QVERIFY(unsaved.has_value());
    QVERIFY2(unsaved->startsWith(QStringLiteral("Не удалось открыть файл рекордов ")), qPrintable(*unsaved));
    QVERIFY2(unsaved->endsWith(u'.') && !unsaved->contains(QStringLiteral("..")), qPrintable(*unsaved));
    QCOMPARE(fileBytes(path), before);
}

QTEST_GUILESS_MAIN(TestRecordsSharing)
#include "test_core_records_sharing.moc"
