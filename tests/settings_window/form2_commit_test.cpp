// The commit into the main window, the confirm buttons and the links.

#include "form2_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace velmora::testing {
namespace {

TEST_F(LoadedForm2Test, CopiesEveryChoiceAndWritesTheTitles) {
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
    hold({{Holder::Text25, "4"}});

    window->決定ボタン();

    // Fields edited elsewhere (Text25, Combo1) are left alone.
    const std::pair<Holder, const char*> expected[] = {
        {Holder::Text1, "Book 2.ods"}, {Holder::Text2, "Option12"}, {Holder::Text6, "Option6"},
        {Holder::Text22, "1"},         {Holder::Text7, "A1"},       {Holder::Text8, " B2"},
        {Holder::Text9, "C3 "},        {Holder::Text3, "-3"},       {Holder::Text4, "x"},
        {Holder::Text25, "4"},         {Holder::Combo1, "9"}};
    for (const auto& [holder, text] : expected) {
        EXPECT_EQ(held(holder), QString::fromUtf8(text)) << static_cast<int>(holder);
    }
    EXPECT_EQ(stored("save4_title"), QStringLiteral("夜"));
    EXPECT_EQ(stored("save1_title"), QString());
    EXPECT_TRUE(main.settings.valueNames().contains(QStringLiteral("save1_title")));
    EXPECT_EQ(stored("save5_title"), QStringLiteral("セーブデータ5"));
    EXPECT_EQ(main.noWorkbookLayouts, 0);
    // The record itself waits for the main window's close.
    EXPECT_EQ(stored("Option"), QString());
}

TEST_F(LoadedForm2Test, NeitherOrderButtonCountsAsSendToBack) {
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

TEST(Form2Confirm, BothButtonsCommitCloseThenConfirmThePatternWindow) {
    const QStringList closeAndConfirm{"pattern close", "pattern confirm"};
    const struct {
        const char* workbook;
        QStringList calls;
    } cases[] = {{"Book1.ods", closeAndConfirm},
                 // Without a workbook: once from the commit, once from the unload.
                 {"", QStringList{"no-workbook layout", "no-workbook layout"} + closeAndConfirm}};
    for (const auto& c : cases) {
        for (const bool upper : {true, false}) {
            SCOPED_TRACE(std::string(upper ? "Command1" : "Command3") + " " + c.workbook);
            Form2World world;
            world.window->List1->setEditText(QString::fromUtf8(c.workbook));
            world.window->Option11->click();
            world.main.calls.clear();

            (upper ? world.window->Command1 : world.window->Command3)->click();

            EXPECT_EQ(world.held(Holder::Text2), QStringLiteral("Option11"));
            EXPECT_EQ(world.held(Holder::Text1), QString::fromUtf8(c.workbook));
            EXPECT_EQ(world.main.calls, c.calls);
            EXPECT_TRUE(world.windowDestroyed());
        }
    }
}

TEST_F(LoadedForm2Test, DetectAgainRerunsTheWorkbookButtonOnly) {
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

TEST_F(LoadedForm2Test, LinkLabelOpensTheHomePage) {
    QTest::mouseClick(window->Label13, Qt::LeftButton);
    EXPECT_EQ(main.dialogs.openedUrls,
              QStringList{QStringLiteral("https://github.com/velmora/velmora")});
}

} // namespace
} // namespace velmora::testing
