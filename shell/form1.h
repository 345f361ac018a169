#pragma once
// The main window: title screen and question screen on one fixed set of controls,
// and the only menu bar. It shows what a quiz session tells it and hands the session
// the pupil's ticks; its controls are its own.

#include "shell/layout.h"
#include <QMainWindow>
#include <array>
#include <initializer_list>
#include <optional>

class QAction;
class QMenu;
class QPushButton;
class QuizSession;

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    Form1();
    ~Form1() override;

    // The window from now on shows this session's test, and its answer button answers it.
    void follow(QuizSession &session);

    // The title screen: everything of the question screen hidden, the title texts and
    // frames shown, the keyboard on the title text.
    void showTitleScreen();
    // The question screen: question, answers, tick boxes, counters, "Ответ" and frames.
    void showQuestionScreen();
    // The question (Label1) and the four answers (Label2..Label5) as given.
    void showQuestionTexts(const QString &question, const std::array<QString, 4> &answers);
    // The counters: question number (Label9) and score (Label6).
    void showCounters(qint16 number, qint16 score);
    // The label of a question's text: 0 the question, 1..4 the answers.
    const CaptionLabel &questionCaption(int field) const;
    // The keyboard to the title screen's text: a screen reader reads it, and the
    // window's keys (Alt for the menu) reach the window and not a hidden one.
    void focusTitleScreen();
    // The result was seen: the name may be changed again, no question frame stays.
    void endTest();

signals:
    // The run is over: main() ends the event loop on it.
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend Form1 &form1();   // loads the window once it is registered

    CaptionLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9,
        *Label10, *Label11, *Label12, *Label13, *Label14, *Label15;
    TickBox *Check1, *Check2, *Check3, *Check4;
    QPushButton *Command1;
    FrameShape *Shape1, *Shape2, *Shape3, *Shape4, *Shape5, *Shape6, *Shape7, *Shape8, *Shape9, *Shape10;
    QMenu *File, *hp;
    QAction *New, *Rec, *Newpers, *sq, *quit, *help;

    // Handlers, named after their control and event.
    void Form_Load();
    void Command1_Click();
    void Label2_Click();
    void Label3_Click();
    void Label4_Click();
    void Label5_Click();
    void New_Click();
    void Rec_Click();
    void Newpers_Click();
    void quit_Click();
    void help_Click();

    // What the session tells: a test begins, an answer is refused or taken, a question
    // is due, the test is over.
    void beginTest();
    void refuseAnswer();
    void takeAnswer();
    void showDueQuestion(bool afterAnswer);
    void closeTest();

    // Question n of QuestionBank into Label1 (question) and Label2..Label5 (answers).
    void showQuestion(int n);
    void clearQuestionTexts();
    // Title, description and notice of the title screen into Label10..Label12.
    void setTitleTexts();
    // Shape3 to Shape10, the frames of the question screen, shown or hidden together.
    void setQuestionFramesShown(bool shown);
    // A screen reader reads each tick box by the answer text beside it, and the
    // question as the description of the group the boxes stand in.
    void describeAnswers();
    // The keyboard to the question, which a screen reader then reads followed by where
    // the pupil stands ("Вопрос 2 из 10.", the score), after "Ответ принят." when an
    // answer was just taken.
    void announceQuestion(bool answerTaken);
    // An answer's text wears the focus frame too while its tick box has the keyboard:
    // the frame around the small box alone is easily missed.
    void markFocusedAnswers();
    bool isSecondAltOfScreenReader(const QEvent &event) const;
    // The tick boxes, each with the answer text beside it.
    std::array<std::pair<TickBox *, CaptionLabel *>, 4> answerRows() const;

    QuizSession *session_ = nullptr;
    QMetaObject::Connection focusWatch_;
};

// Where the main window stands once it is built, from its layout table alone: its
// client area and menu bar centred on the screen.
WindowPlace mainWindowPlace();

// Shows or hides every widget of the list.
void setShown(std::initializer_list<QWidget *> widgets, bool shown);
