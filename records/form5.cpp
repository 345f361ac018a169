#include "records/form5.h"

#include "quiz/problemtexts.h"
#include "records/recordsfile.h"
#include "records/recordsmodel.h"
#include "shell/messages.h"
#include "shell/windows.h"

#include <QCloseEvent>
#include <QListView>
#include <QPushButton>
#include <QShortcut>
#include <new>

namespace {

using K = ControlKind;
constexpr FontSpec Heading{"Times New Roman", 14.25, true};
constexpr Colour Grey3 = systemColour(3);

const ControlRow controls[] = {
    {.name = "Command1", .kind = K::Button, .text = "Ok", .left = 4320, .top = 4200, .width = 1575, .height = 375, .tabIndex = 4},
    {.name = "List1", .kind = K::ListBox, .left = 0, .top = 480, .width = 10215, .height = 3570, .font = {"Courier", 9.75}, .fore = Black, .tabIndex = 3, .modelView = true, .accessibleName = "Результаты: имя, тест, оценка"},
    {.name = "Shape1", .kind = K::FrameShape, .left = 3720, .top = 4080, .width = 2775, .height = 615, .fore = Grey3, .marked = true},
    {.name = "Label3", .kind = K::Label, .text = "Оценка", .left = 8520, .top = 120, .width = 1335, .height = 375, .font = Heading, .fore = Grey3, .align = Align::Centre, .tabIndex = 2},
    {.name = "Label2", .kind = K::Label, .text = "Тест", .left = 2760, .top = 120, .width = 4215, .height = 375, .font = Heading, .fore = Grey3, .align = Align::Centre, .tabIndex = 1},
    {.name = "Label1", .kind = K::Label, .text = "Имя", .left = 120, .top = 120, .width = 1815, .height = 375, .font = Heading, .fore = Grey3, .align = Align::Centre, .tabIndex = 0},
};

const char *const icons[] = {":/icons/starburst-16.png", ":/icons/starburst-32.png"};

const WindowLayout windowTable = {
    .name = "Form5",
    .caption = "Рейтинг тестируемых",
    .clientWidth = 10245,
    .clientHeight = 4740,
    .background = systemColour(15),
    .font = {"MS Sans Serif", 8.25},
    .icons = icons,
    .controls = controls,
};

} // namespace

Form5::Form5()
{
    buildWindow(*this, *this, windowTable);
    Command1 = control<QPushButton>(*this, "Command1");
    List1 = control<QListView>(*this, "List1");
    records = new RecordsModel(this);
    List1->setModel(records);
    Shape1 = control<FrameShape>(*this, "Shape1");
    Label1 = control<CaptionLabel>(*this, "Label1");
    Label2 = control<CaptionLabel>(*this, "Label2");
    Label3 = control<CaptionLabel>(*this, "Label3");
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &Form5::Command1_Click);
    announceRowsOf(*List1);
    List1->installEventFilter(this);
}

bool Form5::eventFilter(QObject *watched, QEvent *event)
{
    return (watched == List1 && walkRows(*List1, *event)) || QWidget::eventFilter(watched, event);
}

void Form5::Command1_Click()
{
    returnToMainWindow(*this);
    // Nothing of the file is kept while the window is closed.
    records->clear();
}

// Closed by the desktop: as "Ok", so the main window is never left disabled.
void Form5::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Command1_Click();
}

void listRecords()
{
    Form5 &window = form5();

    std::optional<QString> fault;
    try {
        fault = window.records->listFile(RecordsFileName);
    } catch (const std::bad_alloc &) {
        window.records->clear();
        // The same fact as the teacher's results page meets, in the same words.
        fault = problemText(ProblemId::ResultsNoMemory, RecordsFileName);
    }
    if (fault) {
        showFault(&mainWindow(), QStringLiteral("Ошибка"), *fault);
        return;
    }

    setMainWindowEnabled(false);
    // The keyboard on the first row, which a screen reader reads as the window opens;
    // nothing is selected by it.
    if (window.records->rowCount() > 0)
        window.List1->selectionModel()->setCurrentIndex(window.records->index(0, 0), QItemSelectionModel::NoUpdate);
    window.List1->setFocus();
    showWindow(window);
}
