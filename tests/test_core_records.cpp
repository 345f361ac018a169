// records.ssu: the line written, appending, sequential reading and the rows of
// the records window with their carried pads.

#include "quiz/codepage.h"
#include "records/recordsfile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray bytesOf(const QString &text)
{
    return encode1251(text).value();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}

// "name|topic|grade" per entry.
std::vector<RecordEntryRecord> entriesOf(const QStringList &lines)
{
    std::vector<RecordEntryRecord> entries;
    for (const QString &line : lines) {
        const QStringList parts = line.split(QLatin1Char('|'));
        entries.push_back({parts[0], parts[1], qint16(parts[2].toInt())});
    }
    return entries;
}

// A records file of about `bytes` bytes made of lines picked at random from `kinds`.
QByteArray randomRecords(const QList<QByteArray> &kinds, qsizetype bytes, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray file;
    file.reserve(bytes + 64 * 1024);
    while (file.size() < bytes)
        file += kinds[int(random.bounded(int(kinds.size())))];
    return file;
}

// Small pieces, so that a small file crosses many of them.
constexpr qsizetype Piece = 128 * 1024;

QString describe(const RecordEntryRecord &entry)
{
    return QStringLiteral("%1|%2|%3").arg(entry.name, entry.topic).arg(entry.grade);
}

QString describe(const FileProblem &problem)
{
    return QStringLiteral("%1:%2: %3").arg(problem.line).arg(problem.column).arg(problem.message);
}

} // namespace

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void recordLineIsExact_data();
    void recordLineIsExact();
    void appendCreatesAndAppends();
    void appendMendsTornLastLine_data();
    void appendMendsTornLastLine();
    void appendReportsUnwritablePath();

    void readerReadsRecords_data();
    void readerReadsRecords();
    void writtenLinesReadBack();
    void readingInPiecesGivesWhatTheWholeGives_data();
    void readingInPiecesGivesWhatTheWholeGives();

    void rowsCarryPads_data();
    void rowsCarryPads();
    void everyCatalogueTopicMakesRowOf77();
    void tableRowGivesFileAndPad_data();
    void tableRowGivesFileAndPad();

private:
    QTemporaryDir dir_;
};

void TestRecords::recordLineIsExact_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("grade");
    QTest::addColumn<QString>("line");   // empty: no line can hold the record
    QTest::newRow("the example") << "Ученик" << 4 << "Ученик,Наводнения, 4\r\n";
    QTest::newRow("grade 0") << "Ученик" << 0 << "Ученик,Наводнения, 0\r\n";
    QTest::newRow("negative grade") << "Ученик" << -3 << "Ученик,Наводнения,-3\r\n";
    QTest::newRow("largest grade") << "Ученик" << 32767 << "Ученик,Наводнения, 32767\r\n";
    QTest::newRow("smallest grade") << "Ученик" << -32768 << "Ученик,Наводнения,-32768\r\n";
    QTest::newRow("spaces only") << "   " << 5 << "   ,Наводнения, 5\r\n";
    QTest::newRow("not in Windows-1251") << "名" << 4 << "";
    QTest::newRow("comma in name") << "Иванов,Пётр" << 4 << "";
    QTest::newRow("quote at name's start") << "\"Пётр" << 4 << "";
}

void TestRecords::recordLineIsExact()
{
    QFETCH(QString, name);
    QFETCH(int, grade);
    QFETCH(QString, line);
    const std::optional<QByteArray> written = recordLine({name, QStringLiteral("Наводнения"), qint16(grade)});
    QCOMPARE(written.value_or(QByteArray()), line.isEmpty() ? QByteArray() : bytesOf(line));
}

void TestRecords::appendCreatesAndAppends()
{
    const QString path = dir_.filePath(QStringLiteral("records.ssu"));
    QFile::remove(path);
    const RecordEntryRecord first{QStringLiteral("Ученик"), QStringLiteral("Наводнения"), 4};
    const RecordEntryRecord second{QStringLiteral("Анна"), QStringLiteral("Землетрясение"), 5};
    QCOMPARE(appendRecord(path, first), std::nullopt);
    QCOMPARE(fileBytes(path), recordLine(first).value());
    QCOMPARE(appendRecord(path, first), std::nullopt);
    QCOMPARE(appendRecord(path, second), std::nullopt);
    QCOMPARE(fileBytes(path), recordLine(first).value() + recordLine(first).value() + recordLine(second).value());
}

void TestRecords::appendMendsTornLastLine_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("inserted");
    QTest::newRow("empty file") << QByteArray() << QByteArray();
    QTest::newRow("ends with CR LF") << QByteArray("A,B, 4\r\n") << QByteArray();
    QTest::newRow("ends with LF") << QByteArray("A,B, 4\n") << QByteArray();
    QTest::newRow("torn line") << QByteArray("A,B, 4\r\nC,D") << QByteArray("\r\n");
    QTest::newRow("torn after CR") << QByteArray("A,B, 4\r") << QByteArray();
}

void TestRecords::appendMendsTornLastLine()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, inserted);
    const QString path = dir_.filePath(QStringLiteral("torn.ssu"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(before);
    }
    const RecordEntryRecord entry{QStringLiteral("Ученик"), QStringLiteral("Наводнения"), 4};
    QCOMPARE(appendRecord(path, entry), std::nullopt);
    QCOMPARE(fileBytes(path), before + inserted + recordLine(entry).value());

    // The mended file reads back with the new record whole.
    const QByteArray bytes = fileBytes(path);
    RecordReader reader(bytes);
    RecordEntryRecord read;
    RecordEntryRecord last;
    while (reader.next(read))
        last = read;
    QCOMPARE(last.name, entry.name);
    QCOMPARE(last.grade, entry.grade);
}

void TestRecords::appendReportsUnwritablePath()
{
    const RecordEntryRecord entry{QStringLiteral("Ученик"), QStringLiteral("Наводнения"), 4};
    const auto missingDir = appendRecord(dir_.filePath(QStringLiteral("no/such/dir/records.ssu")), entry);
    QVERIFY(missingDir.has_value());
    QVERIFY(missingDir->contains(QStringLiteral("Не удалось открыть файл рекордов")));
    QVERIFY(appendRecord(dir_.path(), entry).has_value());   // a directory, not a file
    const auto badName = appendRecord(dir_.filePath(QStringLiteral("x.ssu")), {QStringLiteral("名"), {}, 4});
    QVERIFY(badName.has_value());
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("x.ssu"))));
}

void TestRecords::readerReadsRecords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QList<int>>("problemLines");

    QTest::newRow("empty file") << "" << QStringList{} << QList<int>{};
    QTest::newRow("one line") << "Ученик,Наводнения, 4\r\n" << QStringList{"Ученик|Наводнения|4"} << QList<int>{};
    QTest::newRow("last line without break") << "А,Б, 5\r\nВ,Г, 3" << QStringList{"А|Б|5", "В|Г|3"}
                                             << QList<int>{};
    QTest::newRow("trailing blank lines") << "А,Б, 5\r\n\r\n \r\n" << QStringList{"А|Б|5"} << QList<int>{};
    QTest::newRow("LF only") << "А,Б, 5\nВ,Г, 2\n" << QStringList{"А|Б|5", "В|Г|2"} << QList<int>{};
    QTest::newRow("name of spaces reads empty") << "   ,Б, 5\r\n" << QStringList{"|Б|5"} << QList<int>{};
    QTest::newRow("incomplete last record") << "А,Б, 5\r\nВ,Г, 4\r\nД,Ура" << QStringList{"А|Б|5", "В|Г|4"}
                                            << QList<int>{3};
    QTest::newRow("last record of one field") << "А,Б, 5\r\nВ\r\n" << QStringList{"А|Б|5"} << QList<int>{2};
    QTest::newRow("bad grade skipped, rest kept") << "А,Б, 5\r\nВ,Г,Д, 4\r\nЕ,Ж, 3\r\n"
                                                  << QStringList{"А|Б|5", "Е|Ж|3"} << QList<int>{2};
    QTest::newRow("torn line in the middle") << "А,Б, 5\r\nВ,Г\r\nД,Е, 4\r\n" << QStringList{"А|Б|5", "Д|Е|4"}
                                             << QList<int>{2};
    QTest::newRow("blank line in the middle") << "А,Б, 5\r\n\r\nД,Е, 4\r\n" << QStringList{"А|Б|5", "Д|Е|4"}
                                              << QList<int>{3};
    QTest::newRow("bad grade at line end") << "А,Б,x\r\nЕ,Ж, 3\r\n" << QStringList{"Е|Ж|3"} << QList<int>{1};
}

void TestRecords::readerReadsRecords()
{
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    QFETCH(QList<int>, problemLines);

    const QByteArray bytes = bytesOf(text);
    RecordReader reader(bytes);
    QStringList read;
    RecordEntryRecord entry;
    while (reader.next(entry))
        read << QStringLiteral("%1|%2|%3").arg(entry.name, entry.topic).arg(entry.grade);
    QCOMPARE(read, records);
    QList<int> lines;
    for (const FileProblem &problem : reader.problems()) {
        QCOMPARE(problem.severity, Severity::Warning);
        lines << problem.line;
    }
    QCOMPARE(lines, problemLines);
    QVERIFY(!reader.next(entry));   // stays at the end
}

void TestRecords::writtenLinesReadBack()
{
    const std::vector<RecordEntryRecord> entries = entriesOf({
        "Ученик|Наводнения|4", "Ученик|Наводнения|4", "Пётр Ёлкин|Ураганы_бури_смерчи|2",
        "ОченьДлинноеИмя|Безопасность прихимических авариях|5",
    });
    QByteArray bytes;
    for (const RecordEntryRecord &entry : entries)
        bytes += recordLine(entry).value();
    RecordReader reader(bytes);
    RecordEntryRecord read;
    for (const RecordEntryRecord &entry : entries) {
        QVERIFY(reader.next(read));
        QCOMPARE(read.name, entry.name);
        QCOMPARE(read.topic, entry.topic);
        QCOMPARE(read.grade, entry.grade);
    }
    QVERIFY(!reader.next(read));
    QCOMPARE(reader.offset(), bytes.size());
}

void TestRecords::readingInPiecesGivesWhatTheWholeGives_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = bytesOf(QStringLiteral("Ученик,Наводнения, 4\r\n"));
    const QByteArray other = bytesOf(QStringLiteral("Анна Петрова,Правила безопасного поведения на воде, 5\r\n"));
    const QList<QByteArray> damaged = {
        good, other, good, other,
        bytesOf(QStringLiteral("Борис,Земле\r\n")),                      // torn
        bytesOf(QStringLiteral("Вера,Землетрясение, пять\r\n")),         // grade not a number
        bytesOf(QStringLiteral("Гена\r\nНаводнения\r\n 3\r\n")),          // one field a line
        bytesOf(QStringLiteral("\"Дина, Ж.\",\"Наводнения\", 2\r\n")),   // quoted, with a comma
        bytesOf(QStringLiteral("Ева,Наводнения, 4,Жора,Землетрясение, 5\r\n")),   // two on one line
        QByteArray("\r\n"), QByteArray("\n"), QByteArray("   \r\n"),
        bytesOf(QStringLiteral("Зоя,Наводнения, 4\r")),                    // lone CR
        bytesOf(QStringLiteral("Иван,Наводнения, 99999\n")),               // out of range, lone LF
        bytesOf(QStringLiteral("\"Катя,Наводнения, 4\r\n")),               // a quote not closed here
    };
    constexpr qsizetype Size = 5 * Piece + 4096;
    QTest::newRow("whole lines") << randomRecords({good, other}, Size, 1);
    QTest::newRow("damage everywhere") << randomRecords(damaged, Size, 2);
    QTest::newRow("fields at the length limit")
        << randomRecords({good, QByteArray(MaxFieldBytes, 'x') + ',' + QByteArray(MaxFieldBytes, 'y') + ", 3\r\n",
                          QByteArray(MaxFieldBytes + 1, 'z') + ",a, 3\r\n"},
                         Size, 3);
    // Records longer than the margin kept before a piece's end, so that pieces end inside them.
    QTest::newRow("long runs of spaces and overlong fields")
        << randomRecords({good, bytesOf(QStringLiteral("Анна,Наводнения,")) + QByteArray(100 * 1024, ' ') + "4\r\n",
                          QByteArray(100 * 1024, 'w') + "\r\n", other},
                         Size, 6);
    // The first piece ends between the CR and the LF of a long record's line break.
    const QByteArray start = good + bytesOf(QStringLiteral("Анна,Наводнения,"));
    QTest::newRow("a line break across two pieces")
        << start + QByteArray(Piece - start.size() - 2, ' ') + "4\r\n" + other + good;
    QTest::newRow("a blank run longer than a piece")
        << good + QByteArray(Piece + 1024, ' ') + QByteArray(Piece, '\n') + other
               + randomRecords(damaged, Piece, 4) + QByteArray(Piece, ' ');
    QTest::newRow("no line break at the end") << randomRecords(damaged, Size, 5) + bytesOf(QStringLiteral("Лена,Наводн"));
    QTest::newRow("empty") << QByteArray();
}

// The checker reads a records file a piece at a time and forgets what it has passed;
// it must find exactly the records and problems of the whole file's bytes.
void TestRecords::readingInPiecesGivesWhatTheWholeGives()
{
    QFETCH(QByteArray, bytes);
    QStringList whole;
    QStringList wholeProblems;
    RecordReader reader(bytes);
    RecordEntryRecord entry;
    while (reader.next(entry))
        whole << describe(entry);
    for (const FileProblem &problem : reader.problems())
        wholeProblems << describe(problem);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.ssu"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    QStringList pieces;
    const RecordsScan scan = scanRecordsFile(
        path, [&](const RecordEntryRecord &entry) { pieces << describe(entry); }, RecordsLockWait, Piece);
    QCOMPARE(scan.fault, std::nullopt);
    QStringList pieceProblems;
    for (const FileProblem &problem : scan.problems)
        pieceProblems << describe(problem);
    QCOMPARE(pieces.size(), whole.size());
    QCOMPARE(pieces, whole);
    QCOMPARE(pieceProblems, wholeProblems);
}

void TestRecords::rowsCarryPads_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("rows");

    const QString flood = QStringLiteral("Наводнения");
    const QString quake = QStringLiteral("Землетрясение");
    QTest::newRow("the example row") << QStringList{"Ученик|Наводнения|4"}
                                     << QStringList{"Ученик" + spaces(10) + flood + spaces(49) + " 4"};
    QTest::newRow("name of 15 and of 1") << QStringList{"ПятнадцатьБукв!|Наводнения|5", "Я|Наводнения|2"}
                                         << QStringList{"ПятнадцатьБукв!" + spaces(1) + flood + spaces(49) + " 5",
                                                        "Я" + spaces(15) + flood + spaces(49) + " 2"};
    QTest::newRow("empty first name gets no pad") << QStringList{"|Наводнения|3"}
                                                  << QStringList{flood + spaces(49) + " 3"};
    QTest::newRow("long name carries previous pad")
        << QStringList{"Аня|Землетрясение|5", "ШестнадцатьБукв!|Землетрясение|4"}
        << QStringList{"Аня" + spaces(13) + quake + spaces(46) + " 5",
                       "ШестнадцатьБукв!" + spaces(13) + quake + spaces(46) + " 4"};
    QTest::newRow("unknown topic carries previous pad")
        << QStringList{"Аня|Землетрясение|5", "Аня|Пожары|4"}
        << QStringList{"Аня" + spaces(13) + quake + spaces(46) + " 5",
                       "Аня" + spaces(13) + "Пожары" + spaces(46) + " 4"};
    QTest::newRow("unknown topic first gets no pad") << QStringList{"Аня|Пожары|4"}
                                                     << QStringList{"Аня" + spaces(13) + "Пожары" + " 4"};
    const QString t51(51, u'ж'), t43(43, u'ж'), t19(19, u'ж');
    QTest::newRow("unknown topics by length 51, 43, 19")
        << QStringList{"А|" + t51 + "|5", "А|" + t43 + "|5", "А|" + t19 + "|5"}
        << QStringList{"А" + spaces(15) + t51 + spaces(8) + " 5", "А" + spaces(15) + t43 + spaces(16) + " 5",
                       "А" + spaces(15) + t19 + spaces(40) + " 5"};
    QTest::newRow("negative grade") << QStringList{"Аня|Наводнения|-3"}
                                    << QStringList{"Аня" + spaces(13) + flood + spaces(49) + "-3"};
}

void TestRecords::rowsCarryPads()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, rows);
    RowPads pads;
    QStringList built;
    for (const RecordEntryRecord &entry : entriesOf(entries))
        built << buildRecordRow(entry, pads);
    QCOMPARE(built, rows);
}

void TestRecords::everyCatalogueTopicMakesRowOf77()
{
    RowPads pads;
    for (const Topic &topic : topicCatalogue()) {
        QVERIFY2(recordLine({QStringLiteral("Ученик"), topic.name, 4}).has_value(), qPrintable(topic.name));
        const QString row = buildRecordRow({QStringLiteral("Ученик"), topic.name, 4}, pads);
        QCOMPARE(row, QStringLiteral("Ученик") + spaces(10) + topic.name + spaces(59 - int(topic.name.size())) + " 4");
    }
}

// A topic added to the table is one row: it finds its file and fills the records
// window's column, and a row padded by length also pads other topics of its length.
void TestRecords::tableRowGivesFileAndPad_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("file");   // empty: no row
    QTest::addColumn<int>("pad");        // -1: the pad of the row before stays

    QTest::newRow("tenth row") << "Пожарная безопасность" << "qes10.ssu" << 38;
    QTest::newRow("catalogue row") << "Наводнения" << "qes8.ssu" << 49;
    QTest::newRow("other case of the tenth") << "пожарная безопасность" << "" << -1;
    QTest::newRow("length of a row padded by length") << QString(43, u'ж') << "" << 16;
    QTest::newRow("length of the tenth, padded by name") << QString(21, u'ж') << "" << -1;
}

void TestRecords::tableRowGivesFileAndPad()
{
    QFETCH(QString, topic);
    QFETCH(QString, file);
    QFETCH(int, pad);
    std::vector<Topic> topics(topicCatalogue().begin(), topicCatalogue().end());
    topics.push_back({QStringLiteral("Пожарная безопасность"), QStringLiteral("qes10.ssu"), TopicPad::ByName});
    const Topic *row = findTopic(topic, topics);
    QCOMPARE(row ? row->file : QString(), file);
    QCOMPARE(topicPadFor(topic, topics).value_or(-1), pad);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "test_core_records.moc"
