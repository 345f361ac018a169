#pragma once
// Shared by the window tests: a fresh run in a temporary working folder, question
// files written by the test, and answers to the modal dialogs a click opens.

#include "quiz/codepage.h"
#include "quiz/quizstate.h"
#include "records/recordsfile.h"
#include "shell/appearance.h"
#include "shell/form1.h"
#include "shell/form6.h"
#include "shell/sound.h"
#include "shell/windows.h"
#include "topics/form2.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

namespace gui {

// A control, menu or command of a window by its name, as the window's layout names
// it; a missing one ends the test with its name.
template <class T = QWidget>
T *widget(const QObject &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("%s has no %s", qPrintable(window.objectName()), name);
    return found;
}

// The main window's controls by kind and number, and its menus and commands by name.
inline CaptionLabel *mainLabel(int n) { return widget<CaptionLabel>(form1(), qPrintable(QStringLiteral("Label%1").arg(n))); }
inline TickBox *mainBox(int n) { return widget<TickBox>(form1(), qPrintable(QStringLiteral("Check%1").arg(n))); }
inline FrameShape *mainShape(int n) { return widget<FrameShape>(form1(), qPrintable(QStringLiteral("Shape%1").arg(n))); }
inline QPushButton *mainButton() { return widget<QPushButton>(form1(), "Command1"); }
inline QMenu *mainMenu(const char *name) { return widget<QMenu>(form1(), name); }
inline QAction *mainAction(const char *name) { return widget<QAction>(form1(), name); }

// What a modal dialog showed when it was answered.
struct SeenDialog {
    QString kind;           // "message" or "input"
    QString title;
    QString text;           // message text, or the input prompt
    QStringList buttons;    // captions without "&", left to right as Qt orders them
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString defaultButton;
};

inline QStringList buttonCaptions(QWidget *dialog)
{
    QStringList captions;
    if (auto *box = dialog->findChild<QDialogButtonBox *>())
        for (QAbstractButton *b : box->buttons())
            captions << b->text().remove(u'&');
    captions.sort();
    return captions;
}

inline SeenDialog describe(QWidget *dialog)
{
    SeenDialog seen;
    seen.title = dialog->windowTitle();
    seen.buttons = buttonCaptions(dialog);
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        seen.kind = QStringLiteral("message");
        seen.text = box->text();
        seen.icon = box->icon();
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text().remove(u'&');
    } else if (auto *input = qobject_cast<QInputDialog *>(dialog)) {
        seen.kind = QStringLiteral("input");
        seen.text = input->labelText();
    }
    return seen;
}

// Answers, in order, the modal dialogs that the next actions open. Arm it before the
// click that opens them: the click returns only when they are closed. A dialog nobody
// expected is recorded and closed so that a failing test cannot hang.
class ModalAnswers : public QObject {
public:
    using Answer = std::function<void(QWidget *dialog)>;

    ModalAnswers()
    {
        connect(&timer_, &QTimer::timeout, this, &ModalAnswers::poll);
        timer_.start(10);
    }

    ModalAnswers &then(Answer answer)
    {
        queue_.push_back(std::move(answer));
        return *this;
    }
    // A message box: press the button with this standard role.
    ModalAnswers &press(QMessageBox::StandardButton button)
    {
        return then([button](QWidget *dialog) {
            auto *box = qobject_cast<QMessageBox *>(dialog);
            QVERIFY2(box, "expected a message box");
            box->button(button)->click();
        });
    }
    // The name prompt: type text (set directly, Cyrillic included) and press OK.
    ModalAnswers &enter(const QString &text)
    {
        return then([text](QWidget *dialog) {
            QVERIFY2(qobject_cast<QInputDialog *>(dialog), "expected the name prompt");
            dialog->findChild<QLineEdit *>()->setText(text);
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
    }
    // The name prompt: press Cancel.
    ModalAnswers &cancel()
    {
        return then([](QWidget *dialog) {
            QVERIFY2(qobject_cast<QInputDialog *>(dialog), "expected the name prompt");
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        });
    }

    bool allAnswered() const { return queue_.empty(); }
    const QList<SeenDialog> &seen() const { return seen_; }
    const QStringList &unexpected() const { return unexpected_; }

private:
    void poll()
    {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || dialog == last_)
            return;
        last_ = dialog;
        if (queue_.empty()) {
            unexpected_ << dialog->windowTitle();
            closeUnexpected(dialog);
            return;
        }
        seen_ << describe(dialog);
        Answer answer = std::move(queue_.front());
        queue_.pop_front();
        answer(dialog);
    }

    static void closeUnexpected(QWidget *dialog)
    {
        if (auto *input = qobject_cast<QInputDialog *>(dialog)) {
            // A name loop only ends with a name.
            input->findChild<QLineEdit *>()->setText(QStringLiteral("Unexpected"));
            input->accept();
        } else if (auto *d = qobject_cast<QDialog *>(dialog)) {
            d->reject();
        }
    }

    QTimer timer_;
    std::deque<Answer> queue_;
    QPointer<QWidget> last_;
    QList<SeenDialog> seen_;
    QStringList unexpected_;
};

// One question record: question n, answers "Ответ n.k", the four flags.
struct Question {
    std::array<int, 4> flags;
};

inline QByteArray questionFile(int t5, int t4, int t3, const QList<Question> &records)
{
    QString text = QStringLiteral("%1,%2,%3,0\r\n").arg(t5).arg(t4).arg(t3);
    int n = 0;
    for (const Question &q : records) {
        ++n;
        text += QStringLiteral("\"Вопрос %1\",\"Ответ %1.1\",\"Ответ %1.2\",\"Ответ %1.3\",\"Ответ %1.4\",0,%2,%3,%4,%5\r\n")
                    .arg(n).arg(q.flags[0]).arg(q.flags[1]).arg(q.flags[2]).arg(q.flags[3]);
    }
    return encode1251(text).value();
}

// Ten questions whose first answer alone is right.
inline QByteArray simpleQuestionFile(int t5 = 9, int t4 = 7, int t3 = 5)
{
    return questionFile(t5, t4, t3, QList<Question>(10, Question{{1, 0, 0, 0}}));
}

inline bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A fresh process state and working folder for one test function. The folder holds the
// shipped question files, as a pupil's working folder does.
class FreshRun {
public:
    FreshRun() : dir_(std::make_unique<QTemporaryDir>())
    {
        discardWindows();
        QuizState = {};
        QuestionBank = {};
        soundPath.clear();
        soundResult = 0;
        const QDir shipped(QStringLiteral(ZUF_SHIPPED_DATA));
        for (const QString &file : shipped.entryList({QStringLiteral("qes*.ssu")}, QDir::Files))
            QFile::copy(shipped.filePath(file), dir_->filePath(file));
        QDir::setCurrent(dir_->path());
    }
    ~FreshRun()
    {
        discardWindows();
        QDir::setCurrent(QDir::tempPath());
    }
    QString path() const { return dir_->path(); }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

// From the start to the title screen: the welcome window's "Да" and a name.
// A working folder that will not do for a test is said after the name, in one box: with
// notice given, that box is expected, acknowledged and described there; without, none may come.
inline void enterProgram(const QString &name = QStringLiteral("Ученик"), SeenDialog *notice = nullptr)
{
    form1();
    Form6 &welcome = form6();
    ModalAnswers answers;
    answers.enter(name);
    if (notice)
        answers.press(QMessageBox::Ok);
    QTest::mouseClick(welcome.Command1, Qt::LeftButton);
    QVERIFY(answers.allAnswered());
    QVERIFY2(answers.unexpected().isEmpty(), qPrintable(answers.unexpected().join(u", ")));
    if (notice)
        *notice = answers.seen().last();
    QCOMPARE(QuizState.userName, name);
}

// "&Новый тест", then the topic clicked in the list and "Ok", or double-clicked.
inline void startTopic(const QString &topic, bool doubleClick = false)
{
    mainAction("New")->trigger();
    Form2 &topics = form2();
    QVERIFY(topics.isVisible());
    QVERIFY(!form1().isEnabled());
    const QList<QListWidgetItem *> items = topics.List1->findItems(topic, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    topics.List1->scrollToItem(items.first());
    const QPoint at = topics.List1->visualItemRect(items.first()).center();
    if (doubleClick) {
        // What the desktop sends for a double-click: press, release, double-click, release.
        QTest::mouseClick(topics.List1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(topics.List1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(topics.List1->viewport(), Qt::LeftButton, {}, at);
    } else {
        QTest::mouseClick(topics.List1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(topics.Command1, Qt::LeftButton);
    }
}

// With a secondary window open over the disabled main window: the main window ignores
// the access key of one of its menus, and closing the secondary window by its button,
// or as the desktop would, brings the main window back enabled, visible and active.
inline void checkSecondaryWindowRoundTrip(QWidget &secondary, QAbstractButton *button, QMenu *menu,
                                          Qt::Key key, const QString &letter, bool desktopClose)
{
    Form1 &main = form1();
    QVERIFY(!main.isEnabled());
    QVERIFY(QTest::qWaitForWindowActive(&secondary));
    QTest::sendKeyEvent(QTest::Click, &main, key, letter, Qt::AltModifier);
    QTest::qWait(50);
    QVERIFY(!menu->isVisible());

    if (desktopClose)
        QVERIFY(!secondary.close());
    else
        QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!secondary.isVisible());
    QVERIFY(main.isEnabled());
    QVERIFY(main.isVisible());
    QTRY_VERIFY(main.isActiveWindow());
}

} // namespace gui
