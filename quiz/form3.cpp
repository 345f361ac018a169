#include "quiz/form3.h"

#include "quiz/problemtexts.h"
#include "records/recordsfile.h"
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
    returnToMainWindowAfterTest(*this);
}

// Closed by the desktop: as "Ok", so the main window is never left disabled.
void Form3::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Command1_Click();
}

void finishTest(qint16 grade)
{
    Form3 &result = form3();

    setMainWindowEnabled(false);
    result.Label1->setText(QString::number(grade));
    // "Ok" has the keyboard as the window opens: with it, a screen reader reads the grade.
    result.Command1->setAccessibleDescription(problemText(ProblemId::SpokenAnswerTaken) + u' '
                                              + QAccessible::queryAccessibleInterface(result.Label1)->text(QAccessible::Name));
    showWindow(result);
    playCue(grade > 2 ? WinnerCue : FailedCue);
}

// The grade stands in the result window all the same; say why it is not recorded, or
// that it may not be: a write that was not confirmed is no certain failure.
void reportUnsavedResult(const std::optional<QString> &notSaved)
{
    if (!notSaved)
        return;
    const bool maybeSaved = *notSaved == unconfirmedMessage(RecordsFileName);
    showFault(&form3(), QStringLiteral("Ошибка"),
              maybeSaved ? *notSaved : problemText(ProblemId::RecordsResultNotSaved) + u'\n' + *notSaved);
}
