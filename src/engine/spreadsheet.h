#pragma once

// The spreadsheet application as the placement engine sees it: shaped like the
// automation object model (application, workbook, worksheet, range, picture).
// Sizes and positions are in points. Every failing operation throws SpreadsheetError.

#include <QString>

#include <memory>
#include <stdexcept>

namespace velmora {

class UserInteraction;

// The one error type of the engine and the Calc link: whatever fails below the windows (a
// call to the application, a text that is no number, a folder listing) throws this or a type
// derived from it, and nothing else. Its message is English and for developers only: a paste
// catches every failure at its run's boundary and shows the user its one Japanese message,
// never what().
class SpreadsheetError : public std::runtime_error {
public:
    explicit SpreadsheetError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

class Range;
class Shape;
class Worksheet;
class Workbook;
class Application;
using RangePtr = std::shared_ptr<Range>;
using ShapePtr = std::shared_ptr<Shape>;
using WorksheetPtr = std::shared_ptr<Worksheet>;
using WorkbookPtr = std::shared_ptr<Workbook>;
using ApplicationPtr = std::shared_ptr<Application>;

class Range {
public:
    virtual ~Range() = default;
    // Absolute address of the whole range: "$B$3" for one cell, "$B$3:$C$4" for several.
    virtual QString address() = 0;
    // Row and column of the top-left cell, from 1.
    virtual int row() = 0;
    virtual int column() = 0;
    // MergeArea.Rows.Count and MergeArea.Columns.Count of the top-left cell (1 and 1 unmerged).
    virtual int mergeAreaRows() = 0;
    virtual int mergeAreaColumns() = 0;
    virtual double left() = 0;
    virtual double top() = 0;
    virtual double width() = 0;
    virtual double height() = 0;
    // The range's top-left cell becomes the active cell.
    virtual void select() = 0;
};

class Shape {
public:
    virtual ~Shape() = default;
    virtual QString name() = 0;
    virtual void setName(const QString& name) = 0;
    virtual void select() = 0;
    // ScaleHeight / ScaleWidth: factor applied to the original size (relativeToOriginal)
    // or to the current size.
    virtual void scaleHeight(float factor, bool relativeToOriginal) = 0;
    virtual void scaleWidth(float factor, bool relativeToOriginal) = 0;
    virtual bool lockAspectRatio() = 0;
    // With the lock on, setting the width or the height changes the other in proportion.
    virtual void setLockAspectRatio(bool locked) = 0;
    virtual double width() = 0;
    virtual void setWidth(double points) = 0;
    virtual double height() = 0;
    virtual void setHeight(double points) = 0;
    virtual double left() = 0;
    virtual void setLeft(double points) = 0;
    virtual double top() = 0;
    virtual void setTop(double points) = 0;
    // Relative moves, positive right and down.
    virtual void incrementLeft(double points) = 0;
    virtual void incrementTop(double points) = 0;
    // ZOrder(1): behind every other shape of the sheet.
    virtual void sendToBack() = 0;
};

class Worksheet {
public:
    virtual ~Worksheet() = default;
    virtual void activate() = 0;
    virtual QString name() = 0;
    // Fails when the application refuses the name.
    virtual void setName(const QString& name) = 0;
    virtual RangePtr range(const QString& address) = 0;
    virtual int shapeCount() = 0;
    // Shapes.AddPicture: embeds the file (never linked when linkToFile is false).
    // Width and height 0 insert at the picture's own size.
    virtual ShapePtr addPicture(const QString& fileName, bool linkToFile, bool saveWithDocument,
                                double left, double top, double width, double height) = 0;
    // Evaluate(name): the shape of that name, or nullptr when there is none.
    virtual ShapePtr evaluate(const QString& name) = 0;
};

class Workbook {
public:
    virtual ~Workbook() = default;
    virtual QString name() = 0;
    virtual WorksheetPtr activeSheet() = 0;
    virtual int worksheetCount() = 0;
    // Index from 1.
    virtual WorksheetPtr worksheet(int index) = 0;
    // Worksheets.Add: a new sheet, which becomes the active sheet.
    virtual WorksheetPtr addWorksheet() = 0;
};

class Application {
public:
    virtual ~Application() = default;
    virtual RangePtr activeCell() = 0;
    virtual int workbookCount() = 0;
    // Index from 1.
    virtual WorkbookPtr workbook(int index) = 0;
    // Fails when no open workbook has that name.
    virtual WorkbookPtr workbook(const QString& name) = 0;
    virtual WorkbookPtr activeWorkbook() = 0;
    virtual void setScreenUpdating(bool on) = 0;
    virtual QString version() = 0;
    virtual double zoom() = 0;
    virtual void setZoom(double percent) = 0;
};

// The process's call policy towards the application (busy raises an error, and how long
// an accepted call may run before it is given up).
struct WaitSettings {
    bool busyRaisesError = false;
    int pendingTimeoutMs = 5000;
    friend bool operator==(const WaitSettings&, const WaitSettings&) = default;
};
inline constexpr WaitSettings kIdleWaitSettings{false, 5000};
inline constexpr WaitSettings kPasteWaitSettings{true, 600000};

// Attaching to the user's running spreadsheet application. Never starts one.
class ExcelLink {
public:
    virtual ~ExcelLink() = default;
    // Throws SpreadsheetError when none runs (any attach failure counts as "not running").
    virtual ApplicationPtr attach() = 0;
    virtual void setWaitSettings(const WaitSettings& settings) = 0;
    virtual WaitSettings waitSettings() const = 0;
    // Asked, by UserInteraction::officeNotAnswering, whether to wait on when a call goes long
    // without an answer; nullptr: the call waits as its wait setting allows.
    virtual void setInteraction(UserInteraction* interaction) { (void)interaction; }
    // Reads, on any thread, what the link needs of a picture file it will soon be asked to
    // insert, so that the insert need not read it again.
    virtual void readAhead(const QString& fileName) { (void)fileName; }
};

} // namespace velmora
