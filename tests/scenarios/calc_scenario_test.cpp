// The real main window against a private office that stops answering in the middle of a folder
// paste, and camera photos in every orientation (the engine and window tests run the other flows
// on Calc too).

#include "camera_photos.h"
#include "form1.h"
#include "map_holders.h"
#include "office_fixture.h"
#include "paste_engine.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

// Folder pastes of three photos from B3 during which the office stops at the second photo: the
// user waits on, then gives up, then pastes again. A run waits 20 s at most here, and the user
// is asked after 0.3 s.
TEST(StoppedOffice, TheWindowsPaintWhileItWaitsAndGivingUpLeavesTheWorkbookAsItWasFound) {
    OfficeProcess& office = freshWorld();
    const QString book = QStringLiteral("Stopped.ods");
    QTemporaryDir folder;
    for (int i = 1; i <= 3; ++i) {
        writeJpeg(folder.filePath(QStringLiteral("IMG_%1.jpg").arg(i)), 160, 120);
    }
    office.addWorkbook(book);
    office.select(QStringLiteral("B3"));
    TempStore temp;
    SettingsStore store;
    ASSERT_NO_THROW(store.SaveSettings({{"Option", "Option1"},
                                        {"Combo1", "2"},
                                        {"paste-check", "Option9"},
                                        {"renzoku-no1-no2", "0"},
                                        {"renzoku-p1-p2", "0"}}));
    RecordingInteraction ui;
    CalcLinkOptions options;
    options.notAnsweringNoticeMs = 300;
    options.longestWaitMs = 20000;
    const auto calc = office.makeLink(options);
    Form1 form{*calc, store, ui, nullptr};
    ASSERT_TRUE(form.Form_Load());
    int photos = 0;
    bool eventsRan = false; // since the office stopped
    ui.onProcessEvents = [&] {
        if (++photos % 3 == 2) {
            office.suspend();
            QTimer::singleShot(0, [&] { eventsRan = true; });
        }
    };
    const auto pasteTheFolder = [&] {
        ui.messages.clear();
        ui.openAnswers.push_back(folder.filePath(QStringLiteral("IMG_1.jpg")));
        form.Command2->click();
        EXPECT_EQ(form.progressWindow(), nullptr);
    };

    ui.onNotAnswering = [&] {
        EXPECT_TRUE(eventsRan) << "no window painted while the office was stopped";
        office.resume();
    };
    pasteTheFolder();
    EXPECT_EQ(ui.messages, Messages({{kOfficeNotAnsweringMessage, kStyleExclamationOkCancel}}));
    EXPECT_EQ(office.shapes(book).size(), 3);
    EXPECT_FALSE(office.locked(book));

    ui.onNotAnswering = nullptr;
    ui.notAnsweringAnswers.push_back(MessageAnswer::Cancel);
    QElapsedTimer clock;
    clock.start();
    pasteTheFolder();
    EXPECT_LT(clock.elapsed(), 10000) << "the run waited for its timeout";
    EXPECT_EQ(ui.messages, Messages({{kOfficeNotAnsweringMessage, kStyleExclamationOkCancel},
                                     {kPasteErrorMessage, kStyleCritical}}));
    // Velmora tidies up the moment the office answers again, keeping no connection of its own
    // alive but the given-up one.
    office.disconnect();
    office.resume();
    for (clock.restart(); office.locked(book) && clock.elapsed() < 10000;) {
        QThread::msleep(50);
    }
    ASSERT_FALSE(office.locked(book));
    EXPECT_FALSE(office.inUndoContext(book));
    ASSERT_EQ(office.shapes(book).size(), 4);

    // The next run is one undo step of its own, and so was the given-up one.
    ui.onProcessEvents = nullptr;
    pasteTheFolder();
    EXPECT_EQ(ui.messages, Messages());
    ASSERT_EQ(office.shapes(book).size(), 7);
    office.undo(book);
    EXPECT_EQ(office.shapes(book).size(), 4);
    office.undo(book);
    EXPECT_EQ(office.shapes(book).size(), 3); // and the office still answers
}

// A 2400 x 1800 px camera photo at 300 dpi (576 x 432 pt upright) dropped on B3, centred at 6 cm,
// stored in each orientation, with 図の圧縮 and without: placed like the untagged photo, and the
// picture the office holds shows the red corner at its upright top left.
TEST(CameraPhotos, EveryOrientationLandsUprightWhereTheUntaggedPhotoLands) {
    OfficeProcess& office = freshWorld();
    office.addWorkbook(QStringLiteral("Photos.ods"));
    office.setRowHeight(3, 150);
    QTemporaryDir folder;
    MapHolders holders;
    for (const auto& [holder, text] : {std::pair{Holder::Text1, "Photos.ods"},
                                       {Holder::Text2, "Option2"},
                                       {Holder::Combo1, "6"},
                                       {Holder::Text3, "0"},
                                       {Holder::Text4, "0"},
                                       {Holder::Text6, "Option5"},
                                       {Holder::Text22, "0"}}) {
        holders.setText(holder, QString::fromLatin1(text));
    }
    RecordingInteraction ui;
    PasteEngine engine(office.link(), holders, ui);
    ShapeInfo untagged;
    for (int orientation = 0; orientation <= 8; ++orientation) {
        for (const char* compress : {"0", "1"}) {
            SCOPED_TRACE(QStringLiteral("orientation %1, 図の圧縮 %2")
                             .arg(orientation)
                             .arg(compress)
                             .toStdString());
            holders.setText(Holder::Check1, QString::fromLatin1(compress));
            office.select(QStringLiteral("B3"));
            engine.DragDrop(
                writeCameraJpeg(
                    folder.filePath(QStringLiteral("o%1%2.jpg").arg(orientation).arg(compress)),
                    2400, 1800, {orientation, 1, 300, 300}),
                {});
            ASSERT_EQ(ui.messages, Messages());
            const QList<ShapeInfo> shapes = office.shapes();
            const ShapeInfo& p = shapes.last();
            if (orientation == 0 && *compress == '0') {
                untagged = p;
            }
            EXPECT_NEAR(p.width, 170.1, 0.05);
            for (const auto& [got, want] : {std::pair{p.left, untagged.left},
                                            {p.top, untagged.top},
                                            {p.height, untagged.height}}) {
                EXPECT_NEAR(got, want, 0.05);
            }
            const QImage image = office.picture(int(shapes.size()) - 1);
            EXPECT_GT(image.width(), image.height());
            EXPECT_EQ(redCorners(image), "TL");
        }
    }
}

} // namespace
} // namespace velmora::testing
