// One Velmora per user: a lock that only a running Velmora of this user holds, in a directory
// only this user can write (in another, another user could make the lock first).

#include "settings_record.h"
#include "single_instance.h"
#include "temp_store.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmora {
namespace {

// The signals a process has its own handlers for, as the kernel lists them.
quint64 caughtSignals(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            return line.mid(7).trimmed().toULongLong(nullptr, 16);
        }
    }
    return 0;
}

// Whatever a lock file holds, and wherever the runtime directory points.
TEST(SingleInstance, OnlyARunningVelmoraOfThisUserKeepsAStartOut) {
    const QTemporaryDir cache;
    const QTemporaryDir runtime;
    const QTemporaryDir foreign;
    // Another user's folder when run as root; else one more of this user's own.
    [[maybe_unused]] const int given =
        ::chown(QFile::encodeName(foreign.path()).constData(), 65534, 65534);
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QByteArray live = QByteArray::number(qint64(::getpid())) + "\nvelmora\n";
    const struct {
        QByteArray runtime; // null: unset
        QByteArray stale;
    } cases[] = {
        {QByteArray(), ""}, // a crash before anything was written
        {"/tmp", "\xff\xfe not a lock\n"},
        {"", "4242\nvelmora\nanother-host\n{0b6f0e3a-0000}\n"},
        {QFile::encodeName(foreign.path()), live}, // a live process that is no Velmora
        {QFile::encodeName(runtime.path()), live},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runtime.isNull() ? "unset" : c.runtime.toStdString());
        c.runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", c.runtime);
        const QString lock = SingleInstance::defaultLockPath();
        struct stat dir {};
        ASSERT_EQ(::lstat(QFile::encodeName(QFileInfo(lock).path()).constData(), &dir), 0)
            << lock.toStdString();
        EXPECT_TRUE(S_ISDIR(dir.st_mode) && dir.st_uid == ::geteuid() &&
                    (dir.st_mode & (S_IWGRP | S_IWOTH)) == 0)
            << lock.toStdString();
        ASSERT_TRUE(testing::writeFile(lock, c.stale));
        SingleInstance first(lock);
        EXPECT_TRUE(first.acquire());
        EXPECT_FALSE(SingleInstance(lock).acquire());
    }

    // A Velmora killed while it held the lock (no clean-up runs) keeps no one out.
    const QString lock = runtime.path() + "/velmora.lock";
    if (const pid_t child = ::fork(); child == 0) {
        SingleInstance held(lock);
        held.acquire();
        ::raise(SIGKILL);
    } else {
        ::waitpid(child, nullptr, 0);
    }
    // While it runs, a second start ends at once and silently, before it could write anything.
    const QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess second, velmora;
    second.setProcessEnvironment(env);
    velmora.setProcessEnvironment(env);
    {
        SingleInstance first(lock);
        ASSERT_TRUE(first.acquire());
        second.start(VELMORA_APP_BINARY, {});
        ASSERT_TRUE(second.waitForFinished(20000));
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_TRUE(second.readAll().isEmpty());
        EXPECT_TRUE(QDir(config.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    }

    // Then a start runs; a logout (SIGTERM, once it takes it) closes it as its close box does,
    // which stores the record (with no office, the values it falls back to) and nothing before.
    velmora.start(VELMORA_APP_BINARY, {});
    QElapsedTimer clock;
    for (clock.start(); (caughtSignals(velmora.processId()) & (1U << (SIGTERM - 1))) == 0 &&
                        clock.elapsed() < 20000;) {
        QThread::msleep(20);
    }
    EXPECT_TRUE(QDir(config.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    ::kill(static_cast<pid_t>(velmora.processId()), SIGTERM);
    ASSERT_TRUE(velmora.waitForFinished(20000));
    EXPECT_EQ(velmora.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(velmora.exitCode(), 0);
    const QSettings stored(config.path() + "/VB and VBA Program Settings/quillmere.conf",
                           QSettings::IniFormat);
    for (const RecordField& field : kRecordWriteOrder) {
        EXPECT_TRUE(stored.contains(QStringLiteral("Setting/") + field.name)) << field.name;
    }
}

} // namespace
} // namespace velmora
