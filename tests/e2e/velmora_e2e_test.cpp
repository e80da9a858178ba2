// The built velmora program started as a user starts it, on its own X server, against a headless
// office listening on the pipe "velmora"; judged only from outside: the X server's windows, the
// office's documents and the settings file.

#include "office_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>

namespace velmora::testing {
namespace {

QProcessEnvironment environment(const QString& display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the test runs offscreen, the program on X
    env.insert(QStringLiteral("DISPLAY"), display);
    return env;
}

// Output of an X client.
QString run(const QString& display, const QString& program, const QStringList& args) {
    QProcess client;
    client.setProcessEnvironment(environment(display));
    client.start(program, args);
    client.waitForFinished(10000);
    return QString::fromUtf8(client.readAllStandardOutput());
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        pipeLock.setStaleLockTime(0); // a lock is stale only when its process is gone
        if (!pipeLock.tryLock(10 * 60 * 1000) ||
            OfficeProcess::answers(QStringLiteral("velmora"))) {
            GTEST_SKIP() << "another office or end-to-end run holds the pipe \"velmora\" (the demo "
                            "Calc of scripts/run?)";
        }
        office = std::make_unique<OfficeProcess>(QStringLiteral("velmora"));
        x.start(QStringLiteral("Xvfb"),
                {QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24"),
                 QStringLiteral("-dpi"), QStringLiteral("96"), QStringLiteral("-nolisten"),
                 QStringLiteral("tcp"), QStringLiteral("-displayfd"), QStringLiteral("1")});
        ASSERT_TRUE(x.waitForReadyRead(20000)) << "Xvfb did not start";
        display = QStringLiteral(":") + QString::fromLatin1(x.readLine()).trimmed();
    }
    void TearDown() override {
        for (QProcess* process : {&first, &second, &x}) {
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(2000);
            }
        }
    }
    void start(QProcess& velmora) {
        QProcessEnvironment env = environment(display);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        velmora.setProcessEnvironment(env);
        velmora.setProcessChannelMode(QProcess::ForwardedChannels);
        velmora.start(QStringLiteral(VELMORA_BIN), {});
        ASSERT_TRUE(velmora.waitForStarted(10000));
    }
    // The height of velmora's one mapped top-level window once it is shown, 0 if none is.
    int windowHeight() const {
        const QRegularExpression window(QStringLiteral("^\\s*(0x[0-9a-f]+) .*\\(\"velmora\" "),
                                        QRegularExpression::MultilineOption);
        QElapsedTimer clock;
        for (clock.start(); clock.elapsed() < 20000; QThread::msleep(100)) {
            QList<int> heights;
            const QString tree = run(display, QStringLiteral("xwininfo"),
                                     {QStringLiteral("-root"), QStringLiteral("-children")});
            for (auto it = window.globalMatch(tree); it.hasNext();) {
                const QString info =
                    run(display, QStringLiteral("xwininfo"), {"-id", it.next().captured(1)});
                if (info.contains(QStringLiteral("IsViewable"))) {
                    heights << QRegularExpression(QStringLiteral("Height: (\\d+)"))
                                   .match(info)
                                   .captured(1)
                                   .toInt();
                }
            }
            if (heights.size() == 1) {
                return heights[0];
            }
        }
        return 0;
    }

    QLockFile pipeLock{
        QDir::temp().filePath(QStringLiteral("velmora-e2e-pipe-%1.lock").arg(getuid()))};
    QTemporaryDir config, runtime;
    std::unique_ptr<OfficeProcess> office;
    QProcess x, first, second;
    QString display;
};

// A record from an earlier run holds the three-target place choice: with a workbook active at
// start-up velmora attaches, clears what a killed run left, locks it and shows that layout
// (4450 twips high; unlocked it would keep the 2550-twip one).
TEST_F(EndToEnd, AttachesLocksTheActiveWorkbookAndStoresTheRecordOnlyWhenClosed) {
    const QString storeFile =
        QDir(config.path()).filePath(QStringLiteral("VB and VBA Program Settings/quillmere.conf"));
    QDir().mkpath(QFileInfo(storeFile).path());
    {
        QSettings record(storeFile, QSettings::IniFormat);
        record.setValue(QStringLiteral("Setting/Option"), QStringLiteral("Option4"));
        record.setValue(QStringLiteral("Setting/paste-check"), QStringLiteral("Option6"));
    }
    office->addWorkbook(QStringLiteral("ledger-a.ods"));
    office->addWorkbook(QStringLiteral("ledger-b.ods"));
    office->beginWork(QStringLiteral("ledger-b.ods"), QStringLiteral("Velmora"));

    start(first);
    EXPECT_NEAR(windowHeight(), 4450 / 15, 2);
    EXPECT_FALSE(office->locked(QStringLiteral("ledger-b.ods")));
    EXPECT_FALSE(
        QSettings(storeFile, QSettings::IniFormat).contains(QStringLiteral("Setting/junjo")));

    // A second start ends at once and leaves the first one running.
    start(second);
    EXPECT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // Logging out closes it as its close box does.
    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    QSettings stored(storeFile, QSettings::IniFormat);
    stored.beginGroup(QStringLiteral("Setting"));
    for (const char* name : {"Combo1", "Text5", "Option", "paste-check", "paste-url-1",
                             "paste-url-2", "paste-url-3", "bityousei-tate", "bityousei-yoko",
                             "zu-comp", "junjo", "renzoku-no1-no2", "renzoku-p1-p2"}) {
        EXPECT_TRUE(stored.contains(QString::fromLatin1(name))) << name;
    }
    EXPECT_EQ(stored.value(QStringLiteral("Option")).toString(), QStringLiteral("Option4"));
    EXPECT_EQ(stored.value(QStringLiteral("paste-check")).toString(), QStringLiteral("Option6"));
    EXPECT_EQ(stored.value(QStringLiteral("junjo")).toString(), QStringLiteral("0"));
}

} // namespace
} // namespace velmora::testing
