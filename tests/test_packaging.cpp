// The installed tree as a package ships it: the files a desktop needs, their
// validity, and the launcher that gives the quiz its working folder without
// ever replacing a teacher's own question files.
#include "topics/catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <thread>
#include <unistd.h>

namespace {

const QString appId = QStringLiteral("ru.school.zufquiz");

// A question file of one of the topics.
bool isTopicFile(const QString &name)
{
    const std::span<const Topic> topics = topicCatalogue();
    return std::any_of(topics.begin(), topics.end(), [&](const Topic &topic) { return topic.file == name; });
}

struct Outcome {
    int exitCode = -1;
    QString errors;
};

Outcome runProgram(const QString &program, const QStringList &arguments,
                   const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                   int timeoutMs = 20000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return {-1, QStringLiteral("%1 did not finish: %2").arg(program, process.errorString())};
    return {process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestPackaging : public QObject {
    Q_OBJECT

    QTemporaryDir root;
    QString prefix;   // the installed tree, as under /usr
    QString launcher;
    QString stubLog;

    QProcessEnvironment launcherEnvironment(const QString &home) const;
    QString shippedFile(int n) const;
    QString shippedFile(const QString &name) const;

private slots:
    void initTestCase();
    void installsFile_data();
    void installsFile();
    void desktopEntryIsValid();
    void metainfoIsValid();
    void launcherChoosesFolder_data();
    void launcherChoosesFolder();
    void launcherKeepsTeachersFiles();
    void launcherRefusesUnusableFolder();
    void launcherWorksThroughLink();
    void launcherNeverWritesThroughPlantedLink();
    void launcherStartsWorkbench();
    void guideExampleIsClean();
    void licenceIsShipped();
    void packagePassesLintian();
    void screenshotExists_data();
    void screenshotExists();
};

QProcessEnvironment TestPackaging::launcherEnvironment(const QString &home) const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("STUB_LOG"), stubLog);
    return environment;
}

QString TestPackaging::shippedFile(int n) const
{
    return shippedFile(QStringLiteral("qes%1.ssu").arg(n));
}

QString TestPackaging::shippedFile(const QString &name) const
{
    return prefix + QStringLiteral("/share/zuf-quiz/data/") + name;
}

void TestPackaging::initTestCase()
{
    QVERIFY(root.isValid());
    prefix = root.filePath(QStringLiteral("usr"));
    const Outcome install = runProgram(QStringLiteral("cmake"),
        {QStringLiteral("--install"), QStringLiteral(ZUF_BINARY_DIR), QStringLiteral("--prefix"), prefix});
    QVERIFY2(install.exitCode == 0, qPrintable(install.errors));

    // The real quiz needs a display; a stub records where and how it was started.
    launcher = prefix + QStringLiteral("/bin/zuf-quiz-launcher");
    stubLog = root.filePath(QStringLiteral("stub.log"));
    const QString stub = prefix + QStringLiteral("/bin/zuf-quiz");
    QVERIFY2(QFileInfo(stub).isExecutable(), "zuf-quiz is not installed");
    QVERIFY(QFile::remove(stub));
    QVERIFY(writeFile(stub, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"arg:$a\"; done; } > \"$STUB_LOG\"\n"));
    QVERIFY(QFile::setPermissions(stub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestPackaging::installsFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");

    for (const char *program : {"zuf-quiz-launcher", "zuf-check", "zuf-teacher"})
        QTest::newRow(program) << QStringLiteral("bin/") + QLatin1String(program) << true;
    for (const Topic &topic : topicCatalogue()) {
        const QString path = QStringLiteral("share/zuf-quiz/data/") + topic.file;
        QTest::newRow(qPrintable(path)) << path << false;
    }
    for (const char *cue : {"winner.wav", "pr2.wav", "pr1.wav"}) {
        const QString path = QStringLiteral("share/zuf-quiz/sounds/") + QLatin1String(cue);
        QTest::newRow(qPrintable(path)) << path << false;
    }
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId);
        QTest::newRow(qPrintable(path)) << path << false;
        const QString teacher = QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.teacher.png").arg(size).arg(appId);
        QTest::newRow(qPrintable(teacher)) << teacher << false;
    }
    const QStringList others = {
        QStringLiteral("share/applications/%1.teacher.desktop").arg(appId),
        QStringLiteral("share/metainfo/%1.teacher.metainfo.xml").arg(appId),
        QStringLiteral("share/icons/hicolor/scalable/apps/%1.teacher.svg").arg(appId),
        QStringLiteral("share/man/man1/zuf-teacher.1.gz"),
        QStringLiteral("share/man/ru/man1/zuf-teacher.1.gz"),
        QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(appId),
        QStringLiteral("share/applications/%1.desktop").arg(appId),
        QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId),
        QStringLiteral("share/man/man1/zuf-quiz.1.gz"),
        QStringLiteral("share/man/man1/zuf-quiz-launcher.1.gz"),
        QStringLiteral("share/man/man1/zuf-check.1.gz"),
        QStringLiteral("share/man/ru/man1/zuf-quiz.1.gz"),
        QStringLiteral("share/man/ru/man1/zuf-check.1.gz"),
        QStringLiteral("share/doc/zuf-quiz/teacher-guide.ru.md"),
        QStringLiteral("share/doc/zuf-quiz/copyright"),
    };
    for (const QString &path : others)
        QTest::newRow(qPrintable(path)) << path << false;
}

void TestPackaging::installsFile()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(prefix + QLatin1Char('/') + path);
    QVERIFY2(info.isFile() && info.size() > 0, qPrintable(path));
    QCOMPARE(info.isExecutable(), executable);
}

void TestPackaging::desktopEntryIsValid()
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed");
    const QString entry = prefix + QStringLiteral("/share/applications/%1.desktop").arg(appId);
    const Outcome outcome = runProgram(validator, {entry});
    QVERIFY2(outcome.exitCode == 0 && outcome.errors.isEmpty(), qPrintable(outcome.errors));

    // The menu must start the launcher (the quiz alone would run in the wrong folder)
    // and show the icon installed above.
    const QByteArray text = readFile(entry);
    QVERIFY(text.contains("\nExec=zuf-quiz-launcher\n"));
    QVERIFY(text.contains("\nIcon=" + appId.toUtf8() + "\n"));
    QVERIFY(text.contains("\nName=Тесты по ЗУФ\n"));

    // The workbench's entry: its own name and icon, through the launcher that seeds the folder.
    const QString teacher = prefix + QStringLiteral("/share/applications/%1.teacher.desktop").arg(appId);
    const Outcome teacherOutcome = runProgram(validator, {teacher});
    QVERIFY2(teacherOutcome.exitCode == 0 && teacherOutcome.errors.isEmpty(), qPrintable(teacherOutcome.errors));
    const QByteArray teacherText = readFile(teacher);
    QVERIFY(teacherText.contains("\nExec=zuf-quiz-launcher --teacher\n"));
    QVERIFY(teacherText.contains("\nIcon=" + appId.toUtf8() + ".teacher\n"));
    QVERIFY(teacherText.contains("\nName=Тесты по ЗУФ — учитель\n"));
}

void TestPackaging::metainfoIsValid()
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (validator.isEmpty())
        QSKIP("appstreamcli is not installed");
    // validate-tree also checks that the metainfo names a desktop entry that is installed.
    const Outcome outcome = runProgram(validator,
        {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"), prefix});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));
}

void TestPackaging::launcherChoosesFolder_data()
{
    QTest::addColumn<QString>("quizDir");      // ZUF_QUIZ_DIR, below the temporary root; empty: unset
    QTest::addColumn<QString>("dataHome");     // XDG_DATA_HOME as given; empty: unset
    QTest::addColumn<QString>("expected");     // the folder the quiz must start in, below the root

    QTest::newRow("lab folder wins") << "lab/shared" << "@xdg" << "lab/shared";
    QTest::newRow("xdg data home") << "" << "@xdg" << "xdg/zuf-quiz";
    QTest::newRow("default data home") << "" << "" << "home/.local/share/zuf-quiz";
    QTest::newRow("relative xdg ignored") << "" << "relative/dir" << "home/.local/share/zuf-quiz";
    QTest::newRow("folder with spaces") << "класс 7 б/тесты" << "" << "класс 7 б/тесты";
}

void TestPackaging::launcherChoosesFolder()
{
    QFETCH(QString, quizDir);
    QFETCH(QString, dataHome);
    QFETCH(QString, expected);

    QTemporaryDir place(root.filePath(QStringLiteral("run-XXXXXX")));
    QProcessEnvironment environment = launcherEnvironment(place.filePath(QStringLiteral("home")));
    if (!quizDir.isEmpty())
        environment.insert(QStringLiteral("ZUF_QUIZ_DIR"), place.filePath(quizDir));
    if (dataHome.startsWith(QLatin1Char('@')))
        environment.insert(QStringLiteral("XDG_DATA_HOME"), place.filePath(dataHome.mid(1)));
    else if (!dataHome.isEmpty())
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    QFile::remove(stubLog);

    const Outcome outcome = runProgram(launcher, {QStringLiteral("-style"), QStringLiteral("Fusion")}, environment);
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));
    const QString folder = QDir(place.filePath(expected)).canonicalPath();
    QVERIFY2(!folder.isEmpty(), qPrintable(expected));
    QCOMPARE(QString::fromUtf8(readFile(stubLog)), folder + QStringLiteral("\narg:-style\narg:Fusion\n"));
    for (const Topic &topic : topicCatalogue()) {
        QVERIFY2(QFileInfo::exists(shippedFile(topic.file)), qPrintable(topic.file));
        QCOMPARE(readFile(folder + QLatin1Char('/') + topic.file), readFile(shippedFile(topic.file)));
    }
}

void TestPackaging::launcherKeepsTeachersFiles()
{
    QTemporaryDir place(root.filePath(QStringLiteral("run-XXXXXX")));
    const QString folder = place.filePath(QStringLiteral("lab"));
    QVERIFY(QDir().mkpath(folder));
    const QByteArray own = "10,8,7,0\r\n\"Свой вопрос учителя\"\r\n";
    const QByteArray records = "Ученик,Наводнения, 4\r\n";
    QVERIFY(writeFile(folder + QStringLiteral("/qes3.ssu"), own));
    QVERIFY(writeFile(folder + QStringLiteral("/qes4.ssu"), QByteArray()));
    QVERIFY(writeFile(folder + QStringLiteral("/records.ssu"), records));
    // A link to a file that is not there yet (a share not mounted) must not be written through.
    const QString absent = place.filePath(QStringLiteral("share/qes5.ssu"));
    QVERIFY(QDir().mkpath(place.filePath(QStringLiteral("share"))));
    QVERIFY(QFile::link(absent, folder + QStringLiteral("/qes5.ssu")));

    QProcessEnvironment environment = launcherEnvironment(place.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("ZUF_QUIZ_DIR"), folder);
    const Outcome outcome = runProgram(launcher, {}, environment);
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));

    QCOMPARE(readFile(folder + QStringLiteral("/qes3.ssu")), own);
    QCOMPARE(readFile(folder + QStringLiteral("/qes4.ssu")), QByteArray());
    QCOMPARE(readFile(folder + QStringLiteral("/records.ssu")), records);
    QVERIFY(QFileInfo(folder + QStringLiteral("/qes5.ssu")).isSymLink());
    QVERIFY(!QFileInfo::exists(absent));
    for (int n : {1, 2, 6, 7, 8, 9})
        QCOMPARE(readFile(folder + QStringLiteral("/qes%1.ssu").arg(n)), readFile(shippedFile(n)));
}

void TestPackaging::launcherRefusesUnusableFolder()
{
    QTemporaryDir place(root.filePath(QStringLiteral("run-XXXXXX")));
    const QString blocker = place.filePath(QStringLiteral("plain-file"));
    QVERIFY(writeFile(blocker, "not a folder"));
    QProcessEnvironment environment = launcherEnvironment(place.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("ZUF_QUIZ_DIR"), blocker + QStringLiteral("/quiz"));
    QFile::remove(stubLog);

    const Outcome outcome = runProgram(launcher, {}, environment);
    QCOMPARE(outcome.exitCode, 1);
    QVERIFY2(outcome.errors.contains(QStringLiteral("cannot create")), qPrintable(outcome.errors));
    QVERIFY(!QFileInfo::exists(stubLog));
}

void TestPackaging::launcherWorksThroughLink()
{
    // Administrators link programs into /usr/local/bin and the like: the shipped
    // files are still found beside the real launcher.
    QTemporaryDir place(root.filePath(QStringLiteral("run-XXXXXX")));
    const QString link = place.filePath(QStringLiteral("zuf-quiz-launcher"));
    QVERIFY(QFile::link(launcher, link));
    QProcessEnvironment environment = launcherEnvironment(place.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("ZUF_QUIZ_DIR"), place.filePath(QStringLiteral("lab")));

    const Outcome outcome = runProgram(link, {}, environment);
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));
    QCOMPARE(readFile(place.filePath(QStringLiteral("lab/qes9.ssu"))), readFile(shippedFile(9)));
}

void TestPackaging::launcherNeverWritesThroughPlantedLink()
{
    // In a folder that others may write, someone plants qes5.ssu -> a file of somebody
    // else's, over and over, while pupils start the quiz: whenever the launcher finds
    // the name free, the link may appear before it copies. The copy must never land in
    // the file the link points to.
    QTemporaryDir place(root.filePath(QStringLiteral("run-XXXXXX")));
    const QString folder = place.filePath(QStringLiteral("lab"));
    const QString victim = place.filePath(QStringLiteral("victim.txt"));
    QVERIFY(QDir().mkpath(folder));
    const QByteArray original = "somebody's own file\n";
    QVERIFY(writeFile(victim, original));
    QProcessEnvironment environment = launcherEnvironment(place.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("ZUF_QUIZ_DIR"), folder);

    const QByteArray planted = QFile::encodeName(folder + QStringLiteral("/qes5.ssu"));
    const QByteArray target = QFile::encodeName(victim);
    std::atomic<bool> stop = false;
    std::thread planter([&] {
        while (!stop) {
            ::unlink(planted.constData());
            [[maybe_unused]] const int made = ::symlink(target.constData(), planted.constData());
        }
    });
    constexpr int launches = 200;
    int written = 0;
    QString failure;
    for (int run = 0; run < launches && failure.isEmpty(); ++run) {
        const Outcome outcome = runProgram(launcher, {}, environment);
        if (outcome.exitCode != 0 || !outcome.errors.isEmpty())
            failure = QStringLiteral("launch %1: %2").arg(run).arg(outcome.errors);
        if (readFile(victim) != original) {
            ++written;
            writeFile(victim, original);
        }
    }
    stop = true;
    planter.join();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(written, 0);
    // Nothing half-made is left behind, and the other files were copied whole.
    const QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                    | QDir::NoDotAndDotDot);
    for (const QString &name : left)
        QVERIFY2(isTopicFile(name), qPrintable(name));
    for (int n : {1, 2, 3, 4, 6, 7, 8, 9})
        QCOMPARE(readFile(folder + QStringLiteral("/qes%1.ssu").arg(n)), readFile(shippedFile(n)));
}

// --teacher: the same folder, seeded the same way, opened by the workbench.
void TestPackaging::launcherStartsWorkbench()
{
    const QString stub = prefix + QStringLiteral("/bin/zuf-teacher");
    QVERIFY2(QFileInfo(stub).isExecutable(), "zuf-teacher is not installed");
    QVERIFY(QFile::remove(stub));
    QVERIFY(writeFile(stub, "#!/bin/sh\n{ echo teacher; pwd; for a in \"$@\"; do echo \"arg:$a\"; done; } > \"$STUB_LOG\"\n"));
    QVERIFY(QFile::setPermissions(stub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QTemporaryDir place(root.filePath(QStringLiteral("run-XXXXXX")));
    QProcessEnvironment environment = launcherEnvironment(place.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("ZUF_QUIZ_DIR"), place.filePath(QStringLiteral("lab")));
    QFile::remove(stubLog);
    const Outcome outcome = runProgram(launcher, {QStringLiteral("--teacher")}, environment);
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));
    const QString folder = QDir(place.filePath(QStringLiteral("lab"))).canonicalPath();
    QCOMPARE(QString::fromUtf8(readFile(stubLog)), QStringLiteral("teacher\n%1\narg:%1\n").arg(folder));
    QCOMPARE(readFile(folder + QStringLiteral("/qes9.ssu")), readFile(shippedFile(9)));
}

void TestPackaging::guideExampleIsClean()
{
    // The worked example of the teacher's guide is meant to be copied: it must pass
    // the checker without a single error or warning.
    const QString guide = QStringLiteral(ZUF_SHIPPED_DATA "/../docs/teacher-guide.ru.md");
    const QString text = QString::fromUtf8(readFile(guide));
    const qsizetype marker = text.indexOf(QStringLiteral("<!-- example: qes1.ssu -->"));
    QVERIFY2(marker >= 0, "the guide has lost its example marker");
    const qsizetype begin = text.indexOf(QStringLiteral("```text\n"), marker) + 8;
    const qsizetype end = text.indexOf(QStringLiteral("\n```"), begin);
    QVERIFY(begin > marker + 7 && end > begin);
    const QStringList lines = text.mid(begin, end - begin).split(u'\n');
    QCOMPARE(lines.size(), 11);

    QStringEncoder toWindows1251("windows-1251");
    QVERIFY(toWindows1251.isValid());
    const QByteArray bytes = toWindows1251(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    QVERIFY2(!toWindows1251.hasError(), "the example holds a character that Windows-1251 lacks");
    QTemporaryDir place(root.filePath(QStringLiteral("run-XXXXXX")));
    const QString file = place.filePath(QStringLiteral("qes1.ssu"));
    QVERIFY(writeFile(file, bytes));

    const Outcome outcome = runProgram(prefix + QStringLiteral("/bin/zuf-check"), {file});
    QCOMPARE(outcome.errors, QString());
    QCOMPARE(outcome.exitCode, 0);
}

void TestPackaging::licenceIsShipped()
{
    const QString source = QStringLiteral(ZUF_SHIPPED_DATA "/..");
    const QByteArray licence = readFile(source + QStringLiteral("/LICENSE"));
    QVERIFY(licence.startsWith("# PolyForm Noncommercial License 1.0.0\n"));

    // Debian's machine-readable copyright file: the whole package under the licence,
    // whose text, unfolded, is LICENSE byte for byte.
    const QByteArray copyright = readFile(prefix + QStringLiteral("/share/doc/zuf-quiz/copyright"));
    QVERIFY(copyright.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    QVERIFY(copyright.contains("\n\nFiles: *\nCopyright: "));
    QVERIFY(copyright.contains("\nLicense: PolyForm-Noncommercial-1.0.0\n\n"));
    const QByteArray heading = "\n\nLicense: PolyForm-Noncommercial-1.0.0\n";
    const qsizetype body = copyright.indexOf(heading);
    QVERIFY(body > 0);
    QByteArray unfolded;
    for (const QByteArray &line : copyright.mid(body + heading.size()).split('\n')) {
        if (line.isEmpty())
            continue;
        QVERIFY2(line.startsWith(' '), line.constData());
        unfolded += (line == " ." ? QByteArray() : line.mid(1)) + '\n';
    }
    QCOMPARE(unfolded, licence);

    const QByteArray metainfo = readFile(prefix + QStringLiteral("/share/metainfo/%1.metainfo.xml").arg(appId));
    QVERIFY(metainfo.contains("<project_license>PolyForm-Noncommercial-1.0.0</project_license>"));
    const QByteArray readme = readFile(source + QStringLiteral("/README.md"));
    QVERIFY(readme.contains("PolyForm Noncommercial License 1.0.0") && readme.contains("(LICENSE)"));
}

void TestPackaging::packagePassesLintian()
{
#if !ZUF_HARDENED
    QSKIP("a sanitizer build is not hardened as Debian's packages are; the package is made by the default build");
#endif
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    if (lintian.isEmpty())
        QSKIP("lintian is not installed");
    QTemporaryDir out(root.filePath(QStringLiteral("deb-XXXXXX")));
    const Outcome pack = runProgram(QStringLiteral(ZUF_CPACK),
        {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
         QStringLiteral(ZUF_BINARY_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out.path()},
        QProcessEnvironment::systemEnvironment(), 240000);
    QVERIFY2(pack.exitCode == 0, qPrintable(pack.errors));
    const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);

    // Every error and warning counts; of the informational tags only the hardening
    // ones (missing bind-now and fortified functions are no more than that to lintian).
    const Outcome lint = runProgram(lintian, {QStringLiteral("--display-info"), out.filePath(debs.first())},
                                    QProcessEnvironment::systemEnvironment(), 240000);
    QStringList complaints;
    for (const QString &line : lint.errors.split(u'\n'))
        if (line.startsWith(QLatin1String("E: ")) || line.startsWith(QLatin1String("W: "))
            || line.contains(QLatin1String(": hardening-")))
            complaints += line;
    QVERIFY2(complaints.isEmpty(), qPrintable(complaints.join(u'\n')));
    QVERIFY2(lint.exitCode == 0, qPrintable(lint.errors));
}

void TestPackaging::screenshotExists_data()
{
    // The metainfo names the screenshots by their published address, the README by path:
    // both must name pictures that make screenshots really produces.
    QTest::addColumn<QString>("picture");
    const QString source = QStringLiteral(ZUF_SHIPPED_DATA "/..");
    const QRegularExpression named(QStringLiteral(R"(docs/screenshots/[\w-]+\.png)"));
    for (const char *file : {"packaging/ru.school.zufquiz.metainfo.xml.in", "README.md"}) {
        const QString text = QString::fromUtf8(readFile(source + u'/' + QLatin1String(file)));
        for (const QRegularExpressionMatch &match : named.globalMatch(text)) {
            const QString picture = match.captured();
            QTest::addRow("%s: %s", file, qPrintable(picture)) << source + u'/' + picture;
        }
    }
}

void TestPackaging::screenshotExists()
{
    QFETCH(QString, picture);
    QVERIFY2(QFileInfo(picture).isFile(), qPrintable(picture));
}

QTEST_GUILESS_MAIN(TestPackaging)
#include "test_packaging.moc"
