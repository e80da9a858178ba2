#include "fake_spreadsheet.h"

namespace velmora::testing {

// The in-memory world: a new spreadsheet application for every test.
SpreadsheetWorld& freshWorld() {
    static std::unique_ptr<FakeSpreadsheet> fake;
    fake = std::make_unique<FakeSpreadsheet>();
    return *fake;
}

} // namespace velmora::testing
