#include "drop_target.h"
#include "form1_fixture.h"
#include "form2.h"
#include "notice_strip.h"
#include "settings_record.h"
#include "twip_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

    EXPECT_EQ(f.windowHeightTwips(), 2550);
    EXPECT_EQ(f.Combo1->currentText(), "9");
    EXPECT_EQ(f.Text5->text(), "100");
    EXPECT_EQ(f.Text3->text(), "0");
    EXPECT_EQ(f.Text4->text(), "0");
    EXPECT_EQ(f.Text25->text(), "1");
    EXPECT_EQ(f.Text26->text(), "1");
    for (QLineEdit* empty : {f.Text2, f.Text6, f.Text7, f.Text8, f.Text9, f.Text22, f.Text1}) {
        EXPECT_TRUE(empty->text().isEmpty());
    }
    EXPECT_FALSE(f.Check1->isChecked());
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
    EXPECT_EQ(f.Combo1->count(), 15);
    EXPECT_EQ(f.Combo1->itemText(0), "1");
    EXPECT_EQ(f.Combo1->itemText(14), "15");
    EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("　"));
}

TEST_F(Form1Test, StoredWidthOutsideTheListStaysAsTyped) {
    excel.setRunning(false);
    store.SaveSetting("Combo1", "20");
    store.SaveSetting("Text5", " 50 ");
    store.SaveSetting("bityousei-yoko", "-3");
    Form1& f = start();
    EXPECT_EQ(f.Combo1->currentText(), "20");
    EXPECT_EQ(f.Combo1->count(), 15);
    EXPECT_EQ(f.Text5->text(), " 50 ");
    EXPECT_EQ(f.Text4->text(), "-3");
}

TEST_F(Form1Test, OnlyTheExactTextOneChecksTheCompressBox) {
    excel.setRunning(false);
    const std::pair<const char*, bool> cases[] = {{"1", true},  {"0", false},  {"", false},
                                                  {"2", false}, {"01", false}, {" 1", false}};
    for (const auto& [stored, checked] : cases) {
        store.SaveSetting("zu-comp", stored);
        Form1 f(excel, store, ui, nullptr);
        ASSERT_TRUE(f.Form_Load());
        EXPECT_EQ(f.Check1->isChecked(), checked) << stored;
        EXPECT_EQ(f.Text10->text(), stored);
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
    // The settings window was loaded hidden; on this first run it filled the five slots.
    ASSERT_TRUE(f.isForm2Loaded());
    EXPECT_FALSE(f.form2()->isVisible());
    EXPECT_EQ(f.Text2->text(), "Option4");
    EXPECT_EQ(f.Text6->text(), "Option5");
    for (int slot = 1; slot <= 5; ++slot) {
        EXPECT_EQ(store.GetSetting(slotValueName(slot, "Option")), "Option4");
        EXPECT_EQ(store.GetSetting(slotTitleName(slot)),
                  QStringLiteral("セーブデータ%1").arg(slot));
    }
    // The place choice's layout: one drop target.
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
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(f.dropTarget(i)->isHidden());
    }
    EXPECT_EQ(excel.liveObjects(), 0);
}

TEST_F(Form1Test, SettingTheSameWorkbookNameAgainIsNoChange) {
    excel.setRunning(false);
    Form1& f = start();
    f.Text1->setText("Book1.xls");
    f.WebBrowser1->step();
    f.WebBrowser1->step();
    const int offset = f.WebBrowser1->textOffset();
    f.Text1->setText("Book1.xls");
    EXPECT_EQ(f.WebBrowser1->textOffset(), offset);
    f.Text1->setText(QString());
    EXPECT_EQ(f.Label1->text(), QStringLiteral("　にロックしました。"));
}

TEST_F(Form1Test, ClosingWritesAllThirteenValues) {
    excel.setRunning(false);
    Form1& f = start();
    f.Combo1->setEditText("12");
    f.Text5->setText("80");
    f.Text2->setText("Option3");
    f.Text6->setText("Option6");
    f.Text7->setText(" B3 ");
    f.Text8->setText("D5");
    f.Text9->setText(QStringLiteral("\"x\"\\y"));
    f.Text3->setText("2.5");
    f.Text4->setText("-3");
    f.Text10->setText("0");
    f.Check1->setChecked(true);
    f.Text22->setText("1");
    f.Text25->setText("0");
    f.Text26->setText("3");
    f.close();

    const std::pair<const char*, QString> expected[] = {{"Combo1", "12"},
                                                        {"Text5", "80"},
                                                        {"Option", "Option3"},
                                                        {"paste-check", "Option6"},
                                                        {"paste-url-1", " B3 "},
                                                        {"paste-url-2", "D5"},
                                                        {"paste-url-3", "\"x\"\\y"},
                                                        {"bityousei-tate", "2.5"},
                                                        {"bityousei-yoko", "-3"},
                                                        {"zu-comp", "1"},
                                                        {"junjo", "1"},
                                                        {"renzoku-no1-no2", "0"},
                                                        {"renzoku-p1-p2", "3"}};
    SettingsStore reread;
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(reread.GetSetting(name), value) << name;
    }
    EXPECT_EQ(reread.valueNames().size(), 13);
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

TEST_F(Form1Test, WorkbookButtonWithoutOfficeOffersTheLockedNotice) {
    excel.setRunning(false);
    Form1& f = start();
    f.Command1_Click();
    Form2* settings = f.form2();
    ASSERT_EQ(settings->List1->count(), 1);
    EXPECT_EQ(settings->List1->itemText(0), kNotRunning);
    EXPECT_TRUE(settings->isList1Locked());
    EXPECT_TRUE(settings->isVisible());
    EXPECT_TRUE(settings->List1->currentText().isEmpty());
}

TEST_F(Form1Test, WorkbookButtonListsOpenWorkbooksInOrder) {
    excel.setRunning(false);
    Form1& f = start();
    f.Command1_Click(); // leaves the list locked
    excel.setRunning(true);
    excel.addWorkbook("Book1.xls");
    excel.addWorkbook("Book2.xls");
    f.Text1->setText("Book2.xls");
    f.Command1_Click();
    Form2* settings = f.form2();
    EXPECT_FALSE(settings->isList1Locked());
    ASSERT_EQ(settings->List1->count(), 2);
    EXPECT_EQ(settings->List1->itemText(0), "Book1.xls");
    EXPECT_EQ(settings->List1->itemText(1), "Book2.xls");
    EXPECT_EQ(settings->List1->currentText(), "Book2.xls");
    EXPECT_EQ(excel.liveObjects(), 0);
}

TEST_F(Form1Test, WorkbookButtonWithNoWorkbookOpenKeepsTheLockText) {
    Form1& f = start();
    f.Text1->setText("Old.xls");
    f.Command1_Click();
    Form2* settings = f.form2();
    EXPECT_FALSE(settings->isList1Locked());
    EXPECT_EQ(settings->List1->count(), 0);
    EXPECT_EQ(settings->List1->currentText(), "Old.xls");
}

} // namespace
} // namespace velmora::testing
