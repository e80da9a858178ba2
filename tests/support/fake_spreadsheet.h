#pragma once

// An in-memory spreadsheet application: exact cell geometry in points, merged areas,
// workbooks and sheets, shapes with names and stacking order, version, zoom, screen
// updating and wait settings, a call log and failure injection on any operation.
//
// Operations are logged as "Class.method" with the interface's method names, for example
// "Application.activeCell", "Worksheet.addPicture", "Shape.setWidth", "Link.attach".
// Test setup through the SpreadsheetWorld interface and the helpers below is not logged
// and never fails by injection.

#include "spreadsheet.h"
#include "spreadsheet_world.h"

#include <QHash>
#include <QPointF>
#include <QSizeF>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace velmora::testing {

struct FakeShapeData {
    QString name;
    bool isPicture = false;
    QString fileName;
    bool linkedToFile = false;
    bool savedWithDocument = true;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    double originalWidth = 0;
    double originalHeight = 0;
    bool lockAspectRatio = false;
};

struct FakeMerge {
    int row;
    int column;
    int rows;
    int columns;
};

struct FakeBookData;

struct FakeSheetData {
    QString name;
    std::weak_ptr<FakeBookData> book;
    std::map<int, double> columnWidths;
    std::map<int, double> rowHeights;
    std::vector<FakeMerge> merges;
    std::vector<std::shared_ptr<FakeShapeData>> shapes; // back to front
    int activeRow = 1;
    int activeColumn = 1;
    std::weak_ptr<FakeShapeData> selectedShape;
};

struct FakeBookData {
    QString name;
    std::vector<std::shared_ptr<FakeSheetData>> sheets;
    std::weak_ptr<FakeSheetData> activeSheet;
    bool open = true;
};

class FakeSpreadsheet : public ExcelLink, public SpreadsheetWorld {
public:
    FakeSpreadsheet() = default;
    FakeSpreadsheet(const FakeSpreadsheet&) = delete;
    FakeSpreadsheet& operator=(const FakeSpreadsheet&) = delete;

    // ExcelLink
    ApplicationPtr attach() override;
    void setWaitSettings(const WaitSettings& settings) override;
    WaitSettings waitSettings() const override { return waitSettings_; }

    // SpreadsheetWorld
    ExcelLink& link() override { return *this; }
    void addWorkbook(const QString& name) override;
    void closeAllWorkbooks() override;
    void setColumnWidth(int column, double points) override;
    void setRowHeight(int row, double points) override;
    void merge(const QString& address) override;
    void addRectangle(const QString& name, double left, double top, double width,
                      double height) override;
    QStringList shapeNamesBackToFront() override;

    // The application as a whole. Quitting invalidates every object handed out so far,
    // also after a later start.
    void setRunning(bool running);

    QString version = QStringLiteral("16.0");
    double zoom = 100;
    bool screenUpdating = true;
    std::vector<bool> screenUpdatingHistory; // every value set through the interface
    std::vector<double> zoomHistory;
    std::vector<WaitSettings> waitSettingsHistory;
    double defaultColumnWidth = 48;
    double defaultRowHeight = 13.5;
    int maxRows = 1048576;
    int maxColumns = 16384; // XFD, as in Calc 7.4 and Excel
    // Added to the position AddPicture is given, as an old version placed pictures off
    // their cell when the window was zoomed.
    QPointF insertionDrift;

    // Original size in points of the picture file at `path` (the file must still exist).
    // Files not registered are read as images at 96 dpi; anything unreadable fails.
    void registerPicture(const QString& path, double width, double height);

    // More setup and inspection (not logged).
    void closeWorkbook(const QString& name);
    // Makes the top-left cell of `address` the active cell of the active sheet.
    void selectCell(const QString& address);
    void addSheet(const QString& name); // to the active workbook, not activated
    // An open workbook by name in any case (as Workbooks(name) finds it), or nullptr.
    std::shared_ptr<FakeBookData> book(const QString& name);
    std::shared_ptr<FakeBookData> activeBook() { return activeBook_.lock(); }
    FakeSheetData* activeSheet();
    // Pictures of the active sheet, back to front.
    std::vector<FakeShapeData> pictures();
    // Live handles to application and workbook objects handed out through the interface.
    int liveObjects() const;

    // Call log.
    QStringList calls;
    int callCount(const QString& operation) const;
    void clearCalls();

    // Failure injection; `nth` counts calls of that operation from 1 (since clearCalls).
    void failCall(const QString& operation, int nth = 1);
    // The nth logged call whatever its operation, or every call from the nth on.
    void failOverallCall(int nth);
    void failEveryCallFrom(int nth);
    // Runs `action` just before the nth call of `operation` goes ahead (or fails).
    void beforeCall(const QString& operation, int nth, std::function<void()> action);

    // Used by the object implementations.
    void enter(const QString& operation, int generation);
    void track(const std::shared_ptr<void>& object);
    const std::vector<std::shared_ptr<FakeBookData>>& books() const { return books_; }
    void setActiveBook(const std::shared_ptr<FakeBookData>& book) { activeBook_ = book; }
    QSizeF pictureSize(const QString& path) const;

private:
    struct Rule {
        QString operation; // empty: any
        int from;
        int to;
    };
    struct Hook {
        QString operation;
        int nth;
        std::function<void()> action;
    };

    bool running_ = true;
    int generation_ = 0;
    WaitSettings waitSettings_ = kIdleWaitSettings;
    std::vector<std::shared_ptr<FakeBookData>> books_;
    std::weak_ptr<FakeBookData> activeBook_;
    QHash<QString, QSizeF> pictureSizes_;
    QHash<QString, int> counts_;
    std::vector<Rule> rules_;
    std::vector<Hook> hooks_;
    std::vector<std::weak_ptr<void>> tracked_;
};

} // namespace velmora::testing
