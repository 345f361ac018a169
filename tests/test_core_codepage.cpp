// Windows-1251 decoding and encoding: every byte, and every character of the Basic
// Multilingual Plane, against a reference table, and against Qt's converter where Qt
// has one (Qt for Windows has none without ICU; there the system's own converter is
// what the table checks).

#include "quiz/codepage.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>
#include <array>

class TestCodepage : public QObject {
    Q_OBJECT
private slots:
    void everyByteDecodesAsTheTableSays();
    void everyCharacterEncodesAsTheTableSays();
    void everyByteDecodesAsQtDoes();
    void everyCharacterEncodesAsQtDoes();
};

namespace {

// tests/data/cp1251.txt: "XX UUUU" per byte, the character each byte stands for.
std::array<char16_t, 256> referenceTable()
{
    std::array<char16_t, 256> table{};
    QFile file(QStringLiteral(ZUF_TEST_DATA "/cp1251.txt"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    int rows = 0;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        if (fields.size() != 2 || fields[0].startsWith('#'))
            continue;
        table[fields[0].toInt(nullptr, 16)] = char16_t(fields[1].toInt(nullptr, 16));
        ++rows;
    }
    if (rows != 256)
        qFatal("cp1251.txt holds %d rows, not 256", rows);
    return table;
}

bool qtHasConverter()
{
    return QStringDecoder("windows-1251").isValid();
}

} // namespace

void TestCodepage::everyByteDecodesAsTheTableSays()
{
    const auto table = referenceTable();
    for (int b = 0; b < 256; ++b)
        QCOMPARE(decode1251(QByteArray(1, char(b))), QString(QChar(table[b])));
}

void TestCodepage::everyCharacterEncodesAsTheTableSays()
{
    const auto table = referenceTable();
    std::array<int, 0x10000> byteOf;
    byteOf.fill(-1);
    for (int b = 0; b < 256; ++b)
        byteOf[table[b]] = b;
    for (char32_t u = 0; u < 0x10000; ++u) {
        const std::optional<QByteArray> ours = encode1251(QString(QChar(char16_t(u))));
        if (byteOf[u] < 0)
            QVERIFY2(!ours, qPrintable(QString::number(u, 16)));
        else
            QCOMPARE(ours, std::optional(QByteArray(1, char(byteOf[u]))));
    }
    QCOMPARE(encode1251(QStringLiteral("Ёлка, «№ 5» — ёж")), std::optional(QByteArray("\xA8\xEB\xEA\xE0, \xAB\xB9 5\xBB \x97 \xB8\xE6")));
    QCOMPARE(encode1251(QStringLiteral("Ива\U0001F600")), std::nullopt);
}

void TestCodepage::everyByteDecodesAsQtDoes()
{
    if (!qtHasConverter())
        QSKIP("This Qt has no Windows-1251 converter (Qt for Windows without ICU); the table test covers the system's own");
    QStringDecoder qt("windows-1251", QStringConverter::Flag::Stateless);
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        QCOMPARE(decode1251(byte), qt.decode(byte));
    }
}

void TestCodepage::everyCharacterEncodesAsQtDoes()
{
    if (!qtHasConverter())
        QSKIP("This Qt has no Windows-1251 converter (Qt for Windows without ICU); the table test covers the system's own");
    for (char32_t u = 0; u < 0x10000; ++u) {
        const QString c{QChar(char16_t(u))};
        QStringEncoder qt("windows-1251");
        const QByteArray expected = qt.encode(c);
        const std::optional<QByteArray> ours = encode1251(c);
        if (qt.hasError() || QChar::isSurrogate(u))
            QVERIFY2(!ours, qPrintable(QString::number(u, 16)));
        else
            QCOMPARE(ours, std::optional(expected));
    }
}

QTEST_MAIN(TestCodepage)
#include "test_core_codepage.moc"
