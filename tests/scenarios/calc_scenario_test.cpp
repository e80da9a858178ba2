// The real main window against a private office: its start-up clears what a killed run left, and
// the office stops answering in the middle of a folder paste (the engine and window tests run
// the other flows on Calc too).

#include "drop_target.h"
#include "form1.h"
#include "form99.h"
#include "office_fixture.h"
#include "paste_engine.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "synthetic_drop.h"
#include "temp_store.h"

#include <QElapsedTimer>
#include <QLabel>
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
    // A killed run's lock and undo context, which the start-up's attach clears.
    office.beginWork(book, QStringLiteral("Velmora"));
    ASSERT_TRUE(form.Form_Load());
    EXPECT_FALSE(office.locked(book) || office.inUndoContext(book));
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

    // The user waits on once; the box comes back only after the office was silent as long again.
    ui.notAnsweringAnswers.push_back(MessageAnswer::Ok);
    QElapsedTimer sinceWaitedOn;
    ui.onNotAnswering = [&] {
        EXPECT_TRUE(eventsRan) << "no window painted while the office was stopped";
        if (sinceWaitedOn.isValid()) {
            EXPECT_GE(sinceWaitedOn.elapsed(), 300) << "asked again at once";
            office.resume();
        }
        sinceWaitedOn.start();
    };
    pasteTheFolder();
    EXPECT_EQ(ui.messages, Messages(2, {kOfficeNotAnsweringMessage, kStyleExclamationOkCancel}));
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

    // The next run is one undo step of its own, and so was the given-up one. While it runs, its
    // progress window shows the number of the photo going in, and neither the button nor a drop
    // starts another paste.
    QStringList progress;
    ui.onProcessEvents = [&] {
        progress << form.progressWindow()->Label1->text();
        form.Command2->click();
        dragAndDrop(form.Picture0, {folder.filePath(QStringLiteral("IMG_1.jpg"))});
    };
    pasteTheFolder();
    EXPECT_EQ(progress.join(' '), "1/3 2/3 3/3");
    EXPECT_EQ(ui.openDialogs.size(), 3u);
    EXPECT_EQ(ui.messages, Messages());
    ASSERT_EQ(office.shapes(book).size(), 7);
    office.undo(book);
    EXPECT_EQ(office.shapes(book).size(), 4);
    office.undo(book);
    EXPECT_EQ(office.shapes(book).size(), 3); // and the office still answers
}

} // namespace
} // namespace velmora::testing
