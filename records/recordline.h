#pragma once
// One line of records.ssu, "name,topic, grade" CR LF in Windows-1251: the one place
// that writes such a line and the one that reads its three fields back. The append,
// the records window and the checker all go through here.

#include "quiz/fieldreader.h"
#include <QByteArray>
#include <QString>
#include <optional>

struct RecordEntryRecord {
    QString name;
    QString topic;
    qint16 grade = 0;
};

// The grade as the file and the records window's grade column hold it: one space and
// the digits for zero and above (" 4"), the minus sign and the digits below zero ("-3").
QString gradeText(qint16 grade);

// The bytes of one line, CR LF included; nullopt when a field cannot be held in
// Windows-1251 or the line would not read back as the same record.
std::optional<QByteArray> recordLine(const RecordEntryRecord &entry);

// The record at the reader's place: name, topic and grade, by the field rules. Throws
// QuizError as the reader does when a field is missing or the grade is no number.
RecordEntryRecord readRecord(FieldReader &reader);
