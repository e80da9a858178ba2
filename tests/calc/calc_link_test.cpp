// The Calc link against private offices, beyond what the engine and window tests ask of it:
// attaching and the hand-off, a silent or killed office, the sweep of what a killed run left
// behind, and pictures read ahead of their insert.

#include "office_fixture.h"
#include "picture_checks.h"
#include "temp_store.h"
#include "test_photos.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace velmora::testing {
namespace {

// The shared office with two workbooks, Book2 the active one.
OfficeProcess& twoBooks() {
    OfficeProcess& office = sharedOffice();
    office.resume(); // after a test that failed with it stopped
    office.closeAllWorkbooks();
    office.addWorkbook(QStringLiteral("Book1.ods"));
    office.addWorkbook(QStringLiteral("Book2.ods"));
    return office;
}

// Whether a process of this user runs with a command line that `matches`.
bool anyProcess(const std::function<bool(const QByteArray&)>& matches) {
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (file.open(QIODevice::ReadOnly) && matches(file.readAll())) {
            return true;
        }
    }
    return false;
}

TEST(CalcLink, AttachAsksOnlyARunningOfficeWithAWindowOrNamedByItsProfile) {
    OfficeProcess& office = twoBooks();
    if (anyProcess([](const QByteArray& line) {
            return line.contains("soffice.bin") && !line.contains("--headless");
        })) {
        GTEST_SKIP() << "a desktop office runs; the default hand-off would ask it";
    }
    CalcLinkOptions options;
    options.pipeName = OfficeProcess::unusedPipeName();
    // Headless offices (this test's, another program's automation servers) are left alone,
    // and so is a stopped one even when named.
    for (const bool named : {false, true}) {
        options.handOffProfileUrl = named ? office.profileUrl() : QString();
        if (named) {
            office.suspend();
        }
        QElapsedTimer clock;
        clock.start();
        EXPECT_THROW(makeCalcLink(options)->attach(), SpreadsheetError);
        EXPECT_LT(clock.elapsed(), 3000);
        EXPECT_FALSE(anyProcess([&](const QByteArray& line) {
            return line.contains(options.pipeName.toUtf8());
        })) << "an office launcher was started or kept";
    }
    office.resume();
    options.handOffWaitMs = 10000;
    EXPECT_EQ(makeCalcLink(options)->attach()->workbook(1)->name(), QStringLiteral("Book1.ods"));
}

// Links made and dropped leave no descriptor open (their socket, their wake-up).
TEST(CalcLink, ALinkLetsGoOfTheDescriptorsItOpened) {
    OfficeProcess& office = twoBooks();
    const auto open = [] {
        return QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
            .size();
    };
    const auto attachOnce = [&] {
        EXPECT_EQ(office.makeLink()->attach()->workbook(1)->name(), QStringLiteral("Book1.ods"));
    };
    attachOnce(); // what the first connection sets up for good
    const qsizetype before = open();
    for (int i = 0; i < 5; ++i) {
        attachOnce();
    }
    for (int waited = 0; open() > before && waited < 5000; waited += 50) {
        QThread::msleep(50); // a bridge may end on a thread of its own
    }
    EXPECT_EQ(open(), before);
}

// Killed mid-call, the call fails within a second, and an office started again on the pipe is
// attached. (A stopped office is the window scenario's.)
TEST(CalcLink, AnOfficeThatDiesGivesAnErrorAndTheNextAttachWorks) {
    auto office = std::make_unique<OfficeProcess>();
    const QString pipe = office->pipeName();
    office->addWorkbook(QStringLiteral("Book1.ods"));
    const auto link = office->makeLink();
    link->setWaitSettings(kPasteWaitSettings);
    const auto app = link->attach();
    office->suspend();
    std::atomic<std::chrono::steady_clock::time_point> killedAt{};
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        killedAt = std::chrono::steady_clock::now();
        office->kill();
    });
    EXPECT_THROW(app->activeWorkbook()->name(), SpreadsheetError);
    const auto failedAt = std::chrono::steady_clock::now();
    killer.join();
    EXPECT_LT(failedAt - killedAt.load(), std::chrono::seconds(1));
    EXPECT_THROW(link->attach(), SpreadsheetError);
    office.reset();
    OfficeProcess again(pipe);
    again.addWorkbook(QStringLiteral("Again.ods"));
    EXPECT_EQ(link->attach()->activeWorkbook()->name(), QStringLiteral("Again.ods"));
}

TEST(CalcLink, AttachClearsWhatAKilledRunLeftAndNothingElse) {
    OfficeProcess& office = twoBooks();
    const QString book1 = QStringLiteral("Book1.ods"), book2 = QStringLiteral("Book2.ods");
    // Another program locked both workbooks and works in an undo context of its own in Book2;
    // a killed Velmora run left Book1 locked once more, inside its own undo context.
    office.beginWork(book1, {});
    office.beginWork(book2, QStringLiteral("Macro"));
    office.beginWork(book1, QStringLiteral("Velmora"));
    office.showPictures(book1, false); // hidden by the killed run
    office.showPictures(book2, false); // by the user
    const auto link = office.makeLink();
    auto app = link->attach();
    EXPECT_FALSE(office.inUndoContext(book1));
    EXPECT_TRUE(office.locked(book1)) << "another program's lock went too";
    EXPECT_TRUE(office.picturesShown(book1));
    EXPECT_TRUE(office.inUndoContext(book2));
    EXPECT_TRUE(office.locked(book2));
    EXPECT_FALSE(office.picturesShown(book2));
    office.endWork(book1, false);
    office.endWork(book2, true);
    ASSERT_FALSE(office.locked(book1) || office.locked(book2));

    // Alone, the killed run's lock goes with its context.
    office.beginWork(book1, QStringLiteral("Velmora"));
    app = link->attach();
    EXPECT_FALSE(office.locked(book1));
    EXPECT_FALSE(office.inUndoContext(book1));

    // A run locks every workbook; an attach meanwhile leaves them, releasing the run frees them.
    app->setScreenUpdating(false);
    const auto second = link->attach();
    EXPECT_TRUE(office.locked(book1) && office.locked(book2));
    EXPECT_TRUE(office.inUndoContext(book1));
    app.reset();
    EXPECT_FALSE(office.locked(book1) || office.locked(book2));
}

// A photo read ahead and changed before its insert, in size or only in time, is read again:
// a file replaced by one Calc cannot read must not go in on the verdict of the one before.
TEST(CalcLink, APictureReadAheadIsReadAgainWhenItChangedSince) {
    QTemporaryDir dir;
    const QByteArray photo = fileBytes(writeJpeg(dir.filePath(QStringLiteral("good.jpg")), 64, 48));
    QByteArray garbage(photo.size(), 'x');
    const struct {
        const char* what;
        QByteArray before, after; // empty after: unchanged
        bool readable;
    } cases[] = {
        {"unchanged", photo, {}, true},
        {"cut short", photo, photo.left(photo.size() / 2), false},
        {"overwritten at the same size", photo, garbage, false},
        {"no photo replaced by one", garbage, photo, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QString::fromLatin1(c.what) + QStringLiteral(".jpg"));
        ASSERT_TRUE(writeFile(path, c.before));
        QFile file(path);
        const QDateTime written = file.fileTime(QFileDevice::FileModificationTime);
        calc::PictureChecks checks;
        checks.readAhead(path);
        if (!c.after.isEmpty()) {
            ASSERT_TRUE(writeFile(path, c.after));
            // Later than the reading, however coarse the file system's clock.
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(written.addSecs(2), QFileDevice::FileModificationTime));
            file.close();
        }
        EXPECT_EQ(checks.readable(QFileInfo(path).absoluteFilePath()), c.readable);
    }
}

} // namespace
} // namespace velmora::testing
