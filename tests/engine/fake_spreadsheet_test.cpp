// The in-memory spreadsheet's own behaviour that the engine tests rely on and the interface suite
// shared with Calc (tests/calc, run on the fake as a unit test) does not reach: address
// spellings, merge areas seen from inside, Calc's sheet-name rules, failure injection, and
// objects that die with the application or their workbook.

#include "fake_spreadsheet.h"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

class Fake : public ::testing::Test {
protected:
    Fake() { fake.addWorkbook(QStringLiteral("Book1.ods")); }
    FakeSpreadsheet fake;
};

TEST_F(Fake, AddressSpellingsAndMergeAreasFromInside) {
    fake.merge(QStringLiteral("B2:C3"));
    const ApplicationPtr app = fake.attach();
    EXPECT_EQ(app->range(QStringLiteral("c4"))->address(), QStringLiteral("$C$4"));
    EXPECT_EQ(app->range(QStringLiteral("B3:B3"))->address(), QStringLiteral("$B$3"));
    EXPECT_EQ(app->cells(3, 3)->mergeAreaRows(), 2);
    EXPECT_EQ(app->cells(3, 3)->mergeAreaColumns(), 2);
    EXPECT_EQ(app->cells(4, 3)->mergeAreaRows(), 1);
    for (const char* address : {"A0", "1A", "A1:B2:C3", "B"}) {
        EXPECT_THROW(app->range(QString::fromLatin1(address)), SpreadsheetError) << address;
    }
}

TEST_F(Fake, OnlyARangeOfTheActiveSheetCanBeSelected) {
    const ApplicationPtr app = fake.attach();
    const RangePtr a1 = app->workbook(QStringLiteral("Book1.ods"))->activeSheet()->range("A1");
    fake.addWorkbook(QStringLiteral("Book2.ods"));
    EXPECT_THROW(a1->select(), SpreadsheetError);
}

TEST_F(Fake, SheetNamesCalcRefuses) {
    const WorksheetPtr sheet = fake.attach()->activeWorkbook()->addWorksheet();
    for (const char* name : {"a]", "a:b", "a\\b", "'a", "a'"}) {
        EXPECT_THROW(sheet->setName(QString::fromLatin1(name)), SpreadsheetError) << name;
    }
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
