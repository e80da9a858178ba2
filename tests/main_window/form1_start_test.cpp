#include "drop_target.h"
#include "form1_fixture.h"
#include "form2.h"
#include "notice_strip.h"
#include "twip_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <tuple>

namespace velmora::testing {
namespace {

const QString kNotRunning = QStringLiteral("Excel が起動してません。");

// The width as set in twips, and as laid out in pixels (one pixel is 15 twips at 96 dpi).
int label1WidthTwips(const Form1& form) {
    EXPECT_NEAR(twipsFor(&form, form.Label1->width()), form.label1WidthTwips(), 8);
    return form.label1WidthTwips();
}

TEST_F(Form1Test, FirstStartWithEmptyStoreAndNoOffice) {
    excel.setRunning(false);
    Form1& f = start();

    // The record's fallbacks reach the window; the no-workbook layout shows no drop target.
    EXPECT_EQ(f.Combo1->currentText(), "9");
    EXPECT_EQ(f.Text5->text(), "100");
    EXPECT_FALSE(f.Check1->isChecked());
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_EQ(f.windowHeightTwips(), 2550);
    EXPECT_EQ(f.check1TopTwips(), 1930);
    EXPECT_FALSE(f.Picture99->isHidden());
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(f.dropTarget(i)->isHidden()) << i;
        EXPECT_TRUE(f.dropTarget(i)->acceptDrops()) << i;
    }
    EXPECT_TRUE(f.Command2->isHidden());
    EXPECT_EQ(f.Label1->text(), kNotRunning);
    EXPECT_EQ(label1WidthTwips(f), 2400);
    EXPECT_EQ(f.WebBrowser1->notice(), kNotRunning);
    EXPECT_FALSE(f.isForm2Loaded());
}

TEST_F(Form1Test, StoredTextsStayAsTypedAndOnlyTheExactOneChecksTheBox) {
    excel.setRunning(false);
    store.SaveSetting("Combo1", "20"); // not in the list
    store.SaveSetting("Text5", " 50 ");
    for (const auto& [stored, checked] : {std::pair{"1", true}, {" 1", false}, {"01", false}}) {
        store.SaveSetting("zu-comp", stored);
        Form1 f(excel, store, ui, nullptr);
        ASSERT_TRUE(f.Form_Load());
        EXPECT_EQ(f.Combo1->currentText(), "20");
        EXPECT_EQ(f.Text5->text(), " 50 ");
        EXPECT_EQ(f.Check1->isChecked(), checked) << stored;
    }
}

TEST_F(Form1Test, TheWidthListStaysOneToFifteenWhateverIsEntered) {
    excel.setRunning(false);
    Form1& f = start();
    f.show();
    for (const char* typed : {"20", "7", "2.5", ""}) {
        SCOPED_TRACE(typed);
        f.Combo1->clearEditText();
        QTest::keyClicks(f.Combo1->lineEdit(), QString::fromLatin1(typed));
        QTest::keyClick(f.Combo1->lineEdit(), Qt::Key_Return);
        QStringList items;
        for (int i = 0; i < f.Combo1->count(); ++i) {
            items << f.Combo1->itemText(i);
        }
        EXPECT_EQ(items.join(' ').toStdString(), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15");
        EXPECT_EQ(f.Combo1->currentText(), QString::fromLatin1(typed));
    }
}

// The export closes the settings window unconfirmed; what it leaves on the main window is a
// fresh settings window's sizing input, which follows the held choice, not the last click.
TEST_F(Form1Test, ExportLeavesTheSizeInputOfTheHeldSizingChoice) {
    const struct {
        const char* held;
        const char* clicked;
        bool percent;
    } cases[] = {{"Option4", "Option1", true}, {"Option2", "Option11", false}};
    excel.addWorkbook(QStringLiteral("Book1.xls"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.held);
        store.SaveSetting(QStringLiteral("Option"), QString::fromLatin1(c.held));
        Form1& f = start();
        f.Command1_Click();
        Form2* settings = f.form2();
        settings->findChild<QRadioButton*>(QString::fromLatin1(c.clicked))->click();
        ASSERT_EQ(f.Combo1->isHidden(), !c.percent) << "the click switched the input";

        settings->Command7->click();

        EXPECT_EQ(f.Text2->text(), QString::fromLatin1(c.held));
        EXPECT_EQ(f.Text5->isHidden(), !c.percent);
        EXPECT_EQ(f.Combo1->isHidden(), c.percent);
        EXPECT_EQ(f.Text19->text().toStdString(), c.percent ? " %" : "㎝");
        f.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(Form1Test, LocksTheActiveWorkbookAtStart) {
    excel.addWorkbook("Book2.xls");
    excel.addWorkbook("Book1.xls");
    Form1& f = start();
    EXPECT_EQ(f.Text1->text(), "Book1.xls");
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Book1.xls　にロックしました。"));
    EXPECT_EQ(label1WidthTwips(f), 2900);
    EXPECT_EQ(f.WebBrowser1->notice(), f.Label1->text());
    f.Text1->setText(QString());
    EXPECT_EQ(f.Label1->text(), QStringLiteral("　にロックしました。"));
    // The settings window was loaded hidden and, on this first run, chose the design's places.
    ASSERT_TRUE(f.isForm2Loaded());
    EXPECT_FALSE(f.form2()->isVisible());
    EXPECT_EQ(f.Text6->text(), "Option5");
    EXPECT_FALSE(f.Picture0->isHidden());
}

TEST_F(Form1Test, StoredThreeTargetChoiceShowsThreeTargetsAtStart) {
    excel.addWorkbook("Book1.xls");
    store.SaveSetting("Option", "Option4");
    store.SaveSetting("paste-check", "Option6");
    Form1& f = start();
    EXPECT_EQ(f.windowHeightTwips(), 4450);
    EXPECT_EQ(f.check1TopTwips(), 3840);
    EXPECT_TRUE(f.Picture0->isHidden());
    for (int i = 1; i <= 3; ++i) {
        EXPECT_FALSE(f.dropTarget(i)->isHidden());
    }
}

TEST_F(Form1Test, OfficeWithoutWorkbookKeepsTheDesignNotice) {
    Form1& f = start();
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_EQ(f.Label1->text(), QStringLiteral("ファイル名"));
    EXPECT_EQ(f.windowHeightTwips(), 2550);
    EXPECT_EQ(excel.liveObjects(), 0);
}

TEST_F(Form1Test, ClosingWritesAllThirteenValues) {
    excel.setRunning(false);
    Form1& f = start();
    const std::tuple<QLineEdit*, const char*, QString> boxes[] = {
        {f.Text5, "Text5", "80"},
        {f.Text2, "Option", "Option3"},
        {f.Text6, "paste-check", "Option6"},
        {f.Text7, "paste-url-1", " B3 "},
        {f.Text8, "paste-url-2", ""},
        {f.Text9, "paste-url-3", QStringLiteral("\"x\"\\y")},
        {f.Text3, "bityousei-tate", "2.5"},
        {f.Text4, "bityousei-yoko", "-3"},
        {f.Text22, "junjo", "1"},
        {f.Text25, "renzoku-no1-no2", "0"},
        {f.Text26, "renzoku-p1-p2", "3"}};
    for (const auto& [box, name, text] : boxes) {
        box->setText(text);
    }
    f.Combo1->setEditText("12");
    f.Text10->setText("0"); // the check box, not this copy, is written
    f.Check1->setChecked(true);
    f.close();

    SettingsStore reread;
    EXPECT_EQ(reread.valueNames().size(), 13);
    for (const auto& [box, name, text] : boxes) {
        EXPECT_EQ(reread.GetSetting(name), text) << name;
    }
    EXPECT_EQ(reread.GetSetting("Combo1"), "12");
    EXPECT_EQ(reread.GetSetting("zu-comp"), "1");
}

// Stored texts longer than a line edit takes by default pass every window whole: the start,
// the settings window's commit, its 決定 with the pattern window, and the close.
TEST_F(Form1Test, LongStoredValuesComeBackWhole) {
    const QString longText = QString(40000, QChar(u'長')) + "end";
    const char* names[] = {"Combo1",         "Text5",           "paste-url-1",
                           "bityousei-tate", "renzoku-no1-no2", "save1_title"};
    for (const char* name : names) {
        ASSERT_TRUE(store.SaveSetting(name, longText));
    }
    ASSERT_TRUE(store.SaveSetting("Option", "Option4"));
    excel.addWorkbook("Book1.xls");
    Form1& f = start();

    f.Command1_Click();
    f.form2()->Command1_Click();
    f.close();

    SettingsStore reread;
    for (const char* name : names) {
        EXPECT_EQ(reread.GetSetting(name), longText) << name;
    }
}

TEST_F(Form1Test, UnwritableStoreAtCloseIsReportedAndTheWindowStillCloses) {
    excel.setRunning(false);
    Form1& f = start();
    // A folder where the store file should be: nothing can be written there, even as root.
    ASSERT_TRUE(QDir().mkpath(store.location()));
    f.close();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.startsWith(QStringLiteral("設定を保存できませんでした。")));
    EXPECT_EQ(ui.messages[0].style, 16);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(Form1Test, WorkbookButtonListsOpenWorkbooksOrOffersTheLockedNotice) {
    excel.setRunning(false);
    Form1& f = start();
    const auto press = [&f](const char* lockText) {
        f.Text1->setText(QString::fromUtf8(lockText));
        f.Command1_Click();
        return f.form2();
    };

    // No office: only the notice, and the box locked against typing and picking.
    Form2* settings = press("");
    EXPECT_TRUE(settings->isVisible());
    EXPECT_TRUE(settings->isList1Locked());
    EXPECT_EQ(settings->List1->count(), 1);
    EXPECT_EQ(settings->List1->itemText(0), kNotRunning);
    EXPECT_TRUE(settings->List1->currentText().isEmpty());

    // An office without workbooks: an empty list that keeps the lock text.
    excel.setRunning(true);
    settings = press("Old.xls");
    EXPECT_FALSE(settings->isList1Locked());
    EXPECT_EQ(settings->List1->count(), 0);
    EXPECT_EQ(settings->List1->currentText(), "Old.xls");

    // The open workbooks in order, the locked one shown.
    excel.addWorkbook("Book1.xls");
    excel.addWorkbook("Book2.xls");
    settings = press("Book2.xls");
    EXPECT_FALSE(settings->isList1Locked());
    ASSERT_EQ(settings->List1->count(), 2);
    EXPECT_EQ(settings->List1->itemText(0), "Book1.xls");
    EXPECT_EQ(settings->List1->itemText(1), "Book2.xls");
    EXPECT_EQ(settings->List1->currentText(), "Book2.xls");
    EXPECT_EQ(excel.liveObjects(), 0);
}

} // namespace
} // namespace velmora::testing
