#include "quiz/form3.h"

#include "quiz/grading.h"
#include "quiz/problemtexts.h"
#include "quiz/quizstate.h"
#include "records/recordsfile.h"
#include "shell/form1.h"
#include "shell/messages.h"
#include "shell/sound.h"
#include "shell/windows.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QPushButton>

namespace {

using K = ControlKind;
constexpr Colour Grey3 = systemColour(3);

const ControlRow controls[] = {
    {.name = "Command1", .kind = K::Button, .text = "Ok", .left = 2640, .top = 3360, .width = 1215, .height = 375, .tabIndex = 1},
    {.name = "Label2", .kind = K::Label, .text = "Ваша оценка", .left = 240, .top = 3360, .width = 1935, .height = 375, .font = {"Times New Roman", 12, true}, .align = Align::Centre, .tabIndex = 2},
    {.name = "Shape2", .kind = K::FrameShape, .left = 120, .top = 3240, .width = 3975, .height = 615, .fore = Grey3, .marked = true},
    {.name = "Shape1", .kind = K::FrameShape, .left = 120, .top = 120, .width = 3975, .height = 3015, .fore = Grey3, .marked = true},
    {.name = "Image1", .kind = K::Picture, .left = 0, .top = 2880, .width = 4215, .height = 1095},
    {.name = "Label1", .kind = K::Label, .left = 360, .top = 240, .width = 3495, .height = 2775, .font = {"Times New Roman", 150}, .fore = Black, .align = Align::Centre, .tabIndex = 0, .accessibleName = "Ваша оценка: %1"},
};

const char *const icons[] = {":/icons/document-16.png", ":/icons/document-32.png", ":/icons/document-48.png"};

const WindowLayout windowTable = {
    .name = "Form3",
    .caption = "Оценка",
    .clientWidth = 4245,
    .clientHeight = 3915,
    .background = systemColour(10),
    .font = {"MS Sans Serif", 8.25},
    .icons = icons,
    .controls = controls,
};

} // namespace

Form3::Form3()
{
    buildWindow(*this, *this, windowTable);
    Command1 = control<QPushButton>(*this, "Command1");
    Label1 = control<CaptionLabel>(*this, "Label1");
    Label2 = control<CaptionLabel>(*this, "Label2");
    Shape1 = control<FrameShape>(*this, "Shape1");
    Shape2 = control<FrameShape>(*this, "Shape2");
    Image1 = control<QLabel>(*this, "Image1");
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
}

void Form3::Command1_Click()
{
    Form1 &main = form1();
    returnToMainWindow(*this);
    main.Newpers->setEnabled(true);
    main.setQuestionFramesShown(false);
}

// Closed by the desktop: as "Ok", so the main window is never left disabled.
void Form3::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Command1_Click();
}

void finishTest()
{
    Form1 &main = form1();
    Form3 &result = form3();

    main.setEnabled(false);
    QuizState.grade = computeGrade(QuizState.score, QuizState.threshold5, QuizState.threshold4,
                                   QuizState.threshold3);
    result.Label1->setText(QString::number(QuizState.grade));
    // "Ok" has the keyboard as the window opens: with it, a screen reader reads the grade.
    result.Command1->setAccessibleDescription(problemText(ProblemId::SpokenAnswerTaken) + u' '
                                              + QAccessible::queryAccessibleInterface(result.Label1)->text(QAccessible::Name));
    showWindow(result);
    playCue(QuizState.grade > 2 ? WinnerCue : FailedCue);
    const std::optional<QString> notSaved =
        appendRecord(RecordsFileName, {QuizState.userName, QuizState.topicName, QuizState.grade});
    QuizState.questionNumber = 0;
    main.setTitleTexts();
    main.showTitleScreen();

    // The grade stands in the result window all the same; say why it is not recorded, or
    // that it may not be: a write that was not confirmed is no certain failure.
    if (notSaved) {
        const bool maybeSaved = *notSaved == unconfirmedMessage(RecordsFileName);
        showFault(&result, QStringLiteral("Ошибка"),
                  maybeSaved ? *notSaved : problemText(ProblemId::RecordsResultNotSaved) + u'\n' + *notSaved);
    }
}
