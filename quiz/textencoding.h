#pragma once
// Question and records files are Windows-1251, but today's editors save UTF-8 or
// UTF-16 by default. Such a file is recognised here rather than shown to pupils as
// a jumble of wrong letters.

#include "quiz/codepage.h"
#include "quiz/quizerror.h"
#include <QByteArray>
#include <QString>
#include <optional>

enum class UnicodeForm { None, Utf8, Utf8Bom, Utf16Le, Utf16Be, Utf16LeBom, Utf16BeBom };

// How bytes that are text in a Unicode form look, or None. Real Windows-1251 Russian
// text is practically never valid UTF-8, and text of ASCII only stays None. With
// `prefix` the bytes are the beginning of a longer file: a character cut at their end
// is not held against them.
UnicodeForm detectUnicodeForm(QByteArrayView bytes, bool prefix = false);

// "UTF-8", "UTF-8 с меткой BOM", "UTF-16" for a teacher to read.
QString unicodeFormName(UnicodeForm form);
// The shell command that writes the text of file `from`, in that form, to file `to`
// in Windows-1251, with iconv.
QString iconvCommand(UnicodeForm form, const QString &from, const QString &to);
// The text of bytes in that form, the byte-order mark dropped; a null string when
// the bytes do not decode.
QString decodeUnicode(QByteArrayView bytes, UnicodeForm form);

// The encoding in which bytes read as Russian text best: Windows1251 unless another
// gives clearly more plausible letters (see textencoding.cpp). Bytes of ASCII only, or
// in an encoding this system's converter lacks, stay Windows1251.
CyrillicEncoding detectCyrillicEncoding(QByteArrayView bytes);
// "KOI8-R", "CP866", "ISO-8859-5", "Mac Cyrillic" for a teacher to read.
QString cyrillicEncodingName(CyrillicEncoding encoding);

// A file name as a shell command line needs it: quoted when it holds anything
// besides letters, digits and . _ - /.
QString shellWord(const QString &word);

// What zuf-check --fix-encoding makes of a file's bytes, decided on the bytes alone.
struct Windows1251Conversion {
    enum class Outcome { AlreadyWindows1251, Converted, Refused };
    Outcome outcome = Outcome::AlreadyWindows1251;
    QByteArray bytes;                     // Converted: Windows-1251 with CR LF line breaks
    QString sourceName;                   // Converted: the encoding it was in, for a teacher to read
    std::optional<FileProblem> refusal;   // Refused: why, with its place when it has one
};
// A records file (`records`) is judged line by line: the quiz appends Windows-1251 lines
// to a file an editor saved as UTF-8, and each line is converted from its own encoding.
Windows1251Conversion convertToWindows1251(QByteArrayView bytes, bool records = false);

// The first line (1-based) of a records file that is UTF-8 while another line holds
// Windows-1251 letters; 0 when the lines do not mix the two.
int firstUtf8LineAmongWindows1251(QByteArrayView bytes);

// The same judgement over a file fed in pieces, so that a file of any size is judged in
// little memory. Each piece ends after a line break, or is the file's last; a line longer
// than a piece is judged by its pieces.
struct MixedLinesScan {
    int lines = 0;
    int firstUtf8 = 0;
    bool other = false;

    void feed(QByteArrayView piece);
    int firstMixedLine() const { return other ? firstUtf8 : 0; }
};
