// Sound cues: started by path and returned from at once, the same whether the cue
// exists or not, and the playback library loaded only with the first cue.

#include "shell/sound.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace {

bool multimediaLoaded()
{
#ifdef Q_OS_LINUX
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Multimedia");
#else
    return false;
#endif
}

} // namespace

class TestSound : public QObject {
    Q_OBJECT
private slots:
    void firstCueLoadsThePlayer();
    void missingCueIsSilentlyIgnored_data();
    void missingCueIsSilentlyIgnored();
};

void TestSound::firstCueLoadsThePlayer()
{
    QVERIFY(soundPath.isEmpty());
    QCOMPARE(soundResult, 0);
    QVERIFY(!multimediaLoaded());

    QElapsedTimer clock;
    clock.start();
    playCue(QStringLiteral("c:\\QZV\\winner.wav"));
    QVERIFY2(clock.elapsed() < 1000, "a cue must not hold up the program");
    QCOMPARE(soundPath, QStringLiteral("c:\\QZV\\winner.wav"));

    const bool cueBuilt = QFile::exists(QStringLiteral(ZUF_BINARY_DIR "/sounds/winner.wav"));
    if (!cueBuilt)
        QSKIP("the build has no cues");
    QCOMPARE(soundResult, 1);
#ifdef Q_OS_LINUX
    QVERIFY(multimediaLoaded());
#endif
}

void TestSound::missingCueIsSilentlyIgnored_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("no such cue") << QStringLiteral("c:\\QZV\\applause.wav");
    QTest::newRow("folder only") << QStringLiteral("c:\\QZV\\");
    QTest::newRow("empty") << QString();
}

void TestSound::missingCueIsSilentlyIgnored()
{
    QFETCH(QString, path);
    playCue(path);
    QCOMPARE(soundPath, path);
#ifndef Q_OS_WIN
    QCOMPARE(soundResult, 0);   // Windows plays its default sound instead
#endif
}

QTEST_GUILESS_MAIN(TestSound)
#include "test_gui_sound.moc"
