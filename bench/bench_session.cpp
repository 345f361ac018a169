// Memory through one whole run: start, name, topic, ten answers, result, records,
// help, exit, driven through the real windows offscreen, against the bare window.
//
//   bench_session <bare window program> <question files folder>
//
// Spawns the bare window (it ends at its first paint) and this program in its
// driving mode, twice: as built, where the sound cues are found and the playback
// module loads with the first one, and as a copy in a folder without cues, where no
// cue plays. The difference of the two is the sound's own cost.

#include "bench/report.h"
#include "quiz/form3.h"
#include "quiz/quizstate.h"
#include "records/form5.h"
#include "shell/appearance.h"
#include "shell/form1.h"
#include "shell/layout.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "shell/windows.h"
#include "topics/form2.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <fcntl.h>
#include <functional>
#include <map>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

namespace {

// ------------------------------------------------------------------ driving mode

// Lets the windows show and paint, as a pupil's pause would.
void settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Answers the modal dialogs of the next action in order, as the pupil would.
class DialogAnswers : public QObject {
public:
    explicit DialogAnswers(std::deque<std::function<void(QWidget *)>> answers) : answers_(std::move(answers))
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog || dialog == last_ || answers_.empty())
                return;
            last_ = dialog;
            auto answer = std::move(answers_.front());
            answers_.pop_front();
            answer(dialog);
        });
        timer_.start(5);
    }

private:
    QTimer timer_;
    QWidget *last_ = nullptr;
    std::deque<std::function<void(QWidget *)>> answers_;
};

void enterName(QWidget *dialog)
{
    dialog->findChild<QLineEdit *>()->setText(QStringLiteral("Ученик"));
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
}

void pressYes(QWidget *dialog)
{
    qobject_cast<QMessageBox *>(dialog)->button(QMessageBox::Yes)->click();
}

bool soundLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("Multimedia");
}

// Resident memory after each step, for the breakdown.
void noteStep(const char *step)
{
    std::printf("step %s %.3f\n", step, report::statusMegabytes("VmRSS:"));
}

int driveWholeRun(int argc, char **argv)
{
    QApplication app(argc, argv);
    prepareApplication(app);
    bool ended = false;
    QObject::connect(&form1(), &Form1::programEnded, [&ended] { ended = true; });
    settle();
    noteStep("welcome");

    {
        DialogAnswers answers({enterName});
        form6().Command1->click();
    }
    settle();
    noteStep("name");

    namedChild<QAction>(form1(), "New")->trigger();
    settle();
    form2().List1->setCurrentRow(0);
    form2().Command1->click();
    settle();
    noteStep("topic");

    const bool loadedBefore = soundLoaded();
    for (int i = 0; i < QuestionsPerTest; ++i) {
        namedChild<TickBox>(form1(), "Check1")->setChecked(true);
        namedChild<QPushButton>(form1(), "Command1")->click();
        settle();
    }
    const bool loadedAfter = soundLoaded();
    noteStep("result");
    form3().Command1->click();
    settle();

    namedChild<QAction>(form1(), "Rec")->trigger();
    settle();
    noteStep("records");
    form5().Command1->click();
    settle();

    namedChild<QAction>(form1(), "help")->trigger();
    settle();
    noteStep("help");
    form4().Command1->click();
    settle();

    {
        DialogAnswers answers({pressYes});
        namedChild<QAction>(form1(), "quit")->trigger();
    }
    std::printf("ended %d sound-before-first-cue %d sound-after %d\n", int(ended), int(loadedBefore),
                int(loadedAfter));
    std::fflush(stdout);
    std::_Exit(ended ? 0 : 1);
}

// ------------------------------------------------------------------ measuring mode

struct Child {
    double peakMegabytes = 0;
    QByteArray out;
};

std::optional<Child> runChild(const QString &program, const QStringList &args, const QString &workdir,
                              bool exitOnPaint)
{
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, QFile::encodeName(workdir).constData());

    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString &a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    if (exitOnPaint)
        qputenv("ZUF_BENCH_EXIT_ON_PAINT", "1");
    else
        qunsetenv("ZUF_BENCH_EXIT_ON_PAINT");

    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    Child child;
    if (failed == 0) {
        char buffer[512];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            child.out.append(buffer, n);
    }
    ::close(fds[0]);
    if (failed != 0)
        return std::nullopt;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed: %s\n", argv[0], child.out.constData());
        return std::nullopt;
    }
    child.peakMegabytes = usage.ru_maxrss / 1024.0;
    return child;
}

bool copyQuestionFiles(const QString &from, const QString &to)
{
    const QStringList files = QDir(from).entryList({QStringLiteral("qes*.ssu")}, QDir::Files);
    for (const QString &name : files)
        if (!QFile::copy(from + u'/' + name, to + u'/' + name))
            return false;
    return !files.isEmpty();
}

int measure(const QString &bare, const QString &questionFiles)
{
    constexpr int Runs = 5;
    QTemporaryDir work;
    // Three levels down, so that neither ../sounds nor ../share/... holds a cue.
    const QString silentDir = work.path() + QStringLiteral("/silent/a/bin");
    const QString silent = silentDir + QStringLiteral("/bench_session");
    const QString self = QCoreApplication::applicationFilePath();
    if (!QDir().mkpath(silentDir) || !QFile::copy(self, silent) || !copyQuestionFiles(questionFiles, work.path())) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(work.path()));
        return 1;
    }

    std::vector<double> barePeaks, textPeaks, soundPeaks, silentPeaks;
    std::map<QByteArray, std::vector<double>> steps;   // resident memory after each step, silent runs
    std::vector<QByteArray> stepOrder;
    QByteArray ending;
    for (int i = 0; i < Runs; ++i) {
        const auto b = runChild(bare, {}, work.path(), true);
        const auto t = runChild(bare, {QStringLiteral("--text")}, work.path(), true);
        const auto s = runChild(self, {QStringLiteral("--drive")}, work.path(), false);
        const auto q = runChild(silent, {QStringLiteral("--drive")}, work.path(), false);
        if (!b || !t || !s || !q)
            return 1;
        barePeaks.push_back(b->peakMegabytes);
        textPeaks.push_back(t->peakMegabytes);
        soundPeaks.push_back(s->peakMegabytes);
        silentPeaks.push_back(q->peakMegabytes);
        for (const QByteArray &line : q->out.split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (words.size() == 3 && words[0] == "step") {
                if (i == 0)
                    stepOrder.push_back(words[1]);
                steps[words[1]].push_back(words[2].toDouble());
            }
        }
        for (const QByteArray &line : s->out.split('\n'))
            if (line.startsWith("ended"))
                ending = line;
    }
    int ended = 0, before = 1, after = 0;
    std::sscanf(ending.constData(), "ended %d sound-before-first-cue %d sound-after %d", &ended, &before, &after);

    const double bareMb = report::median(barePeaks);
    const double textMb = report::median(textPeaks);
    const double soundMb = report::median(soundPeaks);
    const double silentMb = report::median(silentPeaks);
    report::heading("memory, peak RSS through a whole run offscreen (median of " + std::to_string(Runs) + ")");
    report::figure("bare window (baseline)", bareMb, "MB");
    report::figure("bare window with one line of text", textMb, "MB", "fonts: +" + report::number(textMb - bareMb, 2) + " MB");
    report::figure("whole run without sound", silentMb, "MB");
    report::limit("  above the bare window", silentMb - bareMb, 4.0, "MB");
    report::figure("  above the bare window with text", silentMb - textMb, "MB");
    report::ratio("whole run without sound / bare window", silentMb / bareMb);
    report::figure("whole run with the cues", soundMb, "MB");
    report::figure("  sound's own cost (with - without)", soundMb - silentMb, "MB");
    report::figure("  above the bare window, sound included", soundMb - bareMb, "MB");
    std::printf("  sound module mapped before the first cue: %s; after it: %s; run ended by \"Выход\": %s\n",
                before ? "yes" : "no", after ? "yes" : "no", ended ? "yes" : "no");
    std::printf("  resident memory after each step (without sound):\n");
    for (const QByteArray &step : stepOrder)
        report::figure("    " + step.toStdString(), report::median(steps[step]), "MB");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--drive") == 0)
        return driveWholeRun(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <bare window program> <question files folder>\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    return measure(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
}
