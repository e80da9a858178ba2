#pragma once

// One suite of interface tests that every spreadsheet implementation must pass.

#include "spreadsheet_world.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace velmora::testing {

struct WorldFactory {
    std::string name;
    std::function<std::unique_ptr<SpreadsheetWorld>()> make;
};

inline void PrintTo(const WorldFactory& factory, std::ostream* os) {
    *os << factory.name;
}

inline std::string worldName(const ::testing::TestParamInfo<WorldFactory>& info) {
    return info.param.name;
}

class SpreadsheetContract : public ::testing::TestWithParam<WorldFactory> {
protected:
    void SetUp() override;

    // A fresh world with one workbook "Book1.ods" attached.
    SpreadsheetWorld& world() { return *world_; }
    Application& app() { return *app_; }
    Worksheet& sheet() { return *sheet_; }
    // 640 x 480 and 4000 x 3000 pixel JPEGs at 96 dpi.
    static QString smallPhoto();
    static QString largePhoto();

    ShapePtr addSmallPhoto(double left = 0, double top = 0);

private:
    std::unique_ptr<SpreadsheetWorld> world_;
    ApplicationPtr app_;
    WorksheetPtr sheet_;
};

} // namespace velmora::testing
