#include "topics/catalogue.h"
#include "quiz/quizstate.h"

const std::array<Topic, 9> &topicCatalogue()
{
    // The names are list entries, mapping keys and records fields at once:
    // they stay exactly as the existing records files hold them.
    static const std::array<Topic, 9> catalogue{{
        {QStringLiteral("Безопасность прихимических авариях"), QStringLiteral("qes9.ssu")},
        {QStringLiteral("Землетрясение"), QStringLiteral("qes7.ssu")},
        {QStringLiteral("Мероприятия гражданской обороны по защите населения"), QStringLiteral("qes3.ssu")},
        {QStringLiteral("Наводнения"), QStringLiteral("qes8.ssu")},
        {QStringLiteral("Правила безопасного поведения в быту"), QStringLiteral("qes1.ssu")},
        {QStringLiteral("Правила безопасного поведения на воде"), QStringLiteral("qes5.ssu")},
        {QStringLiteral("Правила безопасного поведения на природе"), QStringLiteral("qes4.ssu")},
        {QStringLiteral("Правила безопасного поведения на транспорте"), QStringLiteral("qes2.ssu")},
        {QStringLiteral("Ураганы_бури_смерчи"), QStringLiteral("qes6.ssu")},
    }};
    return catalogue;
}

void topicFileFor(const QString &name)
{
    // The names all differ, so the order of comparison cannot matter.
    for (const Topic &topic : topicCatalogue()) {
        if (topic.name == name) {
            QuizState.questionFile = topic.file;
            return;
        }
    }
}
