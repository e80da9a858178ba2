// The interface suite both spreadsheet implementations pass, so that the engine's tests on the
// in-memory one say something about Calc. Built twice: on the fake (unit) and, with
// CONTRACT_ON_CALC, on a private office (calc).

#ifdef CONTRACT_ON_CALC
#include "office_fixture.h"
#else
#include "fake_spreadsheet.h"
#endif
#include "test_photos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

// Calc rounds geometry through twips.
constexpr double kTolerance = 0.05;

QString photoPath(const QString& name) {
    static QTemporaryDir dir;
    return QDir(dir.path()).filePath(name);
}

// 640 x 480 px at 96 dpi: 480 x 360 pt.
QString smallPhoto() {
    static const QString path = writeJpeg(photoPath(QStringLiteral("small.jpg")), 640, 480);
    return path;
}

// The world of a test: one workbook "Book1.ods", the link's idle wait settings.
SpreadsheetWorld& freshWorld() {
#ifdef CONTRACT_ON_CALC
    SpreadsheetWorld& world = sharedOffice();
#else
    static std::unique_ptr<FakeSpreadsheet> fake;
    SpreadsheetWorld& world = *(fake = std::make_unique<FakeSpreadsheet>());
#endif
    world.closeAllWorkbooks();
    world.addWorkbook(QStringLiteral("Book1.ods"));
    world.link().setWaitSettings(kIdleWaitSettings);
    return world;
}

struct Contract : ::testing::Test {
    ShapePtr addSmallPhoto(double left = 0, double top = 0) {
        return sheet->addPicture(smallPhoto(), false, true, left, top, 0, 0);
    }
    static void expectSize(Shape& shape, double width, double height) {
        EXPECT_NEAR(shape.width(), width, kTolerance);
        EXPECT_NEAR(shape.height(), height, kTolerance);
    }
    SpreadsheetWorld& world = freshWorld();
    const ApplicationPtr app = world.link().attach();
    const WorksheetPtr sheet = app->activeWorkbook()->activeSheet();
};

TEST_F(Contract, CellsHaveAddressesMergeAreasAndGeometryInPoints) {
    const double widths[] = {50, 80, 33.75}, heights[] = {20, 30, 25.5};
    for (int i = 0; i < 3; ++i) {
        world.setColumnWidth(i + 1, widths[i]);
        world.setRowHeight(i + 1, heights[i]);
    }
    const struct {
        const char* text;
        const char* address;
        int row, column;
        double left, top, width, height;
    } cases[] = {{"B3", "$B$3", 3, 2, 50, 50, 80, 25.5},
                 {"$A$1:$C$3", "$A$1:$C$3", 1, 1, 0, 0, 163.75, 75.5},
                 {"C2", "$C$2", 2, 3, 130, 20, 33.75, 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const RangePtr range = app->range(QString::fromLatin1(c.text));
        EXPECT_EQ(range->address(), QString::fromLatin1(c.address));
        EXPECT_EQ(range->row(), c.row);
        EXPECT_EQ(range->column(), c.column);
        EXPECT_NEAR(range->left(), c.left, kTolerance);
        EXPECT_NEAR(range->top(), c.top, kTolerance);
        EXPECT_NEAR(range->width(), c.width, kTolerance);
        EXPECT_NEAR(range->height(), c.height, kTolerance);
    }
    EXPECT_EQ(app->range(QStringLiteral("D2:E7"))->address(), QStringLiteral("$D$2:$E$7"));
    EXPECT_EQ(app->range(QStringLiteral("$AA$10"))->address(), QStringLiteral("$AA$10"));
    EXPECT_EQ(sheet->range(QStringLiteral("C9"))->address(), QStringLiteral("$C$9"));
    EXPECT_EQ(app->cells(7, 28)->address(), QStringLiteral("$AB$7"));
    EXPECT_NEAR(app->cells(2, 3)->left(), 130, kTolerance);
    EXPECT_EQ(app->cells(1048576, 16384)->address(), QStringLiteral("$XFD$1048576"));
    for (const char* bad : {"not a cell", "", "B3:", "!!", "XFE1", "A1048577"}) {
        EXPECT_THROW(app->range(QString::fromLatin1(bad)), SpreadsheetError) << bad;
    }
    for (const auto& [row, column] : {std::pair{0, 1}, {1, 0}, {1048577, 1}, {1, 16385}}) {
        EXPECT_THROW(app->cells(row, column), SpreadsheetError) << row << ", " << column;
    }

    world.merge(QStringLiteral("B3:D4"));
    EXPECT_EQ(app->range(QStringLiteral("B3"))->mergeAreaRows(), 2);
    EXPECT_EQ(app->range(QStringLiteral("B3:C3"))->mergeAreaColumns(), 3);
    EXPECT_EQ(app->range(QStringLiteral("F6"))->mergeAreaRows(), 1);
    EXPECT_EQ(app->range(QStringLiteral("F6"))->mergeAreaColumns(), 1);
}

TEST_F(Contract, TheSelectedCellStaysActiveWhenAPictureIsSelected) {
    EXPECT_EQ(app->activeCell()->address(), QStringLiteral("$A$1"));
    app->range(QStringLiteral("D7:E9"))->select();
    EXPECT_EQ(app->activeCell()->row(), 7);
    addSmallPhoto()->select();
    EXPECT_EQ(app->activeCell()->address(), QStringLiteral("$D$7"));
    EXPECT_EQ(world.link().attach()->activeCell()->address(), QStringLiteral("$D$7"));
}

TEST_F(Contract, WorkbooksAndSheetsAreFoundAddedActivatedAndRenamed) {
    world.addWorkbook(QStringLiteral("Book2.ods"));
    const ApplicationPtr fresh = world.link().attach();
    ASSERT_EQ(fresh->workbookCount(), 2);
    EXPECT_EQ(fresh->workbook(2)->name(), QStringLiteral("Book2.ods"));
    EXPECT_EQ(fresh->activeWorkbook()->name(), QStringLiteral("Book2.ods"));
    EXPECT_EQ(fresh->workbook(QStringLiteral("book1.ODS"))->name(), QStringLiteral("Book1.ods"));
    for (const QString& missing : {QStringLiteral("Missing.ods"), QString()}) {
        EXPECT_THROW(fresh->workbook(missing), SpreadsheetError);
    }
    EXPECT_THROW(fresh->workbook(0), SpreadsheetError);
    EXPECT_THROW(fresh->workbook(3), SpreadsheetError);

    const WorkbookPtr book = fresh->workbook(1);
    const WorksheetPtr photos = book->worksheet(1);
    photos->activate();
    EXPECT_EQ(fresh->activeWorkbook()->name(), QStringLiteral("Book1.ods"));
    photos->setName(QStringLiteral("Photos"));
    const WorksheetPtr added = book->addWorksheet();
    EXPECT_EQ(book->worksheetCount(), 2);
    EXPECT_EQ(book->activeSheet()->name(), added->name());
    EXPECT_THROW(book->worksheet(3), SpreadsheetError);
    added->setName(QStringLiteral("写真 #1; 100%"));
    EXPECT_EQ(book->activeSheet()->name(), QStringLiteral("写真 #1; 100%"));
    // Calc refuses none of []*?:/\, an apostrophe at either end, and another sheet's name in
    // any case.
    for (const char* refused :
         {"a[1]", "a/b", "what?", "star*", "a:b", "a\\b", "'a", "a'", "Photos", "PHOTOS", ""}) {
        EXPECT_THROW(added->setName(QString::fromLatin1(refused)), SpreadsheetError) << refused;
        EXPECT_EQ(added->name(), QStringLiteral("写真 #1; 100%"));
    }
    const QString longName(40, QLatin1Char('x'));
    added->setName(longName);
    added->setName(longName.toUpper());
    EXPECT_EQ(added->name(), longName.toUpper());
    photos->activate();
    EXPECT_EQ(book->activeSheet()->name(), QStringLiteral("Photos"));
}

TEST_F(Contract, PicturesGoInEmbeddedAtTheirOwnSizeAndAreFoundByTheirNames) {
    world.addRectangle(QStringLiteral("Frame"), 0, 0, 50, 50);
    const ShapePtr small = addSmallPhoto(60, 20);
    expectSize(*small, 480, 360);
    EXPECT_NEAR(small->left(), 60, kTolerance);
    EXPECT_NEAR(small->top(), 20, kTolerance);
    const ShapePtr large = sheet->addPicture(
        writeJpeg(photoPath(QStringLiteral("large.jpg")), 4000, 3000), false, true, 10, 15, 0, 0);
    expectSize(*large, 3000, 2250);
    const ShapePtr sized = sheet->addPicture(smallPhoto(), false, true, 0, 0, 120, 45);
    expectSize(*sized, 120, 45);
    EXPECT_EQ(sheet->shapeCount(), 4);
    EXPECT_EQ(QSet<QString>({small->name(), large->name(), sized->name(), "Frame"}).size(), 4);

    const QString name = QStringLiteral("ピクチャー_ 2");
    small->setName(name);
    EXPECT_EQ(small->name(), name);
    sheet->picture(name)->setLeft(77);
    EXPECT_NEAR(small->left(), 77, kTolerance);
    EXPECT_THROW(sheet->picture(QStringLiteral("ピクチャー_ 3")), SpreadsheetError);
    EXPECT_THROW(sheet->picture(QStringLiteral("Frame")), SpreadsheetError);
    EXPECT_NE(sheet->evaluate(name), nullptr);
    EXPECT_NE(sheet->evaluate(QStringLiteral("Frame")), nullptr);
    EXPECT_EQ(sheet->evaluate(QStringLiteral("ピクチャー_ 3")), nullptr);

    small->setName(QStringLiteral("renamed"));
    EXPECT_EQ(sheet->picture(QStringLiteral("renamed"))->name(), QStringLiteral("renamed"));
    EXPECT_EQ(sheet->evaluate(name), nullptr);
    EXPECT_THROW(small->setName(QString()), SpreadsheetError);
    EXPECT_EQ(small->name(), QStringLiteral("renamed"));
}

TEST_F(Contract, PicturesAreSizedScaledMovedAndSentBehindEveryShape) {
    world.addRectangle(QStringLiteral("Back"), 0, 0, 40, 40);
    world.addRectangle(QStringLiteral("Front"), 10, 10, 40, 40);
    const ShapePtr photo = addSmallPhoto(10, 20);
    EXPECT_TRUE(photo->lockAspectRatio());
    photo->setWidth(240);
    expectSize(*photo, 240, 180);
    photo->setHeight(90);
    expectSize(*photo, 120, 90);
    // Scaling sets one side, locked or not.
    photo->scaleHeight(1, true);
    expectSize(*photo, 120, 360);
    photo->scaleWidth(1, true);
    photo->scaleWidth(0.5f, false);
    expectSize(*photo, 240, 360);
    EXPECT_THROW(photo->scaleWidth(0, true), SpreadsheetError);
    EXPECT_THROW(photo->scaleHeight(-1, false), SpreadsheetError);
    photo->setLockAspectRatio(false);
    EXPECT_FALSE(photo->lockAspectRatio());
    photo->setWidth(300);
    expectSize(*photo, 300, 360);
    photo->setHeight(90);
    expectSize(*photo, 300, 90);
    photo->scaleWidth(0.8f, false);
    expectSize(*photo, 240, 90);

    photo->setLeft(100.5);
    photo->setTop(40.25);
    photo->incrementLeft(12);
    photo->incrementTop(-10.25);
    EXPECT_NEAR(photo->left(), 112.5, kTolerance);
    EXPECT_NEAR(photo->top(), 30, kTolerance);
    expectSize(*photo, 240, 90);

    photo->setName(QStringLiteral("Photo"));
    EXPECT_EQ(world.shapeNamesBackToFront(), QStringList({"Back", "Front", "Photo"}));
    photo->sendToBack();
    EXPECT_EQ(world.shapeNamesBackToFront(), QStringList({"Photo", "Back", "Front"}));
}

// Calc's insert command would put a new graphic into a selected picture instead.
TEST_F(Contract, InsertingWhileAPictureIsSelectedLeavesThatPictureAsItWas) {
    const ShapePtr first = addSmallPhoto();
    first->select();
    const ShapePtr second = sheet->addPicture(
        writeJpeg(photoPath(QStringLiteral("other.jpg")), 320, 240), false, true, 100, 100, 0, 0);
    EXPECT_EQ(sheet->shapeCount(), 2);
    expectSize(*second, 240, 180);
    first->scaleWidth(1, true);
    first->scaleHeight(1, true);
    expectSize(*first, 480, 360);
}

// Either the picture goes in or the call fails; no dialog holds the office, the sheet stays
// consistent and the next insert works.
TEST_F(Contract, FilesThatAreNoSoundPictureFailOrGoInCleanly) {
    QFile source(smallPhoto());
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray jpeg = source.readAll();
    QByteArray scrambled = jpeg;
    for (qsizetype i = 700; i < scrambled.size() - 2; i += 3) {
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5a);
    }
    const std::pair<const char*, QByteArray> damaged[] = {{"notes.jpg", "not a photo\n"},
                                                          {"header-only.jpg", jpeg.left(400)},
                                                          {"half.jpg", jpeg.left(jpeg.size() / 2)},
                                                          {"scrambled.jpg", scrambled}};
    for (const auto& [name, bytes] : damaged) {
        QFile file(photoPath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const int before = sheet->shapeCount();
    for (const QString& bad :
         {photoPath(QStringLiteral("notes.jpg")), photoPath(QStringLiteral("missing.jpg")),
          QFileInfo(smallPhoto()).path(), QString()}) {
        EXPECT_THROW(sheet->addPicture(bad, false, true, 0, 0, 0, 0), SpreadsheetError)
            << bad.toStdString();
    }
    EXPECT_THROW(sheet->addPicture(smallPhoto(), false, true, 0, 0, -5, 10), SpreadsheetError);
    EXPECT_EQ(sheet->shapeCount(), before);
    for (const char* name : {"header-only.jpg", "half.jpg", "scrambled.jpg"}) {
        const int count = sheet->shapeCount();
        try {
            sheet->addPicture(photoPath(QString::fromLatin1(name)), false, true, 0, 0, 0, 0);
            EXPECT_EQ(sheet->shapeCount(), count + 1) << name;
        } catch (const SpreadsheetError&) {
            EXPECT_EQ(sheet->shapeCount(), count) << name;
        }
    }

    for (const QString& name :
         {QStringLiteral("my photo.jpg"), QStringLiteral("写真 その1.jpg"),
          QStringLiteral("no#1.jpg"), QStringLiteral("100% crop.jpg"), QStringLiteral("a;b.jpg")}) {
        QFile::remove(photoPath(name));
        ASSERT_TRUE(QFile::copy(smallPhoto(), photoPath(name)));
        expectSize(*sheet->addPicture(photoPath(name), false, true, 0, 0, 0, 0), 480, 360);
    }
}

TEST_F(Contract, VersionZoomScreenUpdatingAndWaitSettings) {
    bool numeric = false;
    EXPECT_GT(app->version().toDouble(&numeric), 0);
    EXPECT_TRUE(numeric) << app->version().toStdString();
    app->setZoom(75);
    EXPECT_DOUBLE_EQ(app->zoom(), 75);
    app->setZoom(100);
    EXPECT_DOUBLE_EQ(app->zoom(), 100);

    app->setScreenUpdating(false);
    const ShapePtr photo = addSmallPhoto(5, 5);
    photo->setWidth(100);
    app->setScreenUpdating(true);
    app->setScreenUpdating(true);
    EXPECT_NEAR(sheet->picture(photo->name())->width(), 100, kTolerance);

    world.link().setWaitSettings(kPasteWaitSettings);
    EXPECT_EQ(world.link().waitSettings(), kPasteWaitSettings);
    EXPECT_EQ(world.link().attach()->activeWorkbook()->name(), QStringLiteral("Book1.ods"));
}

} // namespace
} // namespace velmora::testing
