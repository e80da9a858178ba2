// The fine-adjustment pairs: text box and scroll bar kept in step.

#include "form2_fixture.h"

#include <QTest>

namespace velmora::testing {
namespace {

TEST_F(LoadedForm2Test, TextToBarAsSixteenBitWholeNumbersInRange) {
    const struct {
        bool vertical; // Text1 and VScroll1, else Text2 and HScroll2
        int barBefore;
        bool typed; // key by key into the emptied box, else set at once
        const char* text;
        const char* textAfter;
        int barAfter;
    } cases[] = {
        {true, 5, true, "-", "-", 5},           // a lone minus is no error
        {true, 0, true, "1500", "1500", 150},   // "150" was the last text the bar could take
        {false, 0, false, "65541", "65541", 0}, // beyond 16 bits, not wrapped round to 5
        {true, 0, false, " 12 ", "12", 12},     // blanks accepted, the plain number written
        {true, 12, false, " 12 ", " 12 ", 12},  // already the bar's value: kept as typed
        {true, 12, false, "12.0", "12.0", 12},  {true, 0, true, "7.6", "8", 8}, // to the nearest
        {true, 0, false, "2.5", "2", 2}, // exact halves to the even neighbour
        {true, 0, false, "3.5", "4", 4},        {false, 0, false, "-2.5", "-2", -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.vertical ? "Text1 " : "Text2 ") + '"' + c.text + '"');
        QLineEdit* box = c.vertical ? window->Text1 : window->Text2;
        QScrollBar* bar = c.vertical ? window->VScroll1 : window->HScroll2;
        QScrollBar* otherBar = c.vertical ? window->HScroll2 : window->VScroll1;
        window->VScroll1->setValue(0);
        window->HScroll2->setValue(0);
        bar->setValue(c.barBefore);
        if (c.typed) {
            box->clear();
            QTest::keyClicks(box, QString::fromLatin1(c.text));
        } else {
            box->setText(QString::fromLatin1(c.text));
        }
        EXPECT_EQ(box->text(), QString::fromLatin1(c.textAfter));
        EXPECT_EQ(bar->value(), c.barAfter);
        EXPECT_EQ(otherBar->value(), 0) << "the pairs are independent";
    }
    EXPECT_TRUE(main.dialogs.messages.empty());
}

TEST_F(LoadedForm2Test, BarStepsWriteThePlainNumber) {
    const struct {
        QScrollBar* bar;
        QAbstractSlider::SliderAction action;
        const QLineEdit* box;
        const char* text;
    } steps[] = {
        {window->VScroll1, QAbstractSlider::SliderSingleStepSub, window->Text1, "-1"},
        {window->VScroll1, QAbstractSlider::SliderPageStepSub, window->Text1, "-2"},
        {window->HScroll2, QAbstractSlider::SliderToMaximum, window->Text2, "1000"},
        {window->HScroll2, QAbstractSlider::SliderToMinimum, window->Text2, "-1000"},
    };
    for (const auto& step : steps) {
        step.bar->triggerAction(step.action);
        EXPECT_EQ(step.box->text(), QString::fromLatin1(step.text));
    }
}

} // namespace
} // namespace velmora::testing
