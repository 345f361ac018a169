// The sequential field reader: separators, quotes, blanks, numbers and the
// places it reports for bad fields.

#include "quiz/codepage.h"
#include "quiz/fieldreader.h"

#include <QTest>

namespace {

QByteArray bytesOf(const QString &text)
{
    return encode1251(text).value();
}

// Reads fields by a plan: t = text, i = integer, s = skipped field.
QStringList readByPlan(FieldReader &reader, const QString &plan)
{
    QStringList values;
    for (const QChar op : plan) {
        if (op == u't')
            values << reader.readText();
        else if (op == u'i')
            values << QString::number(reader.readInt());
        else
            reader.skipField(), values << QStringLiteral("-");
    }
    return values;
}

} // namespace

class TestFieldReader : public QObject {
    Q_OBJECT
private slots:
    void readsFields_data();
    void readsFields();
    void refusesBadFields_data();
    void refusesBadFields();
    void decodesWindows1251();
    void acceptsFieldUpToLimit();
    void notesOddQuoting();
    void reportsHowFieldEnded();
    void notesTabBeforeQuote_data();
    void notesTabBeforeQuote();
};

void TestFieldReader::readsFields_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("atEndAfter");

    QTest::newRow("quoted text with commas") << "\"a, b, c\",d" << "tt" << QStringList{"a, b, c", "d"} << true;
    QTest::newRow("CR LF breaks") << "a\r\nb\r\nc\r\n" << "ttt" << QStringList{"a", "b", "c"} << true;
    QTest::newRow("LF-only breaks") << "a\nb\nc\n" << "ttt" << QStringList{"a", "b", "c"} << true;
    QTest::newRow("CR-only breaks") << "a\rb\rc\r" << "ttt" << QStringList{"a", "b", "c"} << true;
    QTest::newRow("commas and breaks mixed") << "1\r\n2,3\n4\r5" << "iiiii" << QStringList{"1", "2", "3", "4", "5"}
                                             << true;
    QTest::newRow("one field per line") << "\"q\"\r\n\"a\"\r\n0\r\n1" << "tt-i" << QStringList{"q", "a", "-", "1"}
                                        << true;
    QTest::newRow("empty fields between commas") << "a,,b" << "ttt" << QStringList{"a", "", "b"} << true;
    QTest::newRow("empty integer fields") << ",,7" << "iii" << QStringList{"0", "0", "7"} << true;
    QTest::newRow("comma before a line break") << "a,\r\nb" << "ttt" << QStringList{"a", "", "b"} << true;
    QTest::newRow("empty line is one field") << "a\r\n\r\nb" << "ttt" << QStringList{"a", "", "b"} << true;
    QTest::newRow("spaces before fields") << "  a,   \"b c\",  7" << "tti" << QStringList{"a", "b c", "7"} << true;
    QTest::newRow("spaces after bare text kept") << "a  ,b" << "tt" << QStringList{"a  ", "b"} << true;
    QTest::newRow("spaces around number") << " 4 ,5" << "ii" << QStringList{"4", "5"} << true;
    QTest::newRow("negative and limits") << "-3,32767,-32768,0" << "iiii"
                                         << QStringList{"-3", "32767", "-32768", "0"} << true;
    QTest::newRow("quoted number") << "\"12\"" << "i" << QStringList{"12"} << true;
    QTest::newRow("last field without line break") << "a,b" << "tt" << QStringList{"a", "b"} << true;
    QTest::newRow("trailing blank lines, spaces, tabs") << "a\r\n \t\r\n\r\n  " << "t" << QStringList{"a"} << true;
    QTest::newRow("more fields remain") << "a,b" << "t" << QStringList{"a"} << false;
    QTest::newRow("quote inside bare text") << "ab\"c,d" << "tt" << QStringList{"ab\"c", "d"} << true;
    QTest::newRow("quoted text over two lines") << "\"a\r\nb\",c" << "tt" << QStringList{"a\r\nb", "c"} << true;
    QTest::newRow("characters after closing quote dropped") << "\"a\"x ,b" << "tt" << QStringList{"a", "b"} << true;
    QTest::newRow("sixth field of any kind") << "\"x\",7,,\"t, u\"" << "----" << QStringList{"-", "-", "-", "-"}
                                             << true;
}

void TestFieldReader::readsFields()
{
    QFETCH(QString, input);
    QFETCH(QString, plan);
    QFETCH(QStringList, values);
    QFETCH(bool, atEndAfter);

    const QByteArray bytes = bytesOf(input);
    FieldReader reader(bytes);
    QCOMPARE(readByPlan(reader, plan), values);
    QCOMPARE(reader.atEnd(), atEndAfter);
}

void TestFieldReader::refusesBadFields_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("plan");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("says");

    QTest::newRow("empty input") << "" << "t" << 1 << 1 << "Файл кончается посреди записи: не хватает полей.";
    QTest::newRow("past the last field") << "a,b" << "ttt" << 1 << 4 << "кончается";
    QTest::newRow("past the final line break") << "1\r\n" << "ii" << 2 << 1 << "кончается";
    QTest::newRow("end inside quote") << "a\r\n  \"abc" << "tt" << 2 << 3 << "кавычк";
    QTest::newRow("word for number") << "x" << "i" << 1 << 1 << "целое число";
    QTest::newRow("fraction") << "1.5" << "i" << 1 << 1 << "целое число";
    QTest::newRow("exponent") << "1e3" << "i" << 1 << 1 << "целое число";
    QTest::newRow("lone minus") << "-" << "i" << 1 << 1 << "целое число";
    QTest::newRow("double minus") << "--1" << "i" << 1 << 1 << "целое число";
    QTest::newRow("plus sign") << "+1" << "i" << 1 << 1 << "целое число";
    QTest::newRow("inner space") << "1 2" << "i" << 1 << 1 << "целое число";
    QTest::newRow("above 32767") << "32768" << "i" << 1 << 1 << "вне пределов";
    QTest::newRow("below -32768") << "-32769" << "i" << 1 << 1 << "вне пределов";
    QTest::newRow("twenty digits") << "99999999999999999999" << "i" << 1 << 1 << "вне пределов";
    QTest::newRow("place on a later line") << "a\r\n  b,12x" << "tti" << 2 << 5 << "целое число";
    QTest::newRow("place after CR-only break") << "a\rb\r  q" << "tti" << 3 << 3 << "целое число";
    QTest::newRow("field over 8 KiB") << QString(MaxFieldBytes + 1, u'я') << "t" << 1 << 1 << "длиннее";
}

void TestFieldReader::refusesBadFields()
{
    QFETCH(QString, input);
    QFETCH(QString, plan);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, says);

    const QByteArray bytes = bytesOf(input);
    FieldReader reader(bytes);
    try {
        readByPlan(reader, plan);
        QFAIL("the reader accepted a bad field");
    } catch (const QuizError &error) {
        QCOMPARE(error.problem().line, line);
        QCOMPARE(error.problem().column, column);
        QCOMPARE(error.problem().severity, Severity::Error);
        QVERIFY2(error.problem().message.contains(says), qPrintable(error.problem().message));
    }
}

void TestFieldReader::decodesWindows1251()
{
    // "Жёлтый" in Windows-1251, written out byte by byte.
    const QByteArray bytes("\"\xC6\xB8\xEB\xF2\xFB\xE9\",\xA8");
    FieldReader reader(bytes);
    QCOMPARE(reader.readText(), QStringLiteral("Жёлтый"));
    QCOMPARE(reader.readText(), QStringLiteral("Ё"));
    QCOMPARE(encode1251(QStringLiteral("Жёлтый")).value(), QByteArray("\xC6\xB8\xEB\xF2\xFB\xE9"));
    QVERIFY(!encode1251(QStringLiteral("名前")).has_value());
}

void TestFieldReader::acceptsFieldUpToLimit()
{
    const QByteArray bytes = "\"" + QByteArray(MaxFieldBytes, 'a') + "\"";
    FieldReader reader(bytes);
    QCOMPARE(reader.readText().size(), MaxFieldBytes);
    QVERIFY(reader.atEnd());
}

void TestFieldReader::notesOddQuoting()
{
    const QByteArray bytes = bytesOf("\"a\r\nb\",\"c\" d,e");
    FieldReader reader(bytes);
    readByPlan(reader, "ttt");
    QCOMPARE(reader.notes().size(), size_t(2));   // their texts: test_check
    QCOMPARE(reader.notes()[0].line, 1);
    QVERIFY(reader.notes()[0].message.contains("несколько строк"));
    QCOMPARE(reader.notes()[1].line, 2);
    QCOMPARE(reader.notes()[1].column, 7);
    QVERIFY(reader.notes()[1].message.contains("«d»"));
}

void TestFieldReader::reportsHowFieldEnded()
{
    const QByteArray bytes = bytesOf("a,\"b\"\r\n  c");
    FieldReader reader(bytes);
    reader.readText();
    QCOMPARE(reader.lastField().endedLine, false);
    QCOMPARE(reader.lastField().quoted, false);
    reader.readText();
    QCOMPARE(reader.lastField().endedLine, true);
    QCOMPARE(reader.lastField().quoted, true);
    QCOMPARE(reader.lastField().column, 3);
    reader.readText();
    QCOMPARE(reader.lastField().line, 2);
    QCOMPARE(reader.lastField().column, 3);
    QCOMPARE(reader.lastField().endedLine, true);
}

// Only spaces are skipped before a field, so a tab before a quote leaves the quotes in
// the text: read as before, with a note.
void TestFieldReader::notesTabBeforeQuote_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("notes");
    QTest::addColumn<int>("column");

    QTest::newRow("tab before quote") << "a,\t\"b\",c" << "\t\"b\"" << 1 << 3;
    QTest::newRow("spaces and tabs before quote") << "a, \t \"b, c\"" << "\t \"b" << 1 << 4;
    QTest::newRow("tab before a bare text") << "a,\tb,c" << "\tb" << 0 << 0;
    QTest::newRow("spaces before quote") << "a,   \"b\",c" << "b" << 0 << 0;
}

void TestFieldReader::notesTabBeforeQuote()
{
    QFETCH(QString, input);
    QFETCH(QString, value);
    QFETCH(int, notes);
    QFETCH(int, column);

    const QByteArray bytes = bytesOf(input);
    FieldReader reader(bytes);
    reader.readText();
    QCOMPARE(reader.readText(), value);
    QCOMPARE(int(reader.notes().size()), notes);
    if (notes) {
        QCOMPARE(reader.notes()[0].line, 1);
        QCOMPARE(reader.notes()[0].column, column);
    }
}

QTEST_APPLESS_MAIN(TestFieldReader)
#include "test_core_fieldreader.moc"
