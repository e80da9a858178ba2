#include "calc_objects.h"

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRange.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XCellCursor.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/view/DocumentZoomType.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace velmora::calc {

using css::uno::Any;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using css::uno::UNO_SET_THROW;

namespace {

QString nameOf(const Reference<css::uno::XInterface>& object) {
    return toQ(Reference<css::container::XNamed>(object, UNO_QUERY_THROW)->getName());
}

css::table::CellRangeAddress addressOf(const Reference<css::uno::XInterface>& range) {
    return Reference<css::sheet::XCellRangeAddressable>(range, UNO_QUERY_THROW)->getRangeAddress();
}

QString columnLetters(int column0) {
    QString letters;
    for (int n = column0 + 1; n > 0; n = (n - 1) / 26) {
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    }
    return letters;
}

// Asked of the shape itself: another of its interfaces would cost a round trip to find and
// one to let go.
bool isPicture(const Reference<css::drawing::XShape>& shape) {
    return shape->getShapeType() == "com.sun.star.drawing.GraphicObjectShape";
}

void requireSize(double points, const char* what) {
    if (!std::isfinite(points) || points < 0) {
        throw SpreadsheetError(QStringLiteral("%1 of %2 pt is not allowed").arg(what).arg(points));
    }
}

// Whether the view has cells selected (not pictures or other shapes).
bool cellsSelected(const Reference<css::view::XSelectionSupplier>& selection) {
    const Any selected = selection->getSelection();
    return Reference<css::sheet::XCellRangeAddressable>(selected, UNO_QUERY).is() ||
           Reference<css::sheet::XSheetCellRanges>(selected, UNO_QUERY).is();
}

// What a view tells of itself in its data, read in one call: the sheet in view (from 0), how
// many sheets its document has, and the view's cell cursor on the sheet in view (column, row
// from 0): the active cell, which a range selected from its far corner or a selected picture
// does not move. The data reads "zoom;sheet;tw:width;sheet 0;sheet 1;..." where each sheet's
// part begins "column/row/" ('+' in place of '/' on large sheets).
struct ViewPlace {
    int sheet = -1;
    int sheets = -1;
    std::optional<std::pair<sal_Int32, sal_Int32>> cursor;

    static ViewPlace of(const Reference<css::frame::XController>& controller) {
        OUString data;
        if (controller.is()) {
            controller->getViewData() >>= data;
        }
        const QStringList parts = toQ(data).split(QLatin1Char(';'));
        ViewPlace place;
        bool ok = parts.size() > 2;
        const int sheet = ok ? parts[1].toInt(&ok) : -1;
        const int first = parts.size() > 2 && parts[2].startsWith(QLatin1String("tw:")) ? 3 : 2;
        if (!ok || sheet < 0 || first + sheet >= parts.size()) {
            return place;
        }
        place.sheet = sheet;
        place.sheets = static_cast<int>(parts.size()) - first;
        static const QRegularExpression separator(QStringLiteral("[/+]"));
        const QStringList fields = parts[first + sheet].split(separator);
        bool column = false;
        bool row = false;
        const int x = fields.value(0).toInt(&column);
        const int y = fields.value(1).toInt(&row);
        if (column && row && x >= 0 && y >= 0) {
            place.cursor = {x, y};
        }
        return place;
    }
};

// The active cell of a view, from its data; a view that does not tell it gives the corner of
// its selection instead.
std::pair<sal_Int32, sal_Int32> cursorCell(const ViewPlace& place,
                                           const Reference<css::view::XSelectionSupplier>& view) {
    if (place.cursor) {
        return *place.cursor;
    }
    const Any selected = view->getSelection();
    Reference<css::sheet::XCellRangeAddressable> range(selected, UNO_QUERY);
    if (!range.is()) {
        Reference<css::sheet::XSheetCellRanges> ranges(selected, UNO_QUERY);
        if (ranges.is() && ranges->getCount() > 0) {
            range.set(ranges->getByIndex(0), UNO_QUERY);
        }
    }
    if (!range.is()) {
        return {0, 0};
    }
    const auto a = range->getRangeAddress();
    return {a.StartColumn, a.StartRow};
}

css::table::CellRangeAddress cellRange(sal_Int32 column, sal_Int32 row) {
    css::table::CellRangeAddress a;
    a.StartColumn = a.EndColumn = column;
    a.StartRow = a.EndRow = row;
    return a;
}

bool sameCells(const css::table::CellRangeAddress& a, const css::table::CellRangeAddress& b) {
    return a.StartColumn == b.StartColumn && a.StartRow == b.StartRow &&
           a.EndColumn == b.EndColumn && a.EndRow == b.EndRow;
}

int columnOf(const QString& letters) {
    int column = 0;
    for (const QChar c : letters) {
        column = column * 26 + (c.unicode() - u'A' + 1);
    }
    return column - 1;
}

// "B3", "$B$3" or "$B$3:D9" in capitals, in order and within `extent`: the cells it names.
// Anything else is for Calc to read.
std::optional<css::table::CellRangeAddress>
plainAddress(const QString& text, const css::table::CellRangeAddress& extent) {
    static const QRegularExpression plain(QStringLiteral(
        "^\\$?([A-Z]{1,3})\\$?([1-9][0-9]{0,6})(?::\\$?([A-Z]{1,3})\\$?([1-9][0-9]{0,6}))?$"));
    const auto match = plain.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    css::table::CellRangeAddress a =
        cellRange(columnOf(match.captured(1)), match.captured(2).toInt() - 1);
    if (match.hasCaptured(3)) {
        a.EndColumn = columnOf(match.captured(3));
        a.EndRow = match.captured(4).toInt() - 1;
    }
    if (a.EndColumn < a.StartColumn || a.EndRow < a.StartRow || a.EndColumn > extent.EndColumn ||
        a.EndRow > extent.EndRow) {
        return std::nullopt;
    }
    return a;
}

// A sheet with its document, and what is looked up from them once, when first needed: the
// document's controller, the sheet's draw page, a cell cursor on it. The objects made from one
// sheet share it; a caller that wants them looked up afresh asks for the sheet again.
class SheetView {
public:
    // The sheet itself.
    SheetView(Reference<css::frame::XModel> document, Reference<css::sheet::XSpreadsheet> sheet)
        : model(std::move(document)), sheet_(std::move(sheet)) {}
    // The sheet `controller` shows: where its view showed it when asked (`place`), and looked
    // up from there when first needed.
    SheetView(Reference<css::frame::XModel> document, Reference<css::frame::XController> controller,
              const ViewPlace& place)
        : model(std::move(document)), found(place), controller_(std::move(controller)) {}

    // The sheet `controller` shows now.
    static std::shared_ptr<SheetView> active(const Reference<css::frame::XModel>& model,
                                             Reference<css::frame::XController> controller) {
        auto view = std::make_shared<SheetView>(model, std::move(controller), ViewPlace{});
        const auto& spreadsheetView = view->view(); // fails without a window
        view->found = ViewPlace::of(view->controller());
        view->sheet_.set(spreadsheetView->getActiveSheet(), UNO_SET_THROW);
        return view;
    }

    const Reference<css::frame::XModel> model;
    // For a sheet found in view: the sheet in view and the sheet count then.
    ViewPlace found;

    const Reference<css::sheet::XSpreadsheet>& sheet() {
        if (!sheet_.is()) {
            Reference<css::sheet::XSpreadsheetDocument> document(model, UNO_QUERY_THROW);
            Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
            sheet_.set(sheets->getByIndex(found.sheet), UNO_QUERY_THROW);
        }
        return sheet_;
    }
    bool knowsSheet() const { return sheet_.is(); }
    const Reference<css::frame::XController>& controller() {
        if (!controller_.is()) {
            controller_ = model->getCurrentController();
        }
        return controller_;
    }
    const Reference<css::sheet::XSpreadsheetView>& view() {
        if (!view_.is()) {
            view_.set(controller(), UNO_QUERY);
        }
        if (!view_.is()) {
            throw SpreadsheetError(QStringLiteral("The workbook \"%1\" has no window")
                                       .arg(Session::documentName(model)));
        }
        return view_;
    }
    // The frame of the controller, and the frame as a dispatch provider: a controller keeps
    // its frame for life.
    const Reference<css::frame::XDispatchProvider>& dispatcher() {
        if (!frame_.is() && controller().is()) {
            frame_ = controller()->getFrame();
            dispatcher_.set(frame_, UNO_QUERY);
        }
        return dispatcher_;
    }
    const Reference<css::view::XSelectionSupplier>& selection() {
        if (!selection_.is()) {
            selection_.set(controller(), UNO_QUERY_THROW);
        }
        return selection_;
    }
    QString name() { return nameOf(sheet()); }
    const Reference<css::drawing::XDrawPage>& page() {
        if (!page_.is()) {
            Reference<css::drawing::XDrawPageSupplier> supplier(sheet(), UNO_QUERY_THROW);
            page_.set(supplier->getDrawPage(), UNO_SET_THROW);
        }
        return page_;
    }
    // Where the sheet stands among its document's sheets now (from 0).
    sal_Int32 index() { return whole().getRangeAddress().Sheet; }
    // Whether its window, whose data read `place`, shows it.
    bool inView(const ViewPlace& place) {
        if (place.sheet >= 0) {
            return place.sheet == index();
        }
        // Calc makes a new object for a sheet each time it is asked: compared by name.
        return nameOf(view()->getActiveSheet()) == name();
    }
    // Every cell of the sheet, as first read.
    const css::table::CellRangeAddress& extent() {
        if (!extent_) {
            extent_ = whole().getRangeAddress();
        }
        return *extent_;
    }

    // The cells an address names on this sheet. A plain one is read here, anything else by
    // Calc (which refuses what it cannot read).
    css::table::CellRangeAddress cells(const QString& address) {
        if (auto plain = plainAddress(address, extent())) {
            return *plain;
        }
        Reference<css::table::XCellRange> range;
        try {
            range = sheet()->getCellRangeByName(toOU(address));
        } catch (const css::uno::RuntimeException&) {
        }
        if (!range.is()) {
            throw SpreadsheetError(
                QStringLiteral("Calc cannot read the cell address \"%1\"").arg(address));
        }
        return addressOf(range);
    }

    struct Geometry {
        css::awt::Point position;
        css::awt::Size size;
    };
    // The cursor's name comes with its place and size: where it already covers `cells`,
    // as after a select of them, one call reads them.
    Geometry geometry(const css::table::CellRangeAddress& cells) {
        madeCursor();
        if (cursorAt_) {
            // Moved from where it was last; its name below tells whether it got there.
            moveCursor(*cursorAt_, cells);
        }
        Area here = cursorArea();
        if (!sameCells(here.cells, cells)) {
            moveCursor(here.cells, cells);
            here = cursorArea();
        }
        return here.geometry;
    }
    // The merged area the cell is part of (itself when it is none), read with its place and
    // size: the cursor's name tells the area.
    struct Area {
        css::table::CellRangeAddress cells;
        Geometry geometry;
    };
    Area mergedArea(sal_Int32 column, sal_Int32 row) {
        const auto cell = cellRange(column, row);
        if (cursorAt_) {
            // Moved from where it was last: rows inserted meanwhile moved it with its cells,
            // and then the area read does not start at the cell.
            moveCursor(*cursorAt_, cell);
            const Area area = mergedAreaHere();
            if (area.cells.StartColumn == column && area.cells.StartRow == row) {
                return area;
            }
        }
        cursorOn(cell);
        return mergedAreaHere();
    }
    void select(const css::table::CellRangeAddress& cells) {
        selection()->select(Any(cursorOn(cells).sheetCursor));
    }

private:
    // The merged area of the cursor's cell, from its place and size and name.
    Area mergedAreaHere() {
        madeCursor().sheetCursor->collapseToMergedArea();
        return cursorArea();
    }

    // Where the cursor is, with its place and size, in one call: its name tells the cells.
    Area cursorArea() {
        css::uno::Sequence<OUString> names(3);
        names.getArray()[0] = OUString("Position");
        names.getArray()[1] = OUString("Size");
        names.getArray()[2] = OUString("AbsoluteName");
        const auto values = cursor_.properties->getPropertyValues(names);
        Area area;
        values[0] >>= area.geometry.position;
        values[1] >>= area.geometry.size;
        OUString name;
        values[2] >>= name;
        const auto named = cellsNamed(toQ(name));
        area.cells = named ? *named : cursor_.address->getRangeAddress();
        cursorAt_ = area.cells;
        return area;
    }

    // One cursor per sheet does the work of every range on it: each range is a new object for
    // Calc to make, ask for its interfaces and let go again.
    struct Cursor {
        Reference<css::sheet::XSheetCellCursor> sheetCursor;
        Reference<css::table::XCellCursor> moves;
        Reference<css::sheet::XCellRangeAddressable> address;
        Reference<css::beans::XMultiPropertySet> properties;
    };

    css::sheet::XCellRangeAddressable& whole() {
        if (!whole_.is()) {
            whole_.set(sheet(), UNO_QUERY_THROW);
        }
        return *whole_;
    }

    const Cursor& madeCursor() {
        if (!cursor_.sheetCursor.is()) {
            cursor_.sheetCursor.set(sheet()->createCursor(), UNO_SET_THROW);
            cursor_.moves.set(cursor_.sheetCursor, UNO_QUERY_THROW);
            cursor_.address.set(cursor_.sheetCursor, UNO_QUERY_THROW);
            cursor_.properties.set(cursor_.sheetCursor, UNO_QUERY_THROW);
        }
        return cursor_;
    }

    // The cells of a cursor's name ("$Sheet1.$B$3" or "$Sheet1.$B$3:$D$9"); none for a name
    // read otherwise.
    std::optional<css::table::CellRangeAddress> cellsNamed(const QString& name) {
        QStringList parts = name.split(QLatin1Char(':'));
        if (parts.size() > 2 || !parts.first().contains(QLatin1Char('.'))) {
            return std::nullopt;
        }
        // A sheet's name may hold a dot, never a colon; the cell's part holds neither.
        for (auto& part : parts) {
            part = part.mid(part.lastIndexOf(QLatin1Char('.')) + 1);
        }
        return plainAddress(parts.join(QLatin1Char(':')), extent());
    }

    // The cursor on exactly `cells`. It is asked where it is first: Calc moves it with its
    // cells when rows or columns are inserted or deleted.
    const Cursor& cursorOn(const css::table::CellRangeAddress& cells) {
        moveCursor(madeCursor().address->getRangeAddress(), cells);
        return cursor_;
    }

    // Moves the cursor, now on `now`, onto `cells`.
    void moveCursor(css::table::CellRangeAddress now, const css::table::CellRangeAddress& cells) {
        cursorAt_ = cells;
        if (sameCells(now, cells)) {
            return;
        }
        if (now.StartColumn != cells.StartColumn || now.StartRow != cells.StartRow) {
            // One cell always fits where it goes; a larger cursor might not.
            if (now.EndColumn != now.StartColumn || now.EndRow != now.StartRow) {
                cursor_.sheetCursor->collapseToSize(1, 1);
                now.EndColumn = now.StartColumn;
                now.EndRow = now.StartRow;
            }
            cursor_.moves->gotoOffset(cells.StartColumn - now.StartColumn,
                                      cells.StartRow - now.StartRow);
            now.EndColumn += cells.StartColumn - now.StartColumn;
            now.EndRow += cells.StartRow - now.StartRow;
            now.StartColumn = cells.StartColumn;
            now.StartRow = cells.StartRow;
        }
        if (!sameCells(now, cells)) {
            cursor_.sheetCursor->collapseToSize(cells.EndColumn - cells.StartColumn + 1,
                                                cells.EndRow - cells.StartRow + 1);
        }
    }

    Reference<css::sheet::XSpreadsheet> sheet_;
    Reference<css::frame::XController> controller_;
    Reference<css::sheet::XSpreadsheetView> view_;
    Reference<css::view::XSelectionSupplier> selection_;
    Reference<css::frame::XFrame> frame_;
    Reference<css::frame::XDispatchProvider> dispatcher_;
    Reference<css::drawing::XDrawPage> page_;
    Reference<css::sheet::XCellRangeAddressable> whole_;
    std::optional<css::table::CellRangeAddress> extent_;
    Cursor cursor_;
    // Where the cursor was put or found last.
    std::optional<css::table::CellRangeAddress> cursorAt_;
};
using SheetViewPtr = std::shared_ptr<SheetView>;

// Cells of a sheet by their address; Calc is asked about them only when needed, through the
// sheet's cursor.
class CalcRange : public Range {
public:
    CalcRange(std::shared_ptr<Session> session, SheetViewPtr view,
              const css::table::CellRangeAddress& cells)
        : session_(std::move(session)), view_(std::move(view)), cells_(cells) {}

    QString address() override {
        QString text = cellAddress(cells_.StartColumn, cells_.StartRow);
        if (cells_.EndColumn != cells_.StartColumn || cells_.EndRow != cells_.StartRow) {
            text += QLatin1Char(':') + cellAddress(cells_.EndColumn, cells_.EndRow);
        }
        return text;
    }
    int row() override { return cells_.StartRow + 1; }
    int column() override { return cells_.StartColumn + 1; }
    int mergeAreaRows() override {
        const auto& a = mergeArea();
        return a.EndRow - a.StartRow + 1;
    }
    int mergeAreaColumns() override {
        const auto& a = mergeArea();
        return a.EndColumn - a.StartColumn + 1;
    }
    double left() override { return hmmToPoints(position().X); }
    double top() override { return hmmToPoints(position().Y); }
    double width() override { return hmmToPoints(geometry().size.Width); }
    double height() override { return hmmToPoints(geometry().size.Height); }
    void select() override {
        session_->call("select a cell", [&] {
            session_->deferredSelection().drop();
            view_->select(cells_);
        });
    }

private:
    // A range keeps its place and size, and its merged area, as first read while the link
    // holds it: a paste holds one only while it places one photo.
    const SheetView::Geometry& geometry() {
        if (!geometry_) {
            geometry_ = session_->call("read a cell's place and size",
                                       [&] { return view_->geometry(cells_); });
        }
        return *geometry_;
    }
    // The area's place is its first cell's.
    const css::awt::Point& position() {
        return areaPosition_ && !geometry_ ? *areaPosition_ : geometry().position;
    }
    // A range is asked for its first cell's. The area's place and size come with it: those of
    // the range where it starts the area or is the area.
    const css::table::CellRangeAddress& mergeArea() {
        if (!merge_) {
            const auto area = session_->call("read a merged area", [&] {
                return view_->mergedArea(cells_.StartColumn, cells_.StartRow);
            });
            merge_ = area.cells;
            if (area.cells.StartColumn == cells_.StartColumn &&
                area.cells.StartRow == cells_.StartRow) {
                areaPosition_ = area.geometry.position;
            }
            if (!geometry_ && sameCells(area.cells, cells_)) {
                geometry_ = area.geometry;
            }
        }
        return *merge_;
    }

    std::shared_ptr<Session> session_;
    SheetViewPtr view_;
    const css::table::CellRangeAddress cells_;
    std::optional<css::table::CellRangeAddress> merge_;
    std::optional<SheetView::Geometry> geometry_;
    std::optional<css::awt::Point> areaPosition_;
};

// A shape keeps its size, place and name as it last read or set them: a paste holds one only
// while it places one photo, and reads back what it has just set.
class CalcShape : public Shape {
public:
    // What the link knows of a picture it has just made: its own size, and the size and place
    // it gave it.
    struct Made {
        css::awt::Size original;
        css::awt::Size size;
        css::awt::Point position;
        // Its interfaces asked for while making it: asked again, each would be a round trip.
        Reference<css::beans::XPropertySet> properties;
        Reference<css::container::XNamed> named;
    };
    CalcShape(std::shared_ptr<Session> session, SheetViewPtr view,
              Reference<css::drawing::XShape> shape, std::optional<Made> made = std::nullopt)
        : session_(std::move(session)), view_(std::move(view)), shape_(std::move(shape)) {
        if (made) {
            properties_ = made->properties;
            named_ = made->named;
            original_ = made->original;
            size_ = made->size;
            position_ = made->position;
        }
    }
    ~CalcShape() override { session_->settleShape(shape_); }
    CalcShape(const CalcShape&) = delete;
    CalcShape& operator=(const CalcShape&) = delete;

    QString name() override {
        if (!name_) {
            name_ =
                session_->callAside("read a picture name", [&] { return toQ(named()->getName()); });
        }
        return *name_;
    }
    void setName(const QString& name) override {
        // Calc would take an empty name; the automation model refuses it.
        if (name.isEmpty()) {
            throw SpreadsheetError(QStringLiteral("A picture needs a name"));
        }
        session_->callAside("name a picture", [&] {
            const auto& named = this->named();
            // The link's own name for a picture it has just made waits: refused, this name is
            // given again after it, as when the picture had it.
            const auto own = session_->takeShapeName(shape_);
            named->setName(toOU(name));
            QString given = toQ(named->getName());
            if (given != name && own) {
                named->setName(*own);
                named->setName(toOU(name));
                given = toQ(named->getName());
            }
            name_ = given;
            session_->shapes().renamed(shape_, given);
            if (given != name) {
                throw SpreadsheetError(
                    QStringLiteral("Calc refused the picture name \"%1\"").arg(name));
            }
        });
    }
    void select() override {
        if (session_->screenUpdatingOff() && view_->knowsSheet()) {
            // Nothing for the office until the unlock.
            session_->deferredSelection().defer({view_->model, view_->sheet(), shape_});
            return;
        }
        session_->call("select a picture", [&] {
            if (session_->screenUpdatingOff()) {
                session_->deferredSelection().defer({view_->model, view_->sheet(), shape_});
                return;
            }
            view_->selection()->select(Any(shape_));
        });
    }
    void scaleHeight(float factor, bool relativeToOriginal) override {
        scale(factor, relativeToOriginal, false);
    }
    void scaleWidth(float factor, bool relativeToOriginal) override {
        scale(factor, relativeToOriginal, true);
    }
    bool lockAspectRatio() override {
        const auto locked = session_->aspectLocks().of(shape_);
        return locked ? *locked : isPictureShape();
    }
    void setLockAspectRatio(bool locked) override { session_->aspectLocks().set(shape_, locked); }
    double width() override { return hmmToPoints(size().Width); }
    double height() override { return hmmToPoints(size().Height); }
    void setWidth(double points) override {
        setSide(points, "A width", &css::awt::Size::Width, &css::awt::Size::Height);
    }
    void setHeight(double points) override {
        setSide(points, "A height", &css::awt::Size::Height, &css::awt::Size::Width);
    }
    double left() override { return hmmToPoints(position().X); }
    void setLeft(double points) override { move(&points, nullptr, false); }
    double top() override { return hmmToPoints(position().Y); }
    void setTop(double points) override { move(nullptr, &points, false); }
    void incrementLeft(double points) override { move(&points, nullptr, true); }
    void incrementTop(double points) override { move(nullptr, &points, true); }
    void sendToBack() override {
        session_->call("send a picture to the back", [&] {
            properties()->setPropertyValue(OUString("ZOrder"), Any(sal_Int32(0)));
            session_->shapes().sentToBack(shape_);
        });
    }

private:
    const Reference<css::beans::XPropertySet>& properties() {
        if (!properties_.is()) {
            properties_.set(shape_, UNO_QUERY_THROW);
        }
        return properties_;
    }
    const Reference<css::container::XNamed>& named() {
        if (!named_.is()) {
            named_.set(shape_, UNO_QUERY_THROW);
        }
        return named_;
    }
    const css::awt::Size& size() {
        if (!size_) {
            size_ = session_->call("read a picture size", [&] { return shape_->getSize(); });
        }
        return *size_;
    }
    const css::awt::Point& position() {
        if (!position_) {
            position_ =
                session_->call("read a picture position", [&] { return shape_->getPosition(); });
        }
        return *position_;
    }

    bool isPictureShape() {
        return session_->call("read a picture kind", [&] { return isPicture(shape_); });
    }

    css::awt::Size originalSize() {
        if (original_) {
            return *original_;
        }
        if (!isPicture(shape_)) {
            throw SpreadsheetError(QStringLiteral("Only a picture has an original size"));
        }
        Reference<css::graphic::XGraphic> graphic;
        Reference<css::beans::XPropertySet>(shape_, UNO_QUERY_THROW)
            ->getPropertyValue(OUString("Graphic")) >>= graphic;
        return graphicSize(graphic);
    }

    void scale(float factor, bool relativeToOriginal, bool horizontal) {
        if (!std::isfinite(factor) || factor <= 0) {
            throw SpreadsheetError(
                QStringLiteral("A scale factor of %1 is not allowed").arg(factor));
        }
        const auto before = this->size();
        const auto base = !relativeToOriginal ? before
                          : original_         ? *original_
                                              : session_->call("read a picture's own size",
                                                               [&] { return originalSize(); });
        auto size = before;
        if (horizontal) {
            size.Width = static_cast<sal_Int32>(std::lround(base.Width * double(factor)));
        } else {
            size.Height = static_cast<sal_Int32>(std::lround(base.Height * double(factor)));
        }
        resize(before, size);
    }

    // Sets one side; with the aspect ratio locked the other follows.
    void setSide(double points, const char* what, sal_Int32 css::awt::Size::*side,
                 sal_Int32 css::awt::Size::*other) {
        requireSize(points, what);
        const bool locked = lockAspectRatio();
        const auto before = this->size();
        auto size = before;
        if (locked && size.*side > 0) {
            size.*other = pointsToHmm(hmmToPoints(size.*other) * points / hmmToPoints(size.*side));
        }
        size.*side = pointsToHmm(points);
        resize(before, size);
    }

    void move(const double* left, const double* top, bool relative) {
        for (const double* value : {left, top}) {
            if (value != nullptr && !std::isfinite(*value)) {
                throw SpreadsheetError(QStringLiteral("A position must be a number"));
            }
        }
        const auto before = this->position();
        auto position = before;
        if (left != nullptr) {
            position.X = pointsToHmm((relative ? hmmToPoints(position.X) : 0.0) + *left);
        }
        if (top != nullptr) {
            position.Y = pointsToHmm((relative ? hmmToPoints(position.Y) : 0.0) + *top);
        }
        // A visible office redraws the picture for every move, also for none.
        if (position != before) {
            session_->placeShape(shape_, std::nullopt, position);
            position_ = position;
        }
    }

    // A visible office redraws the picture for every resize, also for none.
    void resize(const css::awt::Size& before, const css::awt::Size& size) {
        if (size != before) {
            session_->placeShape(shape_, size, std::nullopt);
            size_ = size;
        }
    }

public:
    // Size100thMM, or SizePixel at 96 dpi when the file gives no physical size.
    static css::awt::Size graphicSize(const Reference<css::graphic::XGraphic>& graphic) {
        Reference<css::beans::XPropertySet> props(graphic, UNO_QUERY_THROW);
        css::awt::Size size;
        props->getPropertyValue(OUString("Size100thMM")) >>= size;
        if (size.Width == 0 && size.Height == 0) {
            props->getPropertyValue(OUString("SizePixel")) >>= size;
            size.Width = static_cast<sal_Int32>(std::lround(size.Width * 2540.0 / 96.0));
            size.Height = static_cast<sal_Int32>(std::lround(size.Height * 2540.0 / 96.0));
        }
        return size;
    }

private:
    std::shared_ptr<Session> session_;
    SheetViewPtr view_;
    Reference<css::drawing::XShape> shape_;
    Reference<css::beans::XPropertySet> properties_;
    Reference<css::container::XNamed> named_;
    std::optional<css::awt::Size> original_;
    std::optional<css::awt::Size> size_;
    std::optional<css::awt::Point> position_;
    std::optional<QString> name_;
};

class CalcWorksheet : public Worksheet {
public:
    CalcWorksheet(std::shared_ptr<Session> session, SheetViewPtr view)
        : session_(std::move(session)), view_(std::move(view)) {}

    void activate() override {
        session_->call("activate a worksheet", [&] {
            const auto& controller = view_->controller();
            if (controller.is() && controller->getFrame().is()) {
                controller->getFrame()->activate();
            }
            view_->view()->setActiveSheet(view_->sheet());
            // Another sheet in view drops the selection of a picture on the one before.
            session_->deferredSelection().dropUnlessOn(
                view_->model, [&](const auto& sheet) { return nameOf(sheet) == view_->name(); });
        });
    }
    QString name() override {
        return session_->call("read a worksheet name", [&] { return view_->name(); });
    }
    void setName(const QString& name) override {
        session_->call("rename a worksheet", [&] {
            Reference<css::container::XNamed> named(view_->sheet(), UNO_QUERY_THROW);
            named->setName(toOU(name));
            if (toQ(named->getName()) != name) {
                throw SpreadsheetError(
                    QStringLiteral("Calc refused the sheet name \"%1\"").arg(name));
            }
        });
    }
    RangePtr range(const QString& address) override {
        if (address.trimmed().isEmpty()) {
            throw SpreadsheetError(QStringLiteral("An empty cell address"));
        }
        return session_->call("find a cell", [&]() -> RangePtr {
            return std::make_shared<CalcRange>(session_, view_, view_->cells(address));
        });
    }
    int shapeCount() override {
        return session_->call("count the pictures",
                              [&] { return session_->shapes().count(view_->page()); });
    }
    // Check, read, insert, place: nothing reaches the office before the file is known to be
    // a picture it can take.
    ShapePtr addPicture(const QString& fileName, bool linkToFile, bool /*saveWithDocument*/,
                        double left, double top, double width, double height) override {
        const QString path = checkedPicture(fileName, linkToFile, left, top, width, height);
        const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
        // Common formats are checked here, or were read ahead; Calc reads the rest.
        const bool checked = session_->state().pictureChecks.readable(path);
        return session_->call("insert a picture", [&]() -> ShapePtr {
            Reference<css::graphic::XGraphic> graphic;
            if (!checked) {
                graphic = readGraphic(url, fileName);
            }
            const auto& page = view_->page();
            const auto& read = session_->shapes().of(page);
            const sal_Int32 before = read.count;
            const QString name = freeName(read);
            // Whether the view put the picture at the end of the page as it was read.
            bool appended = false;
            Reference<css::drawing::XShape> shape = insertThroughView(url, page, before, appended);
            Reference<css::beans::XPropertySet> properties;
            if (shape.is()) {
                // The picture Calc has just read, not a second reading of the file.
                properties.set(shape, UNO_QUERY_THROW);
                properties->getPropertyValue(OUString("Graphic")) >>= graphic;
            }
            if (!graphic.is()) {
                graphic = readGraphic(url, fileName);
            }
            if (!shape.is()) {
                shape = insertThroughApi(graphic, page);
                properties.set(shape, UNO_QUERY_THROW);
            }
            CalcShape::Made made;
            try {
                made = place(shape, properties, CalcShape::graphicSize(graphic), left, top, width,
                             height, name);
                if (appended) {
                    session_->shapes().appended(page, before, shape, name);
                }
                session_->pictureInserted(view_->model);
            } catch (...) {
                // Leave no half-made picture behind.
                session_->forgetShape(shape);
                try {
                    page->remove(shape);
                } catch (const css::uno::Exception&) {
                }
                throw;
            }
            return std::make_shared<CalcShape>(session_, view_, shape, made);
        });
    }
    ShapePtr evaluate(const QString& name) override { return find(name); }

private:
    // The absolute path of a picture file the link may insert at that place and size.
    static QString checkedPicture(const QString& fileName, bool linkToFile, double left, double top,
                                  double width, double height) {
        if (linkToFile) {
            throw SpreadsheetError(QStringLiteral("Linked pictures are not supported"));
        }
        for (double value : {left, top}) {
            if (!std::isfinite(value)) {
                throw SpreadsheetError(QStringLiteral("A position must be a number"));
            }
        }
        requireSize(width, "A width");
        requireSize(height, "A height");
        const QFileInfo file(fileName);
        if (fileName.isEmpty() || !file.isFile() || !file.isReadable()) {
            throw SpreadsheetError(
                QStringLiteral("The picture file \"%1\" cannot be read").arg(fileName));
        }
        return file.absoluteFilePath();
    }

    Reference<css::graphic::XGraphic> readGraphic(const QString& url, const QString& fileName) {
        auto provider = css::graphic::GraphicProvider::create(session_->context());
        css::beans::PropertyValue source;
        source.Name = OUString("URL");
        source.Value <<= toOU(url);
        auto graphic =
            provider->queryGraphic(css::uno::Sequence<css::beans::PropertyValue>(&source, 1));
        if (!graphic.is()) {
            throw SpreadsheetError(
                QStringLiteral("\"%1\" is not a picture Calc can read").arg(fileName));
        }
        return graphic;
    }

    // Anchored to a cell at its place, at its own size where width or height is 0, and named.
    CalcShape::Made place(const Reference<css::drawing::XShape>& shape,
                          const Reference<css::beans::XPropertySet>& properties,
                          const css::awt::Size& original, double left, double top, double width,
                          double height, const QString& name) {
        // The position below moves the anchor to the cell under the picture's corner.
        properties->setPropertyValue(OUString("Anchor"),
                                     Any(view_->sheet()->getCellByPosition(0, 0)));
        CalcShape::Made made{
            original, original, {pointsToHmm(left), pointsToHmm(top)}, properties, {}};
        if (width > 0) {
            made.size.Width = pointsToHmm(width);
        }
        if (height > 0) {
            made.size.Height = pointsToHmm(height);
        }
        made.named.set(shape, UNO_QUERY_THROW);
        session_->nameShape(shape, made.named, toOU(name));
        session_->placeShape(shape, made.size, made.position);
        return made;
    }

    // Calc records a picture in its undo list only when its view inserts it; a picture
    // added to the draw page directly could not be taken back with the paste run's undo.
    Reference<css::drawing::XShape>
    insertThroughView(const QString& url, const Reference<css::drawing::XDrawPage>& page,
                      sal_Int32 known, bool& appended) {
        const auto& controller = view_->controller();
        if (!controller.is()) {
            return {};
        }
        const auto& provider = view_->dispatcher();
        const auto place = ViewPlace::of(controller);
        if (!provider.is() || !view_->inView(place)) {
            return {};
        }
        if (!cellsSelected(view_->selection())) {
            // With a picture selected the command would put the new graphic into it, and with
            // another shape selected into its fill: back to the active cell first.
            const auto [column, row] = cursorCell(place, view_->selection());
            view_->select(cellRange(column, row));
        }
        const sal_Int32 before = page->getCount();
        css::uno::Sequence<css::beans::PropertyValue> args(2);
        args.getArray()[0].Name = OUString("FileName");
        args.getArray()[0].Value <<= toOU(url);
        args.getArray()[1].Name = OUString("AsLink");
        args.getArray()[1].Value <<= false;
        session_->dispatchHelper()->executeDispatch(provider, OUString(".uno:InsertGraphic"),
                                                    OUString(), 0, args);
        if (page->getCount() != before + 1) {
            return {};
        }
        Reference<css::drawing::XShape> shape(page->getByIndex(before), UNO_QUERY);
        if (!shape.is() || !isPicture(shape)) {
            return {};
        }
        appended = before == known;
        return shape;
    }

    Reference<css::drawing::XShape>
    insertThroughApi(const Reference<css::graphic::XGraphic>& graphic,
                     const Reference<css::drawing::XDrawPage>& page) {
        Reference<css::lang::XMultiServiceFactory> factory(view_->model, UNO_QUERY_THROW);
        Reference<css::drawing::XShape> shape(
            factory->createInstance(OUString("com.sun.star.drawing.GraphicObjectShape")),
            UNO_QUERY_THROW);
        Reference<css::beans::XPropertySet>(shape, UNO_QUERY_THROW)
            ->setPropertyValue(OUString("Graphic"), Any(graphic));
        page->add(shape);
        return shape;
    }

    ShapePtr find(const QString& name) {
        if (name.isEmpty()) {
            return nullptr;
        }
        return session_->call("find a picture", [&]() -> ShapePtr {
            const auto& page = view_->page();
            // The second pass reads the page again after a shape renamed outside the link.
            for (int pass = 0; pass < 2; ++pass) {
                auto& entry = session_->shapes().of(page);
                bool stale = false;
                for (auto& known : entry.shapes) {
                    const auto& shape = known.shape;
                    if (!shape.is() || known.name != name) {
                        continue;
                    }
                    if (pass == 0 && nameOf(shape) != name) {
                        stale = true;
                        break;
                    }
                    return std::make_shared<CalcShape>(session_, view_, shape);
                }
                if (!stale) {
                    return nullptr;
                }
                entry.count = -1;
            }
            return nullptr;
        });
    }

    // "Picture n", the first n free on this sheet.
    static QString freeName(const ShapeDirectory::Page& entry) {
        for (int n = entry.count + 1;; ++n) {
            const QString candidate = QStringLiteral("Picture %1").arg(n);
            if (!entry.has(candidate)) {
                return candidate;
            }
        }
    }

    std::shared_ptr<Session> session_;
    SheetViewPtr view_;
};

class CalcWorkbook : public Workbook {
public:
    CalcWorkbook(std::shared_ptr<Session> session, Reference<css::frame::XModel> model)
        : session_(std::move(session)), model_(std::move(model)) {}

    QString name() override {
        return session_->call("read a workbook name",
                              [&] { return Session::documentName(model_); });
    }
    // The sheet in view now. While the same window shows the sheet at the same place among as
    // many sheets as when it was found, it is that sheet (Calc's view data tells both in one
    // call), and what was looked up for it is not looked up again: a paste run asks once per
    // photo.
    WorksheetPtr activeSheet() override {
        return session_->call("find the active worksheet", [&] {
            const bool run = session_->screenUpdatingOff();
            // Within a run the window found at its first photo is asked: a workbook shows
            // another only when the user opens a second window on it. One closed is asked
            // for the window again.
            auto controller = run ? session_->windows().of(model_) : nullptr;
            std::optional<ViewPlace> found;
            if (controller.is()) {
                try {
                    found = ViewPlace::of(controller);
                } catch (const css::lang::DisposedException&) {
                    controller.clear();
                }
            }
            if (!controller.is()) {
                controller = model_->getCurrentController();
                if (run) {
                    session_->windows().seen(model_, controller);
                }
            }
            // The same window is the same proxy: compared without asking the office.
            if (active_ && active_->controller().get() == controller.get()) {
                const auto place = found ? *found : ViewPlace::of(controller);
                if (place.sheet < 0 || place.sheet != active_->found.sheet ||
                    place.sheets != active_->found.sheets) {
                    active_.reset();
                }
            } else {
                active_.reset();
            }
            if (!active_) {
                active_ = SheetView::active(model_, std::move(controller));
            }
            return std::make_shared<CalcWorksheet>(session_, active_);
        });
    }
    int worksheetCount() override {
        return session_->call("count the worksheets", [&] { return sheets()->getCount(); });
    }
    WorksheetPtr worksheet(int index) override {
        return session_->call("find a worksheet", [&] {
            auto all = sheets();
            if (index < 1 || index > all->getCount()) {
                throw SpreadsheetError(QStringLiteral("There is no worksheet %1").arg(index));
            }
            return std::make_shared<CalcWorksheet>(
                session_, std::make_shared<SheetView>(
                              model_, Reference<css::sheet::XSpreadsheet>(
                                          all->getByIndex(index - 1), UNO_QUERY_THROW)));
        });
    }
    WorksheetPtr addWorksheet() override {
        return session_->call("add a worksheet", [&] {
            Reference<css::sheet::XSpreadsheetDocument> document(model_, UNO_QUERY_THROW);
            auto names = document->getSheets();
            Reference<css::container::XIndexAccess> all(names, UNO_QUERY_THROW);
            // Like Worksheets.Add: before the active sheet.
            sal_Int16 position = 0;
            const QString active = nameOf(activeSheetOf(model_));
            for (sal_Int32 i = 0; i < all->getCount(); ++i) {
                if (nameOf(Reference<css::uno::XInterface>(all->getByIndex(i), UNO_QUERY)) ==
                    active) {
                    position = static_cast<sal_Int16>(i);
                }
            }
            QString name;
            for (int n = all->getCount() + 1; name.isEmpty() || names->hasByName(toOU(name)); ++n) {
                name = QStringLiteral("Sheet%1").arg(n);
            }
            names->insertNewByName(toOU(name), position);
            Reference<css::sheet::XSpreadsheet> sheet(names->getByName(toOU(name)),
                                                      UNO_QUERY_THROW);
            viewOf(model_)->setActiveSheet(sheet);
            session_->deferredSelection().drop();
            return std::make_shared<CalcWorksheet>(session_,
                                                   std::make_shared<SheetView>(model_, sheet));
        });
    }

private:
    Reference<css::container::XIndexAccess> sheets() {
        Reference<css::sheet::XSpreadsheetDocument> document(model_, UNO_QUERY_THROW);
        return Reference<css::container::XIndexAccess>(document->getSheets(), UNO_QUERY_THROW);
    }

    std::shared_ptr<Session> session_;
    Reference<css::frame::XModel> model_;
    SheetViewPtr active_;
};

class CalcApplication : public Application {
public:
    explicit CalcApplication(std::shared_ptr<Session> session) : session_(std::move(session)) {}

    // The active cell of the workbook in view; its sheet is looked up only when the cell is
    // asked more than where it is.
    RangePtr activeCell() override {
        return session_->call("find the active cell", [&] {
            auto model = activeModel(*session_);
            auto controller = session_->windows().of(model);
            if (!controller.is()) {
                controller = model->getCurrentController();
            }
            const auto place = ViewPlace::of(controller);
            auto view = place.sheet >= 0
                            ? std::make_shared<SheetView>(model, std::move(controller), place)
                            : SheetView::active(model, std::move(controller));
            const auto [column, row] = cursorCell(place, view->selection());
            return std::make_shared<CalcRange>(session_, std::move(view), cellRange(column, row));
        });
    }
    int workbookCount() override {
        return static_cast<int>(session_->spreadsheetDocuments().size());
    }
    WorkbookPtr workbook(int index) override {
        const auto models = session_->spreadsheetDocuments();
        if (index < 1 || index > static_cast<int>(models.size())) {
            throw SpreadsheetError(QStringLiteral("There is no workbook %1").arg(index));
        }
        return std::make_shared<CalcWorkbook>(session_, models[static_cast<size_t>(index - 1)]);
    }
    WorkbookPtr workbook(const QString& name) override {
        for (const auto& model : session_->spreadsheetDocuments()) {
            const bool match = session_->call("read a workbook name", [&] {
                return Session::documentName(model).compare(name, Qt::CaseInsensitive) == 0;
            });
            if (match && !name.isEmpty()) {
                return std::make_shared<CalcWorkbook>(session_, model);
            }
        }
        throw SpreadsheetError(QStringLiteral("No open workbook is named \"%1\"").arg(name));
    }
    WorkbookPtr activeWorkbook() override {
        return session_->call("find the active workbook", [&] {
            return std::make_shared<CalcWorkbook>(session_, activeModel(*session_));
        });
    }
    void setScreenUpdating(bool on) override {
        // A run starts or ends here; whatever the user did in Calc meanwhile is read afresh.
        session_->shapes().clear();
        session_->windows().clear();
        if (on) {
            session_->unlockDocuments();
        } else {
            session_->lockDocuments();
        }
    }
    QString version() override {
        return session_->call("read the version", [&] {
            auto provider = css::configuration::theDefaultProvider::get(session_->context());
            css::beans::NamedValue path(OUString("nodepath"),
                                        Any(OUString("/org.openoffice.Setup/Product")));
            css::uno::Sequence<Any> args(1);
            args.getArray()[0] <<= path;
            Reference<css::container::XNameAccess> product(
                provider->createInstanceWithArguments(
                    OUString("com.sun.star.configuration.ConfigurationAccess"), args),
                UNO_QUERY_THROW);
            OUString version;
            product->getByName(OUString("ooSetupVersion")) >>= version;
            return toQ(version);
        });
    }
    double zoom() override {
        return session_->call("read the zoom", [&] {
            sal_Int16 value = 0;
            controllerProps()->getPropertyValue(OUString("ZoomValue")) >>= value;
            return double(value);
        });
    }
    void setZoom(double percent) override {
        if (!std::isfinite(percent) || percent < 10 || percent > 400) {
            throw SpreadsheetError(QStringLiteral("A zoom of %1 % is not allowed").arg(percent));
        }
        session_->call("set the zoom", [&] {
            auto props = controllerProps();
            props->setPropertyValue(OUString("ZoomType"),
                                    Any(sal_Int16(css::view::DocumentZoomType::BY_VALUE)));
            props->setPropertyValue(OUString("ZoomValue"),
                                    Any(static_cast<sal_Int16>(std::lround(percent))));
        });
    }

private:
    Reference<css::beans::XPropertySet> controllerProps() {
        return Reference<css::beans::XPropertySet>(activeModel(*session_)->getCurrentController(),
                                                   UNO_QUERY_THROW);
    }

    std::shared_ptr<Session> session_;
};

} // namespace

ApplicationPtr makeCalcApplication(std::shared_ptr<Session> session) {
    return std::make_shared<CalcApplication>(std::move(session));
}

Reference<css::frame::XModel> activeModel(Session& session) {
    Reference<css::frame::XModel> current(session.desktop()->getCurrentComponent(), UNO_QUERY);
    if (Reference<css::sheet::XSpreadsheetDocument>(current, UNO_QUERY).is()) {
        return current;
    }
    const auto all = session.spreadsheetDocuments();
    if (all.empty()) {
        throw SpreadsheetError(QStringLiteral("No workbook is open in Calc"));
    }
    return all.front();
}

Reference<css::sheet::XSpreadsheetView> viewOf(const Reference<css::frame::XModel>& model) {
    Reference<css::sheet::XSpreadsheetView> view(model->getCurrentController(), UNO_QUERY);
    if (!view.is()) {
        throw SpreadsheetError(
            QStringLiteral("The workbook \"%1\" has no window").arg(Session::documentName(model)));
    }
    return view;
}

Reference<css::sheet::XSpreadsheet> activeSheetOf(const Reference<css::frame::XModel>& model) {
    return Reference<css::sheet::XSpreadsheet>(viewOf(model)->getActiveSheet(), UNO_SET_THROW);
}

QString cellAddress(int column0, int row0) {
    return QStringLiteral("$%1$%2").arg(columnLetters(column0)).arg(row0 + 1);
}

} // namespace velmora::calc
