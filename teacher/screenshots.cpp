// zuf-teacher-screenshots DATA_DIR OUT_DIR: the workbench on a copy of DATA_DIR, saved
// as PNG for the teacher's guide: the questions of qes1.ssu, a question with problems
// listed, and the results of a small class. On a desktop (make screenshots-teacher: xcb under openbox) the
// window is taken from the screen with its title bar.

#include "teacher/teacherwindow.h"
#include "shell/appearance.h"
#include "quiz/codepage.h"
#include "topics/catalogue.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

namespace {

void settle(QWidget &window)
{
    const QDeadlineTimer deadline(5000);
    while (!(window.windowHandle() && window.windowHandle()->isExposed() && window.isActiveWindow())
           && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    const QDeadlineTimer painted(800);
    while (!painted.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool save(QWidget &window, const QString &file)
{
    settle(window);
    const QPixmap picture = QGuiApplication::platformName() == u"xcb"
        ? window.screen()->grabWindow(0, window.frameGeometry().x(), window.frameGeometry().y(),
                                      window.frameGeometry().width(), window.frameGeometry().height())
        : window.grab();
    return picture.save(file);
}

// A class of eight pupils, each on two or three topics, and one line damaged by hand.
void writeClassRecords(const QString &path)
{
    const char16_t *const pupils[] = {u"Аня", u"Борис", u"Вера", u"Глеб", u"Даша", u"Егор", u"Женя", u"Зоя"};
    const char16_t *const topics[] = {u"Наводнения", u"Землетрясение", u"Правила безопасного поведения в быту"};
    QString text;
    for (int p = 0; p < 8; ++p) {
        for (int t = 0; t < 2 + p % 2; ++t)
            text += QStringLiteral("%1,%2, %3\r\n").arg(QString::fromUtf16(pupils[p]), QString::fromUtf16(topics[t]))
                        .arg(2 + (p + 2 * t) % 4);
    }
    text += QStringLiteral("Ира,Наводнения\r\n");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(encode1251(text).value_or(QByteArray()));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    prepareApplication(app);
    if (argc < 3)
        return 2;
    QTemporaryDir work;
    for (const Topic &topic : topicCatalogue())
        QFile::copy(QDir(QString::fromLocal8Bit(argv[1])).filePath(topic.file), work.filePath(topic.file));
    writeClassRecords(work.filePath(QStringLiteral("records.ssu")));
    const QDir out(QString::fromLocal8Bit(argv[2]));
    TeacherWindow window;
    window.openFolder(work.path());
    window.move(0, 0);
    window.show();
    bool ok = save(window, out.filePath(QStringLiteral("teacher-questions.png")));
    // The fourth question with its second answer emptied and its question doubled: the list names both.
    auto *questions = window.findChild<QListWidget *>(QStringLiteral("questions"));
    questions->setCurrentRow(3);
    auto *answer = window.findChild<QLineEdit *>(QStringLiteral("answer2"));
    answer->setFocus();
    answer->selectAll();
    answer->del();
    ok = save(window, out.filePath(QStringLiteral("teacher-problems.png"))) && ok;
    window.undoStack().setClean();
    window.tabs()->setCurrentIndex(1);
    ok = save(window, out.filePath(QStringLiteral("teacher-results.png"))) && ok;
    return ok ? 0 : 1;
}
