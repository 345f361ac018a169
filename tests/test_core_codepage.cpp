// Windows-1251 decoding and encoding against Qt's converter: every byte, and every
// character of the Basic Multilingual Plane.

#include "quiz/codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

class TestCodepage : public QObject {
    Q_OBJECT
private slots:
    void everyByteDecodesAsQtDoes();
    void everyCharacterEncodesAsQtDoes();
};

void TestCodepage::everyByteDecodesAsQtDoes()
{
    QStringDecoder qt("windows-1251", QStringConverter::Flag::Stateless);
    QVERIFY(qt.isValid());
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        QCOMPARE(decode1251(byte), qt.decode(byte));
    }
}

void TestCodepage::everyCharacterEncodesAsQtDoes()
{
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
    QCOMPARE(encode1251(QStringLiteral("Ёлка, «№ 5» — ёж")), std::optional(QByteArray("\xA8\xEB\xEA\xE0, \xAB\xB9 5\xBB \x97 \xB8\xE6")));
    QCOMPARE(encode1251(QStringLiteral("Ива\U0001F600")), std::nullopt);
}

QTEST_MAIN(TestCodepage)
#include "test_core_codepage.moc"
