// The in-memory spreadsheet itself: the engine tests rely on its geometry, its picture
// behaviour and its failure injection being right.

#include "fake_spreadsheet.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

class Fake : public ::testing::Test {
protected:
    Fake() { fake.addWorkbook(QStringLiteral("Book1.ods")); }
    FakeSpreadsheet fake;
};

TEST_F(Fake, CellGeometryInPointsWithCustomSizesAndMerges) {
    fake.setColumnWidth(2, 60);
    fake.setRowHeight(2, 20);
    fake.merge(QStringLiteral("B2:C3"));
    const ApplicationPtr app = fake.attach();
    const RangePtr c4 = app->range(QStringLiteral("c4"));
    EXPECT_EQ(c4->address(), QStringLiteral("$C$4"));
    EXPECT_DOUBLE_EQ(c4->left(), 48 + 60);
    EXPECT_DOUBLE_EQ(c4->top(), 13.5 + 20 + 13.5);
    const RangePtr area = app->range(QStringLiteral("$B$2:$C$3"));
    EXPECT_EQ(area->address(), QStringLiteral("$B$2:$C$3"));
    EXPECT_DOUBLE_EQ(area->width(), 108);
    EXPECT_DOUBLE_EQ(area->height(), 33.5);
    const RangePtr inside = app->cells(3, 3);
    EXPECT_EQ(inside->mergeAreaRows(), 2);
    EXPECT_EQ(inside->mergeAreaColumns(), 2);
    EXPECT_EQ(app->cells(4, 3)->mergeAreaRows(), 1);
    EXPECT_EQ(app->range(QStringLiteral("B3:B3"))->address(), QStringLiteral("$B$3"));
    EXPECT_EQ(app->cells(1, 28)->address(), QStringLiteral("$AB$1"));
}

TEST_F(Fake, AddressesOutsideTheSheetOrMalformedFail) {
    const ApplicationPtr app = fake.attach();
    for (const char* address : {"", "A0", "1A", "A1:B2:C3", "B", "XFE1", "A1048577"}) {
        SCOPED_TRACE(address);
        EXPECT_THROW(app->range(QString::fromLatin1(address)), SpreadsheetError);
    }
    EXPECT_THROW(app->cells(1048577, 1), SpreadsheetError);
    EXPECT_NO_THROW(app->cells(1048576, 16384));
    EXPECT_THROW(app->cells(1, 16385), SpreadsheetError);
}

TEST_F(Fake, SelectingMakesTheTopLeftCellActive) {
    const ApplicationPtr app = fake.attach();
    app->range(QStringLiteral("D5:E9"))->select();
    EXPECT_EQ(app->activeCell()->address(), QStringLiteral("$D$5"));
    fake.addWorkbook(QStringLiteral("Book2.ods"));
    // A range of a sheet that is not active cannot be selected.
    const RangePtr other = app->workbook(QStringLiteral("Book1.ods"))->activeSheet()->range("A1");
    EXPECT_THROW(other->select(), SpreadsheetError);
}

TEST_F(Fake, PicturesKeepProportionsOnlyWhileLocked) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.jpg"));
    QFile(path).open(QIODevice::WriteOnly);
    fake.registerPicture(path, 640, 480);
    const WorksheetPtr sheet = fake.attach()->activeWorkbook()->activeSheet();
    const ShapePtr picture = sheet->addPicture(path, false, true, 10, 20, 30, 40);
    EXPECT_DOUBLE_EQ(picture->width(), 30);
    EXPECT_THROW(sheet->addPicture(path, false, true, 0, 0, -1, 10), SpreadsheetError);
    picture->scaleHeight(1.0f, true);
    picture->scaleWidth(1.0f, true);
    EXPECT_DOUBLE_EQ(picture->width(), 640);
    EXPECT_DOUBLE_EQ(picture->height(), 480);
    EXPECT_TRUE(picture->lockAspectRatio());
    picture->setWidth(320);
    EXPECT_DOUBLE_EQ(picture->height(), 240);
    picture->setLockAspectRatio(false);
    picture->setHeight(100);
    EXPECT_DOUBLE_EQ(picture->width(), 320);
    picture->scaleWidth(0.5f, false);
    EXPECT_DOUBLE_EQ(picture->width(), 160);
    picture->incrementLeft(-3);
    picture->incrementTop(2.5);
    EXPECT_DOUBLE_EQ(picture->left(), 7);
    EXPECT_DOUBLE_EQ(picture->top(), 22.5);
}

TEST_F(Fake, UnregisteredFilesAreReadAsImagesAt96Dpi) {
    QTemporaryDir dir;
    const QString jpeg = dir.filePath(QStringLiteral("real.jpg"));
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(jpeg, "JPG"));
    const QString text = dir.filePath(QStringLiteral("text.jpg"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    const WorksheetPtr sheet = fake.attach()->activeWorkbook()->activeSheet();
    const ShapePtr picture = sheet->addPicture(jpeg, false, true, 0, 0, 0, 0);
    EXPECT_DOUBLE_EQ(picture->width(), 48);
    EXPECT_DOUBLE_EQ(picture->height(), 36);
    EXPECT_THROW(sheet->addPicture(text, false, true, 0, 0, 0, 0), SpreadsheetError);
    EXPECT_THROW(sheet->addPicture(dir.filePath("none.jpg"), false, true, 0, 0, 0, 0),
                 SpreadsheetError);
    EXPECT_EQ(sheet->shapeCount(), 1);
}

TEST_F(Fake, ShapesByNameAndStackingOrder) {
    fake.addRectangle(QStringLiteral("A"), 0, 0, 1, 1);
    fake.addRectangle(QStringLiteral("B"), 0, 0, 1, 1);
    const WorksheetPtr sheet = fake.attach()->activeWorkbook()->activeSheet();
    EXPECT_NE(sheet->evaluate(QStringLiteral("B")), nullptr);
    EXPECT_EQ(sheet->evaluate(QStringLiteral("C")), nullptr);
    EXPECT_THROW(sheet->picture(QStringLiteral("B")), SpreadsheetError); // not a picture
    sheet->evaluate(QStringLiteral("B"))->sendToBack();
    EXPECT_EQ(fake.shapeNamesBackToFront(), (QStringList{"B", "A"}));
}

TEST_F(Fake, SheetNamesTheApplicationRefuses) {
    fake.addSheet(QStringLiteral("Taken"));
    const WorkbookPtr book = fake.attach()->activeWorkbook();
    const WorksheetPtr sheet = book->addWorksheet();
    EXPECT_EQ(book->worksheetCount(), 3);
    EXPECT_EQ(book->activeSheet()->name(), sheet->name());
    for (const QString& name :
         {QString(), QStringLiteral("a[b"), QStringLiteral("a]"), QStringLiteral("a*"),
          QStringLiteral("a?"), QStringLiteral("a:b"), QStringLiteral("a/b"),
          QStringLiteral("a\\b"), QStringLiteral("'a"), QStringLiteral("TAKEN")}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_THROW(sheet->setName(name), SpreadsheetError);
    }
    // Calc has no length limit.
    sheet->setName(QString(40, QLatin1Char('x')));
    EXPECT_EQ(book->worksheet(3)->name(), QString(40, QLatin1Char('x')));
}

TEST_F(Fake, FailureInjectionAndCallLog) {
    const ApplicationPtr app = fake.attach();
    fake.clearCalls();
    fake.failCall(QStringLiteral("Application.version"), 2);
    EXPECT_NO_THROW(app->version());
    EXPECT_THROW(app->version(), SpreadsheetError);
    EXPECT_NO_THROW(app->version());
    fake.failFrom(QStringLiteral("Application.zoom"), 1);
    EXPECT_THROW(app->zoom(), SpreadsheetError);
    EXPECT_THROW(app->zoom(), SpreadsheetError);
    EXPECT_EQ(fake.callCount(QStringLiteral("Application.version")), 3);
    fake.clearFailures();
    fake.failOverallCall(7);
    EXPECT_NO_THROW(app->workbookCount()); // call 6
    EXPECT_THROW(app->workbookCount(), SpreadsheetError);
    EXPECT_NO_THROW(app->workbookCount());
    EXPECT_EQ(fake.calls.size(), 8);
}

TEST_F(Fake, QuittingInvalidatesEveryObjectAndAttachFails) {
    const ApplicationPtr app = fake.attach();
    const WorkbookPtr book = app->activeWorkbook();
    EXPECT_EQ(fake.liveObjects(), 2);
    fake.setRunning(false);
    EXPECT_THROW(fake.attach(), SpreadsheetError);
    fake.setRunning(true);
    EXPECT_THROW(book->name(), SpreadsheetError);
    EXPECT_THROW(app->setScreenUpdating(true), SpreadsheetError);
    EXPECT_NO_THROW(fake.attach()->activeWorkbook()->name());
}

TEST_F(Fake, ClosedWorkbookObjectsFail) {
    const ApplicationPtr app = fake.attach();
    const WorksheetPtr sheet = app->workbook(QStringLiteral("Book1.ods"))->activeSheet();
    fake.closeAllWorkbooks();
    EXPECT_THROW(sheet->shapeCount(), SpreadsheetError);
    EXPECT_THROW(app->workbook(QStringLiteral("Book1.ods")), SpreadsheetError);
    EXPECT_THROW(app->activeCell(), SpreadsheetError);
}

} // namespace
} // namespace velmora::testing
