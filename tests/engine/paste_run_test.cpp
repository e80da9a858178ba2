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

TEST_F(PasteRun, VersionTwelveReanchorsAtZoomHundredAndRestoresTheZoom) {
    fake.version = QStringLiteral("12.0");
    fake.zoom = 75;
    fake.insertionDrift = QPointF(5, 7);
    fake.selectCell(QStringLiteral("C4"));
    drop(photo(QStringLiteral("a.jpg")));
    const FakeShapeData& picture = only();
    EXPECT_DOUBLE_EQ(picture.left, 96);
    EXPECT_DOUBLE_EQ(picture.top, 40.5);
    EXPECT_EQ(fake.zoomHistory, (std::vector<double>{100, 75}));
    EXPECT_EQ(fake.zoom, 75);
}

TEST_F(PasteRun, VersionTwelveUnderOption6ReanchorsAtThePasteAddress) {
    fake.version = QStringLiteral("12");
    fake.insertionDrift = QPointF(5, 7);
    holders.setText(Holder::Text6, QStringLiteral("Option6"));
    drop(photo(QStringLiteral("a.jpg")), QStringLiteral("C4:D9"));
    EXPECT_DOUBLE_EQ(only().left, 96);
    EXPECT_DOUBLE_EQ(only().top, 40.5);
}

TEST_F(PasteRun, OtherVersionsLeaveThePictureWhereItWasInserted) {
    for (const char* version : {"11.0", "14.0", "7.4", "7.4.7.2"}) {
        SCOPED_TRACE(version);
        fake.activeSheet()->shapes.clear();
        fake.version = QString::fromLatin1(version);
        fake.zoom = 75;
        fake.insertionDrift = QPointF(5, 7);
        drop(photo(QStringLiteral("a.jpg")));
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_DOUBLE_EQ(only().left, 5);
        EXPECT_DOUBLE_EQ(only().top, 7);
        EXPECT_TRUE(fake.zoomHistory.empty());
    }
}

TEST_F(PasteRun, ReanchorFailureStillRestoresTheZoom) {
    fake.version = QStringLiteral("12.0");
    fake.zoom = 75;
    fake.failCall(QStringLiteral("Shape.setLeft"));
    drop(photo(QStringLiteral("a.jpg")));
    expectOneErrorMessage();
    EXPECT_EQ(fake.zoom, 75);
    expectRunClosed();
}

TEST_F(PasteRun, OrderOneSendsThePictureBehindEveryShape) {
    fake.addRectangle(QStringLiteral("Rect A"), 0, 0, 10, 10);
    fake.addRectangle(QStringLiteral("Rect B"), 0, 0, 10, 10);
    holders.setText(Holder::Text22, QStringLiteral("1"));
    drop(photo(QStringLiteral("a.jpg")));
    EXPECT_EQ(fake.shapeNamesBackToFront(),
              (QStringList{QStringLiteral("ピクチャー_ 3"), QStringLiteral("Rect A"),
                           QStringLiteral("Rect B")}));
}

TEST_F(PasteRun, OrderZeroEmptyOrOtherMakesNoOrderCall) {
    fake.addRectangle(QStringLiteral("Rect A"), 0, 0, 10, 10);
    for (const char* order : {"0", "", " 1", "01"}) {
        SCOPED_TRACE(order);
        holders.setText(Holder::Text22, QString::fromLatin1(order));
        drop(photo(QStringLiteral("a.jpg")));
        EXPECT_EQ(fake.callCount(QStringLiteral("Shape.sendToBack")), 0);
        EXPECT_EQ(fake.shapeNamesBackToFront().back(), engine.PictureName);
    }
}

TEST_F(PasteRun, NoApplicationRunningShowsTheMessageWithoutAnyCall) {
    fake.setRunning(false);
    drop(photo(QStringLiteral("a.jpg")));
    expectOneErrorMessage();
    EXPECT_EQ(fake.calls, QStringList{QStringLiteral("Link.attach")});
    EXPECT_TRUE(fake.screenUpdatingHistory.empty());
    expectRunClosed();
}

TEST_F(PasteRun, UnknownWorkbookSetsScreenUpdatingOnAndReleases) {
    holders.setText(Holder::Text1, QStringLiteral("Missing.xlsx"));
    drop(photo(QStringLiteral("a.jpg")));
    expectOneErrorMessage();
    EXPECT_EQ(fake.screenUpdatingHistory, std::vector<bool>{true});
    EXPECT_TRUE(fake.pictures().empty());
    expectRunClosed();
}

TEST_F(PasteRun, ErrorMessageHasTheExactLines) {
    EXPECT_EQ(kPasteErrorMessage.split(QStringLiteral("\r\n")),
              (QStringList{QStringLiteral("エラーがでました。"), QString(),
                           QStringLiteral("●貼り付けるエクセルファイルは起動してますか？"),
                           QStringLiteral("●画像ファイルを選択されましたか？"),
                           QStringLiteral("●他にはー･･･貼り付けるセルの場所がわかりません。")}));
    EXPECT_FALSE(kPasteErrorMessage.contains(QLatin1Char('\n') + QStringLiteral("\n")));
}

// Every spreadsheet call of a normal paste, failing in turn, ends in the one message and a
// closed run; so does the application stopping to answer from that call on.
class PasteRunFailures : public ::testing::TestWithParam<const char*> {
protected:
    struct Run : PasteFixture {
        explicit Run(const char* placement) {
            fake.version = QStringLiteral("12.0");
            fake.zoom = 80;
            holders.setText(Holder::Text6, QString::fromLatin1(placement));
            holders.setText(Holder::Text2, QStringLiteral("Option4"));
            holders.setText(Holder::Text22, QStringLiteral("1"));
            file = photo(QStringLiteral("IMG_0001.JPG"));
        }
        void TestBody() override {}
        void paste() { drop(file, QStringLiteral("C3")); }
        QString file;
    };
};

TEST_P(PasteRunFailures, EveryCallFailingEndsInTheOneMessage) {
    QStringList calls;
    {
        Run clean(GetParam());
        clean.paste();
        ASSERT_TRUE(clean.ui.messages.empty());
        calls = clean.fake.calls;
    }
    const int total = static_cast<int>(calls.size());
    ASSERT_GT(total, 20);
    for (int nth = 1; nth <= total; ++nth) {
        SCOPED_TRACE("call " + std::to_string(nth));
        Run once(GetParam());
        once.fake.failOverallCall(nth);
        once.paste();
        once.expectOneErrorMessage();
        once.expectRunClosed();
        if (calls[nth - 1] != QLatin1String("Application.setZoom")) {
            EXPECT_EQ(once.fake.zoom, 80);
        }

        Run gone(GetParam());
        gone.fake.failEveryCallFrom(nth);
        gone.paste();
        gone.expectOneErrorMessage();
        EXPECT_EQ(gone.fake.waitSettings(), kIdleWaitSettings);
        EXPECT_EQ(gone.engine.ExcelApp, nullptr);
        EXPECT_EQ(gone.engine.TargetBook, nullptr);
        EXPECT_FALSE(gone.engine.isPasting());
    }
}

INSTANTIATE_TEST_SUITE_P(Placements, PasteRunFailures,
                         ::testing::Values("Option5", "Option6", "Option10"));

TEST_F(PasteRun, ApplicationGoneWhileTheErrorIsReportedEndsThePasteQuietly) {
    fake.failCall(QStringLiteral("Shape.setWidth"));
    // The message box is where the user closes the application.
    struct Quitting : RecordingInteraction {
        FakeSpreadsheet* fake = nullptr;
        MessageAnswer messageBox(const QString& text, int style) override {
            fake->setRunning(false);
            return RecordingInteraction::messageBox(text, style);
        }
    } quitting;
    quitting.fake = &fake;
    PasteEngine other(fake, holders, quitting);
    other.PictureFile = photo(QStringLiteral("a.jpg"));
    other.DragDrop();
    ASSERT_EQ(quitting.messages.size(), 1u);
    EXPECT_EQ(quitting.messages[0].text, kPasteErrorMessage);
    EXPECT_EQ(fake.callCount(QStringLiteral("Application.setScreenUpdating")), 2);
    EXPECT_EQ(fake.waitSettings(), kIdleWaitSettings);
    EXPECT_EQ(other.ExcelApp, nullptr);
    EXPECT_EQ(other.TargetBook, nullptr);
    EXPECT_FALSE(other.isPasting());
}

TEST_F(PasteRun, WorkbookClosedBeforeTheEndStillClosesTheRun) {
    fake.beforeCall(QStringLiteral("Shape.incrementTop"), 1,
                    [&] { fake.closeWorkbook(QStringLiteral("Book1.xlsx")); });
    drop(photo(QStringLiteral("a.jpg")));
    expectOneErrorMessage();
    expectRunClosed();
}

TEST_F(PasteRun, DropDuringAPasteIsIgnored) {
    const QString second = photo(QStringLiteral("b.jpg"));
    fake.beforeCall(QStringLiteral("Worksheet.addPicture"), 1, [&] {
        engine.PictureFile = second;
        engine.DragDrop();
    });
    drop(photo(QStringLiteral("a.jpg")));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(fake.callCount(QStringLiteral("Link.attach")), 1);
    ASSERT_EQ(fake.pictures().size(), 1u);
    expectRunClosed();
    drop(second);
    EXPECT_EQ(fake.pictures().size(), 2u);
}

TEST_F(PasteRun, DropDuringTheErrorMessageIsIgnored) {
    fake.failCall(QStringLiteral("Worksheet.addPicture"));
    struct Redropping : RecordingInteraction {
        PasteEngine* engine = nullptr;
        MessageAnswer messageBox(const QString& text, int style) override {
            engine->DragDrop();
            return RecordingInteraction::messageBox(text, style);
        }
    } redropping;
    PasteEngine other(fake, holders, redropping);
    redropping.engine = &other;
    other.PictureFile = photo(QStringLiteral("a.jpg"));
    other.DragDrop();
    EXPECT_EQ(redropping.messages.size(), 1u);
    EXPECT_EQ(fake.callCount(QStringLiteral("Link.attach")), 1);
}

} // namespace
} // namespace velmora::testing
