// The main window with the settings window behind it: start, close, the workbook button, drops
// and the folder button; and the notice strip.

#include "form99.h"
#include "notice_strip.h"
#include "paste_engine.h"
#include "real_windows.h"
#include "shift_jis.h"
#include "synthetic_drop.h"
#include "test_photos.h"
#include "twip_layout.h"

#include <QAbstractItemView>
#include <QDir>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

const QString kNotRunning = QStringLiteral("Excel が起動してません。");
const QString kLocked = QStringLiteral("Book1.xls　にロックしました。");

QString items(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) {
        texts << box->itemText(i);
    }
    return texts.join(' ');
}

// Where a picture landed, and the top-left corner of a cell, in points.
std::pair<double, double> corner(const FakeShapeData& picture) {
    return {picture.left, picture.top};
}
std::pair<double, double> corner(FakeSpreadsheet& excel, const QString& address) {
    const RangePtr cell = excel.attach()->range(address);
    return {cell->left(), cell->top()};
}

TEST(MainWindowStart, ShowsWhatTheOfficeAndTheStoreHold) {
    const struct {
        StoreValues stored;
        QStringList workbooks;
        bool office;
        const char* shown;
        QString notice;
        int noticeTwips;  // Label1's width: 100 per byte in the Japanese code page
        int storedValues; // a first run with an office fills the five slots at once
    } cases[] = {{{}, {}, false, "Combo1 ㎝", kNotRunning, 2400, 0},
                 {{}, {}, true, "Text5 %", "ファイル名", 1000, 70},
                 {{}, {"Book2.xls", "Book1.xls"}, true, "Picture0 Text5 %", kLocked, 2900, 70},
                 {{{"Option", "Option4"}, {"paste-check", "Option6"}},
                  {"Book1.xls"},
                  true,
                  "Picture1 Picture2 Picture3 Text5 %",
                  kLocked,
                  2900,
                  7},
                 {{{"Option", "Option1"}, {"paste-check", "Option9"}},
                  {"Book1.xls"},
                  true,
                  "Command2 Combo1 ㎝",
                  kLocked,
                  2900,
                  7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        RealWindows w(c.stored, c.workbooks, c.office);
        EXPECT_EQ(w.shown(), c.shown);
        EXPECT_EQ(w.main.Label1->text() + '|' + w.main.WebBrowser1->notice(),
                  c.notice + '|' + c.notice);
        EXPECT_EQ(w.main.Label1->width(), pixelsFor(&w.main, c.noticeTwips));
        EXPECT_EQ(w.store.valueNames().size(), c.storedValues);
        EXPECT_EQ(w.excel.liveObjects(), 0);
    }
}

// Stored texts reach the windows as they are (none is cut), pass the settings window's 決定 with
// the pattern window whole, and the close writes them back; only the exact "1" checks the
// compression box, which (not its copy) is written.
TEST(MainWindowRecord, StoredValuesPassEveryWindowAndTheCloseWritesThemBack) {
    const QString longText = QString(40000, QChar(u'長')) + "end";
    const StoreValues record = {{"Combo1", "20"},
                                {"Text5", longText},
                                {"Option", "Option3"},
                                {"paste-check", "Option6"},
                                {"paste-url-1", " B3 "},
                                {"paste-url-2", ""},
                                {"paste-url-3", "\"x\"\\y"},
                                {"bityousei-tate", longText},
                                {"bityousei-yoko", "-3"},
                                {"junjo", "1"},
                                {"renzoku-no1-no2", longText},
                                {"renzoku-p1-p2", "3"},
                                {"save1_title", longText}};
    for (const auto& [stored, written] : {std::pair{"1", "1"}, {" 1", "0"}, {"01", "0"}}) {
        SCOPED_TRACE(stored);
        RealWindows w(record + StoreValues{{"zu-comp", stored}}, {"Book1.xls"});
        EXPECT_EQ(w.held({Holder::Combo1, Holder::Check1}), QStringLiteral("20|") + written);
        w.settings().Command1->click();
        w.main.close();
        const SettingsStore reread;
        for (const auto& [name, value] : record + StoreValues{{"zu-comp", written}}) {
            EXPECT_EQ(reread.GetSetting(name), value) << name.toStdString();
        }
    }
}

TEST(MainWindowRecord, AnUnwritableStoreAtCloseIsReportedAndTheWindowStillCloses) {
    RealWindows w({}, {}, false);
    w.main.show();
    // A folder where the store file should be: nothing can be written there, even as root.
    ASSERT_TRUE(QDir().mkpath(w.store.location()));
    w.main.close();
    EXPECT_EQ(w.ui.messages, Messages({{"設定を保存できませんでした。\r\n\r\n" + w.store.location(),
                                        kStyleCritical}}));
    EXPECT_FALSE(w.main.isVisible());
}

TEST(MainWindow, TheWidthListStaysOneToFifteenWhateverIsEntered) {
    RealWindows w({}, {}, false);
    w.main.show();
    for (const char* typed : {"20", "7", "2.5", ""}) {
        w.main.Combo1->clearEditText();
        QTest::keyClicks(w.main.Combo1->lineEdit(), typed);
        QTest::keyClick(w.main.Combo1->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(items(w.main.Combo1), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15") << typed;
        EXPECT_EQ(w.main.Combo1->currentText(), typed);
    }
}

// Without an office the box offers only the notice and takes neither typing nor picking from its
// list (the notice would become the workbook); 再認識 lists the open workbooks once there are
// some.
TEST(WorkbookButton, ListsTheOpenWorkbooksOrLocksTheBoxOnTheNotice) {
    RealWindows w({}, {}, false);
    Form2& settings = w.settings();
    QComboBox* list = settings.List1;
    EXPECT_EQ(items(list), kNotRunning);
    QTest::keyClicks(list, "Book");
    list->showPopup();
    EXPECT_EQ(list->currentText(), "");
    EXPECT_FALSE(list->view()->isVisible());

    w.excel.setRunning(true);
    w.excel.addWorkbook("Book1.xls");
    w.excel.addWorkbook("Book2.xls");
    w.main.Text1->setText("Book2.xls");
    settings.Command4->click();
    EXPECT_EQ(items(list), "Book1.xls Book2.xls");
    QTest::keyClicks(list, "x");
    EXPECT_EQ(list->currentText(), "Book2.xlsx");
    EXPECT_EQ(w.main.Text1->text(), "Book2.xls");
    EXPECT_TRUE(settings.isVisible());
    EXPECT_EQ(w.excel.liveObjects(), 0);
}

// Each target pastes the first file dropped on it: the single target at the selected cell
// whatever the address box holds, the numbered ones at their own addresses.
TEST(Drops, EachTargetPastesTheFirstFileAtItsCell) {
    QTemporaryDir dir;
    const QString photo = writeJpeg(dir.filePath("photo one.jpg"), 64, 48);
    const QString other = writeJpeg(dir.filePath("other.jpg"), 64, 48);
    RealWindows w({{"Option", "Option1"},
                   {"paste-url-1", "B2"},
                   {"paste-url-2", "C5"},
                   {"paste-url-3", "D9"}},
                  {"Ledger.xls"});
    w.excel.selectCell("E7");
    const struct {
        const char* place;
        DropTarget* target;
        QStringList files;
        const char* cell;
    } cases[] = {{"Option5", w.main.Picture0, {photo, other}, "E7"},
                 {"Option6", w.main.Picture1, {other}, "B2"},
                 {"Option6", w.main.Picture2, {photo}, "C5"},
                 {"Option6", w.main.Picture3, {other, photo}, "D9"}};
    for (const auto& c : cases) {
        Form2& settings = w.settings();
        settings.findChild<QRadioButton*>(c.place)->click();
        settings.Command1->click();
        ASSERT_TRUE(dragAndDrop(c.target, c.files)) << c.cell;
        EXPECT_EQ(w.excel.pictures().back().fileName, c.files[0]);
        EXPECT_EQ(corner(w.excel.pictures().back()), corner(w.excel, c.cell));
    }
    EXPECT_EQ(w.excel.pictures().size(), 4u);
    EXPECT_EQ(w.ui.messages, Messages{});
}

// A drop during a paste is not started inside it; drags without a local file are refused while
// dragging.
TEST(Drops, OnlyLocalFilesAreTakenAndOneAtATime) {
    QTemporaryDir dir;
    const QString photo = writeJpeg(dir.filePath("photo.jpg"), 64, 48);
    RealWindows w({{"Option", "Option1"}, {"paste-check", "Option5"}}, {"Ledger.xls"});
    w.excel.beforeCall("Worksheet.addPicture", 1, [&] {
        dragAndDrop(w.main.Picture0, {writeJpeg(dir.filePath("second.jpg"), 64, 48)});
        QCoreApplication::processEvents();
    });
    ASSERT_TRUE(dragAndDrop(w.main.Picture0, {photo}));
    EXPECT_FALSE(dragAndDrop(w.main.Picture0, {}, "some text"));
    EXPECT_FALSE(dragAndDrop(w.main.Picture0, {"https://example.org/a.jpg"}));
    ASSERT_EQ(w.excel.pictures().size(), 1u);
    EXPECT_EQ(w.excel.pictures()[0].fileName, photo);
    EXPECT_EQ(w.ui.messages, Messages{});
}

// The folder button pastes the folder, showing k/n before each photo; meanwhile neither the
// button nor a drop (on a target the user brings up in the settings window) starts a second
// paste.
TEST(FolderButton, PastesTheFolderWithItsProgressAndNoSecondPaste) {
    QTemporaryDir dir;
    for (int i = 1; i <= 7; ++i) {
        writeJpeg(dir.filePath(QStringLiteral("IMG_%1.jpg").arg(i)), 32, 24);
    }
    RealWindows w({{"Option", "Option1"},
                   {"paste-check", "Option9"},
                   {"renzoku-no1-no2", "1"},
                   {"renzoku-p1-p2", "3"}},
                  {"Ledger.xls"});
    Form2& settings = w.settings();
    w.excel.selectCell("B3");
    w.ui.openAnswers.push_back(dir.filePath("IMG_4.jpg"));
    QStringList progress;
    for (int n = 1; n <= 7; ++n) {
        w.excel.beforeCall("Worksheet.addPicture", n, [&] {
            Form99* shown = openWindow<Form99>();
            progress << (shown != nullptr ? shown->Label1->text() : "not shown");
        });
    }
    w.ui.onProcessEvents = [&] {
        if (progress.isEmpty()) {
            w.main.Command2->click();
            settings.Option5->click();
            dragAndDrop(w.main.Picture0, {dir.filePath("IMG_1.jpg")});
            settings.Option9->click();
        }
    };
    w.main.Command2->click();

    EXPECT_EQ(progress.join(' '), "1/7 2/7 3/7 4/7 5/7 6/7 7/7");
    EXPECT_EQ(openWindow<Form99>(), nullptr);
    const auto pictures = w.excel.pictures();
    ASSERT_EQ(pictures.size(), 7u);
    EXPECT_EQ(corner(pictures[6]), corner(w.excel, "B19"));
    EXPECT_EQ(w.ui.openDialogs.size(), 1u);
    EXPECT_EQ(w.ui.messages, Messages{});
}

TEST(NoticeStrip, ScrollsTwoPixelsAStepThroughItsBandAndDrawsMarkUpAsText) {
    NoticeStrip strip;
    strip.resize(200, 40);
    // Drawn once scrolled into view.
    const auto drawn = [&strip](const QString& notice) {
        strip.showNotice(notice);
        EXPECT_EQ(strip.textOffset(), NoticeStrip::kBandWidth);
        strip.step();
        EXPECT_EQ(strip.textOffset(), NoticeStrip::kBandWidth - 2);
        while (strip.textOffset() > 0) {
            strip.step();
        }
        QImage image(strip.size(), QImage::Format_ARGB32);
        strip.render(&image);
        return image;
    };
    // As plain text, the tag characters take their own width.
    EXPECT_NE(drawn("<b>x</b>.ods　にロックしました。"), drawn("x.ods　にロックしました。"));
    for (int i = 0; i < 150; ++i) {
        strip.step();
    }
    // Gone past the left edge, it came round again from the right.
    EXPECT_GT(strip.textOffset(), -QFontMetrics(strip.font()).horizontalAdvance(strip.notice()));
}

TEST(ShiftJisByteCount, DoubleByteCharactersCountTwiceHalfWidthKanaAndUnmappableOnce) {
    EXPECT_EQ(shiftJisByteCount("㎝"), 2);
    EXPECT_EQ(shiftJisByteCount("xlsﾌｧｲﾙ選択"), 11);
    EXPECT_EQ(shiftJisByteCount("a📷b"), 3); // outside the code page: one "?"
}

} // namespace
} // namespace velmora::testing
