#include "office_fixture.h"
#include "spreadsheet_contract.h"

namespace velmora::testing {

INSTANTIATE_TEST_SUITE_P(Calc, SpreadsheetContract,
                         ::testing::Values(WorldFactory{"calc",
                                                        [] {
                                                            return std::make_unique<CalcWorld>(
                                                                sharedOffice());
                                                        }}),
                         worldName);

} // namespace velmora::testing
