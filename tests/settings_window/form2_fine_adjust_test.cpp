// The fine-adjustment pairs: text box and scroll bar kept in step.

#include "form2_fixture.h"

#include <QTest>

namespace velmora::testing {
namespace {

class Form2FineAdjustTest : public Form2Test {
protected:
    void SetUp() override {
        Form2Test::SetUp();
        holdEarlierSettings();
        loaded();
    }
    // Types into an emptied box, key by key, as the user does.
    void typeInto(QLineEdit* box, const QString& keys) {
        box->clear();
        QTest::keyClicks(box, keys);
    }
};

TEST_F(Form2FineAdjustTest, ALoneMinusIsNoErrorAndChangesNothing) {
    window->VScroll1->setValue(5);
    typeInto(window->Text1, QStringLiteral("-"));
    EXPECT_EQ(window->Text1->text(), QStringLiteral("-"));
    EXPECT_EQ(window->VScroll1->value(), 5);
    EXPECT_TRUE(main.dialogs.messages.empty());
}

TEST_F(Form2FineAdjustTest, OutOfRangeStaysAsTypedAndIsCommittedAsTyped) {
    typeInto(window->Text1, QStringLiteral("1500"));
    EXPECT_EQ(window->Text1->text(), QStringLiteral("1500"));
    // "150" was the last text the bar could take.
    EXPECT_EQ(window->VScroll1->value(), 150);

    window->決定ボタン();
    EXPECT_EQ(held(Holder::Text3), QStringLiteral("1500"));
}

TEST_F(Form2FineAdjustTest, BeyondSixteenBitsFails) {
    window->Text2->setText(QStringLiteral("40000"));
    EXPECT_EQ(window->HScroll2->value(), 0);
    EXPECT_EQ(window->Text2->text(), QStringLiteral("40000"));
}

TEST_F(Form2FineAdjustTest, BlanksAroundANumberAreAcceptedAndNormalised) {
    window->Text1->setText(QStringLiteral(" 12 "));
    EXPECT_EQ(window->VScroll1->value(), 12);
    EXPECT_EQ(window->Text1->text(), QStringLiteral("12"));

    // Already the bar's value: the text stays as typed.
    window->Text1->setText(QStringLiteral(" 12 "));
    EXPECT_EQ(window->Text1->text(), QStringLiteral(" 12 "));
    window->Text1->setText(QStringLiteral("12.0"));
    EXPECT_EQ(window->Text1->text(), QStringLiteral("12.0"));
}

TEST_F(Form2FineAdjustTest, TypingAFractionRoundsToTheNearest) {
    typeInto(window->Text1, QStringLiteral("7"));
    ASSERT_EQ(window->VScroll1->value(), 7);
    QTest::keyClicks(window->Text1, QStringLiteral(".6"));
    EXPECT_EQ(window->VScroll1->value(), 8);
    EXPECT_EQ(window->Text1->text(), QStringLiteral("8"));
}

TEST_F(Form2FineAdjustTest, ExactHalvesGoToTheEvenNeighbour) {
    window->Text1->setText(QStringLiteral("2.5"));
    EXPECT_EQ(window->VScroll1->value(), 2);
    EXPECT_EQ(window->Text1->text(), QStringLiteral("2"));
    window->Text1->setText(QStringLiteral("3.5"));
    EXPECT_EQ(window->VScroll1->value(), 4);
    window->Text2->setText(QStringLiteral("-2.5"));
    EXPECT_EQ(window->HScroll2->value(), -2);
    EXPECT_EQ(window->Text2->text(), QStringLiteral("-2"));
}

TEST_F(Form2FineAdjustTest, ScrollBarStepsWriteThePlainNumber) {
    window->VScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(window->VScroll1->value(), -1);
    EXPECT_EQ(window->Text1->text(), QStringLiteral("-1"));

    window->VScroll1->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(window->VScroll1->value(), -2);

    window->HScroll2->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(window->Text2->text(), QStringLiteral("1000"));
    window->HScroll2->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(window->Text2->text(), QStringLiteral("-1000"));
}

TEST_F(Form2FineAdjustTest, TheTwoPairsAreIndependent) {
    window->Text1->setText(QStringLiteral("30"));
    window->HScroll2->setValue(-40);
    EXPECT_EQ(window->VScroll1->value(), 30);
    EXPECT_EQ(window->HScroll2->value(), -40);
    EXPECT_EQ(window->Text1->text(), QStringLiteral("30"));
    EXPECT_EQ(window->Text2->text(), QStringLiteral("-40"));
}

} // namespace
} // namespace velmora::testing
