#include "teacher/preview.h"
#include "quiz/quizstate.h"
#include "shell/form1.h"

#include <QMenuBar>
#include <QPainter>

PupilPreview::PupilPreview(QWidget *parent)
    : QLabel(parent), form_(std::make_unique<Form1>())
{
    setObjectName(QStringLiteral("preview"));
    setAccessibleName(QStringLiteral("Как увидит ученик"));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Form1 &f = *form_;
    // The question screen as a test shows it.
    setShown({f.Label1, f.Label2, f.Label3, f.Label4, f.Label5, f.Label6, f.Label7, f.Label8, f.Label9}, true);
    setShown({f.Label10, f.Label11, f.Label12, f.Label13, f.Label14, f.Label15, f.Shape1, f.Shape2}, false);
    setShown({f.Check1, f.Check2, f.Check3, f.Check4, f.Command1}, true);
    f.setQuestionFramesShown(true);
}

PupilPreview::~PupilPreview() = default;

void PupilPreview::showQuestion(const QuestionRecord &record, int number, const std::vector<int> &overflowing)
{
    Form1 &f = *form_;
    CaptionLabel *labels[] = {f.Label1, f.Label2, f.Label3, f.Label4, f.Label5};
    f.Label1->setText(record.question);
    for (int k = 0; k < 4; ++k)
        labels[k + 1]->setText(record.answers[size_t(k)]);
    f.Label9->setText(numberText(qint16(qMin(number, 32767))));
    f.Label6->setText(numberText(0));
    f.describeAnswers();
    QPixmap picture = f.grab();
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::red, 2));
    for (int field : overflowing)
        painter.drawRect(labels[qBound(0, field, 4)]->geometry().translated(f.centralWidget()->pos()).adjusted(1, 1, -1, -1));
    painter.end();
    setPixmap(picture);
    setMinimumSize(picture.size());
    setAccessibleDescription(record.question);
}
