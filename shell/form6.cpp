#include "shell/form6.h"

#include "quiz/quizstate.h"
#include "shell/messages.h"
#include "shell/sound.h"
#include "shell/windows.h"

#include <QCloseEvent>
#include <QPushButton>

namespace {

using K = ControlKind;

const ControlRow controls[] = {
    {.name = "Command2", .kind = K::Button, .text = "Нет", .left = 4320, .top = 1920, .width = 1575, .height = 375, .tabIndex = 2},
    {.name = "Command1", .kind = K::Button, .text = "Да", .left = 1800, .top = 1920, .width = 1575, .height = 375, .tabIndex = 1},
    {.name = "Image1", .kind = K::Picture, .left = 120, .top = 120, .width = 1545, .height = 2250, .picture = ":/pictures/title.jpg", .accessibleName = "Заставка: самолёт, бронетранспортёр, пистолет, водопад и надпись «Тесты по ЗУФ»"},
    {.name = "Label2", .kind = K::Label, .text = "01/09/2003", .left = 5040, .top = 1440, .width = 855, .height = 255, .font = {"Times New Roman", 8.25}, .align = Align::Right, .tabIndex = 3},
    {.name = "Shape2", .kind = K::FrameShape, .left = 1800, .top = 120, .width = 4095, .height = 1575, .fore = systemColour(12), .marked = false},
    {.name = "Shape1", .kind = K::FrameShape, .left = 120, .top = 120, .width = 1575, .height = 2295, .fore = systemColour(3), .marked = false},
    {.name = "Label1", .kind = K::Label, .text = "Вы желаете работать с тестами по ЗУФ?", .left = 1800, .top = 360, .width = 4095, .height = 735, .font = {"Times New Roman", 15.75, true, true}, .back = systemColour(4), .align = Align::Centre, .tabIndex = 0},
};

const WindowLayout windowTable = {
    .name = "Form6",
    .caption = "Form6",
    .clientWidth = 6015,
    .clientHeight = 2490,
    .background = systemColour(11),
    .font = {"MS Sans Serif", 8.25},
    .frameless = true,
    .controls = controls,
    // The caption is never shown; a screen reader reads the program's title instead.
    .accessibleName = "Тесты по ЗУФ",
};

} // namespace

Form6::Form6()
{
    buildWindow(*this, *this, windowTable);
    Command1 = control<QPushButton>(*this, "Command1");
    Command2 = control<QPushButton>(*this, "Command2");
    Image1 = control<QLabel>(*this, "Image1");
    Label1 = control<CaptionLabel>(*this, "Label1");
    Label2 = control<CaptionLabel>(*this, "Label2");
    Shape1 = control<FrameShape>(*this, "Shape1");
    Shape2 = control<FrameShape>(*this, "Shape2");
    // "Да" has the keyboard when the window opens: with it, a screen reader reads the question.
    Command1->setAccessibleDescription(Label1->text());
    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form6::Command2_Click);
}

void Form6::Command1_Click()
{
    reshowMainWindow();
    hide();
    QuizState.welcomeDone = 1;
    askUserName();
    // A folder without question files or closed to results is said before any test.
    warnOfWorkingFolder(&mainWindow(), true);
}

void Form6::Command2_Click()
{
    playCue(ExitCue);
    endProgram();
}

// Closed by the desktop: as "Нет".
void Form6::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Command2_Click();
}
