#include "spreadsheet_contract.h"

#include "test_photos.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <ostream>
#include <utility>

static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace velmora::testing {

namespace {

// Cell geometry goes through twips in Calc.
constexpr double kTolerance = 0.05;

QTemporaryDir& photoDir() {
    static QTemporaryDir dir;
    return dir;
}

void expectNear(double expected, double actual, const char* what) {
    EXPECT_NEAR(expected, actual, kTolerance) << what;
}

} // namespace

void SpreadsheetContract::SetUp() {
    world_ = GetParam().make();
    world_->closeAllWorkbooks();
    world_->addWorkbook(QStringLiteral("Book1.ods"));
    world_->link().setWaitSettings(kIdleWaitSettings);
    app_ = world_->link().attach();
    sheet_ = app_->activeWorkbook()->activeSheet();
}

QString SpreadsheetContract::smallPhoto() {
    static const QString path =
        writeJpeg(QDir(photoDir().path()).filePath(QStringLiteral("small.jpg")), 640, 480);
    return path;
}

QString SpreadsheetContract::largePhoto() {
    static const QString path =
        writeJpeg(QDir(photoDir().path()).filePath(QStringLiteral("large.jpg")), 4000, 3000);
    return path;
}

ShapePtr SpreadsheetContract::addSmallPhoto(double left, double top) {
    return sheet().addPicture(smallPhoto(), false, true, left, top, 0, 0);
}

TEST_P(SpreadsheetContract, AddressesRowsAndColumnsOfCellsAndRanges) {
    auto cell = app().range(QStringLiteral("B3"));
    EXPECT_EQ(cell->address(), QStringLiteral("$B$3"));
    EXPECT_EQ(cell->row(), 3);
    EXPECT_EQ(cell->column(), 2);
    auto block = app().range(QStringLiteral("$B$3:$C$4"));
    EXPECT_EQ(block->address(), QStringLiteral("$B$3:$C$4"));
    EXPECT_EQ(block->row(), 3);
    EXPECT_EQ(block->column(), 2);
    EXPECT_EQ(app().range(QStringLiteral("D2:E7"))->address(), QStringLiteral("$D$2:$E$7"));
    EXPECT_EQ(app().range(QStringLiteral("$AA$10"))->address(), QStringLiteral("$AA$10"));
    EXPECT_EQ(app().cells(7, 28)->address(), QStringLiteral("$AB$7"));
    EXPECT_EQ(sheet().range(QStringLiteral("C9"))->address(), QStringLiteral("$C$9"));
    // The last cell of a sheet.
    EXPECT_EQ(app().cells(1048576, 16384)->address(), QStringLiteral("$XFD$1048576"));
    EXPECT_EQ(app().range(QStringLiteral("XFD1048576"))->row(), 1048576);
}

TEST_P(SpreadsheetContract, BadAddressesAndCellsBeyondTheSheetFailAndTheNextCallWorks) {
    for (const char* bad : {"not a cell", "", "B3:", "!!", "XFE1", "A1048577"}) {
        EXPECT_THROW(app().range(QString::fromLatin1(bad)), SpreadsheetError) << bad;
    }
    const std::pair<int, int> outside[] = {{0, 1}, {1, 0}, {1048577, 1}, {1, 16385}};
    for (const auto& [row, column] : outside) {
        EXPECT_THROW(app().cells(row, column), SpreadsheetError) << row << ", " << column;
    }
    EXPECT_EQ(app().range(QStringLiteral("E2"))->address(), QStringLiteral("$E$2"));
}

TEST_P(SpreadsheetContract, CellGeometryFollowsColumnWidthsAndRowHeights) {
    world().setColumnWidth(1, 50);
    world().setColumnWidth(2, 80);
    world().setColumnWidth(3, 33.75);
    world().setRowHeight(1, 20);
    world().setRowHeight(2, 30);
    world().setRowHeight(3, 25.5);

    auto b3 = app().range(QStringLiteral("B3"));
    expectNear(50, b3->left(), "left of B3");
    expectNear(50, b3->top(), "top of B3");
    expectNear(80, b3->width(), "width of B3");
    expectNear(25.5, b3->height(), "height of B3");

    auto block = app().range(QStringLiteral("A1:C3"));
    expectNear(0, block->left(), "left of A1:C3");
    expectNear(0, block->top(), "top of A1:C3");
    expectNear(163.75, block->width(), "width of A1:C3");
    expectNear(75.5, block->height(), "height of A1:C3");

    auto c2 = app().cells(2, 3);
    expectNear(130, c2->left(), "left of C2");
    expectNear(20, c2->top(), "top of C2");
}

TEST_P(SpreadsheetContract, MergeAreaCountsRowsAndColumnsOfTheTopLeftCell) {
    world().merge(QStringLiteral("B3:D4"));
    auto merged = app().range(QStringLiteral("B3"));
    EXPECT_EQ(merged->mergeAreaRows(), 2);
    EXPECT_EQ(merged->mergeAreaColumns(), 3);
    EXPECT_EQ(app().range(QStringLiteral("B3:C3"))->mergeAreaColumns(), 3);

    auto plain = app().range(QStringLiteral("F6"));
    EXPECT_EQ(plain->mergeAreaRows(), 1);
    EXPECT_EQ(plain->mergeAreaColumns(), 1);
}

TEST_P(SpreadsheetContract, SelectMakesTheTopLeftCellActiveEvenAfterAPictureIsSelected) {
    EXPECT_EQ(app().activeCell()->address(), QStringLiteral("$A$1"));

    app().range(QStringLiteral("C5"))->select();
    EXPECT_EQ(app().activeCell()->address(), QStringLiteral("$C$5"));

    app().range(QStringLiteral("D7:E9"))->select();
    auto active = app().activeCell();
    EXPECT_EQ(active->address(), QStringLiteral("$D$7"));
    EXPECT_EQ(active->row(), 7);

    addSmallPhoto()->select();
    EXPECT_EQ(app().activeCell()->address(), QStringLiteral("$D$7"));
    // A later attach still sees it.
    auto again = world().link().attach();
    EXPECT_EQ(again->activeCell()->address(), QStringLiteral("$D$7"));
}

// Calc's insert command would put a new graphic into a selected picture instead.
TEST_P(SpreadsheetContract, InsertingWhileAPictureIsSelectedKeepsThatPictureAsItWas) {
    auto first = addSmallPhoto();
    first->select();
    const QString other =
        writeJpeg(QDir(photoDir().path()).filePath(QStringLiteral("other.jpg")), 320, 240);
    auto second = sheet().addPicture(other, false, true, 100, 100, 0, 0);
    EXPECT_EQ(sheet().shapeCount(), 2);
    expectNear(240, second->width(), "second width");
    first->scaleWidth(1, true);
    first->scaleHeight(1, true);
    expectNear(480, first->width(), "first keeps its own picture");
    expectNear(360, first->height(), "first keeps its own picture");
}

TEST_P(SpreadsheetContract, WorkbooksByIndexByNameInAnyCaseAndTheActiveOne) {
    world().addWorkbook(QStringLiteral("Book2.ods"));
    auto fresh = world().link().attach();
    ASSERT_EQ(fresh->workbookCount(), 2);
    EXPECT_EQ(fresh->workbook(1)->name(), QStringLiteral("Book1.ods"));
    EXPECT_EQ(fresh->workbook(2)->name(), QStringLiteral("Book2.ods"));
    EXPECT_EQ(fresh->workbook(QStringLiteral("Book1.ods"))->name(), QStringLiteral("Book1.ods"));
    EXPECT_EQ(fresh->workbook(QStringLiteral("book1.ODS"))->name(), QStringLiteral("Book1.ods"));
    EXPECT_EQ(fresh->activeWorkbook()->name(), QStringLiteral("Book2.ods"));

    EXPECT_THROW(fresh->workbook(QStringLiteral("Missing.ods")), SpreadsheetError);
    EXPECT_THROW(fresh->workbook(QString()), SpreadsheetError);
    EXPECT_THROW(fresh->workbook(0), SpreadsheetError);
    EXPECT_THROW(fresh->workbook(3), SpreadsheetError);

    // Activating a sheet of the other workbook makes that workbook active.
    fresh->workbook(QStringLiteral("Book1.ods"))->activeSheet()->activate();
    EXPECT_EQ(fresh->activeWorkbook()->name(), QStringLiteral("Book1.ods"));
}

TEST_P(SpreadsheetContract, WorksheetsAreCountedAddedActivatedAndRenamed) {
    auto book = app().activeWorkbook();
    ASSERT_EQ(book->worksheetCount(), 1);
    const QString first = book->worksheet(1)->name();

    auto added = book->addWorksheet();
    EXPECT_EQ(book->worksheetCount(), 2);
    EXPECT_EQ(book->activeSheet()->name(), added->name());
    EXPECT_NE(added->name(), first);

    added->setName(QStringLiteral("写真 #1; 100%"));
    EXPECT_EQ(book->activeSheet()->name(), QStringLiteral("写真 #1; 100%"));

    book->worksheet(book->worksheet(1)->name() == first ? 1 : 2)->activate();
    EXPECT_EQ(book->activeSheet()->name(), first);
    EXPECT_THROW(book->worksheet(0), SpreadsheetError);
    EXPECT_THROW(book->worksheet(3), SpreadsheetError);
}

TEST_P(SpreadsheetContract, RefusedSheetNamesFailAndLeaveTheNameAlone) {
    auto book = app().activeWorkbook();
    book->worksheet(1)->setName(QStringLiteral("Photos"));
    auto second = book->addWorksheet();
    const QString before = second->name();
    // Calc's rules: none of []*?:/\, no apostrophe at either end, unique in any case.
    for (const char* refused :
         {"a[1]", "a/b", "what?", "star*", "a:b", "a\\b", "'a", "a'", "Photos", "PHOTOS", ""}) {
        EXPECT_THROW(second->setName(QString::fromLatin1(refused)), SpreadsheetError) << refused;
        EXPECT_EQ(second->name(), before);
    }
    // Long names are taken, and a sheet may take another case of its own name.
    const QString longName(40, QLatin1Char('x'));
    second->setName(longName);
    EXPECT_EQ(second->name(), longName);
    second->setName(longName.toUpper());
    EXPECT_EQ(second->name(), longName.toUpper());
}

TEST_P(SpreadsheetContract, PicturesAreInsertedEmbeddedAtTheirOwnSizeWithNamesOfTheirOwn) {
    world().setColumnWidth(1, 60);
    world().setRowHeight(1, 20);
    EXPECT_EQ(sheet().shapeCount(), 0);

    auto small = sheet().addPicture(smallPhoto(), false, true, 60, 20, 0, 0);
    EXPECT_EQ(sheet().shapeCount(), 1);
    expectNear(480, small->width(), "width of 640 px");
    expectNear(360, small->height(), "height of 480 px");
    expectNear(60, small->left(), "left");
    expectNear(20, small->top(), "top");
    small->setName(QStringLiteral("Picture 2"));

    auto large = sheet().addPicture(largePhoto(), false, true, 10, 15, 0, 0);
    EXPECT_EQ(sheet().shapeCount(), 2);
    expectNear(3000, large->width(), "width of 4000 px");
    expectNear(2250, large->height(), "height of 3000 px");

    auto sized = sheet().addPicture(smallPhoto(), false, true, 0, 0, 120, 45);
    expectNear(120, sized->width(), "given width");
    expectNear(45, sized->height(), "given height");
    EXPECT_EQ(QSet<QString>({small->name(), large->name(), sized->name()}).size(), 3);
}

TEST_P(SpreadsheetContract, PicturesAreRenamedAndFoundByNameAndEvaluateOnlyAnswersShapes) {
    world().addRectangle(QStringLiteral("Frame"), 0, 0, 50, 50);
    auto photo = addSmallPhoto();
    photo->setName(QStringLiteral("ピクチャー_ 2"));
    EXPECT_EQ(photo->name(), QStringLiteral("ピクチャー_ 2"));

    auto found = sheet().picture(QStringLiteral("ピクチャー_ 2"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name(), QStringLiteral("ピクチャー_ 2"));
    found->setLeft(77);
    expectNear(77, photo->left(), "the same picture");

    EXPECT_THROW(sheet().picture(QStringLiteral("ピクチャー_ 3")), SpreadsheetError);
    EXPECT_THROW(sheet().picture(QStringLiteral("Frame")), SpreadsheetError);

    EXPECT_NE(sheet().evaluate(QStringLiteral("ピクチャー_ 2")), nullptr);
    EXPECT_NE(sheet().evaluate(QStringLiteral("Frame")), nullptr);
    EXPECT_EQ(sheet().evaluate(QStringLiteral("ピクチャー_ 3")), nullptr);
    EXPECT_EQ(sheet().shapeCount(), 2);

    // Renamed, it answers to the new name only; an empty name is refused.
    photo->setName(QStringLiteral("renamed"));
    EXPECT_EQ(sheet().picture(QStringLiteral("renamed"))->name(), QStringLiteral("renamed"));
    EXPECT_EQ(sheet().evaluate(QStringLiteral("ピクチャー_ 2")), nullptr);
    EXPECT_THROW(photo->setName(QString()), SpreadsheetError);
    EXPECT_EQ(photo->name(), QStringLiteral("renamed"));
}

TEST_P(SpreadsheetContract, LockedAspectRatioKeepsProportionsAndUnlockedDoesNot) {
    auto photo = addSmallPhoto();
    EXPECT_TRUE(photo->lockAspectRatio());
    photo->setWidth(240);
    expectNear(240, photo->width(), "width");
    expectNear(180, photo->height(), "height follows the width");
    photo->setHeight(90);
    expectNear(120, photo->width(), "width follows the height");

    photo->setLockAspectRatio(false);
    EXPECT_FALSE(photo->lockAspectRatio());
    photo->setWidth(300);
    expectNear(300, photo->width(), "width");
    expectNear(90, photo->height(), "height stays");
    photo->setHeight(50);
    expectNear(300, photo->width(), "width stays");
    expectNear(50, photo->height(), "height");
}

TEST_P(SpreadsheetContract, ScalingIsRelativeToTheOriginalOrToTheCurrentSizeByPositiveFactors) {
    auto photo = sheet().addPicture(smallPhoto(), false, true, 0, 0, 10, 10);
    photo->setLockAspectRatio(false);
    photo->scaleHeight(1, true);
    photo->scaleWidth(1, true);
    expectNear(480, photo->width(), "own width");
    expectNear(360, photo->height(), "own height");

    photo->scaleWidth(0.5f, false);
    expectNear(240, photo->width(), "half the current width");
    expectNear(360, photo->height(), "height untouched");
    photo->scaleHeight(0.25f, true);
    expectNear(90, photo->height(), "a quarter of the own height");
    expectNear(240, photo->width(), "width untouched");

    EXPECT_THROW(photo->scaleWidth(0, true), SpreadsheetError);
    EXPECT_THROW(photo->scaleHeight(-1, false), SpreadsheetError);
    expectNear(240, photo->width(), "width kept");
    expectNear(90, photo->height(), "height kept");
}

TEST_P(SpreadsheetContract, PicturesMoveAbsolutelyAndRelatively) {
    auto photo = addSmallPhoto(10, 20);
    photo->setLeft(100.5);
    photo->setTop(40.25);
    expectNear(100.5, photo->left(), "left");
    expectNear(40.25, photo->top(), "top");
    photo->incrementLeft(12);
    photo->incrementTop(-10.25);
    expectNear(112.5, photo->left(), "moved right");
    expectNear(30, photo->top(), "moved up");
    expectNear(480, photo->width(), "moving keeps the size");
}

TEST_P(SpreadsheetContract, SendToBackPutsThePictureBehindEveryOtherShape) {
    world().addRectangle(QStringLiteral("Back"), 0, 0, 40, 40);
    world().addRectangle(QStringLiteral("Front"), 10, 10, 40, 40);
    auto photo = addSmallPhoto();
    photo->setName(QStringLiteral("Photo"));
    EXPECT_EQ(world().shapeNamesBackToFront(), QStringList({"Back", "Front", "Photo"}));
    photo->sendToBack();
    EXPECT_EQ(world().shapeNamesBackToFront(), QStringList({"Photo", "Back", "Front"}));
}

TEST_P(SpreadsheetContract, FilesThatAreNotPicturesFailAndLeaveTheSheetAsItWas) {
    addSmallPhoto();
    const QString text = QDir(photoDir().path()).filePath(QStringLiteral("notes.jpg"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("this is not a photo\n") > 0);
    file.close();
    for (const QString& bad : {QDir::temp().filePath(QStringLiteral("velmora-missing.jpg")), text,
                               photoDir().path(), QString()}) {
        EXPECT_THROW(sheet().addPicture(bad, false, true, 0, 0, 0, 0), SpreadsheetError)
            << bad.toStdString();
        EXPECT_EQ(sheet().shapeCount(), 1);
    }
    EXPECT_THROW(sheet().addPicture(smallPhoto(), false, true, 0, 0, -5, 10), SpreadsheetError);
    EXPECT_EQ(sheet().shapeCount(), 1);
    addSmallPhoto();
    EXPECT_EQ(sheet().shapeCount(), 2);
}

// Damaged photos: cut short, or scrambled after a sound header. Either the picture goes in
// or the call fails; no dialog holds the office, and the sheet stays consistent.
TEST_P(SpreadsheetContract, DamagedPhotosInsertOrFailWithoutHoldingTheOffice) {
    QFile source(smallPhoto());
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray photo = source.readAll();
    QByteArray scrambled = photo;
    for (qsizetype i = 700; i < scrambled.size() - 2; i += 3) {
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5a);
    }
    const std::pair<const char*, QByteArray> damaged[] = {
        {"header-only.jpg", photo.left(400)},
        {"half.jpg", photo.left(photo.size() / 2)},
        {"scrambled.jpg", scrambled},
    };
    for (const auto& [name, bytes] : damaged) {
        const QString path = QDir(photoDir().path()).filePath(QString::fromLatin1(name));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const int before = sheet().shapeCount();
        bool inserted = true;
        try {
            sheet().addPicture(path, false, true, 0, 0, 0, 0);
        } catch (const SpreadsheetError&) {
            inserted = false;
        }
        EXPECT_EQ(sheet().shapeCount(), before + (inserted ? 1 : 0)) << name;
    }
    addSmallPhoto();
}

TEST_P(SpreadsheetContract, PathsWithBlanksJapaneseAndUrlCharactersAreInserted) {
    for (const QString& name :
         {QStringLiteral("my photo.jpg"), QStringLiteral("写真 その1.jpg"),
          QStringLiteral("no#1.jpg"), QStringLiteral("100% crop.jpg"), QStringLiteral("a;b.jpg")}) {
        const QString path = QDir(photoDir().path()).filePath(name);
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(smallPhoto(), path));
        auto photo = sheet().addPicture(path, false, true, 0, 0, 0, 0);
        expectNear(480, photo->width(), name.toUtf8().constData());
    }
    EXPECT_EQ(sheet().shapeCount(), 5);
}

TEST_P(SpreadsheetContract, VersionReadsAsANumberAndZoomIsSetAndRead) {
    bool numeric = false;
    const double version = app().version().toDouble(&numeric);
    EXPECT_TRUE(numeric) << app().version().toStdString();
    EXPECT_GT(version, 0);

    app().setZoom(75);
    EXPECT_DOUBLE_EQ(app().zoom(), 75);
    app().setZoom(100);
    EXPECT_DOUBLE_EQ(app().zoom(), 100);
}

TEST_P(SpreadsheetContract, ScreenUpdatingSwitchesOffAndOnAroundWork) {
    app().setScreenUpdating(false);
    auto photo = addSmallPhoto(5, 5);
    photo->setWidth(100);
    app().setScreenUpdating(true);
    app().setScreenUpdating(true);
    expectNear(100, sheet().picture(photo->name())->width(), "work done while off stays");
}

TEST_P(SpreadsheetContract, WaitSettingsAreKeptByTheLink) {
    EXPECT_EQ(world().link().waitSettings(), kIdleWaitSettings);
    world().link().setWaitSettings(kPasteWaitSettings);
    EXPECT_EQ(world().link().waitSettings(), kPasteWaitSettings);
    auto attached = world().link().attach();
    EXPECT_EQ(attached->activeWorkbook()->name(), QStringLiteral("Book1.ods"));
    world().link().setWaitSettings(kIdleWaitSettings);
    EXPECT_EQ(world().link().waitSettings(), kIdleWaitSettings);
}

} // namespace velmora::testing
