// The commit into the main window, the confirm buttons and the links.

#include "form2_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace velmora::testing {
namespace {

class Form2CommitTest : public Form2Test {
protected:
    void SetUp() override {
        Form2Test::SetUp();
        holdEarlierSettings();
        storeDesignTitles();
        loaded();
        main.calls.clear();
    }
};

TEST_F(Form2CommitTest, CopiesEveryChoiceAndWritesTheTitles) {
    window->List1->setEditText(QStringLiteral("Book 2.ods"));
    window->Option12->click();
    window->Option6->click();
    window->Option8->click();
    window->Text3->setText(QStringLiteral("A1"));
    window->Text4->setText(QStringLiteral(" B2"));
    window->Text5->setText(QStringLiteral("C3 "));
    window->Text1->setText(QStringLiteral("-3"));
    window->Text2->setText(QStringLiteral("x"));
    window->save4_title->setText(QStringLiteral("夜"));
    window->save1_title->clear();
    main.texts.setText(Holder::Text25, QStringLiteral("4"));

    window->決定ボタン();

    EXPECT_EQ(held(Holder::Text1), QStringLiteral("Book 2.ods"));
    EXPECT_EQ(held(Holder::Text2), QStringLiteral("Option12"));
    EXPECT_EQ(held(Holder::Text6), QStringLiteral("Option6"));
    EXPECT_EQ(held(Holder::Text22), QStringLiteral("1"));
    EXPECT_EQ(held(Holder::Text7), QStringLiteral("A1"));
    EXPECT_EQ(held(Holder::Text8), QStringLiteral(" B2"));
    EXPECT_EQ(held(Holder::Text9), QStringLiteral("C3 "));
    EXPECT_EQ(held(Holder::Text3), QStringLiteral("-3"));
    EXPECT_EQ(held(Holder::Text4), QStringLiteral("x"));
    // Fields edited elsewhere are left alone.
    EXPECT_EQ(held(Holder::Text25), QStringLiteral("4"));
    EXPECT_EQ(held(Holder::Combo1), QStringLiteral("9"));

    EXPECT_EQ(stored("save4_title"), QStringLiteral("夜"));
    EXPECT_EQ(stored("save1_title"), QString());
    EXPECT_TRUE(main.settings.valueNames().contains(QStringLiteral("save1_title")));
    EXPECT_EQ(stored("save5_title"), QStringLiteral("セーブデータ5"));
    EXPECT_EQ(main.noWorkbookLayouts, 0);
    // The record itself waits for the main window's close.
    EXPECT_EQ(stored("Option"), QString());
}

TEST_F(Form2CommitTest, NeitherOrderButtonCountsAsSendToBack) {
    for (QRadioButton* button : {window->Option7, window->Option8}) {
        button->setAutoExclusive(false);
        button->setChecked(false);
    }
    window->決定ボタン();
    EXPECT_EQ(held(Holder::Text22), QStringLiteral("1"));

    window->Option7->setChecked(true);
    window->決定ボタン();
    EXPECT_EQ(held(Holder::Text22), QStringLiteral("0"));
}

TEST_F(Form2CommitTest, EmptyWorkbookUnlocksAndAppliesTheNoWorkbookLayout) {
    main.texts.setText(Holder::Text1, QStringLiteral("Book1.ods"));
    window->Option6->click();
    window->Text4->setText(QStringLiteral("D4"));
    main.calls.clear();

    window->決定ボタン();

    EXPECT_EQ(held(Holder::Text1), QString());
    EXPECT_EQ(main.calls, QStringList{QStringLiteral("no-workbook layout")});
    EXPECT_EQ(held(Holder::Text8), QStringLiteral("D4"));
    EXPECT_EQ(held(Holder::Text6), QStringLiteral("Option6"));
    EXPECT_EQ(stored("save3_title"), QStringLiteral("セーブデータ3"));
}

TEST_F(Form2CommitTest, ConfirmCommitsClosesThenConfirmsThePatternWindow) {
    window->List1->setEditText(QStringLiteral("Book1.ods"));
    window->Option11->click();
    main.calls.clear();

    window->Command1->click();

    EXPECT_EQ(held(Holder::Text2), QStringLiteral("Option11"));
    EXPECT_EQ(main.calls, (QStringList{"pattern close", "pattern confirm"}));
    EXPECT_TRUE(windowDestroyed());
}

TEST_F(Form2CommitTest, TheLowerConfirmButtonDoesTheSame) {
    window->Option3->click();
    main.calls.clear();

    window->Command3->click();

    EXPECT_EQ(held(Holder::Text2), QStringLiteral("Option3"));
    EXPECT_EQ(held(Holder::Text1), QString());
    // Empty workbook: once from the commit, once from the unload.
    EXPECT_EQ(main.calls, (QStringList{"no-workbook layout", "no-workbook layout", "pattern close",
                                       "pattern confirm"}));
    EXPECT_TRUE(windowDestroyed());
}

TEST_F(Form2CommitTest, DetectAgainRerunsTheWorkbookButtonOnly) {
    window->List1->setEditText(QStringLiteral("Other.ods"));
    main.onRerunWorkbookButton = [this] {
        window->List1->setEditText(QStringLiteral("Book1.ods"));
    };

    window->Command4->click();

    EXPECT_EQ(main.calls, QStringList{QStringLiteral("workbook button")});
    EXPECT_EQ(window->List1->currentText(), QStringLiteral("Book1.ods"));
    EXPECT_EQ(held(Holder::Text1), QString());
    EXPECT_FALSE(windowDestroyed());
}

TEST_F(Form2CommitTest, PatternButtonShowsThePatternWindowWhileFolderIsChosen) {
    window->Command6->click();
    EXPECT_EQ(main.patternShows, 0);

    window->Option9->click();
    window->Command6->click();
    EXPECT_EQ(main.patternShows, 1);
}

TEST_F(Form2CommitTest, LinkLabelOpensTheHomePage) {
    QTest::mouseClick(window->Label13, Qt::LeftButton);
    EXPECT_EQ(main.dialogs.openedUrls,
              QStringList{QStringLiteral("https://github.com/velmora/velmora")});
}

} // namespace
} // namespace velmora::testing
