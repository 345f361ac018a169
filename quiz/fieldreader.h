#pragma once
// The sequential field reader shared by the question files and the records file:
// fields end at a comma or a line break (CR LF, lone CR, lone LF); spaces in
// front of a field are skipped; a field that begins with a double quote runs to
// the next double quote; an empty field reads as an empty text or 0.
// The reader works on the caller's bytes and never copies them.

#include "quiz/quizerror.h"
#include <QByteArray>
#include <QString>
#include <vector>

// A longer field is refused: no real question or name comes near it.
inline constexpr qsizetype MaxFieldBytes = 8 * 1024;

// Where and how the last field read was written, for the checker's hints.
struct FieldInfo {
    int line = 0;
    int column = 0;
    bool quoted = false;
    bool endedLine = false;   // ended at a line break or at the end of the bytes
    qsizetype lineOffset = 0; // where the field's line starts
};

class FieldReader {
public:
    explicit FieldReader(QByteArrayView bytes);

    // True at the end of the bytes, or when only blank lines, spaces and tabs remain.
    bool atEnd() const;
    // True when not a single byte is left: reading a field now fails.
    bool exhausted() const { return pos_ >= bytes_.size(); }
    QString readText();       // throws QuizError (no file name) past the end or on a bad field
    qint16 readInt();         // throws QuizError when not a number or outside -32768..32767
    void skipField();         // a field of any kind that is read and dropped

    // Position of the next unread byte, 1-based, for messages.
    int line() const;
    int column() const;
    qsizetype offset() const;
    qsizetype contentEnd() const { return contentEnd_; }

    const FieldInfo &lastField() const { return last_; }
    // The bytes of the last field read, inside its quotes; valid while the caller's bytes are.
    QByteArrayView lastBytes() const { return lastBytes_; }
    // Oddities that the rules read past but a teacher should see: a quoted text
    // over several lines, characters after a closing quote.
    const std::vector<FileProblem> &notes() const { return notes_; }

    // Used to read on after a bad record: skipLine moves to the start of the
    // next line, restartLine back to the start of the line of `field`.
    void skipLine();
    void restartLine(const FieldInfo &field);
    // True when nothing but spaces and tabs stands between here and the next line break.
    bool restOfLineBlank() const;

private:
    QByteArrayView readField();
    void skipSeparator();
    void advanceOverLineBreak();
    void note(FileProblem problem);
    void noteTabBeforeQuote(QByteArrayView raw);
    [[noreturn]] void fail(FileProblem problem) const;

    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    qsizetype contentEnd_ = 0;   // after the last byte that is not a space, tab or line break
    int line_ = 1;
    qsizetype lineStart_ = 0;
    FieldInfo last_;
    QByteArrayView lastBytes_;
    std::vector<FileProblem> notes_;
};
