// The workbench on a bank of 10,000 questions: opening it until its first question is
// shown and checked, and the longest wait of a key typed into a field, against
// zuf-check reading the same file.
//   bench_teacher <zuf-check>

#include "report.h"
#include "teacher/teacherwindow.h"
#include "quiz/codepage.h"
#include "shell/appearance.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtTest/qtestkeyboard.h>

namespace {

constexpr int Questions = 10000;

QByteArray bigBank()
{
    QByteArray bytes = "17,15,12,0\r\n";
    for (int i = 1; i <= Questions; ++i) {
        const QString q = QStringLiteral("\"Вопрос номер %1: что нужно сделать, если на кухне пахнет газом?\","
                                         "\"Открыть окна и выйти\",\"Зажечь спичку\",\"Позвонить 104\",\"Ничего\",0,1,0,1,0\r\n")
                              .arg(i);
        bytes += *encode1251(q);
    }
    return bytes;
}

double runCheck(const QString &checker, const QString &file)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(checker, {file});
    process.waitForFinished(60000);
    return double(timer.nsecsElapsed()) / 1e6;
}

double openInWindow(const QString &file)
{
    QElapsedTimer timer;
    timer.start();
    TeacherWindow window;
    window.openFile(file);
    bool checked = false;
    QObject::connect(&window, &TeacherWindow::checked, [&checked] { checked = true; });
    window.show();
    while (!checked)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    window.undoStack().setClean();
    return ms;
}

// The reader takes 90 questions of a file; a bank being edited may grow past that,
// and the check of it all runs beside the typing.
EditedBank editedBank(const QString &file)
{
    EditedBank bank = openBankFile(file).bank;
    const std::vector<QuestionRecord> first = bank.records;
    while (bank.records.size() < size_t(Questions))
        bank.records.push_back(first[bank.records.size() % first.size()]);
    return bank;
}

double checkTime(const EditedBank &bank)
{
    QElapsedTimer timer;
    timer.start();
    const auto problems = checkBank(bank);
    return problems.empty() ? 0 : double(timer.nsecsElapsed()) / 1e6;
}

// A bank of 10,000 put into the window: its first question at once, every problem and
// every text measured later, while the window keeps taking keys.
std::pair<double, double> loadInWindow(const EditedBank &bank)
{
    TeacherWindow window;
    bool checked = false;
    QObject::connect(&window, &TeacherWindow::checked, [&checked] { checked = true; });
    window.show();
    QElapsedTimer timer;
    timer.start();
    window.applyBank([&bank](EditedBank &b) { b = bank; }, 0, true);
    const double shown = double(timer.nsecsElapsed()) / 1e6;
    while (!checked)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double all = double(timer.nsecsElapsed()) / 1e6;
    window.undoStack().setClean();
    return {shown, all};
}

double longestKeystroke(const EditedBank &bank)
{
    TeacherWindow window;
    window.applyBank([&bank](EditedBank &b) { b = bank; }, 0, true);
    window.show();
    auto *field = window.findChild<QLineEdit *>(QStringLiteral("answer1"));
    field->setFocus();
    double longest = 0;
    for (int i = 0; i < 60; ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(field, Qt::Key_A);
        QCoreApplication::processEvents();
        longest = std::max(longest, double(timer.nsecsElapsed()) / 1e6);
        QTest::qWait(i % 10 == 0 ? 300 : 20);   // now and then the check runs meanwhile
    }
    window.undoStack().setClean();
    return longest;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    prepareApplication(app);
    if (argc < 2)
        return 2;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("qes1.ssu"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bigBank()) < 0)
        return 1;
    out.close();
    std::vector<double> check, open;
    for (int run = 0; run < 5; ++run) {
        check.push_back(runCheck(QString::fromLocal8Bit(argv[1]), file));
        open.push_back(openInWindow(file));
    }
    report::heading("workbench, a bank of 10,000 questions (" + report::number(double(out.size()) / 1e6, 2) + " MB)");
    report::figure("zuf-check on the file (baseline)", report::median(check), "ms");
    report::limit("open, first question shown and checked", report::median(open), 1000, "ms");
    report::figure("questions the reader takes of the file", double(openBankFile(file).bank.records.size()), "");
    report::ratio("open against zuf-check", report::median(open) / report::median(check));
    const EditedBank edited = editedBank(file);
    report::figure("check of 10,000 questions being edited", checkTime(edited), "ms", "(beside the typing)");
    const auto [shown, all] = loadInWindow(edited);
    report::limit("10,000 in the window, first question shown", shown, 1000, "ms");
    report::figure("10,000 in the window, all checked and measured", all, "ms", "(beside the typing)");
    report::limit("longest wait of a typed key, 10,000 questions", longestKeystroke(edited), 50, "ms");
    return 0;
}
