// The built velmora program started as a user starts it, against a headless office listening on
// Velmora's own pipe "velmora", judged from outside. The windows it shows run on Calc in the
// window tests, and on a desktop in the desktop tests.

#include "office_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QThread>

#include <optional>

#include <gtest/gtest.h>

#include <unistd.h>

namespace velmora::testing {
namespace {

// At start-up it attaches, which clears what a killed run left in the active workbook.
TEST(EndToEnd, TheProgramAttachesToTheOfficeOnItsPipeAtStartUp) {
    QLockFile pipeLock(
        QDir::temp().filePath(QStringLiteral("velmora-e2e-pipe-%1.lock").arg(getuid())));
    pipeLock.setStaleLockTime(0); // a lock is stale only when its process is gone
    std::optional<OfficeProcess> office;
    try {
        if (pipeLock.tryLock(10 * 60 * 1000)) {
            office.emplace(QStringLiteral("velmora"));
        }
    } catch (const std::runtime_error&) {
    }
    if (!office) {
        GTEST_SKIP() << "another office or end-to-end run holds the pipe \"velmora\" (the demo "
                        "Calc of scripts/run?)";
    }
    const QString book = QStringLiteral("ledger.ods");
    office->addWorkbook(book);
    office->beginWork(book, QStringLiteral("Velmora"));

    QTemporaryDir config, runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess velmora;
    velmora.setProcessEnvironment(env);
    velmora.setProcessChannelMode(QProcess::ForwardedChannels);
    velmora.start(QStringLiteral(VELMORA_BIN), {});
    ASSERT_TRUE(velmora.waitForStarted(10000));
    QElapsedTimer clock;
    for (clock.start(); office->locked(book) && clock.elapsed() < 20000;) {
        QThread::msleep(100);
    }
    EXPECT_FALSE(office->locked(book)) << "it did not attach";
    EXPECT_EQ(velmora.state(), QProcess::Running); // and the QProcess kills it
}

} // namespace
} // namespace velmora::testing
