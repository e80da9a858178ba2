#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds) {
    QTemporaryDir dir;
    const QString path = dir.filePath("velmora.lock");
    auto first = std::make_unique<SingleInstance>(path);
    ASSERT_TRUE(first->acquire());
    SingleInstance second(path);
    EXPECT_FALSE(second.acquire());
    first.reset();
    EXPECT_TRUE(second.acquire());
}

QProcessEnvironment isolatedEnvironment(const QTemporaryDir& runtime, const QTemporaryDir& config) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

TEST(SingleInstance, LockLeftByAKilledProgramDoesNotBlock) {
    QTemporaryDir runtime;
    QTemporaryDir config;
    const QString path = runtime.path() + "/velmora.lock";
    QProcess crashed;
    crashed.setProcessEnvironment(isolatedEnvironment(runtime, config));
    crashed.start(VELMORA_APP_BINARY, {});
    ASSERT_TRUE(crashed.waitForStarted(10000));
    for (int i = 0; i < 200 && !QFile::exists(path); ++i) {
        QThread::msleep(50);
    }
    ASSERT_TRUE(QFile::exists(path));
    crashed.kill(); // SIGKILL: no clean-up runs
    crashed.waitForFinished(10000);
    ASSERT_TRUE(QFile::exists(path));

    SingleInstance next(path);
    EXPECT_TRUE(next.acquire());
}

TEST(SingleInstance, SecondProgramEndsSilentlyWhileTheFirstRuns) {
    QTemporaryDir runtime;
    QTemporaryDir config;
    SingleInstance first(runtime.path() + "/velmora.lock");
    ASSERT_TRUE(first.acquire());

    QProcess second;
    second.setProcessEnvironment(isolatedEnvironment(runtime, config));
    second.start(VELMORA_APP_BINARY, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    // Nothing written: the ended copy never reached its close.
    EXPECT_TRUE(QDir(config.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
}

} // namespace
} // namespace velmora
