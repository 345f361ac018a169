#include "quiz/textencoding.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

bool startsWith(QByteArrayView bytes, const char *mark, qsizetype size)
{
    return bytes.size() >= size && bytes.first(size) == QByteArrayView(mark, size);
}

bool hasHighByte(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (uchar(c) >= 0x80)
            return true;
    }
    return false;
}

bool decodesAs(QByteArrayView bytes, QStringConverter::Encoding encoding, bool prefix)
{
    // Stateful decoding keeps a character cut at the end for later instead of
    // calling it an error; that is what a prefix needs.
    QStringDecoder decoder(encoding, prefix ? QStringConverter::Flag::Default : QStringConverter::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);   // decoding happens when the result is taken
    return !decoder.hasError();
}

// Without a byte-order mark, UTF-16 shows itself by the zero bytes of its ASCII
// characters: every question file begins with digits, every records line has commas.
// Only the first characters are looked at; each must be ASCII or Cyrillic (high byte
// 0x00 or 0x04) with a low byte that is not zero.
UnicodeForm bareUtf16(QByteArrayView bytes)
{
    constexpr qsizetype Looked = 16;
    const qsizetype size = qMin(bytes.size(), Looked) & ~qsizetype(1);
    if (size < 4)
        return UnicodeForm::None;
    const auto fits = [&](int high, int low) {
        bool zeroHigh = false;
        for (qsizetype i = 0; i < size; i += 2) {
            const uchar h = uchar(bytes[i + high]), l = uchar(bytes[i + low]);
            if ((h != 0x00 && h != 0x04) || l == 0x00)
                return false;
            zeroHigh = zeroHigh || h == 0x00;
        }
        return zeroHigh;
    };
    if (fits(1, 0))
        return UnicodeForm::Utf16Le;
    if (fits(0, 1))
        return UnicodeForm::Utf16Be;
    return UnicodeForm::None;
}

} // namespace

UnicodeForm detectUnicodeForm(QByteArrayView bytes, bool prefix)
{
    if (startsWith(bytes, "\xEF\xBB\xBF", 3))
        return UnicodeForm::Utf8Bom;
    if (startsWith(bytes, "\xFF\xFE", 2))
        return UnicodeForm::Utf16LeBom;
    if (startsWith(bytes, "\xFE\xFF", 2))
        return UnicodeForm::Utf16BeBom;
    if (const UnicodeForm utf16 = bareUtf16(bytes); utf16 != UnicodeForm::None)
        return utf16;
    if (hasHighByte(bytes) && decodesAs(bytes, QStringConverter::Utf8, prefix))
        return UnicodeForm::Utf8;
    return UnicodeForm::None;
}

QString unicodeFormName(UnicodeForm form)
{
    switch (form) {
    case UnicodeForm::Utf8:
        return QStringLiteral("UTF-8");
    case UnicodeForm::Utf8Bom:
        return QStringLiteral("UTF-8 с меткой BOM");
    case UnicodeForm::None:
        return QString();
    default:
        return QStringLiteral("UTF-16");
    }
}

QString iconvCommand(UnicodeForm form, const QString &from, const QString &to)
{
    const QString source = shellWord(from), target = shellWord(to);
    const auto iconv = [&](const char *encoding, const QString &input) {
        return QStringLiteral("iconv -f %1 -t WINDOWS-1251 %2> %3").arg(QLatin1String(encoding), input, target);
    };
    switch (form) {
    case UnicodeForm::Utf8:
        return iconv("UTF-8", source + u' ');
    case UnicodeForm::Utf8Bom:   // iconv takes the mark for a character that Windows-1251 lacks
        return QStringLiteral("tail -c +4 %1 | ").arg(source) + iconv("UTF-8", QString());
    case UnicodeForm::Utf16Le:
        return iconv("UTF-16LE", source + u' ');
    case UnicodeForm::Utf16Be:
        return iconv("UTF-16BE", source + u' ');
    case UnicodeForm::Utf16LeBom:
    case UnicodeForm::Utf16BeBom:   // the mark tells iconv the byte order
        return iconv("UTF-16", source + u' ');
    case UnicodeForm::None:
        break;
    }
    return QString();
}

QString decodeUnicode(QByteArrayView bytes, UnicodeForm form)
{
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    switch (form) {
    case UnicodeForm::None:
        return QString();
    case UnicodeForm::Utf8:
    case UnicodeForm::Utf8Bom:
        break;
    case UnicodeForm::Utf16Le:
    case UnicodeForm::Utf16LeBom:
        encoding = QStringConverter::Utf16LE;
        break;
    case UnicodeForm::Utf16Be:
    case UnicodeForm::Utf16BeBom:
        encoding = QStringConverter::Utf16BE;
        break;
    }
    // The default flags drop a byte-order mark at the start.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    // The decoder lets a lone half of a surrogate pair through.
    bool paired = true;
    for (qsizetype i = 0; paired && i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else
            paired = !text[i].isSurrogate();
    }
    if (decoder.hasError() || !paired)
        return QString();
    if (text.isNull())
        text = QStringLiteral("");
    return text;
}

QString shellWord(const QString &word)
{
    const bool plain = !word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar c) {
        return c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'-' || c == u'/';
    });
    if (plain && !word.startsWith(u'-'))
        return word;
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}
