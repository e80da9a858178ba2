// The real main window against a private office that stops answering in the middle of a folder
// paste: what only a real office shows (the world tests run the other flows on Calc too).

#include "form1.h"
#include "office_fixture.h"
#include "paste_engine.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

namespace velmora::testing {
namespace {

// Counts the paint events of every widget.
struct PaintCounter : QObject {
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

// A folder paste of three photos from B3 during which the office stops at the second photo.
// A run waits 20 s at most here, and the user is asked after 0.3 s.
class StoppedOffice : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 1; i <= 3; ++i) {
            writeJpeg(folder.filePath(QStringLiteral("IMG_%1.jpg").arg(i)), 160, 120);
        }
        office.addWorkbook(book);
        office.select(QStringLiteral("B3"));
        ASSERT_TRUE(store.SaveSettings({{"Option", "Option1"},
                                        {"Combo1", "2"},
                                        {"paste-check", "Option9"},
                                        {"renzoku-no1-no2", "0"},
                                        {"renzoku-p1-p2", "0"}}));
        ASSERT_TRUE(form.Form_Load());
        ui.onProcessEvents = [this] {
            if (++photos == 2) {
                office.suspend();
                paints.emplace();
            }
        };
    }
    void TearDown() override { office.resume(); } // after a test that failed with it stopped
    void pasteTheFolder() {
        ui.openAnswers.push_back(folder.filePath(QStringLiteral("IMG_1.jpg")));
        form.Command2->click();
    }
    static std::unique_ptr<ExcelLink> link(OfficeProcess& office) {
        CalcLinkOptions options;
        options.notAnsweringNoticeMs = 300;
        options.longestWaitMs = 20000;
        return office.makeLink(options);
    }

    OfficeProcess& office = static_cast<OfficeProcess&>(freshWorld());
    const QString book = QStringLiteral("Stopped.ods");
    QTemporaryDir folder;
    TempStore temp;
    SettingsStore store;
    RecordingInteraction ui;
    std::unique_ptr<ExcelLink> calc = link(office);
    Form1 form{*calc, store, ui, nullptr};
    int photos = 0;
    std::optional<PaintCounter> paints;
};

TEST_F(StoppedOffice, TheWindowsPaintWhileItWaitsAndTheBoxGoesWhenTheOfficeAnswers) {
    ui.onNotAnswering = [this] {
        ASSERT_TRUE(paints);
        EXPECT_GT(paints->paints, 0) << "no window painted while the office was stopped";
        paints.reset();
        office.resume();
    };
    pasteTheFolder();
    EXPECT_EQ(ui.messages, Messages({{kOfficeNotAnsweringMessage, kStyleExclamationOkCancel}}));
    EXPECT_EQ(office.shapes(book).size(), 3);
    EXPECT_FALSE(office.locked(book));
    EXPECT_EQ(form.progressWindow(), nullptr);
}

TEST_F(StoppedOffice, GivingUpEndsTheRunAndTheWorkbookIsLeftAsItWasFound) {
    ui.notAnsweringAnswers.push_back(MessageAnswer::Cancel);
    QElapsedTimer clock;
    clock.start();
    pasteTheFolder();
    EXPECT_LT(clock.elapsed(), 10000) << "the run waited for its timeout";
    EXPECT_EQ(ui.messages, Messages({{kOfficeNotAnsweringMessage, kStyleExclamationOkCancel},
                                     {kPasteErrorMessage, kStyleCritical}}));
    EXPECT_EQ(form.progressWindow(), nullptr);

    // Velmora tidies up the moment the office answers again, keeping no connection of its own
    // alive but the given-up one; the user's edit comes later.
    office.disconnect();
    office.resume();
    for (clock.restart(); office.locked(book) && clock.elapsed() < 10000;) {
        QThread::msleep(50);
    }
    ASSERT_FALSE(office.locked(book));
    ASSERT_EQ(office.shapes(book).size(), 1);
    office.setCellText(book, QStringLiteral("A1"), QStringLiteral("edit"));
    office.undo(book);
    EXPECT_EQ(office.cellText(book, QStringLiteral("A1")), QString());
    EXPECT_EQ(office.shapes(book).size(), 1);

    // The next run is one undo step of its own, and undoing both leaves the office alive.
    ui.onProcessEvents = nullptr;
    pasteTheFolder();
    EXPECT_EQ(ui.messages.size(), 2u);
    ASSERT_EQ(office.shapes(book).size(), 4);
    office.undo(book);
    office.undo(book);
    EXPECT_TRUE(office.running());
    EXPECT_TRUE(office.shapes(book).isEmpty());
}

} // namespace
} // namespace velmora::testing
