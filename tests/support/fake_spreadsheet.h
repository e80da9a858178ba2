#pragma once

// An in-memory spreadsheet application that behaves as Calc does where the engine can tell
// (tests/calc compares the two): cell geometry in points, merged areas, workbooks and sheets,
// shapes with names and stacking order, version, zoom, screen updating and wait settings, and
// a failure injectable at any call. Calls through the interface are logged as "Class.method"
// ("Worksheet.addPicture"); setup and inspection through the members below are not.

#include "spreadsheet.h"
#include "spreadsheet_world.h"

#include <QHash>
#include <QPointF>
#include <QRect>
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
    double left = 0, top = 0, width = 0, height = 0, originalWidth = 0, originalHeight = 0;
    bool lockAspectRatio = true;
};

struct FakeSheetData {
    QString name;
    std::map<int, double> columnWidths, rowHeights;
    std::vector<QRect> merges;                          // x: column, y: row
    std::vector<std::shared_ptr<FakeShapeData>> shapes; // back to front
    int activeRow = 1, activeColumn = 1;
    std::weak_ptr<FakeShapeData> selected;
};

struct FakeBookData {
    QString name;
    std::vector<std::shared_ptr<FakeSheetData>> sheets;
    std::shared_ptr<FakeSheetData> activeSheet;
    bool open = true;
};

class FakeSpreadsheet : public ExcelLink, public SpreadsheetWorld {
public:
    ApplicationPtr attach() override;
    void setWaitSettings(const WaitSettings& settings) override { waitSettings_ = settings; }
    WaitSettings waitSettings() const override { return waitSettings_; }

    ExcelLink& link() override { return *this; }
    void addWorkbook(const QString& name) override;
    void closeAllWorkbooks() override;
    void setColumnWidth(int column, double points) override;
    void setRowHeight(int row, double points) override;
    void merge(const QString& address) override;
    void addRectangle(const QString& name, double left, double top, double width,
                      double height) override;
    QStringList shapeNamesBackToFront() override;

    void setRunning(bool running) { running_ = running; }
    void closeWorkbook(const QString& name);
    // The top-left cell of `address` becomes the active sheet's active cell.
    void selectCell(const QString& address);
    // The file at `path`, even an empty one, reads as a picture of this size in points; others
    // are read as images at 96 dpi.
    void registerPicture(const QString& path, double width, double height);

    std::shared_ptr<FakeBookData> book(const QString& name) const; // in any case
    std::shared_ptr<FakeBookData> activeBook() const { return activeBook_; }
    FakeSheetData* activeSheet() const {
        return activeBook_ ? activeBook_->activeSheet.get() : nullptr;
    }
    std::vector<FakeShapeData> pictures() const; // of the active sheet, back to front
    // Application and workbook objects handed out and still held.
    int liveObjects() const;

    QString version = QStringLiteral("16.0");
    double zoom = 100;
    bool screenUpdating = true;
    // Added to a position set while the zoom is not 100 %, as version 12 put pictures off
    // their cell in a zoomed window.
    QPointF zoomedDrift;

    QStringList calls;
    // Calls from..to fail (counted over all calls, or over those of `operation` if given).
    void failCalls(int from, int to, const QString& operation = {});
    // Runs `action` just before the nth call of `operation`.
    void beforeCall(const QString& operation, int nth, std::function<void()> action);

    // For the objects handed out.
    void enter(const char* operation);
    void setActiveBook(const std::shared_ptr<FakeBookData>& book) { activeBook_ = book; }
    const std::vector<std::shared_ptr<FakeBookData>>& books() const { return books_; }
    QSizeF pictureSize(const QString& path) const;
    template <class T> std::shared_ptr<T> handOut(std::shared_ptr<T> object) {
        handedOut_.push_back(object);
        return object;
    }

private:
    struct Rule {
        QString operation;
        int from, to;
    };
    struct Hook {
        QString operation;
        int nth;
        std::function<void()> action;
    };
    bool running_ = true;
    WaitSettings waitSettings_ = kIdleWaitSettings;
    std::vector<std::shared_ptr<FakeBookData>> books_;
    std::shared_ptr<FakeBookData> activeBook_;
    QHash<QString, QSizeF> pictureSizes_;
    QHash<QString, int> counts_;
    std::vector<Rule> rules_;
    std::vector<Hook> hooks_;
    std::vector<std::weak_ptr<void>> handedOut_;
};

} // namespace velmora::testing
