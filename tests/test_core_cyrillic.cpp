// Question files in other Cyrillic encodings are recognised, and no real Windows-1251
// file ever is taken for one: measured on thousands of generated files made of the
// shipped questions reworded as teachers write them (Ё and ё, «», №, dashes, words in
// capitals, short answers, Latin words). Prints the counts.

#include "cyrillic_support.h"
#include "quiz/codepage.h"
#include "quiz/questionfile.h"
#include "quiz/textencoding.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>
#include <cstdio>

namespace {

constexpr int Files = 2000;

QStringList shippedTexts()
{
    QStringList texts;
    for (const QString &name : QDir(QStringLiteral(ZUF_SHIPPED_DATA)).entryList({QStringLiteral("qes*.ssu")})) {
        const QuestionFileContents contents = readQuestionFileAt(QStringLiteral(ZUF_SHIPPED_DATA "/") + name);
        for (const QuestionRecord &record : contents.records) {
            texts << record.question;
            for (const QString &answer : record.answers)
                texts << answer;
        }
    }
    return texts;
}

// A text reworded the ways teachers write: one change or none, by chance.
QString reworded(QString text, QRandomGenerator &random)
{
    static const QStringList Words = {
        QStringLiteral("всё"), QStringLiteral("её"), QStringLiteral("Ёлка"), QStringLiteral("учёный"),
        QStringLiteral("Пётр"), QStringLiteral("объём"), QStringLiteral("МЧС"), QStringLiteral("ГО и ЧС"),
        QStringLiteral("ОБЖ"), QStringLiteral("«01»"), QStringLiteral("№ 112"), QStringLiteral("—"),
        QStringLiteral("SOS"), QStringLiteral("Wi-Fi"), QStringLiteral("ЁЛКА"), QStringLiteral("т. е."),
        QStringLiteral("10 %"), QStringLiteral("(см. рис. 3)"), QStringLiteral("ЖКХ-служба"), QStringLiteral("…"),
    };
    static const QStringList Short = {
        QStringLiteral("Да"), QStringLiteral("Нет"), QStringLiteral("Не знаю"), QStringLiteral("Ёж"),
        QStringLiteral("Я"), QStringLiteral("112"), QStringLiteral("МЧС"), QStringLiteral("Все ответы верны"),
    };
    switch (random.bounded(8)) {
    case 0:
        return Short[random.bounded(Short.size())];
    case 1:
        return text.toUpper();
    case 2: {
        QStringList words = text.split(u' ');
        words.insert(random.bounded(words.size() + 1), Words[random.bounded(Words.size())]);
        return words.join(u' ');
    }
    case 3:
        return QStringLiteral("«%1»").arg(text);
    case 4:
        return text.replace(QStringLiteral(" - "), QStringLiteral(" — ")).replace(u'е', u'ё');
    default:
        return text;
    }
}

QString generatedFile(const QStringList &texts, QRandomGenerator &random)
{
    QString file = QStringLiteral("17,15,12,0\r\n");
    const int questions = 10 + random.bounded(20);
    for (int q = 0; q < questions; ++q) {
        QStringList fields;
        for (int f = 0; f < 5; ++f)
            fields << u'"' + reworded(texts[random.bounded(texts.size())], random) + u'"';
        file += fields.join(u',') + QStringLiteral(",0,1,0,0,1\r\n");
    }
    return file;
}

} // namespace

class TestCoreCyrillic : public QObject {
    Q_OBJECT
private slots:
    void generatedFilesAreRecognised();
};

void TestCoreCyrillic::generatedFilesAreRecognised()
{
    const QStringList texts = shippedTexts();
    QVERIFY(texts.size() >= 450);
    QRandomGenerator random(17);
    const std::pair<CyrillicEncoding, const char *> others[] = {
        {CyrillicEncoding::Koi8R, "KOI8-R"},
        {CyrillicEncoding::Cp866, "IBM866"},
        {CyrillicEncoding::Iso88595, "ISO-8859-5"},
        {CyrillicEncoding::MacCyrillic, "x-mac-cyrillic"},
    };
    int refused = 0;
    std::map<CyrillicEncoding, int> recognised, tried;
    for (int n = 0; n < Files; ++n) {
        const QString text = generatedFile(texts, random);
        const QByteArray windows = encode1251(text).value();
        if (readQuestionFile(windows).fault)
            ++refused;
        for (const auto &[encoding, name] : others) {
            const QByteArray bytes = encodeCyrillic(text, encoding, name);
            ++tried[encoding];
            if (detectCyrillicEncoding(bytes) != encoding)
                continue;
            ++recognised[encoding];
            // The quiz refuses it on line 1, and the conversion gives the Windows-1251 file
            // back, letter for letter where the encoding had the letter.
            const QuestionFileContents contents = readQuestionFile(bytes);
            QVERIFY(contents.fault && contents.fault->line == 1);
            const Windows1251Conversion converted = convertToWindows1251(bytes);
            QCOMPARE(int(converted.outcome), int(Windows1251Conversion::Outcome::Converted));
            QCOMPARE(decode1251(converted.bytes), decodeSingleByte(bytes, encoding));
        }
    }
    std::printf("generated Windows-1251 files: %d, refused: %d\n", Files, refused);
    for (const auto &[encoding, name] : others)
        std::printf("%s: %d of %d recognised\n", qPrintable(cyrillicEncodingName(encoding)), recognised[encoding],
                    tried[encoding]);
    QCOMPARE(refused, 0);
    for (const auto &[encoding, name] : others)
        QCOMPARE(recognised[encoding], tried[encoding]);
}

QTEST_GUILESS_MAIN(TestCoreCyrillic)
#include "test_core_cyrillic.moc"
