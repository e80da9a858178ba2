#include "fake_spreadsheet.h"
#include "spreadsheet_contract.h"

namespace velmora::testing {

// The engine's tests run on the fake; it must show every effect Calc shows.
INSTANTIATE_TEST_SUITE_P(Fake, SpreadsheetContract,
                         ::testing::Values(WorldFactory{
                             "fake",
                             [] {
                                 return std::make_unique<FakeSpreadsheet>();
                             }}),
                         worldName);

} // namespace velmora::testing
