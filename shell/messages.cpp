#include "shell/messages.h"

#include "quiz/quizstate.h"
#include "records/workfolder.h"
#include "shell/username.h"
#include "shell/windows.h"

#include <QApplication>
#include <QDir>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>

// Qt's Russian translation leaves "OK" in Latin letters; the captions are set here.
static const QString OkCaption = QStringLiteral("ОК");

// A window manager's title bar holds the title beside the window's icon and buttons, in
// a font often larger and bold: a box only as wide as its text would have its title cut
// ("П…да"). The button row is widened, which every dialog's size follows.
static void fitTitle(QDialog &dialog)
{
    constexpr int TitleBarExtras = 120;   // icon, three buttons and the gaps between them
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    const int wanted = QFontMetrics(font).horizontalAdvance(dialog.windowTitle()) + TitleBarExtras;
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    if (!buttons || !dialog.layout())
        return;
    const QMargins margins = dialog.layout()->contentsMargins();
    buttons->setMinimumWidth(std::max(buttons->minimumWidth(), wanted - margins.left() - margins.right()));
}

// Runs a dialog and gives the keyboard back to the window it was asked over, which
// a desktop without a window manager would otherwise leave without focus.
static int runModal(QDialog &dialog, QWidget *parent)
{
    fitTitle(dialog);
    const int result = dialog.exec();
    if (parent && parent->window()->isVisible())
        parent->window()->activateWindow();
    return result;
}

void showEmptyAnswerWarning(QWidget *parent)
{
    showFault(parent, QStringLiteral("Повтор ввода"), QStringLiteral("Повтори ввод!"));
}

bool confirmExit(QWidget *parent)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Выход"), QStringLiteral("Вы точно хотите выйти?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Нет"));
    box.setDefaultButton(QMessageBox::Yes);
    return runModal(box, parent) == QMessageBox::Yes;
}

void showFault(QWidget *parent, const QString &title, const QString &text)
{
    // The text quotes files, names and system messages: shown as plain text, never as
    // markup that could load images or restyle the box. Set before the text, so that
    // the text is never parsed as markup at all.
    QMessageBox box(QMessageBox::Warning, title, QString(), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.button(QMessageBox::Ok)->setText(OkCaption);
    runModal(box, parent);
}

QString promptUserName(QWidget *parent, bool repeated)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Регистрация"));
    QString prompt = QStringLiteral("Введите свое имя");
    if (repeated)
        prompt += QStringLiteral("\n(от 1 до %1 знаков, без запятых)").arg(MaxUserNameLength);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
    dialog.setOkButtonText(OkCaption);
    dialog.setCancelButtonText(QStringLiteral("Отмена"));
    return runModal(dialog, parent) == QDialog::Accepted ? dialog.textValue() : QString();
}

void askUserName()
{
    bool repeated = false;
    for (;;) {
        QuizState.userName = promptUserName(&mainWindow(), repeated);
        if (isAcceptableUserName(QuizState.userName))
            return;
        repeated = true;
    }
}

void warnOfWorkingFolder(QWidget *parent, bool questionFilesToo)
{
    const QString folder = QDir::currentPath();
    QStringList notices;
    if (questionFilesToo)
        if (const std::optional<QString> absent = noQuestionFilesNotice(folder))
            notices << *absent;
    if (const std::optional<QString> unsavable = resultsUnsavableNotice(folder))
        notices << *unsavable;
    if (!notices.isEmpty())
        showFault(parent, QStringLiteral("Внимание"), notices.join(QStringLiteral("\n\n")));
}
