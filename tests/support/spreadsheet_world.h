#pragma once

// Prepares a spreadsheet application for a test, whichever implementation stands behind
// it (the in-memory fake or a real office), so that one suite can pin both.

#include "spreadsheet.h"

#include <QString>

namespace velmora::testing {

class SpreadsheetWorld {
public:
    virtual ~SpreadsheetWorld() = default;

    virtual ExcelLink& link() = 0;

    // A new empty workbook called `name` (for example "Book1.ods") with one worksheet; it
    // becomes the active workbook, its first cell A1 the active cell.
    virtual void addWorkbook(const QString& name) = 0;
    // Closes every open workbook without saving.
    virtual void closeAllWorkbooks() = 0;
    // On the active sheet of the active workbook.
    virtual void setColumnWidth(int column, double points) = 0;
    virtual void setRowHeight(int row, double points) = 0;
    virtual void merge(const QString& address) = 0;
    // A plain shape that is not a picture (a rectangle), named `name`.
    virtual void addRectangle(const QString& name, double left, double top, double width,
                              double height) = 0;
    // Names of the active sheet's shapes from back to front.
    virtual QStringList shapeNamesBackToFront() = 0;
};

} // namespace velmora::testing
