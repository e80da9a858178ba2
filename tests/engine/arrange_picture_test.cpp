// Sizing modes, centring in the (merged) cell area and the fine offsets, on a dropped photo.

#include "paste_fixture.h"

namespace velmora::testing {
namespace {

// Drops a photo on B3 (48 pt from the left, 27 pt from the top, 48 x 13.5 pt by default).
FakeShapeData& pasteOnB3(PasteWorld& world, const QString& sizing, double width = 640,
                         double height = 480) {
    world.holders.setText(Holder::Text2, sizing);
    world.fake.selectCell(QStringLiteral("B3"));
    world.drop(world.photo(QStringLiteral("p.jpg"), width, height));
    return world.only();
}

TEST(ArrangePicture, SizingModesOnB3) {
    const struct {
        const char* name;
        const char* sizing;
        const char* centimetres; // Combo1
        const char* percent;     // Text5
        const char* down;        // Text3
        const char* right;       // Text4
        double rowHeight;
        bool mergeB3C4;
        double width, height, left, top; // the picture afterwards
    } cases[] = {
        {"9 cm at the top left, offsets 2 down and -3 right", "Option1", "9", "100", "2", "-3",
         13.5, false, 255.15, 255.15 * 0.75, 48 - 3, 27 + 2},
        {"offsets are decimals with blanks", "Option1", "9", "100", " 1.5 ", "0", 13.5, false,
         255.15, 255.15 * 0.75, 48, 27 + 1.5},
        {"an unknown mode stays at the top left", "Option7", "2", "100", "0", "0", 13.5, false,
         56.7, 56.7 * 0.75, 48, 27},
        {"centred in merged B3:C4 (48..144, 27..54), not in its first cell", "Option2", "1", "100",
         "0", "0", 13.5, true, 28.35, 28.35 * 0.75, 96 - 28.35 / 2, 40.5 - 28.35 * 0.75 / 2},
        {"stretched to half the cell, proportions ignored", "Option3", "9", "50", "0", "0", 13.5,
         false, 24, 6.75, 48 + 12, 27 + 3.375},
        {"smaller side of a 48 x 13.5 cell: height set, dx 15, dy 0", "Option4", "9", "100", "0",
         "0", 13.5, false, 18, 13.5, 48 + 15, 27},
        {"smaller side of a 48 x 48 cell: width set, dy 6", "Option4", "9", "100", "0", "0", 48,
         false, 48, 36, 48, 27 + 6},
        {"cell height, proportions kept", "Option11", "9", "100", "0", "0", 30, false, 40, 30,
         48 + 24 - 20, 27},
        {"cell width, proportions kept", "Option12", "9", "100", "0", "0", 30, false, 48, 36, 48,
         27 + 15 - 18},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PasteWorld world;
        world.holders.setText(Holder::Combo1, QString::fromLatin1(c.centimetres));
        world.holders.setText(Holder::Text5, QString::fromLatin1(c.percent));
        world.holders.setText(Holder::Text3, QString::fromLatin1(c.down));
        world.holders.setText(Holder::Text4, QString::fromLatin1(c.right));
        world.fake.setRowHeight(3, c.rowHeight);
        if (c.mergeB3C4) {
            world.fake.merge(QStringLiteral("B3:C4"));
        }
        const FakeShapeData& picture = pasteOnB3(world, QString::fromLatin1(c.sizing));
        EXPECT_TRUE(world.ui.messages.empty());
        EXPECT_DOUBLE_EQ(picture.width, c.width);
        EXPECT_DOUBLE_EQ(picture.height, c.height);
        EXPECT_DOUBLE_EQ(picture.left, c.left);
        EXPECT_DOUBLE_EQ(picture.top, c.top);
        world.expectRunClosed();
    }
}

TEST(ArrangePicture, EqualProportionsSetTheWidth) {
    PasteWorld world;
    world.fake.setRowHeight(3, 48);
    world.holders.setText(Holder::Text5, QStringLiteral("50"));
    const FakeShapeData& picture = pasteOnB3(world, QStringLiteral("Option4"), 300, 300);
    EXPECT_DOUBLE_EQ(picture.width, 24);
    EXPECT_EQ(world.fake.callCount(QStringLiteral("Shape.setHeight")), 0);
    EXPECT_EQ(world.fake.callCount(QStringLiteral("Shape.setWidth")), 2);
}

TEST(ArrangePicture, EmptySizeHoldersGetTheirDefaultsWrittenBack) {
    PasteWorld world;
    world.holders.setText(Holder::Combo1, QString());
    world.holders.setText(Holder::Text5, QString());
    EXPECT_DOUBLE_EQ(pasteOnB3(world, QStringLiteral("Option12")).width, 48); // p = 1
    EXPECT_EQ(world.holders.text(Holder::Combo1), QStringLiteral("9"));
    EXPECT_EQ(world.holders.text(Holder::Text5), QStringLiteral("100"));
}

TEST(ArrangePicture, UnusableSettingsEndThePasteKeepingThePicture) {
    const struct {
        Holder holder;
        const char* text;
        double width; // the width reached before the failure
        const char* sizing = "Option12";
        double rowHeight = 13.5;
    } cases[] = {{Holder::Combo1, "nine", 640},
                 {Holder::Text5, "x", 255.15},
                 {Holder::Text3, "", 48},
                 {Holder::Text4, "1pt", 48},
                 {Holder::Text3, "0", 255.15, "Option4", 0}}; // a zero-height cell
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sizing) + " \"" + c.text + "\" row height " +
                     std::to_string(c.rowHeight));
        PasteWorld world;
        world.holders.setText(c.holder, QString::fromUtf8(c.text));
        world.fake.setRowHeight(3, c.rowHeight);
        EXPECT_DOUBLE_EQ(pasteOnB3(world, QString::fromLatin1(c.sizing)).width, c.width);
        world.expectOneErrorMessage();
        world.expectRunClosed();
    }
}

} // namespace
} // namespace velmora::testing
