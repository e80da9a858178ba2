#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace velmora {
namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    // Starts the program with its lock and its store in this test's own folders.
    void start(QProcess& program) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(VELMORA_APP_BINARY, {});
    }

    QTemporaryDir runtime;
    QTemporaryDir config;
    const QString lock = runtime.path() + "/velmora.lock";
};

TEST_F(SingleInstanceTest, LockLeftByAKilledProgramDoesNotBlock) {
    QProcess crashed;
    start(crashed);
    ASSERT_TRUE(crashed.waitForStarted(10000));
    for (int i = 0; i < 200 && !QFile::exists(lock); ++i) {
        QThread::msleep(50);
    }
    ASSERT_TRUE(QFile::exists(lock));
    crashed.kill(); // SIGKILL: no clean-up runs
    crashed.waitForFinished(10000);
    ASSERT_TRUE(QFile::exists(lock));

    SingleInstance next(lock);
    EXPECT_TRUE(next.acquire());
}

TEST_F(SingleInstanceTest, SecondProgramEndsSilentlyWhileTheFirstRuns) {
    SingleInstance first(lock);
    ASSERT_TRUE(first.acquire());

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    // Nothing written: the ended copy never reached its close.
    EXPECT_TRUE(QDir(config.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
}

} // namespace
} // namespace velmora
