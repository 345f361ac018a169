#include "shell/form1.h"

#include "quiz/problemtexts.h"
#include "quiz/quizsession.h"
#include "quiz/quizstate.h"
#include "records/form5.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "shell/messages.h"
#include "shell/sound.h"
#include "shell/windows.h"
#include "topics/form2.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

using K = ControlKind;
constexpr FontSpec Times825{"Times New Roman", 8.25};
constexpr FontSpec Sans825{"MS Sans Serif", 8.25};
constexpr Colour Grey3 = systemColour(3);

const ControlRow controls[] = {
    {.name = "Check4", .kind = K::CheckBox, .text = "Check4", .left = 240, .top = 5520, .width = 255, .height = 255, .tabIndex = 16, .accessibleDescription = "Ответ 4"},
    {.name = "Check3", .kind = K::CheckBox, .text = "Check3", .left = 240, .top = 4800, .width = 255, .height = 255, .tabIndex = 15, .accessibleDescription = "Ответ 3"},
    {.name = "Check2", .kind = K::CheckBox, .text = "Check2", .left = 240, .top = 4080, .width = 255, .height = 225, .tabIndex = 14, .accessibleDescription = "Ответ 2"},
    {.name = "Check1", .kind = K::CheckBox, .text = "Check1", .left = 240, .top = 3360, .width = 255, .height = 255, .tabIndex = 13, .accessibleDescription = "Ответ 1"},
    {.name = "Command1", .kind = K::Button, .text = "Ответ", .left = 3480, .top = 6240, .width = 1335, .height = 375, .font = Sans825, .tabIndex = 5, .hidden = true},
    {.name = "Shape10", .kind = K::FrameShape, .left = 6120, .top = 240, .width = 1815, .height = 975, .fore = Grey3, .marked = true},
    {.name = "Shape9", .kind = K::FrameShape, .left = 240, .top = 240, .width = 1815, .height = 975, .fore = Grey3, .marked = true},
    {.name = "Shape8", .kind = K::FrameShape, .left = 240, .top = 1560, .width = 7695, .height = 1335, .fore = Grey3, .marked = true},
    {.name = "Shape7", .kind = K::FrameShape, .left = 2640, .top = 6120, .width = 3015, .height = 615, .fore = Grey3, .marked = true},
    {.name = "Shape6", .kind = K::FrameShape, .left = 120, .top = 5400, .width = 7935, .height = 615, .fore = Grey3, .marked = true},
    {.name = "Shape5", .kind = K::FrameShape, .left = 120, .top = 4680, .width = 7935, .height = 615, .fore = Grey3, .marked = false},
    {.name = "Shape4", .kind = K::FrameShape, .left = 120, .top = 3960, .width = 7935, .height = 615, .fore = Grey3, .marked = true},
    {.name = "Shape3", .kind = K::FrameShape, .left = 120, .top = 3240, .width = 7935, .height = 615, .fore = Grey3, .marked = true},
    {.name = "Label15", .kind = K::Label, .text = "Тесты по ЗУФ", .left = 6840, .top = 1200, .width = 1095, .height = 255, .font = Times825, .tabIndex = 19},
    {.name = "Shape2", .kind = K::FrameShape, .left = 120, .top = 120, .width = 7935, .height = 1335, .fore = Grey3, .marked = true},
    {.name = "Label14", .kind = K::Label, .text = "\"Тровель\"", .left = 120, .top = 120, .width = 7935, .height = 1335, .font = {"Times New Roman", 33.75, true}, .align = Align::Centre, .tabIndex = 18},
    {.name = "Label13", .kind = K::Label, .text = "Версия 1.0", .left = 7080, .top = 6480, .width = 975, .height = 255, .font = Times825, .align = Align::Centre, .tabIndex = 17},
    {.name = "Shape1", .kind = K::FrameShape, .left = 120, .top = 1560, .width = 7935, .height = 5175, .fore = Grey3, .marked = true},
    {.name = "Label12", .kind = K::Label, .left = 120, .top = 4440, .width = 7935, .height = 2175, .font = {"Times New Roman", 12, true, true}, .fore = Black, .back = systemColour(10), .align = Align::Centre, .tabIndex = 12},
    {.name = "Label11", .kind = K::Label, .left = 120, .top = 2880, .width = 7935, .height = 1455, .font = {"Times New Roman", 12, true, true}, .fore = Black, .back = systemColour(10), .align = Align::Centre, .tabIndex = 11},
    {.name = "Label10", .kind = K::Label, .left = 120, .top = 1920, .width = 7935, .height = 735, .font = {"Times New Roman", 24, true, true}, .fore = systemColour(6), .align = Align::Centre, .tabIndex = 10},
    {.name = "Label9", .kind = K::Label, .text = "0", .left = 6240, .top = 120, .width = 1575, .height = 735, .font = {"Times New Roman", 36}, .fore = Black, .align = Align::Centre, .tabIndex = 9, .hidden = true, .accessibleName = "Номер вопроса: %1"},
    {.name = "Label8", .kind = K::Label, .text = "Количество баллов", .left = 240, .top = 840, .width = 1935, .height = 375, .font = Sans825, .fore = Black, .align = Align::Centre, .tabIndex = 8, .hidden = true},
    {.name = "Label7", .kind = K::Label, .text = "Номер вопроса", .left = 6120, .top = 840, .width = 1815, .height = 375, .font = Sans825, .fore = Black, .align = Align::Centre, .tabIndex = 7, .hidden = true},
    {.name = "Label6", .kind = K::Label, .text = "0", .left = 240, .top = 120, .width = 1815, .height = 735, .font = {"Times New Roman", 36}, .fore = Black, .align = Align::Centre, .tabIndex = 6, .hidden = true, .accessibleName = "Количество баллов: %1"},
    {.name = "Label5", .kind = K::Label, .left = 1080, .top = 5400, .width = 6735, .height = 615, .font = Sans825, .tabIndex = 4, .namesControl = true},
    {.name = "Label4", .kind = K::Label, .left = 1080, .top = 4680, .width = 6975, .height = 615, .font = Sans825, .tabIndex = 3, .namesControl = true},
    {.name = "Label3", .kind = K::Label, .left = 1080, .top = 3960, .width = 6735, .height = 615, .font = Sans825, .tabIndex = 2, .namesControl = true},
    {.name = "Label2", .kind = K::Label, .left = 1080, .top = 3240, .width = 6735, .height = 615, .font = Sans825, .back = systemColour(0), .tabIndex = 1, .namesControl = true},
    {.name = "Label1", .kind = K::Label, .left = 360, .top = 1680, .width = 7455, .height = 1455, .font = {"MS Sans Serif", 9.75}, .fore = rgbColour(64, 0, 0), .tabIndex = 0},
};

const MenuRow menu[] = {
    {"File", "&Файл", 0},
    {"New", "&Новый тест", 1},
    {"Rec", "&Рекорды", 1},
    {"Newpers", "&Сменить имя", 1},
    {"sq", "-", 1},
    {"quit", "&Выход", 1},
    {"hp", "&Справка", 0},
    {"help", "&Помощь", 1},
};

const WindowLayout windowTable = {
    .name = "Form1",
    .caption = "Тесты по ЗУФ",
    .clientWidth = 8160,
    .clientHeight = 6855,
    .background = systemColour(0),
    .font = {"Times New Roman", 9.75},
    // No icon of its own: the stack of books is the application's icon (prepareApplication),
    // which every window without one shows; a second copy would be decoded again.
    .controls = controls,
};

const QString TitleText = QStringLiteral("Тесты по ЗУФ");
const QString AboutText = QStringLiteral(
    "Программа представляет собой сборник тестов для проверки знаний по ЗУФ. Включает в себя обширный "
    "материал с пятого по девятый класс. Пройденный тест оценивается по пятибальной шкале.");
const QString NoticeText = QStringLiteral(
    "Программа распространяется бесплатно и по принципу \"как есть\": автор не несёт ответственности "
    "за ущерб или потерю информации. Коммерческое использование без согласия автора запрещено. "
    "Перед началом работы обязательно прочтите справку ('Помощь').");

} // namespace

WindowPlace mainWindowPlace()
{
    const int width = pixels(windowTable.clientWidth);
    return placeOnScreen(windowTable, {width, pixels(windowTable.clientHeight) + menuBarHeight(menu, width)});
}

void setShown(std::initializer_list<QWidget *> widgets, bool shown)
{
    for (QWidget *w : widgets)
        w->setVisible(shown);
}

Form1::Form1()
{
    auto *client = new ClientArea(this);
    setCentralWidget(client);
    buildMenuBar(*menuBar(), menu);
    buildWindow(*this, *client, windowTable);

    const QWidget &c = *client;
    Label1 = control<CaptionLabel>(c, "Label1");
    Label2 = control<CaptionLabel>(c, "Label2");
    Label3 = control<CaptionLabel>(c, "Label3");
    Label4 = control<CaptionLabel>(c, "Label4");
    Label5 = control<CaptionLabel>(c, "Label5");
    Label6 = control<CaptionLabel>(c, "Label6");
    Label7 = control<CaptionLabel>(c, "Label7");
    Label8 = control<CaptionLabel>(c, "Label8");
    Label9 = control<CaptionLabel>(c, "Label9");
    Label10 = control<CaptionLabel>(c, "Label10");
    Label11 = control<CaptionLabel>(c, "Label11");
    Label12 = control<CaptionLabel>(c, "Label12");
    Label13 = control<CaptionLabel>(c, "Label13");
    Label14 = control<CaptionLabel>(c, "Label14");
    Label15 = control<CaptionLabel>(c, "Label15");
    Check1 = control<TickBox>(c, "Check1");
    Check2 = control<TickBox>(c, "Check2");
    Check3 = control<TickBox>(c, "Check3");
    Check4 = control<TickBox>(c, "Check4");
    Command1 = control<QPushButton>(c, "Command1");
    Shape1 = control<FrameShape>(c, "Shape1");
    Shape2 = control<FrameShape>(c, "Shape2");
    Shape3 = control<FrameShape>(c, "Shape3");
    Shape4 = control<FrameShape>(c, "Shape4");
    Shape5 = control<FrameShape>(c, "Shape5");
    Shape6 = control<FrameShape>(c, "Shape6");
    Shape7 = control<FrameShape>(c, "Shape7");
    Shape8 = control<FrameShape>(c, "Shape8");
    Shape9 = control<FrameShape>(c, "Shape9");
    Shape10 = control<FrameShape>(c, "Shape10");
    File = menuBar()->findChild<QMenu *>(QStringLiteral("File"));
    hp = menuBar()->findChild<QMenu *>(QStringLiteral("hp"));
    New = findChild<QAction *>(QStringLiteral("New"));
    Rec = findChild<QAction *>(QStringLiteral("Rec"));
    Newpers = findChild<QAction *>(QStringLiteral("Newpers"));
    sq = findChild<QAction *>(QStringLiteral("sq"));
    quit = findChild<QAction *>(QStringLiteral("quit"));
    help = findChild<QAction *>(QStringLiteral("help"));

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Label2, &CaptionLabel::clicked, this, &Form1::Label2_Click);
    connect(Label3, &CaptionLabel::clicked, this, &Form1::Label3_Click);
    connect(Label4, &CaptionLabel::clicked, this, &Form1::Label4_Click);
    connect(Label5, &CaptionLabel::clicked, this, &Form1::Label5_Click);
    connect(New, &QAction::triggered, this, &Form1::New_Click);
    connect(Rec, &QAction::triggered, this, &Form1::Rec_Click);
    connect(Newpers, &QAction::triggered, this, &Form1::Newpers_Click);
    connect(quit, &QAction::triggered, this, &Form1::quit_Click);
    connect(help, &QAction::triggered, this, &Form1::help_Click);

    // The question and the title text take the keyboard when they appear; the question
    // is then read first, the answers follow it and "Ответ" comes last.
    Label1->setFocusPolicy(Qt::TabFocus);
    Label11->setFocusPolicy(Qt::TabFocus);
    const std::array<QWidget *, 6> tabOrder = {Label1, Check1, Check2, Check3, Check4, Command1};
    for (size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    markFocusedAnswers();
    installEventFilter(this);   // after the menu bar's own, so that it comes first

    placeCentred(*this, nullptr);
}

void Form1::Form_Load()
{
    if (QuizState.welcomeDone == 0) {
        showWelcomeWindow();
        hide();
    }
    setShown({Check1, Check2, Check3, Check4}, false);
    setTitleTexts();
    setQuestionFramesShown(false);
    focusTitleScreen();
}

void Form1::setTitleTexts()
{
    Label10->setText(TitleText);
    Label11->setText(AboutText);
    Label12->setText(NoticeText);
    // A screen reader reads the label that has the keyboard by its name alone: the
    // notice below is read with it, once.
    Label11->namePattern = QStringLiteral("%1 ") + NoticeText;
}

void Form1::focusTitleScreen()
{
    Label11->setFocus();
}

void Form1::showTitleScreen()
{
    setShown({Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9}, false);
    setShown({Label10, Label11, Label12}, true);
    Command1->hide();
    setShown({Check1, Check2, Check3, Check4}, false);
    setQuestionFramesShown(false);
    setShown({Label15, Label14, Label13}, true);
    setShown({Shape1, Shape2}, true);
    describeAnswers();
    focusTitleScreen();
}

void Form1::showQuestionScreen()
{
    setShown({Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9}, true);
    setShown({Label10, Label11, Label12}, false);
    Command1->show();
    setShown({Check1, Check2, Check3, Check4}, true);
    setShown({Label13, Label14, Label15, Shape1, Shape2}, false);
    setQuestionFramesShown(true);
}

void Form1::endTest()
{
    Newpers->setEnabled(true);
    setQuestionFramesShown(false);
}

void Form1::setQuestionFramesShown(bool shown)
{
    setShown({Shape3, Shape4, Shape5, Shape6, Shape7, Shape8, Shape9, Shape10}, shown);
}

void Form1::showQuestion(int n)
{
    showQuestionTexts(QuestionBank.questionAt(n),
                      {QuestionBank.answer(n, 1), QuestionBank.answer(n, 2), QuestionBank.answer(n, 3), QuestionBank.answer(n, 4)});
}

void Form1::showQuestionTexts(const QString &question, const std::array<QString, 4> &answers)
{
    Label1->setText(question);
    Label2->setText(answers[0]);
    Label3->setText(answers[1]);
    Label4->setText(answers[2]);
    Label5->setText(answers[3]);
    describeAnswers();
}

void Form1::showCounters(qint16 number, qint16 score)
{
    Label9->setText(numberText(number));
    Label6->setText(numberText(score));
}

const CaptionLabel &Form1::questionCaption(int field) const
{
    const std::array<const CaptionLabel *, 5> captions = {Label1, Label2, Label3, Label4, Label5};
    return *captions.at(size_t(field));
}

void Form1::clearQuestionTexts()
{
    for (CaptionLabel *label : {Label1, Label2, Label3, Label4, Label5})
        label->clear();
}

std::array<std::pair<TickBox *, CaptionLabel *>, 4> Form1::answerRows() const
{
    return {{{Check1, Label2}, {Check2, Label3}, {Check3, Label4}, {Check4, Label5}}};
}

void Form1::describeAnswers()
{
    for (auto [box, label] : answerRows())
        box->setAccessibleName(stripMnemonic(label->text()));
    centralWidget()->setAccessibleDescription(stripMnemonic(Label1->text()));
}

void Form1::markFocusedAnswers()
{
    for (auto [box, label] : answerRows())
        label->installEventFilter(this);
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget *before, QWidget *now) {
        for (auto [box, label] : answerRows()) {
            if (box == before || box == now)
                label->update();
        }
    });
}

// The focus moves while the window's children are destroyed, after this window's own
// part is gone: the answers' frames are repainted only while it lives.
Form1::~Form1()
{
    disconnect(focusWatch_);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this)
        return isSecondAltOfScreenReader(*event);
    if (event->type() != QEvent::Paint)
        return QMainWindow::eventFilter(watched, event);
    for (auto [box, label] : answerRows()) {
        if (label != watched || !box->hasFocus())
            continue;
        static_cast<QObject *>(label)->event(event);   // the text as always, then the frame
        QStylePainter painter(label);
        QStyleOptionFocusRect frame;
        frame.initFrom(label);
        frame.backgroundColor = label->palette().color(label->backgroundRole());
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// With a screen reader, Qt hands each key to it and delivers the key again once the
// reader has let it pass. The menu bar sees Alt twice then: the first opens it, the
// second, when the reader answered late, closes it at once. While the menu bar is
// open under a screen reader, Alt leaves it open (Escape closes it).
bool Form1::isSecondAltOfScreenReader(const QEvent &event) const
{
    if (event.type() != QEvent::ShortcutOverride || !QAccessible::isActive() || !menuBar()->activeAction())
        return false;
    const int key = static_cast<const QKeyEvent &>(event).key();
    return key == Qt::Key_Alt || key == Qt::Key_Meta;
}

void Form1::announceQuestion(bool answerTaken)
{
    // A screen reader reads the label that has the keyboard by its name alone, in one
    // breath: what it says beside the question goes into the name.
    const QString place = problemText(ProblemId::SpokenQuestionPlace, QuizState.questionNumber, QuestionsPerTest)
        + u' ' + QAccessible::queryAccessibleInterface(Label6)->text(QAccessible::Name) + u'.';
    Label1->namePattern = (answerTaken ? problemText(ProblemId::SpokenAnswerTaken) + u' ' : QString()) + QStringLiteral("%1 ") + place;
    Label1->setFocus();
}

void Form1::follow(QuizSession &session)
{
    session_ = &session;
    connect(&session, &QuizSession::started, this, &Form1::beginTest);
    connect(&session, &QuizSession::answerRefused, this, &Form1::refuseAnswer);
    connect(&session, &QuizSession::answerTaken, this, &Form1::takeAnswer);
    connect(&session, &QuizSession::questionDue, this, &Form1::showDueQuestion);
    connect(&session, &QuizSession::finished, this, &Form1::closeTest);
}

// Out of the topic window, which stays hidden; the main window takes input again.
void Form1::beginTest()
{
    showWindow(*this);
    form2().hide();
    showQuestionScreen();
    showQuestion(QuizState.questionNumber);
    showCounters(QuizState.questionNumber, QuizState.score);
    reshowMainWindow();
    setEnabled(true);
    // Activated while still disabled above; now that it takes input, give it the keyboard.
    activateWindow();
    Newpers->setEnabled(false);
    announceQuestion(false);
}

void Form1::Command1_Click()
{
    if (session_)
        session_->answer({Check1->isChecked(), Check2->isChecked(), Check3->isChecked(), Check4->isChecked()});
}

void Form1::refuseAnswer()
{
    showEmptyAnswerWarning(this);
    clearQuestionTexts();
}

void Form1::takeAnswer()
{
    for (TickBox *box : {Check1, Check2, Check3, Check4})
        box->setChecked(false);
    clearQuestionTexts();
}

// After a refused empty answer the same question comes again: no "answer taken" then.
void Form1::showDueQuestion(bool afterAnswer)
{
    showCounters(QuizState.questionNumber, QuizState.score);
    showQuestion(QuizState.questionNumber);
    announceQuestion(afterAnswer);
}

void Form1::closeTest()
{
    setTitleTexts();
    showTitleScreen();
}

// A click on an answer text toggles the tick box beside it.
void Form1::Label2_Click() { Check1->setChecked(!Check1->isChecked()); }
void Form1::Label3_Click() { Check2->setChecked(!Check2->isChecked()); }
void Form1::Label4_Click() { Check3->setChecked(!Check3->isChecked()); }
void Form1::Label5_Click() { Check4->setChecked(!Check4->isChecked()); }

void Form1::New_Click()
{
    showWindow(form2());
    setEnabled(false);
    form2().List1->setFocus();
}

void Form1::Rec_Click()
{
    listRecords();
}

void Form1::Newpers_Click()
{
    askUserName();
}

void Form1::quit_Click()
{
    if (!confirmExit(this))
        return;
    playCue(ExitCue);
    endProgram();
}

void Form1::help_Click()
{
    showWindow(form4());
    setEnabled(false);
}

// Closed by the desktop: the same question as "&Выход". While a secondary window
// holds the main window disabled, the close is refused.
void Form1::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (isEnabled())
        quit_Click();
}
