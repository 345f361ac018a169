#include "teacher/preview.h"
#include "shell/form1.h"

#include <QMenuBar>
#include <QPainter>

PupilPreview::PupilPreview(QWidget *parent)
    : QLabel(parent), form_(std::make_unique<Form1>())
{
    setObjectName(QStringLiteral("preview"));
    setAccessibleName(QStringLiteral("Как увидит ученик"));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The question screen as a test shows it.
    form_->showQuestionScreen();
}

PupilPreview::~PupilPreview() = default;

void PupilPreview::showQuestion(const QuestionRecord &record, int number, const std::vector<int> &overflowing)
{
    Form1 &f = *form_;
    f.showQuestionTexts(record.question, record.answers);
    f.showCounters(qint16(qMin(number, 32767)), 0);
    QPixmap picture = f.grab();
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::red, 2));
    for (int field : overflowing)
        painter.drawRect(f.questionCaption(qBound(0, field, 4)).geometry().translated(f.centralWidget()->pos()).adjusted(1, 1, -1, -1));
    painter.end();
    setPixmap(picture);
    setMinimumSize(picture.size());
    setAccessibleDescription(record.question);
}
