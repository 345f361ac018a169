#include "topics/form2.h"

#include "quiz/quizerror.h"
#include "quiz/quizsession.h"
#include "shell/messages.h"
#include "shell/windows.h"
#include "topics/catalogue.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>

namespace {

using K = ControlKind;

const ControlRow controls[] = {
    {.name = "Command2", .kind = K::Button, .text = "Отмена", .left = 3960, .top = 2040, .width = 1695, .height = 375, .tabIndex = 2},
    {.name = "Command1", .kind = K::Button, .text = "Ok", .left = 840, .top = 2040, .width = 1695, .height = 375, .tabIndex = 1},
    {.name = "List1", .kind = K::ListBox, .left = 0, .top = 0, .width = 6375, .height = 1845, .font = {"Times New Roman", 11.25}, .fore = Black, .back = systemColour(0), .tabIndex = 0, .sorted = true, .accessibleName = "Темы"},
    {.name = "Shape1", .kind = K::FrameShape, .left = 120, .top = 1920, .width = 6135, .height = 615, .fore = systemColour(3), .marked = true},
};

const char *const icons[] = {":/icons/open-book-16.png", ":/icons/open-book-32.png"};

const WindowLayout windowTable = {
    .name = "Form2",
    .caption = "Выбор темы",
    .clientWidth = 6375,
    .clientHeight = 2625,
    .background = systemColour(15),
    .font = {"MS Sans Serif", 8.25},
    .icons = icons,
    .controls = controls,
};

} // namespace

Form2::Form2()
{
    buildWindow(*this, *this, windowTable);
    Command1 = control<QPushButton>(*this, "Command1");
    Command2 = control<QPushButton>(*this, "Command2");
    List1 = control<QListWidget>(*this, "List1");
    Shape1 = control<FrameShape>(*this, "Shape1");
    for (const Topic &topic : topicCatalogue())
        List1->addItem(topic.name);

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &Form2::List1_DblClick);
    connect(List1->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Form2::keepTopicSelected);
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *enter = new QShortcut(key, List1, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, &Form2::List1_Return);
    }
    announceRowsOf(*List1);
}

// Once a topic is chosen, a Ctrl+click or Ctrl+Space on it would leave the list with
// none: the topic is selected again, so the list only ever changes to another topic.
void Form2::keepTopicSelected(const QItemSelection &, const QItemSelection &deselected)
{
    if (List1->selectionModel()->hasSelection() || deselected.isEmpty())
        return;
    List1->selectionModel()->select(deselected.indexes().first(), QItemSelectionModel::Select);
}

QString Form2::selectedTopic() const
{
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void Form2::Command1_Click()
{
    startTest();
}

void Form2::List1_DblClick()
{
    startTest();
}

// Return in the list starts the topic the keyboard is on, as "Ok" does for the selected one.
void Form2::List1_Return()
{
    if (QListWidgetItem *current = List1->currentItem())
        current->setSelected(true);
    startTest();
}

void Form2::Command2_Click()
{
    returnToMainWindow(*this);
}

// Closed by the desktop: as "Отмена", so the main window is never left disabled.
void Form2::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Command2_Click();
}

void startTest()
{
    Form2 &topics = form2();
    // "Ok" with no topic does nothing, and it leaves the topic of a running test in
    // place, so that test still records its own topic.
    const QString chosen = topics.selectedTopic();
    if (chosen.isEmpty())
        return;
    try {
        quizSession().start(chosen);
    } catch (const QuizError &error) {
        // The running test, if any, goes on as it was.
        showFault(&topics, QStringLiteral("Ошибка"), error.userMessage());
        return;
    }
    // Said over question 1, not after question 10: the pupil may still take the test.
    warnOfWorkingFolder(&mainWindow(), false);
}
