// One dropped photo: naming, the three placements, insertion at the original size.

#include "paste_fixture.h"

#include <QDir>

namespace velmora::testing {
namespace {

using DragDrop = PasteFixture;

TEST_F(DragDrop, InsertsEmbeddedAtTheActiveCellAtItsOriginalSize) {
    holders.setText(Holder::Text2, QStringLiteral("Option7")); // sizing leaves W only
    holders.setText(Holder::Combo1, QStringLiteral("2"));
    fake.selectCell(QStringLiteral("C5"));
    const QString file = photo(QStringLiteral("a.jpg"), 120, 90);
    fake.beforeCall(QStringLiteral("Application.version"), 1, [&] {
        const FakeShapeData& inserted = only();
        EXPECT_DOUBLE_EQ(inserted.width, 120);
        EXPECT_DOUBLE_EQ(inserted.height, 90);
        EXPECT_DOUBLE_EQ(inserted.left, 96);
        EXPECT_DOUBLE_EQ(inserted.top, 54);
    });
    drop(file);
    const FakeShapeData& picture = only();
    EXPECT_EQ(picture.fileName, file);
    EXPECT_FALSE(picture.linkedToFile);
    EXPECT_TRUE(picture.savedWithDocument);
    EXPECT_EQ(fake.activeSheet()->selectedShape.lock().get(), &picture);
    EXPECT_EQ(fake.callCount(QStringLiteral("Application.version")), 1);
}

TEST_F(DragDrop, NamesTheFirstFreeNumberAfterTheShapeCount) {
    struct Case {
        QStringList existing;
        QString expected;
    };
    const QString p = kPictureNamePrefix;
    for (const Case& c : {Case{{}, p + "1"}, Case{{"Rect A", "Rect B", "Oval"}, p + "4"},
                          Case{{"Rect A", p + "4", p + "5"}, p + "6"}, Case{{p + "2"}, p + "3"}}) {
        SCOPED_TRACE(c.expected.toStdString());
        fake.activeSheet()->shapes.clear();
        for (const QString& name : c.existing) {
            fake.addRectangle(name, 0, 0, 1, 1);
        }
        drop(photo(QStringLiteral("a.jpg")));
        EXPECT_EQ(engine.PictureName, c.expected);
        EXPECT_EQ(fake.shapeNamesBackToFront().back(), c.expected);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST(DragDropPlace, SelectedCellOrTheTopLeftOfTheGivenAddress) {
    const struct {
        const char* placement;
        const char* address;
        double left, top;
    } cases[] = {{"Option5", "D10", 48, 13.5}, {"Option6", "$C$5:D9", 96, 54}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.placement);
        PasteWorld world;
        world.holders.setText(Holder::Text6, QString::fromLatin1(c.placement));
        world.fake.selectCell(QStringLiteral("B2"));
        world.drop(world.photo(QStringLiteral("a.jpg")), QString::fromLatin1(c.address));
        EXPECT_TRUE(world.ui.messages.empty());
        EXPECT_DOUBLE_EQ(world.only().left, c.left);
        EXPECT_DOUBLE_EQ(world.only().top, c.top);
    }
}

TEST_F(DragDrop, UnusableGivenAddressOrFileEndsWithTheErrorMessageAndNoPicture) {
    const QString text = dir.filePath(QStringLiteral("notes.jpg"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("just some text\n") > 0);
    file.close();
    const auto dropFails = [&](const QString& path, const char* address) {
        SCOPED_TRACE(path.toStdString() + " at \"" + address + "\"");
        ui.messages.clear();
        drop(path, QString::fromLatin1(address));
        expectOneErrorMessage();
        expectRunClosed();
    };
    dropFails(text, "");
    dropFails(dir.filePath(QStringLiteral("missing.jpg")), "");
    holders.setText(Holder::Text6, QStringLiteral("Option6"));
    for (const char* address : {"", "C", "A0", "Z9999999"}) {
        dropFails(photo(QStringLiteral("a.jpg")), address);
    }
    EXPECT_TRUE(fake.pictures().empty());
}

TEST_F(DragDrop, NewSheetNamedAfterTheFileHoldsThePicture) {
    holders.setText(Holder::Text6, QStringLiteral("Option10"));
    fake.selectCell(QStringLiteral("D4"));
    drop(photo(QStringLiteral("IMG_0012.JPG")));
    EXPECT_TRUE(ui.messages.empty());
    const FakeBookData& book = *fake.book(QStringLiteral("Book1.xlsx"));
    ASSERT_EQ(book.sheets.size(), 2u);
    EXPECT_EQ(book.activeSheet.lock(), book.sheets[1]);
    EXPECT_EQ(book.sheets[1]->name, QStringLiteral("IMG_0012.JPG"));
    EXPECT_EQ(engine.PictureName, kPictureNamePrefix + "1");
    EXPECT_DOUBLE_EQ(only().left, 0);
    EXPECT_DOUBLE_EQ(only().top, 0);
    EXPECT_TRUE(book.sheets[0]->shapes.empty());
}

TEST_F(DragDrop, SheetOfTheSameNameShowsTheDuplicateMessageOnly) {
    holders.setText(Holder::Text6, QStringLiteral("Option10"));
    fake.addSheet(QStringLiteral("IMG_0012.JPG"));
    drop(photo(QStringLiteral("IMG_0012.JPG")));
    expectOnlyMessage(QStringLiteral("すでに写真があります。"), 48);
    EXPECT_EQ(fake.book(QStringLiteral("Book1.xlsx"))->sheets.size(), 2u);
    EXPECT_EQ(fake.callCount(QStringLiteral("Worksheet.addPicture")), 0);
    EXPECT_EQ(fake.callCount(QStringLiteral("Workbook.addWorksheet")), 0);
    expectRunClosed();
}

TEST_F(DragDrop, RefusedSheetNameKeepsTheAddedSheetAndReportsTheError) {
    holders.setText(Holder::Text6, QStringLiteral("Option10"));
    fake.addSheet(QStringLiteral("img_0012.jpg")); // differs only in case: not a duplicate
    drop(photo(QStringLiteral("IMG_0012.JPG")));
    expectOneErrorMessage();
    const FakeBookData& book = *fake.book(QStringLiteral("Book1.xlsx"));
    ASSERT_EQ(book.sheets.size(), 3u);
    EXPECT_EQ(book.sheets[2]->name, QStringLiteral("Sheet2"));
    EXPECT_TRUE(book.sheets[2]->shapes.empty());
    expectRunClosed();

    ui.messages.clear();
    // Calc takes long sheet names but refuses brackets.
    drop(photo(QStringLiteral("photo[1].jpg")));
    expectOneErrorMessage();
}

TEST_F(DragDrop, NewSheetOnlyForAnOrdinaryFile) {
    holders.setText(Holder::Text6, QStringLiteral("Option10"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("IMG_0013.JPG")));
    for (const QString& path :
         {dir.filePath(QStringLiteral("IMG_0013.JPG")),
          dir.filePath(QStringLiteral("IMG_0014.JPG")), QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(path.toStdString());
        ui.messages.clear();
        drop(path);
        expectOneErrorMessage();
        EXPECT_EQ(fake.book(QStringLiteral("Book1.xlsx"))->sheets.size(), 1u);
        expectRunClosed();
    }
}

TEST_F(DragDrop, HoldersAreReadAtTheMomentOfUse) {
    holders.setText(Holder::Text2, QStringLiteral("Option1"));
    fake.beforeCall(QStringLiteral("Application.version"), 1,
                    [&] { holders.setText(Holder::Combo1, QStringLiteral("1")); });
    drop(photo(QStringLiteral("a.jpg")));
    EXPECT_DOUBLE_EQ(only().width, 28.35);
}

} // namespace
} // namespace velmora::testing
