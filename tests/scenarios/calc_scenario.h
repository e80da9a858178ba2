#pragma once

// The real main window against a private headless office: settings come from a temporary
// store and the settings window, photos are dropped or pasted as a user would, and what
// landed in the document is read back from Calc.

#include "calc_admin.h"
#include "form1.h"
#include "office_fixture.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "synthetic_drop.h"
#include "temp_store.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <utility>

// Readable failures: gtest prints a QString as UTF-16 code units otherwise.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace velmora {
class Form2;
}

namespace velmora::testing {

// Calc rounds geometry through twips and 1/100 mm.
inline constexpr double kCalcTolerance = 0.05;

// "$C$4" for column 3, row 4.
QString cellName(int column, int row);

// Column widths and row heights a test sets from A1 on, and the cell areas they give.
class SheetGrid {
public:
    SheetGrid(QList<double> columnWidths, QList<double> rowHeights);

    void applyTo(CalcAdmin& admin, const QString& workbook = {}) const;

    double left(int column) const;
    double top(int row) const;
    double width(int column, int columns = 1) const;
    double height(int row, int rows = 1) const;
    // The cell whose area holds the point; the grid must reach that far.
    QString cellAt(double x, double y) const;

private:
    QList<double> columns_;
    QList<double> rows_;
};

// Where a picture should be, in points.
struct Placement {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

class CalcScenario : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static OfficeProcess& office() { return sharedOffice(); }
    static CalcAdmin& admin() { return office().admin(); }

    // Stores the settings by name before start().
    void save(std::initializer_list<std::pair<const char*, const char*>> settings);
    // The main window on the stored settings, started as the program starts it.
    Form1& start();
    // Edits the settings window and confirms it with 決定ボタン.
    void commitSettings(const std::function<void(Form2&)>& edit);
    // A photo in the office's work directory.
    QString photo(const QString& name, int widthPx, int heightPx);

    static void expectPicture(const CalcShapeInfo& shape, const QString& name,
                              const Placement& expected, const QString& anchorCell);

    TempStore tempStore;
    SettingsStore store;
    RecordingInteraction ui;
    std::unique_ptr<ExcelLink> link;
    std::unique_ptr<Form1> form;
};

} // namespace velmora::testing
