#pragma once

// Prepares a spreadsheet application for a test, in memory or in a real office, so that one
// suite can pin both. Setters act on the active sheet of the active workbook.

#include "spreadsheet.h"

#include <QStringList>

namespace velmora::testing {

class SpreadsheetWorld {
public:
    virtual ~SpreadsheetWorld() = default;
    virtual ExcelLink& link() = 0;
    // A new empty workbook with one sheet; it becomes active, with A1 the active cell.
    virtual void addWorkbook(const QString& name) = 0;
    virtual void closeAllWorkbooks() = 0;
    virtual void setColumnWidth(int column, double points) = 0;
    virtual void setRowHeight(int row, double points) = 0;
    virtual void merge(const QString& address) = 0;
    virtual void addRectangle(const QString& name, double left, double top, double width,
                              double height) = 0;
    virtual QStringList shapeNamesBackToFront() = 0;
};

// "$AB$7" for column 28, row 7.
inline QString cellAddress(int column, int row) {
    QString letters;
    for (; column > 0; column = (column - 1) / 26) {
        letters.prepend(QChar('A' + (column - 1) % 26));
    }
    return QStringLiteral("$%1$%2").arg(letters).arg(row);
}

} // namespace velmora::testing
