#include "calc_link.h"
#include "office_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace velmora::testing {

namespace {

class CalcLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        office().admin().closeAllWorkbooks();
        office().createWorkbook(QStringLiteral("Book1.ods"));
        office().createWorkbook(QStringLiteral("Book2.ods"));
        link_ = office().makeLink();
    }
    void TearDown() override {
        office().resume();
        link_.reset();
        office().admin().closeAllWorkbooks();
    }

    static OfficeProcess& office() { return sharedOffice(); }
    ExcelLink& link() { return *link_; }
    QString photo() {
        return writeJpeg(QDir(office().workDir()).filePath(QStringLiteral("photo.jpg")), 640, 480);
    }

private:
    std::unique_ptr<ExcelLink> link_;
};

// Processes of this user whose command line mentions `text`.
int processesMentioning(const QString& text) {
    int found = 0;
    const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text.toUtf8())) {
            ++found;
        }
    }
    return found;
}

// Whether an office of this user with a user interface runs (a desktop Calc).
bool desktopOfficeRunning() {
    const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!cmdline.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QList<QByteArray> args = cmdline.readAll().split('\0');
        if (!args.isEmpty() && args.front().endsWith("soffice.bin") &&
            !args.contains("--headless")) {
            return true;
        }
    }
    return false;
}

TEST_F(CalcLinkTest, AttachFailsQuicklyWhenNothingListensAndLeavesHeadlessOfficesAlone) {
    if (desktopOfficeRunning()) {
        GTEST_SKIP() << "a desktop office runs; the default hand-off would ask it";
    }
    CalcLinkOptions options;
    options.pipeName = OfficeProcess::unusedPipeName();
    auto link = makeCalcLink(options);
    QElapsedTimer clock;
    clock.start();
    // The running offices are headless (this binary's own among them): another program's
    // automation servers, never asked to listen for Velmora.
    EXPECT_THROW(link->attach(), SpreadsheetError);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(processesMentioning(options.pipeName), 0);
    EXPECT_EQ(office().admin().workbookNames().size(), 2);
}

TEST_F(CalcLinkTest, ARunningOfficeIsHandedTheListeningRequest) {
    CalcLinkOptions options;
    options.pipeName = OfficeProcess::unusedPipeName();
    options.handOffProfileUrl = office().profileUrl();
    options.handOffWaitMs = 10000;
    auto link = makeCalcLink(options);
    auto app = link->attach();
    EXPECT_EQ(app->workbookCount(), 2);
    EXPECT_EQ(app->workbook(1)->name(), QStringLiteral("Book1.ods"));
}

TEST_F(CalcLinkTest, AStoppedOfficeIsNotAskedAndNoLauncherIsLeftBehind) {
    CalcLinkOptions options;
    options.pipeName = OfficeProcess::unusedPipeName();
    options.handOffProfileUrl = office().profileUrl();
    auto link = makeCalcLink(options);
    office().suspend();
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(link->attach(), SpreadsheetError);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(processesMentioning(options.pipeName), 0);
    office().resume();

    // Running again, the same office is asked and answers.
    options.handOffWaitMs = 10000;
    EXPECT_EQ(makeCalcLink(options)->attach()->workbookCount(), 2);
}

TEST_F(CalcLinkTest, ScreenUpdatingLocksEveryWorkbookAndARunIsOneUndoStep) {
    auto app = link().attach();
    auto book1 = app->workbook(QStringLiteral("Book1.ods"));
    book1->activeSheet()->activate();
    app->setScreenUpdating(false);
    EXPECT_TRUE(office().admin().controllersLocked(QStringLiteral("Book1.ods")));
    EXPECT_TRUE(office().admin().controllersLocked(QStringLiteral("Book2.ods")));

    auto sheet = book1->activeSheet();
    sheet->addPicture(photo(), false, true, 10, 10, 0, 0)->setName(QStringLiteral("one"));
    auto two = sheet->addPicture(photo(), false, true, 200, 10, 0, 0);
    two->setName(QStringLiteral("two"));
    two->setWidth(100);
    app->setScreenUpdating(true);

    EXPECT_FALSE(office().admin().controllersLocked(QStringLiteral("Book1.ods")));
    EXPECT_FALSE(office().admin().controllersLocked(QStringLiteral("Book2.ods")));
    EXPECT_EQ(office().admin().undoTitles(QStringLiteral("Book1.ods")),
              QStringList{QStringLiteral("Velmora")});
    EXPECT_TRUE(office().admin().undoTitles(QStringLiteral("Book2.ods")).isEmpty());

    ASSERT_EQ(office().admin().shapes(QStringLiteral("Book1.ods")).size(), 2);
    office().admin().undo(QStringLiteral("Book1.ods"));
    EXPECT_TRUE(office().admin().shapes(QStringLiteral("Book1.ods")).isEmpty());
}

TEST_F(CalcLinkTest, ReleasingTheApplicationSwitchesScreenUpdatingBackOn) {
    auto app = link().attach();
    app->setScreenUpdating(false);
    ASSERT_TRUE(office().admin().controllersLocked(QStringLiteral("Book2.ods")));
    app.reset();
    EXPECT_FALSE(office().admin().controllersLocked(QStringLiteral("Book2.ods")));
}

TEST_F(CalcLinkTest, AttachClearsWhatAnAbandonedRunLeftAndNothingElse) {
    const QString book1 = QStringLiteral("Book1.ods");
    const QString book2 = QStringLiteral("Book2.ods");
    auto& admin = office().admin();
    // Another program locked both workbooks, and works in an undo context of its own in Book2;
    // a killed Velmora run left Book1 locked once more, inside its own undo context.
    admin.beginForeignWork(book1, {});
    admin.beginForeignWork(book2, QStringLiteral("Macro"));
    admin.simulateAbandonedRun(book1);

    auto app = link().attach();
    EXPECT_FALSE(admin.inUndoContext(book1));
    EXPECT_TRUE(admin.controllersLocked(book1)) << "another program's lock went too";
    EXPECT_TRUE(admin.inUndoContext(book2));
    EXPECT_TRUE(admin.controllersLocked(book2));
    admin.endForeignWork(book1, false);
    admin.endForeignWork(book2, true);
    ASSERT_FALSE(admin.controllersLocked(book2));

    // Without another program's lock, the abandoned run's lock alone goes.
    admin.simulateAbandonedRun(book1);
    app = link().attach();
    EXPECT_FALSE(admin.controllersLocked(book1));
    EXPECT_FALSE(admin.inUndoContext(book1));

    // A second attach during a live run keeps that run's locks.
    app->setScreenUpdating(false);
    auto second = link().attach();
    EXPECT_TRUE(admin.controllersLocked(book1));
    EXPECT_TRUE(admin.inUndoContext(book1));
    app->setScreenUpdating(true);
    EXPECT_FALSE(admin.controllersLocked(book1));
}

TEST_F(CalcLinkTest, APictureSelectedWhileScreenUpdatingIsOffIsSelectedWhenItResumes) {
    auto app = link().attach();
    auto sheet = app->activeWorkbook()->activeSheet();
    app->setScreenUpdating(false);
    auto first = sheet->addPicture(photo(), false, true, 0, 0, 0, 0);
    first->select();
    EXPECT_TRUE(office().admin().selectedShapeNames({}).isEmpty()) << "selected at once";
    // A cell selected later wins over the picture.
    app->range(QStringLiteral("C3"))->select();
    auto second = sheet->addPicture(photo(), false, true, 100, 100, 0, 0);
    second->select();
    EXPECT_EQ(app->activeCell()->address(), QStringLiteral("$C$3"));
    app->setScreenUpdating(true);
    EXPECT_EQ(office().admin().selectedShapeNames({}), QStringList{second->name()});
    EXPECT_EQ(app->activeCell()->address(), QStringLiteral("$C$3"));

    // Outside a run the view selects at once.
    first->select();
    EXPECT_EQ(office().admin().selectedShapeNames({}), QStringList{first->name()});
}

TEST_F(CalcLinkTest, PicturesAreAnchoredToTheCellUnderTheirCorner) {
    office().admin().setColumnWidth({}, 1, 50);
    office().admin().setColumnWidth({}, 2, 50);
    office().admin().setRowHeight({}, 1, 20);
    auto app = link().attach();
    auto sheet = app->activeWorkbook()->activeSheet();
    auto picture = sheet->addPicture(photo(), false, true, 60, 25, 0, 0);
    auto shapes = office().admin().shapes({});
    ASSERT_EQ(shapes.size(), 1);
    EXPECT_TRUE(shapes[0].picture);
    EXPECT_EQ(shapes[0].anchorCell, QStringLiteral("$B$2"));

    picture->setLeft(110);
    EXPECT_EQ(office().admin().shapes({})[0].anchorCell, QStringLiteral("$C$2"));
    EXPECT_NEAR(picture->left(), 110, 0.05);
}

TEST_F(CalcLinkTest, ACallWithoutAnAnswerFailsAfterTheWaitSettingAndTheNextAttachWorks) {
    auto app = link().attach();
    auto book = app->workbook(QStringLiteral("Book1.ods"));
    link().setWaitSettings({true, 1500});
    office().suspend();
    QElapsedTimer clock;
    clock.start();
    try {
        app->zoom();
        ADD_FAILURE() << "a stopped office answered";
    } catch (const SpreadsheetError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("1500 ms"))) << e.what();
    }
    EXPECT_GE(clock.elapsed(), 1400);
    EXPECT_LT(clock.elapsed(), 10000);
    // Objects of the given-up attach fail at once instead of waiting again.
    clock.restart();
    EXPECT_THROW(book->name(), SpreadsheetError);
    EXPECT_LT(clock.elapsed(), 500);
    // As after a failed paste run: the run's objects are released before the next attach.
    book.reset();
    office().resume();

    // That attach is given up; a new one works.
    EXPECT_THROW(app->workbookCount(), SpreadsheetError);
    link().setWaitSettings(kIdleWaitSettings);
    EXPECT_EQ(link().attach()->workbookCount(), 2);
}

TEST(CalcLinkDeath, KillingTheOfficeMidCallGivesAnErrorWithinASecond) {
    auto office = std::make_unique<OfficeProcess>();
    const QString pipe = office->pipeName();
    office->createWorkbook(QStringLiteral("Book1.ods"));
    auto link = office->makeLink();
    link->setWaitSettings(kPasteWaitSettings);
    auto app = link->attach();

    office->suspend();
    std::atomic<std::chrono::steady_clock::rep> killedAt{0};
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        killedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        office->kill();
    });
    EXPECT_THROW(app->activeWorkbook()->name(), SpreadsheetError);
    const auto failedAt = std::chrono::steady_clock::now().time_since_epoch();
    killer.join();
    const auto delay = failedAt - std::chrono::steady_clock::duration(killedAt.load());
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(delay).count(), 1000);
    EXPECT_THROW(app->workbookCount(), SpreadsheetError);
    EXPECT_THROW(link->attach(), SpreadsheetError);

    office.reset();
    OfficeProcess again(pipe);
    again.createWorkbook(QStringLiteral("Again.ods"));
    EXPECT_EQ(link->attach()->activeWorkbook()->name(), QStringLiteral("Again.ods"));
}

} // namespace

} // namespace velmora::testing
