#pragma once
// Question and records files are Windows-1251, but today's editors save UTF-8 or
// UTF-16 by default. Such a file is recognised here rather than shown to pupils as
// a jumble of wrong letters.

#include <QByteArray>
#include <QString>

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

// A file name as a shell command line needs it: quoted when it holds anything
// besides letters, digits and . _ - /.
QString shellWord(const QString &word);

#include "quiz/quizerror.h"
#include <optional>

// What zuf-check --fix-encoding makes of a file's bytes, decided on the bytes alone.
struct Windows1251Conversion {
    enum class Outcome { AlreadyWindows1251, Converted, Refused };
    Outcome outcome = Outcome::AlreadyWindows1251;
    QByteArray bytes;                     // Converted: Windows-1251 with CR LF line breaks
    QString sourceName;                   // Converted: the encoding it was in, for a teacher to read
    std::optional<FileProblem> refusal;   // Refused: why, with its place when it has one
};
Windows1251Conversion convertToWindows1251(QByteArrayView bytes);
