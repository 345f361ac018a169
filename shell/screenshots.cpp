// zuf-screenshots DATA_DIR OUT_DIR: runs the quiz's own windows through a short
// session and saves each window, and the main window on both of its screens, as PNG.
// On the offscreen platform no desktop is needed and each window is saved alone. On a
// desktop (xcb, with a window manager: make screenshots-openbox) the whole screen is
// saved, so that each window stands over the main window with its title bar.

#include "quiz/codepage.h"
#include "quiz/form3.h"
#include "quiz/quizstate.h"
#include "records/form5.h"
#include "shell/appearance.h"
#include "shell/form1.h"
#include "shell/layout.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "shell/windows.h"
#include "topics/catalogue.h"
#include "topics/form2.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

bool onDesktop()
{
    return QGuiApplication::platformName() == u"xcb";
}

// Lets the window manager frame, place and focus the window and the window paint itself.
void settle(QWidget &window)
{
    const QDeadlineTimer deadline(5000);
    const auto framed = [&] {
        return window.windowHandle() && window.windowHandle()->isExposed() && window.isActiveWindow()
               && (window.frameGeometry() != window.geometry() || window.windowFlags() & Qt::FramelessWindowHint);
    };
    while (!framed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    const QDeadlineTimer painted(300);
    while (!painted.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool save(QWidget &window, const QString &outDir, const QString &name)
{
    QCoreApplication::processEvents();
    const QString file = outDir + u'/' + name + QStringLiteral(".png");
    if (onDesktop())
        settle(window);
    const QPixmap picture = onDesktop() ? window.screen()->grabWindow(0) : window.grab();
    if (!picture.save(file)) {
        std::fprintf(stderr, "zuf-screenshots: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

bool seedWorkingFolder(const QString &dataDir)
{
    for (const Topic &topic : topicCatalogue()) {
        if (!QFile::copy(dataDir + u'/' + topic.file, topic.file))
            return false;
    }
    // A few earlier results, so that the records window has rows to show.
    QFile records(QStringLiteral("records.ssu"));
    if (!records.open(QIODevice::WriteOnly))
        return false;
    records.write(encode1251(QStringLiteral("Анна,Землетрясение, 5\r\n"
                                            "Дмитрий,Правила безопасного поведения на воде, 4\r\n"
                                            "Катерина,Мероприятия гражданской обороны по защите населения, 3\r\n"))
                      .value());
    return true;
}

// Picks topic in the topic window as a pupil's click would.
void selectTopic(const QString &topic)
{
    const QList<QListWidgetItem *> items = form2().List1->findItems(topic, Qt::MatchExactly);
    if (!items.isEmpty())
        form2().List1->setCurrentItem(items.first());
}

int shoot(const QString &dataDir, const QString &outDir)
{
    QTemporaryDir work;
    if (!work.isValid() || !QDir::setCurrent(work.path()) || !seedWorkingFolder(dataDir)) {
        std::fprintf(stderr, "zuf-screenshots: cannot prepare a working folder from %s\n", qPrintable(dataDir));
        return 1;
    }
    QDir().mkpath(outDir);
    bool ok = true;

    Form1 &main = form1();   // loading shows the welcome window
    ok &= save(form6(), outDir, QStringLiteral("form6-welcome"));

    // "Да" without the prompt: the name is set as the prompt would.
    showWindow(main);
    form6().hide();
    QuizState.welcomeDone = 1;
    QuizState.userName = QStringLiteral("Ученик");
    ok &= save(main, outDir, QStringLiteral("form1-title"));

    namedChild<QAction>(main, "New")->trigger();
    ok &= save(form2(), outDir, QStringLiteral("form2-topics"));

    selectTopic(QStringLiteral("Наводнения"));
    form2().Command1_Click();
    if (onDesktop()) {
        // The warning for an answer without a tick, with the title bar it must fit.
        QTimer::singleShot(0, &main, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                ok &= save(*box, outDir, QStringLiteral("box-empty-answer"));
                box->accept();
            }
        });
        namedChild<QPushButton>(main, "Command1")->click();
    }
    namedChild<TickBox>(main, "Check2")->setChecked(true);
    ok &= save(main, outDir, QStringLiteral("form1-question"));

    // Right answers throughout, for a result window with a good grade.
    for (int q = 1; q <= QuestionsPerTest; ++q) {
        int k = 1;
        for (const char *box : {"Check1", "Check2", "Check3", "Check4"})
            namedChild<TickBox>(main, box)->setChecked(QuestionBank.correct(q, k++) == 1);
        namedChild<QPushButton>(main, "Command1")->click();
    }
    ok &= save(form3(), outDir, QStringLiteral("form3-result"));
    form3().Command1_Click();

    namedChild<QAction>(main, "Rec")->trigger();
    ok &= save(form5(), outDir, QStringLiteral("form5-records"));
    returnToMainWindow(form5());

    namedChild<QAction>(main, "help")->trigger();
    ok &= save(form4(), outDir, QStringLiteral("form4-help"));
    returnToMainWindow(form4());

    discardWindows();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: zuf-screenshots DATA_DIR OUT_DIR\n");
        return 2;
    }
    prepareApplication(app);
    const QString dataDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString outDir = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    int code = 1;
    QTimer::singleShot(0, &app, [&] {
        code = shoot(dataDir, outDir);
        QCoreApplication::exit(0);
    });
    app.exec();
    return code;
}
