// Sizing modes, centring in the (merged) cell area and the fine offsets, on a dropped photo.

#include "paste_fixture.h"

namespace velmora::testing {
namespace {

class ArrangePicture : public PasteFixture {
protected:
    // Drops a 640 x 480 pt photo on B3 (48 pt from the left, 27 pt from the top).
    FakeShapeData& pasteOnB3(const QString& sizing, double width = 640, double height = 480,
                             bool succeeds = true) {
        holders.setText(Holder::Text2, sizing);
        fake.selectCell(QStringLiteral("B3"));
        drop(photo(QStringLiteral("p.jpg"), width, height));
        if (succeeds) {
            EXPECT_TRUE(ui.messages.empty());
        } else {
            expectOneErrorMessage();
        }
        return only();
    }
};

TEST_F(ArrangePicture, WidthInCentimetresKeepsProportionsAtTopLeft) {
    holders.setText(Holder::Text3, QStringLiteral("2"));
    holders.setText(Holder::Text4, QStringLiteral("-3"));
    const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option1"));
    EXPECT_DOUBLE_EQ(picture.width, 255.15);
    EXPECT_DOUBLE_EQ(picture.height, 255.15 * 480 / 640);
    EXPECT_DOUBLE_EQ(picture.left, 48 - 3);
    EXPECT_DOUBLE_EQ(picture.top, 27 + 2);
    expectRunClosed();
}

TEST_F(ArrangePicture, UnknownSizingBehavesAsTopLeft) {
    holders.setText(Holder::Combo1, QStringLiteral("2"));
    const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option7"));
    EXPECT_DOUBLE_EQ(picture.width, 56.7);
    EXPECT_DOUBLE_EQ(picture.left, 48);
    EXPECT_DOUBLE_EQ(picture.top, 27);
}

TEST_F(ArrangePicture, EmptySizeHoldersGetTheirDefaultsWrittenBack) {
    holders.setText(Holder::Combo1, QString());
    holders.setText(Holder::Text5, QString());
    const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option12"));
    EXPECT_EQ(holders.text(Holder::Combo1), QStringLiteral("9"));
    EXPECT_EQ(holders.text(Holder::Text5), QStringLiteral("100"));
    EXPECT_DOUBLE_EQ(picture.width, 48); // p = 1
}

TEST_F(ArrangePicture, CentreOfMergedAreaNotOfItsFirstCell) {
    fake.merge(QStringLiteral("B3:C4"));
    holders.setText(Holder::Combo1, QStringLiteral("1"));
    const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option2"));
    EXPECT_DOUBLE_EQ(picture.width, 28.35);
    // B3:C4 spans 48..144 and 27..54.
    EXPECT_DOUBLE_EQ(picture.left + picture.width / 2, 96);
    EXPECT_DOUBLE_EQ(picture.top + picture.height / 2, 40.5);
}

TEST_F(ArrangePicture, StretchToHalfTheCellIgnoresProportions) {
    holders.setText(Holder::Text5, QStringLiteral("50"));
    const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option3"));
    EXPECT_FALSE(picture.lockAspectRatio);
    EXPECT_DOUBLE_EQ(picture.width, 24);
    EXPECT_DOUBLE_EQ(picture.height, 6.75);
    EXPECT_DOUBLE_EQ(picture.left, 48 + 12);
    EXPECT_DOUBLE_EQ(picture.top, 27 + 3.375);
}

TEST_F(ArrangePicture, SmallerSideOfAWideCellSetsTheHeight) {
    const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option4"));
    EXPECT_DOUBLE_EQ(picture.height, 13.5);
    EXPECT_DOUBLE_EQ(picture.width, 18);
    EXPECT_DOUBLE_EQ(picture.left, 48 + 15); // dx 15
    EXPECT_DOUBLE_EQ(picture.top, 27);       // dy 0
}

TEST_F(ArrangePicture, SmallerSideOfASquareCellSetsTheWidth) {
    fake.setRowHeight(3, 48);
    const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option4"));
    EXPECT_DOUBLE_EQ(picture.width, 48);
    EXPECT_DOUBLE_EQ(picture.height, 36);
    EXPECT_DOUBLE_EQ(picture.left, 48);
    EXPECT_DOUBLE_EQ(picture.top, 27 + 6); // dy 6
}

TEST_F(ArrangePicture, EqualProportionsSetTheWidth) {
    fake.setRowHeight(3, 48);
    holders.setText(Holder::Text5, QStringLiteral("50"));
    const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option4"), 300, 300);
    EXPECT_DOUBLE_EQ(picture.width, 24);
    EXPECT_DOUBLE_EQ(picture.height, 24);
    EXPECT_EQ(fake.callCount(QStringLiteral("Shape.setHeight")), 0);
    EXPECT_EQ(fake.callCount(QStringLiteral("Shape.setWidth")), 2);
}

TEST_F(ArrangePicture, CellHeightAndCellWidthModesKeepProportions) {
    fake.setRowHeight(3, 30);
    const FakeShapeData& byHeight = pasteOnB3(QStringLiteral("Option11"));
    EXPECT_DOUBLE_EQ(byHeight.height, 30);
    EXPECT_DOUBLE_EQ(byHeight.width, 40);
    EXPECT_DOUBLE_EQ(byHeight.left, 48 + 24 - 20);
    EXPECT_DOUBLE_EQ(byHeight.top, 27);

    fake.activeSheet()->shapes.clear();
    ui.messages.clear();
    const FakeShapeData& byWidth = pasteOnB3(QStringLiteral("Option12"));
    EXPECT_DOUBLE_EQ(byWidth.width, 48);
    EXPECT_DOUBLE_EQ(byWidth.height, 36);
    EXPECT_DOUBLE_EQ(byWidth.top, 27 + 15 - 18);
}

TEST_F(ArrangePicture, OffsetsAreLocaleDecimalsWithBlanks) {
    holders.setText(Holder::Text3, QStringLiteral(" 1.5 "));
    holders.setText(Holder::Text4, QStringLiteral("0"));
    const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option1"));
    EXPECT_DOUBLE_EQ(picture.top, 28.5);
    EXPECT_DOUBLE_EQ(picture.left, 48);
}

TEST_F(ArrangePicture, NonNumericSettingsEndThePasteKeepingThePicture) {
    struct Case {
        Holder holder;
        const char* text;
        double width; // the width reached before the failure
    };
    for (const Case& c : {Case{Holder::Combo1, "nine", 640}, Case{Holder::Text5, "x", 255.15},
                          Case{Holder::Text3, "", 48}, Case{Holder::Text4, "1pt", 48}}) {
        SCOPED_TRACE(c.text);
        fake.activeSheet()->shapes.clear();
        ui.messages.clear();
        holders.setText(Holder::Combo1, QStringLiteral("9"));
        holders.setText(Holder::Text5, QStringLiteral("100"));
        holders.setText(Holder::Text3, QStringLiteral("0"));
        holders.setText(Holder::Text4, QStringLiteral("0"));
        holders.setText(c.holder, QString::fromUtf8(c.text));
        const FakeShapeData& picture = pasteOnB3(QStringLiteral("Option12"), 640, 480, false);
        EXPECT_DOUBLE_EQ(picture.width, c.width);
        expectRunClosed();
    }
}

TEST_F(ArrangePicture, ZeroHeightCellFailsInsteadOfDividing) {
    fake.setRowHeight(3, 0);
    pasteOnB3(QStringLiteral("Option4"), 640, 480, false);
    expectRunClosed();
}

} // namespace
} // namespace velmora::testing
