// The option groups and the main-window layouts they switch at once.

#include "form2_fixture.h"

#include <QPushButton>

namespace velmora::testing {
namespace {

class Form2OptionsTest : public Form2Test {
protected:
    void SetUp() override {
        Form2Test::SetUp();
        holdEarlierSettings();
        loaded();
        main.calls.clear();
    }
};

TEST_F(Form2OptionsTest, ThreeTargetsLayout) {
    window->Text3->setText(QStringLiteral("A1"));
    window->Option6->click();

    EXPECT_EQ(main.calls,
              (QStringList{"height 4450", "check1 3840", "target 0 hidden", "target 1 shown",
                           "target 2 shown", "target 3 shown", "folder button hidden"}));
    EXPECT_EQ(window->Text3->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Base));
    EXPECT_NE(window->Text3->palette().color(QPalette::Base), QColor(224, 224, 224));
    EXPECT_FALSE(window->Command6->isEnabled());
    // Only the commit changes the held choice.
    EXPECT_EQ(held(Holder::Text6), QStringLiteral("Option5"));
}

TEST_F(Form2OptionsTest, BackToTheSelectedCellKeepsTheTypedAddresses) {
    window->Option6->click();
    window->Text3->setText(QStringLiteral("A1"));
    window->Text5->setText(QStringLiteral("C9"));

    window->Option5->click();

    EXPECT_EQ(window->Text3->text(), QStringLiteral("A1"));
    EXPECT_EQ(window->Text5->text(), QStringLiteral("C9"));
    EXPECT_EQ(window->Text5->palette().color(QPalette::Base), QColor(224, 224, 224));
    EXPECT_EQ(main.targetShown, (std::array<bool, 4>{true, false, false, false}));
    EXPECT_EQ(main.heightTwips, 2550);
    EXPECT_EQ(main.check1TopTwips, 1930);
}

TEST_F(Form2OptionsTest, OnlyTheFolderChoiceEnablesThePatternButton) {
    window->Option9->click();
    EXPECT_TRUE(window->Command6->isEnabled());
    EXPECT_TRUE(main.folderButtonShown);
    EXPECT_EQ(main.targetShown, (std::array<bool, 4>{false, false, false, false}));

    window->Option10->click();
    EXPECT_FALSE(window->Command6->isEnabled());
    EXPECT_FALSE(main.folderButtonShown);
    EXPECT_EQ(main.targetShown, (std::array<bool, 4>{true, false, false, false}));
}

TEST_F(Form2OptionsTest, PlaceClicksLeaveTheDropModesAlone) {
    window->Option6->click();
    window->Option9->click();
    EXPECT_EQ(main.dropModeResets, 0);
}

TEST_F(Form2OptionsTest, SizingChoiceSwitchesBetweenWidthAndPercent) {
    window->Option1->click();
    EXPECT_EQ(main.percentInput, std::optional<bool>(false));
    window->Option2->click();
    EXPECT_EQ(main.percentInput, std::optional<bool>(false));
    EXPECT_EQ(main.calls, (QStringList{"size input cm", "size input cm"}));

    for (QRadioButton* percent : {window->Option3, window->Option11, window->Option12}) {
        window->Option1->click();
        percent->click();
        EXPECT_EQ(main.percentInput, std::optional<bool>(true))
            << percent->objectName().toStdString();
    }
    // Sizing clicks never touch the place layout.
    EXPECT_FALSE(main.calls.join(' ').contains(QStringLiteral("height")));
}

TEST_F(Form2OptionsTest, OrderButtonsChangeNothingOnTheMainWindow) {
    window->Option8->click();
    EXPECT_TRUE(main.calls.isEmpty());
}

TEST_F(Form2OptionsTest, ClosingAfterThreeTargetsWithoutWorkbookHidesThemAgain) {
    window->Option6->click();
    ASSERT_EQ(main.targetShown, (std::array<bool, 4>{false, true, true, true}));
    window->close();
    EXPECT_EQ(main.targetShown, (std::array<bool, 4>{false, false, false, false}));
    EXPECT_EQ(main.heightTwips, 2550);
    EXPECT_EQ(held(Holder::Text6), QStringLiteral("Option5"));
}

} // namespace
} // namespace velmora::testing
