#include "quiz/textencoding.h"
#include "quiz/codepage.h"
#include "quiz/problemtexts.h"

#include <QList>
#include <QStringDecoder>
#include <algorithm>

namespace {

bool startsWith(QByteArrayView bytes, const char *mark, qsizetype size)
{
    return bytes.size() >= size && bytes.first(size) == QByteArrayView(mark, size);
}

// Valid UTF-8 with at least one character beyond ASCII. Checked here rather than by
// decoding: it stops at the first byte that cannot be UTF-8 (the first Russian letter
// of a Windows-1251 file) and needs no memory, however long the file.
bool isUtf8BeyondAscii(QByteArrayView bytes, bool prefix)
{
    bool beyondAscii = false;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const uchar lead = uchar(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0, least = 0;
        if ((lead & 0xE0) == 0xC0)
            length = 2, code = lead & 0x1F, least = 0x80;
        else if ((lead & 0xF0) == 0xE0)
            length = 3, code = lead & 0x0F, least = 0x800;
        else if ((lead & 0xF8) == 0xF0)
            length = 4, code = lead & 0x07, least = 0x10000;
        else
            return false;
        for (int k = 1; k < length; ++k) {
            if (i + k >= size)
                return prefix && beyondAscii;   // a character cut by the end of the prefix
            const uchar next = uchar(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        beyondAscii = true;
        i += length;
    }
    return beyondAscii;
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
    if (isUtf8BeyondAscii(bytes, prefix))
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

namespace {

bool isRussianLower(char16_t c) { return (c >= u'а' && c <= u'я') || c == u'ё'; }
bool isRussianUpper(char16_t c) { return (c >= u'А' && c <= u'Я') || c == u'Ё'; }

// How plausible a text is as Russian: `good` counts the letters that stand where Russian
// letters stand (a capital at the start of a word or inside a word of capitals, small
// letters elsewhere), `odd` the capitals after a small letter and every character beyond
// ASCII that is neither a Russian letter nor a punctuation mark Russian texts use.
// Another encoding's bytes read as Windows-1251 give mostly such oddities: KOI8-R turns
// small letters into capitals, CP866 half the alphabet into signs, ISO-8859-5 half of it
// into capitals, Mac Cyrillic the capitals into signs and "я" into "Я".
struct Plausibility {
    qsizetype good = 0, odd = 0;
    qsizetype score() const { return good - 4 * odd; }
};

Plausibility plausibility(const QString &text)
{
    static const QString Punctuation = QStringLiteral("«»№—–…„“”‘’°±·\u00A0");
    Plausibility p;
    char16_t previous = u' ';
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (isRussianLower(c))
            ++p.good;
        else if (isRussianUpper(c))
            ++(isRussianLower(previous) ? p.odd : p.good);
        else if (c >= 0x80 && !Punctuation.contains(ch))
            ++p.odd;
        previous = c;
    }
    return p;
}

} // namespace

CyrillicEncoding detectCyrillicEncoding(QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return CyrillicEncoding::Windows1251;
    const Plausibility own = plausibility(decode1251(bytes));
    // A stray sign or two is a teacher's text as it is, not another encoding.
    if (own.odd < 2)
        return CyrillicEncoding::Windows1251;
    CyrillicEncoding best = CyrillicEncoding::Windows1251;
    qsizetype bestScore = own.score();
    for (const CyrillicEncoding other : {CyrillicEncoding::Koi8R, CyrillicEncoding::Cp866, CyrillicEncoding::Iso88595,
                                         CyrillicEncoding::MacCyrillic}) {
        const QString text = decodeSingleByte(bytes, other);
        if (text.isNull())
            continue;
        const Plausibility p = plausibility(text);
        // Clearly better: fewer than a quarter of the oddities, and a higher score.
        if (4 * p.odd < own.odd && p.score() > bestScore) {
            best = other;
            bestScore = p.score();
        }
    }
    return best;
}

QString cyrillicEncodingName(CyrillicEncoding encoding)
{
    switch (encoding) {
    case CyrillicEncoding::Koi8R: return QStringLiteral("KOI8-R");
    case CyrillicEncoding::Cp866: return QStringLiteral("CP866");
    case CyrillicEncoding::Iso88595: return QStringLiteral("ISO-8859-5");
    case CyrillicEncoding::MacCyrillic: return QStringLiteral("Mac Cyrillic");
    case CyrillicEncoding::Windows1251: break;
    }
    return QStringLiteral("Windows-1251");
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

namespace {

// Windows-1251 bytes of text with every line break made CR LF; the first character
// that Windows-1251 lacks refuses the whole text, with its line and column.
Windows1251Conversion encodeLines(const QString &text)
{
    Windows1251Conversion result;
    result.outcome = Windows1251Conversion::Outcome::Converted;
    result.bytes.reserve(text.size() + text.size() / 16);
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            result.bytes += "\r\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++line;
            lineStart = i + 1;
            continue;
        }
        const std::optional<QByteArray> byte = encode1251(QString(c));
        if (!byte) {
            const char32_t code = c.isHighSurrogate() && i + 1 < text.size()
                ? QChar::surrogateToUcs4(c, text[i + 1]) : c.unicode();
            const QString character = QString::fromUcs4(&code, 1);
            const int column = int(QStringView(text).sliced(lineStart, i - lineStart).toUcs4().size()) + 1;
            result.outcome = Windows1251Conversion::Outcome::Refused;
            result.bytes.clear();
            result.refusal = problemAt(line, column, ProblemId::NoWindows1251Form, character,
                                       QStringLiteral("%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper());
            return result;
        }
        result.bytes += *byte;
    }
    return result;
}

enum class LineForm { Ascii, Utf8, Other };

LineForm lineForm(QByteArrayView line)
{
    if (std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; }))
        return LineForm::Ascii;
    return isUtf8BeyondAscii(line, false) ? LineForm::Utf8 : LineForm::Other;
}

// Calls onLine(line, form) for each line, its line break included.
template <typename OnLine>
void forEachLine(QByteArrayView bytes, OnLine onLine)
{
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArrayView line = bytes.sliced(start, end - start);
        onLine(line, lineForm(line));
        start = end;
    }
}

} // namespace

void MixedLinesScan::feed(QByteArrayView piece)
{
    forEachLine(piece, [this](QByteArrayView, LineForm form) {
        ++lines;
        if (form == LineForm::Utf8 && firstUtf8 == 0)
            firstUtf8 = lines;
        other = other || form == LineForm::Other;
    });
}

int firstUtf8LineAmongWindows1251(QByteArrayView bytes)
{
    MixedLinesScan scan;
    scan.feed(bytes);
    return scan.firstMixedLine();
}

Windows1251Conversion convertToWindows1251(QByteArrayView bytes, bool records)
{
    if (records && firstUtf8LineAmongWindows1251(bytes) > 0) {
        QString text;
        forEachLine(bytes, [&](QByteArrayView line, LineForm form) {
            text += form == LineForm::Utf8 ? QString::fromUtf8(line) : decode1251(line);
        });
        if (text.startsWith(QChar(0xFEFF)))   // the mark an editor put before its first line
            text.remove(0, 1);
        Windows1251Conversion converted = encodeLines(text);
        converted.sourceName = problemText(ProblemId::MixedRecordsSource);
        return converted;
    }
    const UnicodeForm form = detectUnicodeForm(bytes);
    if (form == UnicodeForm::None) {
        const CyrillicEncoding encoding = detectCyrillicEncoding(bytes);
        if (encoding == CyrillicEncoding::Windows1251)
            return {};
        Windows1251Conversion converted = encodeLines(decodeSingleByte(bytes, encoding));
        converted.sourceName = cyrillicEncodingName(encoding);
        return converted;
    }
    const QString text = decodeUnicode(bytes, form);
    if (text.isNull()) {
        Windows1251Conversion refused;
        refused.outcome = Windows1251Conversion::Outcome::Refused;
        refused.refusal = problemAt(0, 0, ProblemId::ConversionBadBytes, unicodeFormName(form));
        return refused;
    }
    Windows1251Conversion converted = encodeLines(text);
    converted.sourceName = unicodeFormName(form);
    return converted;
}
