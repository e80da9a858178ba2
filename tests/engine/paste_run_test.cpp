// Opening and closing a paste run, re-anchoring, picture order and the one error report.

#include "paste_fixture.h"

namespace velmora::testing {
namespace {

using PasteRun = PasteFixture;

TEST_F(PasteRun, ScreenAndWaitSettingsChangeOnlyWhileTheRunIsOpen) {
    bool checked = false;
    fake.beforeCall(QStringLiteral("Worksheet.addPicture"), 1, [&] {
        EXPECT_FALSE(fake.screenUpdating);
        EXPECT_EQ(fake.waitSettings(), kPasteWaitSettings);
        EXPECT_TRUE(engine.isPasting());
        checked = true;
    });
    drop(photo(QStringLiteral("a.jpg")));
    EXPECT_TRUE(checked);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(fake.screenUpdatingHistory, (std::vector<bool>{false, true}));
    EXPECT_EQ(fake.waitSettingsHistory,
              (std::vector<WaitSettings>{kPasteWaitSettings, kIdleWaitSettings}));
    expectRunClosed();
}

TEST_F(PasteRun, BeginPasteActivatesTheLockedWorkbooksActiveSheet) {
    fake.addWorkbook(QStringLiteral("Other.ods")); // now the active workbook
    drop(photo(QStringLiteral("a.jpg")));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(fake.activeBook()->name, QStringLiteral("Book1.xlsx"));
    EXPECT_EQ(fake.book(QStringLiteral("Book1.xlsx"))->sheets[0]->shapes.size(), 1u);
    EXPECT_TRUE(fake.book(QStringLiteral("Other.ods"))->sheets[0]->shapes.empty());
}

TEST(PasteRunReanchor, OnlyVersionTwelveMovesThePictureBackAtZoomHundred) {
    const struct {
        const char* version;
        const char* placement;
        bool reanchored;
    } cases[] = {{"12.0", "Option5", true},  {"12", "Option6", true},
                 {"11.0", "Option5", false}, {"14.0", "Option5", false},
                 {"7.4", "Option5", false},  {"7.4.7.2", "Option5", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + " " + c.placement);
        PasteWorld world;
        world.fake.version = QString::fromLatin1(c.version);
        world.fake.zoom = 75;
        world.fake.insertionDrift = QPointF(5, 7);
        world.holders.setText(Holder::Text6, QString::fromLatin1(c.placement));
        world.fake.selectCell(QStringLiteral("C4"));
        world.drop(world.photo(QStringLiteral("a.jpg")), QStringLiteral("C4:D9"));
        EXPECT_TRUE(world.ui.messages.empty());
        // C4 is at 96, 40.5; the drift is where the insertion left the picture.
        EXPECT_DOUBLE_EQ(world.only().left, c.reanchored ? 96 : 96 + 5);
        EXPECT_DOUBLE_EQ(world.only().top, c.reanchored ? 40.5 : 40.5 + 7);
        EXPECT_EQ(world.fake.zoomHistory,
                  (c.reanchored ? std::vector<double>{100, 75} : std::vector<double>{}));
        EXPECT_EQ(world.fake.zoom, 75);
    }
}

TEST(PasteRunOrder, OnlyTheExactOneSendsThePictureBehindEveryShape) {
    const QString picture = kPictureNamePrefix + "3";
    const struct {
        const char* order;
        QStringList backToFront;
    } cases[] = {{"1", {picture, "Rect A", "Rect B"}},
                 {"0", {"Rect A", "Rect B", picture}},
                 {"", {"Rect A", "Rect B", picture}},
                 {" 1", {"Rect A", "Rect B", picture}},
                 {"01", {"Rect A", "Rect B", picture}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        PasteWorld world;
        world.fake.addRectangle(QStringLiteral("Rect A"), 0, 0, 10, 10);
        world.fake.addRectangle(QStringLiteral("Rect B"), 0, 0, 10, 10);
        world.holders.setText(Holder::Text22, QString::fromLatin1(c.order));
        world.drop(world.photo(QStringLiteral("a.jpg")));
        EXPECT_EQ(world.fake.shapeNamesBackToFront(), c.backToFront);
        EXPECT_EQ(world.fake.callCount(QStringLiteral("Shape.sendToBack")),
                  c.backToFront.front() == picture ? 1 : 0);
    }
}

TEST_F(PasteRun, ErrorMessageHasTheExactLines) {
    EXPECT_EQ(kPasteErrorMessage.split(QStringLiteral("\r\n")),
              (QStringList{QStringLiteral("エラーがでました。"), QString(),
                           QStringLiteral("●貼り付けるエクセルファイルは起動してますか？"),
                           QStringLiteral("●画像ファイルを選択されましたか？"),
                           QStringLiteral("●他にはー･･･貼り付けるセルの場所がわかりません。")}));
}

// Every spreadsheet call of a normal paste, failing in turn, ends in the one message and a
// closed run; so does the application stopping to answer from that call on (from the first
// call: no application running).
class PasteRunFailures : public ::testing::TestWithParam<const char*> {
protected:
    // A version-12 paste that uses every step: re-anchoring, sizing, order.
    static void paste(PasteWorld& world) {
        world.fake.version = QStringLiteral("12.0");
        world.fake.zoom = 80;
        world.holders.setText(Holder::Text6, QString::fromLatin1(GetParam()));
        world.holders.setText(Holder::Text2, QStringLiteral("Option4"));
        world.holders.setText(Holder::Text22, QStringLiteral("1"));
        world.drop(world.photo(QStringLiteral("IMG_0001.JPG")), QStringLiteral("C3"));
    }
};

TEST_P(PasteRunFailures, EveryCallFailingEndsInTheOneMessage) {
    QStringList calls;
    {
        PasteWorld clean;
        paste(clean);
        ASSERT_TRUE(clean.ui.messages.empty());
        calls = clean.fake.calls;
    }
    ASSERT_GT(calls.size(), 20);
    for (int nth = 1; nth <= calls.size(); ++nth) {
        SCOPED_TRACE("call " + std::to_string(nth) + " " + calls[nth - 1].toStdString());
        PasteWorld once;
        once.fake.failOverallCall(nth);
        paste(once);
        once.expectOneErrorMessage();
        once.expectRunClosed();
        if (calls[nth - 1] != QLatin1String("Application.setZoom")) {
            EXPECT_EQ(once.fake.zoom, 80);
        }

        PasteWorld gone;
        gone.fake.failEveryCallFrom(nth);
        paste(gone);
        gone.expectOneErrorMessage();
        gone.expectRunReleased();
    }
}

INSTANTIATE_TEST_SUITE_P(Placements, PasteRunFailures,
                         ::testing::Values("Option5", "Option6", "Option10"));

TEST_F(PasteRun, ApplicationGoneWhileTheErrorIsReportedEndsThePasteQuietly) {
    fake.failCall(QStringLiteral("Shape.setWidth"));
    ui.onMessage = [&] {
        fake.setRunning(false);
    }; // the user quits it meanwhile
    drop(photo(QStringLiteral("a.jpg")));
    expectOneErrorMessage();
    EXPECT_EQ(fake.callCount(QStringLiteral("Application.setScreenUpdating")), 2);
    expectRunReleased();
}

TEST_F(PasteRun, WorkbookClosedBeforeTheEndStillClosesTheRun) {
    fake.beforeCall(QStringLiteral("Shape.incrementTop"), 1,
                    [&] { fake.closeWorkbook(QStringLiteral("Book1.xlsx")); });
    drop(photo(QStringLiteral("a.jpg")));
    expectOneErrorMessage();
    expectRunClosed();
}

TEST_F(PasteRun, DropsDuringAPasteOrItsErrorMessageAreIgnored) {
    const QString second = photo(QStringLiteral("b.jpg"));
    const auto dropSecond = [&] {
        drop(second);
    };
    fake.beforeCall(QStringLiteral("Worksheet.addPicture"), 1, dropSecond);
    drop(photo(QStringLiteral("a.jpg")));
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(fake.pictures().size(), 1u);
    expectRunClosed();

    fake.failCall(QStringLiteral("Worksheet.addPicture"), 2);
    ui.onMessage = dropSecond;
    drop(second);
    expectOneErrorMessage();
    EXPECT_EQ(fake.callCount(QStringLiteral("Link.attach")), 2);
    expectRunClosed();

    ui.onMessage = nullptr;
    drop(second);
    EXPECT_EQ(fake.pictures().size(), 2u);
}

} // namespace
} // namespace velmora::testing
