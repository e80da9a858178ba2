// What the engine's tests rely on in the in-memory spreadsheet beyond the interface suite it
// shares with Calc (tests/calc, run on the fake as a unit test): objects that die with the
// application or their workbook, and ranges selected only on the active sheet.

#include "fake_spreadsheet.h"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

TEST(FakeSpreadsheet, ObjectsDieWithTheApplicationOrTheirWorkbook) {
    FakeSpreadsheet fake;
    fake.addWorkbook(QStringLiteral("Book1.ods"));
    const ApplicationPtr app = fake.attach();
    const WorkbookPtr book = app->activeWorkbook();
    const RangePtr a1 = book->activeSheet()->range(QStringLiteral("A1"));
    EXPECT_EQ(fake.liveObjects(), 2);
    fake.addWorkbook(QStringLiteral("Book2.ods"));
    EXPECT_THROW(a1->select(), SpreadsheetError);

    fake.setRunning(false);
    EXPECT_THROW(fake.attach(), SpreadsheetError);
    fake.setRunning(true);
    EXPECT_THROW(book->name(), SpreadsheetError);
    EXPECT_THROW(app->setScreenUpdating(true), SpreadsheetError);

    const ApplicationPtr again = fake.attach();
    const WorksheetPtr sheet = again->workbook(QStringLiteral("Book1.ods"))->activeSheet();
    fake.closeAllWorkbooks();
    EXPECT_THROW(sheet->shapeCount(), SpreadsheetError);
    EXPECT_THROW(again->activeCell(), SpreadsheetError);
}

} // namespace
} // namespace velmora::testing
