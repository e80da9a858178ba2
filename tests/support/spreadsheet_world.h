#pragma once

// The spreadsheet application a test runs against: in memory, or a private office. A test source
// written against this is built twice (velmora_world_test in tests/CMakeLists.txt), so the same
// tables check the engine and the windows on the fake and, through the Calc link, on Calc.
// Preparing and reading back go around the link; they act on the active sheet of the named (or
// the active) workbook.

#include "spreadsheet.h"
#include "test_photos.h"

#include <QList>
#include <QStringList>

namespace velmora::testing {

class FakeSpreadsheet;

struct ShapeInfo {
    QString name;
    double left = 0, top = 0, width = 0, height = 0;
    QString anchor; // the cell it moves with, "$B$3"; empty in memory, where nothing moves
};

class SpreadsheetWorld {
public:
    virtual ~SpreadsheetWorld() = default;
    virtual ExcelLink& link() = 0;
    // A new empty workbook, now the active one: one sheet, A1 active, columns 48 pt wide and
    // rows 13.5 pt high.
    virtual void addWorkbook(const QString& name) = 0;
    virtual void setRowHeight(int row, double points) = 0;
    virtual void merge(const QString& address) = 0;
    // As the user clicks: `address` selected with the cell cursor on `cursor` (a drag started
    // there; by default its first cell), or the shape of that name.
    virtual void select(const QString& address, const QString& cursor = {}) = 0;
    virtual void selectShape(const QString& name) = 0;
    virtual void addRectangle(const QString& name, double left, double top) = 0;
    virtual QList<ShapeInfo> shapes(const QString& book = {}) = 0; // back to front
    virtual QStringList sheetNames(const QString& book = {}) = 0;
    virtual QString selectedShape() = 0;
    // False while any workbook has screen updating off.
    virtual bool screenUpdating() = 0;
    // What only the in-memory one can do (failure injection, other versions); none in an office.
    virtual FakeSpreadsheet* fake() { return nullptr; }
};

// The world of this test program, with no workbook open and the idle wait settings.
SpreadsheetWorld& freshWorld();

} // namespace velmora::testing
