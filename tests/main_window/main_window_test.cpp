// The main window with the settings window behind it: start, close, the workbook button and
// drops; and the message box every window shows, the real QMessageBox answered by the keyboard.

#include "forms.h"
#include "message_box.h"
#include "notice_strip.h"
#include "paste_engine.h"
#include "real_windows.h"
#include "synthetic_drop.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

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

// The stored choices set the layout. Label1 is 100 twips wide per byte of its notice in the
// Japanese code page. With an office a first run fills the five slots, a later one writes their
// titles.
TEST(MainWindowStart, ShowsWhatTheOfficeAndTheStoreHold) {
    const struct {
        const char* stored;    // none: a first run
        const char* workbooks; // open in the office, the last one active; none: no office
        const char* shown;
        QString notice;
        int noticeTwips, storedValues;
    } cases[] = {
        {"", nullptr, "Combo1 ㎝", kNotRunning, 2400, 0},
        {"", "", "Text5 %", "ファイル名", 1000, 70},
        {"", "Book2.xls|Book1.xls", "Picture0 Text5 %", kLocked, 2900, 70},
        // Half-width kana and what the code page lacks (one "?") take a byte, ㎝ two.
        {"", "ｱ㎝📷.xls", "Picture0 Text5 %", "ｱ㎝📷.xls　にロックしました。", 2800, 70},
        {"Option=Option3|paste-check=Option6", "Book1.xls", "Picture1 Picture2 Picture3 Text5 %",
         kLocked, 2900, 7},
        {"Option=Option1|paste-check=Option9", "Book1.xls", "Command2 Combo1 ㎝", kLocked, 2900, 7},
        {"Option=Option12|paste-check=Option10", "Book1.xls", "Picture0 Text5 %", kLocked, 2900, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored + std::string(" ") + c.shown);
        RealWindows w(c.stored, QString(c.workbooks).split('|', Qt::SkipEmptyParts),
                      c.workbooks != nullptr);
        EXPECT_EQ(w.shown(), c.shown);
        EXPECT_EQ(w.main.Label1->text() + '|' + w.main.WebBrowser1->notice(),
                  c.notice + '|' + c.notice);
        EXPECT_EQ(w.main.Label1->width(), forms::px(&w.main, c.noticeTwips));
        EXPECT_EQ(w.store.valueNames().size(), c.storedValues);
    }
}

// Stored texts reach the windows as they are (none is cut), pass the settings window's 決定 with
// the pattern window whole, and the close writes them back; only the exact "1" checks the
// compression box, which (not its copy) is written.
TEST(MainWindowRecord, StoredValuesPassEveryWindowAndTheCloseWritesThemBack) {
    const QString longText = QString(40000, QChar(u'長')) + "end";
    const QString record =
        "Option=Option3|Combo1=20|paste-url-1= B3 |paste-url-3=\"x\"\\y|Text5=" + longText +
        "|bityousei-tate=" + longText + "|renzoku-no1-no2=" + longText + "|save1_title=" + longText;
    for (const auto& [stored, written] : {std::pair{"1", "1"}, {" 1", "0"}, {"01", "0"}}) {
        SCOPED_TRACE(stored);
        RealWindows w(record + "|zu-comp=" + stored, {"Book1.xls"});
        EXPECT_EQ(w.main.Combo1->currentText() + '|' + w.main.text(Holder::Check1),
                  QStringLiteral("20|") + written);
        // Typed again; the list stays "1" to "15" whatever is entered.
        w.main.Combo1->clearEditText();
        QTest::keyClicks(w.main.Combo1, "20");
        QTest::keyClick(w.main.Combo1, Qt::Key_Return);
        EXPECT_EQ(w.main.Combo1->currentText(), "20");
        EXPECT_EQ(items(w.main.Combo1), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15");
        act(&w.settings(), "Command1");
        w.main.close();
        const SettingsStore reread;
        for (const QString& value : (record + "|zu-comp=" + written).split('|')) {
            EXPECT_EQ(reread.GetSetting(value.section('=', 0, 0)), value.section('=', 1))
                << value.left(20).toStdString();
        }
    }
}

// Without an office the box offers only the notice and takes neither typing nor picking from its
// list (the notice would become the workbook). With one it lists the open workbooks (再認識
// afresh) around the locked one, and 決定 locks the one chosen.
TEST(WorkbookButton, ListsTheOpenWorkbooksOrLocksTheBoxOnTheNotice) {
    {
        RealWindows w("", {}, false);
        QComboBox* list = w.settings().List1;
        EXPECT_EQ(items(list), kNotRunning);
        QTest::keyClicks(list, "Book");
        list->showPopup();
        EXPECT_EQ(list->currentText(), "");
        EXPECT_FALSE(list->view()->isVisible());
    }
    RealWindows w("", {});
    w.main.Text1->setText("Zeta.ods");
    Form2& s = w.settings();
    EXPECT_EQ(items(s.List1) + '|' + s.List1->currentText(), "|Zeta.ods");
    w.world.addWorkbook("Zeta.ods");
    w.world.addWorkbook("Alpha.ods");
    act(&s, "Command4");
    EXPECT_EQ(items(s.List1) + '|' + s.List1->currentText(), "Zeta.ods Alpha.ods|Zeta.ods");
    QTest::keyClicks(s.List1, "x");
    EXPECT_EQ(s.List1->currentText() + '|' + w.main.Text1->text(), "Zeta.odsx|Zeta.ods");
    s.List1->setCurrentIndex(1);
    s.決定ボタン();
    EXPECT_EQ(w.main.Text1->text(), "Alpha.ods");
    EXPECT_TRUE(s.isVisible());
}

// Each target pastes the first file dropped on it into the locked workbook, while another is
// active: the single target at the cell cursor whatever else is selected, the numbered ones at
// their own addresses. Drags without a local file are refused while dragging.
TEST(Drops, EachTargetPastesTheFirstFileAtItsCell) {
    QTemporaryDir dir;
    // 9 cm wide: a landscape photo 191 pt high, a portrait one 340 pt.
    const QString wide = writeJpeg(dir.filePath("photo one.jpg"), 64, 48);
    const QString tall = writeJpeg(dir.filePath("other.jpg"), 48, 64);
    RealWindows w("Option=Option1|paste-url-1=B2|paste-url-2=C5|paste-url-3=D9", {"Ledger.xls"});
    const struct {
        DropTarget* target;
        const char *selected, *cursor; // the cell, or a range dragged from the cursor cell
        bool pictureSelected;
        QStringList files;
        const char* cell;
    } cases[] = {{w.main.Picture0, "E7", nullptr, false, {wide, tall}, "E7"},
                 {w.main.Picture0, "B2:D4", "D4", false, {tall}, "D4"},
                 {w.main.Picture0, "F3", nullptr, true, {wide}, "F3"},
                 {w.main.Picture1, "E7", nullptr, false, {tall}, "B2"},
                 {w.main.Picture2, "E7", nullptr, false, {wide}, "C5"},
                 {w.main.Picture3, "E7", nullptr, false, {tall, wide}, "D9"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        if (c.target == w.main.Picture1) { // from here on another workbook is the active one
            w.world.addWorkbook("Other.ods");
        }
        act(&w.settings(), c.target == w.main.Picture0 ? "Option5|Command1" : "Option6|Command1");
        w.world.select(c.selected, c.cursor ? c.cursor : "");
        if (c.pictureSelected) {
            w.world.selectShape(kPictureNamePrefix + "1");
        }
        ASSERT_TRUE(dragAndDrop(c.target, c.files));
        const ShapeInfo picture = w.world.shapes("Ledger.xls").last();
        // The grid's columns are 48 pt wide, its rows 13.5 pt high.
        EXPECT_NEAR(picture.left, (c.cell[0] - 'A') * 48.0, 0.05);
        EXPECT_NEAR(picture.top, (QString(c.cell).mid(1).toInt() - 1) * 13.5, 0.05);
        EXPECT_TRUE(picture.anchor.isEmpty() ||
                    picture.anchor == QString(c.cell).insert(1, '$').prepend('$'));
        EXPECT_NEAR(picture.height, c.files[0] == wide ? 191.4 : 340.2, 1);
    }
    EXPECT_FALSE(dragAndDrop(w.main.Picture0, {}));
    EXPECT_FALSE(dragAndDrop(w.main.Picture0, {"https://example.org/a.jpg"}));
    EXPECT_EQ(w.world.shapes("Ledger.xls").size(), 6);
    EXPECT_TRUE(w.world.shapes("Other.ods").isEmpty());
    EXPECT_EQ(w.ui.messages, Messages{});
}

TEST(MessageBox, ShowsPlainTextWithThePlatformsButtonsAndIcons) {
    // A path that looks like mark-up, with the line breaks of the export message.
    const QString text = QStringLiteral("/home/a/<b>a</b>.reg\r\nに保存しました。\r\n\r\n&amp;");
    using Box = QMessageBox;
    const struct {
        int style;
        Box::Icon icon;
        Box::StandardButtons buttons;
        Qt::Key key;
        MessageAnswer answer;
    } cases[] = {
        // clang-format off
        {kStyleCritical, Box::Critical, Box::Ok, Qt::Key_Return, MessageAnswer::Ok},
        // Return presses the default button, OK; Escape answers Cancel.
        {kStyleExclamationOkCancel, Box::Warning, Box::Ok | Box::Cancel, Qt::Key_Return, MessageAnswer::Ok},
        {kStyleExclamationOkCancel, Box::Warning, Box::Ok | Box::Cancel, Qt::Key_Escape, MessageAnswer::Cancel},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            EXPECT_TRUE(label->text() == text && label->textFormat() == Qt::PlainText);
            EXPECT_TRUE(box->windowTitle() == "Velmora" && box->icon() == c.icon &&
                        box->standardButtons() == c.buttons &&
                        box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QTest::keyClick(box, c.key);
        });
        EXPECT_EQ(showMessageBox(text, c.style), c.answer);
    }
}

} // namespace
} // namespace velmora::testing
