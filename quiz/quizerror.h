#pragma once
// Faults are values (FileProblem) or one exception type (QuizError) that the
// window showing them catches; nothing in the core ends the process.

#include <QString>
#include <exception>

enum class Severity { Warning, Error };
enum class ProblemId;   // problemtexts.h: which sentence of the table a finding is

// One finding in a file, with its 1-based line and column (0 when not tied to a place).
struct FileProblem {
    int line = 0;
    int column = 0;
    Severity severity = Severity::Error;
    QString message;    // one plain Russian sentence a teacher understands
    ProblemId id{};     // None for a message written outside the table
};

class QuizError : public std::exception {
public:
    QuizError(QString file, FileProblem problem);
    explicit QuizError(QString message);   // a fault not tied to a file

    const QString &file() const { return file_; }
    const FileProblem &problem() const { return problem_; }
    // "qes3.ssu, строка 4, позиция 12: ..." for a message box; without a line
    // "qes3.ssu: ...", without a file only the sentence.
    QString userMessage() const;
    const char *what() const noexcept override;

private:
    QString file_;
    FileProblem problem_;
    QByteArray what_;
};
