// The option groups and the main-window layouts they switch at once.

#include "form2_fixture.h"

#include <QPushButton>

namespace velmora::testing {
namespace {

TEST_F(LoadedForm2Test, PlaceChoicesSwitchTheMainWindowAtOnce) {
    window->Text3->setText(QStringLiteral("A1"));
    window->Text5->setText(QStringLiteral("C9"));
    const struct {
        QRadioButton* button;
        int height;
        int check1Top;
        Targets targets;
        bool folder; // button on the main window and pattern button here
    } steps[] = {
        {window->Option6, 4450, 3840, {false, true, true, true}, false},
        {window->Option5, 2550, 1930, {true, false, false, false}, false},
        {window->Option9, 2550, 1930, {false, false, false, false}, true},
        {window->Option10, 2550, 1930, {true, false, false, false}, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.button->objectName().toStdString());
        step.button->click();
        EXPECT_EQ(main.heightTwips, step.height);
        EXPECT_EQ(main.check1TopTwips, step.check1Top);
        EXPECT_EQ(main.targetShown, step.targets);
        EXPECT_EQ(main.folderButtonShown, step.folder);
        EXPECT_EQ(window->Command6->isEnabled(), step.folder);
    }
    // Typed addresses stay, drop modes are left alone, and only the commit changes the choice.
    EXPECT_EQ(window->Text3->text(), QStringLiteral("A1"));
    EXPECT_EQ(window->Text5->text(), QStringLiteral("C9"));
    EXPECT_EQ(main.dropModeResets, 0);
    EXPECT_EQ(held(Holder::Text6), QStringLiteral("Option5"));
}

TEST_F(LoadedForm2Test, SizingChoicesSwitchBetweenCentimetresAndPercent) {
    window->Option8->click();
    EXPECT_TRUE(main.calls.isEmpty()) << "order buttons change nothing on the main window";

    const std::pair<QRadioButton*, bool> steps[] = {
        {window->Option1, false}, {window->Option3, true},  {window->Option2, false},
        {window->Option11, true}, {window->Option1, false}, {window->Option12, true},
        {window->Option2, false}, {window->Option4, true}};
    for (const auto& [button, percent] : steps) {
        button->click();
        EXPECT_EQ(main.percentInput, std::optional<bool>(percent))
            << button->objectName().toStdString();
    }
    // One size-input call per click, and never a place layout.
    EXPECT_EQ(main.calls.size(), std::size(steps));
    for (const QString& call : main.calls) {
        EXPECT_TRUE(call.startsWith(QStringLiteral("size input"))) << call.toStdString();
    }
}

} // namespace
} // namespace velmora::testing
