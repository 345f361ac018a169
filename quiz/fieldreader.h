#pragma once
// The sequential field reader shared by the question files and the records file:
// fields end at a comma or a line break (CR LF, lone CR, lone LF); spaces in
// front of a field are skipped; a field that begins with a double quote runs to
// the next double quote; an empty field reads as an empty text or 0.

#include "quiz/quizerror.h"
#include <QByteArray>
#include <QString>

class FieldReader {
public:
    explicit FieldReader(QByteArrayView bytes);

    // True at the end of the bytes, or when only blank lines, spaces and tabs remain.
    bool atEnd() const;
    QString readText();       // throws QuizError (no file name) past the end or on a bad field
    qint16 readInt();         // throws QuizError when not a number or outside -32768..32767
    void skipField();         // a field of any kind that is read and dropped

    // Position of the next unread byte, 1-based, for messages.
    int line() const;
    int column() const;
    qsizetype offset() const;

private:
    // implementation state is the core's own
    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    int line_ = 1;
    qsizetype lineStart_ = 0;
};
