#pragma once

// Direct control of an office over its pipe, beside the link: preparing documents and reading
// back what the link did. Used by tests and benchmarks; no UNO header is seen from here.

#include "spreadsheet.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace velmora {

struct CalcShapeInfo {
    QString name;
    bool picture = false;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    // "$B$3" of the anchor cell, empty when anchored to the page.
    QString anchorCell;
};

class CalcAdmin {
public:
    // Throws SpreadsheetError when nothing answers on the pipe. A connection that was lost or
    // given up is opened again on the next use.
    explicit CalcAdmin(const QString& pipeName, int timeoutMs = 60000);
    ~CalcAdmin();
    CalcAdmin(const CalcAdmin&) = delete;
    CalcAdmin& operator=(const CalcAdmin&) = delete;

    // A new visible spreadsheet stored at `path` (its workbook name is the file name); it
    // becomes the active workbook with A1 selected.
    void createWorkbook(const QString& path);
    void closeAllWorkbooks();
    QStringList workbookNames();

    // Workbook by name, empty for the active one; its active sheet.
    void setColumnWidth(const QString& workbook, int column, double points);
    void setRowHeight(const QString& workbook, int row, double points);
    void merge(const QString& workbook, const QString& address);
    void select(const QString& workbook, const QString& address);
    // Selects `address` with the cell cursor on `cursorCell`, as a drag that starts there.
    void selectWithCursor(const QString& workbook, const QString& address,
                          const QString& cursorCell);
    void selectShape(const QString& workbook, const QString& name);
    void setCellText(const QString& workbook, const QString& address, const QString& text);
    QString cellText(const QString& workbook, const QString& address);
    void addRectangle(const QString& workbook, const QString& name, double left, double top,
                      double width, double height);
    // Back to front.
    QList<CalcShapeInfo> shapes(const QString& workbook);
    QStringList sheetNames(const QString& workbook);

    // Names of the shapes the view has selected (none when cells are).
    QStringList selectedShapeNames(const QString& workbook);
    bool controllersLocked(const QString& workbook);
    QStringList undoTitles(const QString& workbook);
    void undo(const QString& workbook);
    // What a client killed mid-run leaves: locked controllers and an open undo context.
    void simulateAbandonedRun(const QString& workbook);
    // Another program's work in progress: a lock and, unless `undoContext` is empty, an open
    // undo context of that title.
    void beginForeignWork(const QString& workbook, const QString& undoContext);
    void endForeignWork(const QString& workbook, bool undoContext);
    bool inUndoContext(const QString& workbook);

    // The process that listens on the pipe (the office's soffice.bin), 0 when unknown.
    qint64 officePid();
    // Lets go of the connection now (the next use opens another), so that this admin keeps
    // no connection of the program alive.
    void disconnect();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velmora
