#include "quiz/quizerror.h"

QuizError::QuizError(QString file, FileProblem problem)
    : file_(std::move(file)), problem_(std::move(problem)), what_(userMessage().toUtf8())
{
}

QuizError::QuizError(QString message)
    : QuizError(QString(), FileProblem{0, 0, Severity::Error, std::move(message)})
{
}

QString QuizError::userMessage() const
{
    QString place = file_;
    if (problem_.line > 0) {
        if (!place.isEmpty())
            place += QStringLiteral(", ");
        place += QStringLiteral("строка %1, позиция %2").arg(problem_.line).arg(problem_.column);
    }
    return place.isEmpty() ? problem_.message : place + QStringLiteral(": ") + problem_.message;
}

const char *QuizError::what() const noexcept
{
    return what_.constData();
}
