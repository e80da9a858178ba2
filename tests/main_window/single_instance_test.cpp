// One Velmora per user: a lock that only a running Velmora of this user holds, in a directory
// only this user can write (in another, another user could make the lock first).

#include "settings_record.h"
#include "single_instance.h"
#include "temp_store.h"

#include <QProcess>
#include <QSettings>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

// Whether a process has its own SIGTERM handler, as the kernel lists it.
bool takesSigterm(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("SigCgt:");
    return at >= 0 &&
           (text.mid(at + 7, 17).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1) & 1);
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
        EXPECT_TRUE(::lstat(QFile::encodeName(QFileInfo(lock).path()).constData(), &dir) == 0 &&
                    S_ISDIR(dir.st_mode) && dir.st_uid == ::geteuid() &&
                    (dir.st_mode & (S_IWGRP | S_IWOTH)) == 0)
            << lock.toStdString();
        ASSERT_TRUE(testing::writeFile(lock, c.stale));
        SingleInstance first(lock);
        EXPECT_TRUE(first.acquire());
        EXPECT_FALSE(SingleInstance(lock).acquire());
    }

    // The real program (in the last runtime folder above, with a store of its own) writes nothing
    // before it closes; while it runs, a second start ends at once and silently; a logout
    // (SIGTERM, once it takes it) closes it as its close box does, which stores the record (with
    // no office, every value as it falls back).
    const testing::TempStore config;
    QProcess velmora, second;
    velmora.start(VELMORA_APP_BINARY, {});
    for (int i = 0; i < 1000 && !takesSigterm(velmora.processId()); ++i) {
        QThread::msleep(20);
    }
    second.start(VELMORA_APP_BINARY, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_TRUE(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
    EXPECT_TRUE(second.readAll().isEmpty());
    EXPECT_TRUE(QDir(config.configDir()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    ::kill(static_cast<pid_t>(velmora.processId()), SIGTERM);
    ASSERT_TRUE(velmora.waitForFinished(20000));
    EXPECT_TRUE(velmora.exitStatus() == QProcess::NormalExit && velmora.exitCode() == 0);
    const QSettings stored(SettingsStore().location(), QSettings::IniFormat);
    QStringList record;
    for (const RecordField& field : kRecordWriteOrder) {
        record << stored.value(QStringLiteral("Setting/") + field.name, "none").toString();
    }
    EXPECT_EQ(record.join('|').toStdString(), "9|100||||||0|0|0||1|1");
}

} // namespace
} // namespace velmora
