#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

// Whatever a lock file holds, it keeps a start out only while a Velmora of this user runs.
TEST_F(SingleInstanceTest, ALockNamingNoRunningVelmoraIsStale) {
    const QByteArray contents[] = {
        "",                                               // a crash before anything was written
        "\xff\xfe not a lock\n",                          // garbage
        "4242\nvelmora\nanother-host\n{0b6f0e3a-0000}\n", // another host's
        QByteArray::number(qint64(::getpid())) + "\nvelmora\n", // a live process that is no Velmora
    };
    for (const QByteArray& stale : contents) {
        QFile file(lock);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(stale);
        file.close();

        QProcess program;
        start(program);
        ASSERT_TRUE(program.waitForStarted(10000));
        const QByteArray holder = QByteArray::number(program.processId()) + "\n";
        bool holds = false;
        // Until it holds the lock, or ends without it.
        for (int i = 0; i < 400 && !holds && !program.waitForFinished(50); ++i) {
            QFile now(lock);
            holds = now.open(QIODevice::ReadOnly) && now.readAll().startsWith(holder);
        }
        EXPECT_TRUE(holds) << "stale lock: " << stale.toStdString();
        program.kill();
        program.waitForFinished(10000);
    }
}

// A lock in a directory another user can write to could be theirs first.
TEST(SingleInstanceLockPath, IsInADirectoryOnlyThisUserCanWrite) {
    QTemporaryDir cache;
    QTemporaryDir foreign;
    const bool canGiveAway =
        ::chown(QFile::encodeName(foreign.path()).constData(), 65534, 65534) == 0;
    const QByteArray previousRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray previousCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const struct {
        const char* runtime; // nullptr: unset
        bool applies;
    } cases[] = {{nullptr, true}, {"/tmp", true}, {"", true}, {"foreign", canGiveAway}};
    for (const auto& c : cases) {
        if (!c.applies) {
            continue;
        }
        if (c.runtime == nullptr) {
            qunsetenv("XDG_RUNTIME_DIR");
        } else {
            qputenv("XDG_RUNTIME_DIR", QByteArray(c.runtime) == "foreign"
                                           ? QFile::encodeName(foreign.path())
                                           : QByteArray(c.runtime));
        }
        const QString path = SingleInstance::defaultLockPath();
        ASSERT_FALSE(path.isEmpty()) << (c.runtime ? c.runtime : "unset");
        struct stat dir {};
        ASSERT_EQ(::lstat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &dir), 0);
        EXPECT_TRUE(S_ISDIR(dir.st_mode)) << path.toStdString();
        EXPECT_EQ(dir.st_uid, ::geteuid()) << path.toStdString();
        EXPECT_EQ(dir.st_mode & (S_IWGRP | S_IWOTH), 0u) << path.toStdString();
    }
    for (const auto& [name, previous] :
         {std::pair{"XDG_RUNTIME_DIR", previousRuntime}, {"XDG_CACHE_HOME", previousCache}}) {
        if (previous.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, previous);
        }
    }
}

} // namespace
} // namespace velmora
