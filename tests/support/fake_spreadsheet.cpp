#include "fake_spreadsheet.h"

#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace velmora::testing {

namespace {

constexpr int kRows = 1048576, kColumns = 16384; // Calc's sheet
constexpr double kColumnWidth = 48, kRowHeight = 13.5;

[[noreturn]] void fail(const QString& message) {
    throw SpreadsheetError(message);
}

// Rows and columns from 1 of "$B$3", "B3:C4"...; x column, y row.
QRect parseAddress(const QString& text) {
    static const QRegularExpression address(QStringLiteral(
        "^\\$?([A-Za-z]{1,3})\\$?([0-9]{1,7})(?::\\$?([A-Za-z]{1,3})\\$?([0-9]{1,7}))?$"));
    const auto m = address.match(text);
    const auto corner = [&](int n) {
        int column = 0;
        for (const QChar c : m.captured(n).toUpper()) {
            column = column * 26 + c.unicode() - 'A' + 1;
        }
        return QPoint(column, m.captured(n + 1).toInt());
    };
    const QRect box = QRect(corner(1), m.hasCaptured(3) ? corner(3) : corner(1)).normalized();
    if (!m.hasMatch() || box.top() < 1 || box.bottom() > kRows || box.right() > kColumns) {
        fail(QStringLiteral("not a cell address: ") + text);
    }
    return box;
}

QString cellAddress(int column, int row) {
    QString letters;
    for (; column > 0; column = (column - 1) / 26) {
        letters.prepend(QChar('A' + (column - 1) % 26));
    }
    return QStringLiteral("$%1$%2").arg(letters).arg(row);
}

bool hasSheet(const FakeBook& book, const QString& name) {
    return std::any_of(book.sheets.begin(), book.sheets.end(), [&](const auto& sheet) {
        return sheet->name.compare(name, Qt::CaseInsensitive) == 0;
    });
}

// An object handed out: every call through it is logged and may fail.
class Handle {
public:
    Handle(FakeSpreadsheet& fake, std::shared_ptr<FakeBook> book = {},
           std::shared_ptr<FakeSheet> sheet = {})
        : fake_(fake), book_(std::move(book)), sheet_(std::move(sheet)) {}

protected:
    template <class T> T at(const char* operation, T value) const {
        return fake_.enter(operation), value;
    }
    FakeSpreadsheet& fake_;
    std::shared_ptr<FakeBook> book_;
    std::shared_ptr<FakeSheet> sheet_;
};

class FakeRange : public Range, Handle {
public:
    FakeRange(FakeSpreadsheet& fake, std::shared_ptr<FakeSheet> sheet, QRect box)
        : Handle(fake, {}, std::move(sheet)), box_(box) {}

    QString address() override {
        const QString first = cellAddress(box_.left(), box_.top());
        return at("Range.address", box_.size() == QSize(1, 1)
                                       ? first
                                       : first + ':' + cellAddress(box_.right(), box_.bottom()));
    }
    int row() override { return at("Range.row", box_.top()); }
    int column() override { return at("Range.column", box_.left()); }
    int mergeAreaRows() override { return at("Range.mergeAreaRows", mergeArea().height()); }
    int mergeAreaColumns() override { return at("Range.mergeAreaColumns", mergeArea().width()); }
    double left() override { return at("Range.left", (box_.left() - 1) * kColumnWidth); }
    double top() override { return at("Range.top", top(box_.top())); }
    double width() override { return at("Range.width", box_.width() * kColumnWidth); }
    double height() override {
        return at("Range.height", top(box_.bottom() + 1) - top(box_.top()));
    }
    void select() override {
        sheet_->active = at("Range.select", box_.topLeft());
        sheet_->selected.reset();
    }

private:
    QRect mergeArea() const {
        for (const QRect& merged : sheet_->merges) {
            if (merged.contains(box_.topLeft())) {
                return merged;
            }
        }
        return QRect(box_.topLeft(), QSize(1, 1));
    }
    double top(int row) const {
        double offset = (row - 1) * kRowHeight;
        for (const auto& [other, height] : sheet_->rowHeights) {
            offset += other < row ? height - kRowHeight : 0;
        }
        return offset;
    }
    QRect box_;
};

class FakeShapeHandle : public Shape, Handle {
public:
    FakeShapeHandle(FakeSpreadsheet& fake, std::shared_ptr<FakeSheet> sheet,
                    std::shared_ptr<FakeShape> shape)
        : Handle(fake, {}, std::move(sheet)), shape_(std::move(shape)) {}

    QString name() override { return data("Shape.name").name; }
    void setName(const QString& name) override {
        if (data("Shape.setName"), name.isEmpty()) {
            fail(QStringLiteral("a shape needs a name"));
        }
        shape_->name = name;
    }
    void select() override { sheet_->selected = (data("Shape.select"), shape_); }
    // As in Calc, one side only, whatever the aspect lock.
    void scaleHeight(float factor, bool toOriginal) override {
        FakeShape& s = data("Shape.scaleHeight");
        s.height = (toOriginal ? s.original.height() : s.height) * factor;
    }
    void scaleWidth(float factor, bool toOriginal) override {
        FakeShape& s = data("Shape.scaleWidth");
        s.width = (toOriginal ? s.original.width() : s.width) * factor;
    }
    bool lockAspectRatio() override { return data("Shape.lockAspectRatio").lockAspectRatio; }
    void setLockAspectRatio(bool on) override {
        data("Shape.setLockAspectRatio").lockAspectRatio = on;
    }
    double width() override { return data("Shape.width").width; }
    double height() override { return data("Shape.height").height; }
    void setWidth(double points) override { resize(data("Shape.setWidth"), points, true); }
    void setHeight(double points) override { resize(data("Shape.setHeight"), points, false); }
    double left() override { return data("Shape.left").left; }
    double top() override { return data("Shape.top").top; }
    void setLeft(double points) override { data("Shape.setLeft").left = points + drift().x(); }
    void setTop(double points) override { data("Shape.setTop").top = points + drift().y(); }
    void incrementLeft(double points) override { data("Shape.incrementLeft").left += points; }
    void incrementTop(double points) override { data("Shape.incrementTop").top += points; }
    void sendToBack() override {
        auto& shapes = sheet_->shapes;
        const auto it = std::find(shapes.begin(), shapes.end(), (data("Shape.sendToBack"), shape_));
        std::rotate(shapes.begin(), it, it + 1);
    }

private:
    FakeShape& data(const char* operation) const { return *at(operation, shape_); }
    QPointF drift() const { return fake_.zoom != 100 ? fake_.zoomedDrift : QPointF(); }
    static void resize(FakeShape& s, double points, bool across) {
        if (points < 0 || !std::isfinite(points)) {
            fail(QStringLiteral("a size must not be negative"));
        }
        double& side = across ? s.width : s.height;
        (across ? s.height : s.width) *= s.lockAspectRatio && side > 0 ? points / side : 1;
        side = points;
    }
    std::shared_ptr<FakeShape> shape_;
};

class FakeWorksheet : public Worksheet, Handle {
public:
    using Handle::Handle;

    void activate() override {
        book_->activeSheet = at("Worksheet.activate", sheet_);
        fake_.activeBook = book_;
    }
    QString name() override { return at("Worksheet.name", sheet_->name); }
    void setName(const QString& name) override {
        // Calc refuses an empty name, []*?:/\, an apostrophe at either end and another sheet's.
        static const QRegularExpression refused(QStringLiteral("^$|[][*?:/\\\\]|^'|'$"));
        if (fake_.enter("Worksheet.setName"), name.contains(refused) || hasSheet(*book_, name)) {
            fail(QStringLiteral("the sheet name is refused: ") + name);
        }
        sheet_->name = name;
    }
    RangePtr range(const QString& address) override {
        return std::make_shared<FakeRange>(fake_, sheet_,
                                           at("Worksheet.range", parseAddress(address)));
    }
    int shapeCount() override { return at("Worksheet.shapeCount", int(sheet_->shapes.size())); }
    ShapePtr addPicture(const QString& file, bool linkToFile, bool, double left, double top,
                        double width, double height) override {
        // Read as Calc reads a picture without a physical size: at 96 dpi.
        const QSizeF size = QSizeF(QImageReader(file).size()) * 0.75;
        if (fake_.enter("Worksheet.addPicture"),
            linkToFile || width < 0 || height < 0 || !QFileInfo(file).isFile() || size.isEmpty()) {
            fail(QStringLiteral("not a picture to embed: ") + file);
        }
        const QPointF at = QPointF(left, top) + (fake_.zoom != 100 ? fake_.zoomedDrift : QPointF());
        auto shape = std::make_shared<FakeShape>(FakeShape{{},
                                                           true,
                                                           at.x(),
                                                           at.y(),
                                                           width ? width : size.width(),
                                                           height ? height : size.height(),
                                                           size});
        // The application's own name: the first free "Picture n".
        for (auto n = sheet_->shapes.size() + 1; shape->name.isEmpty(); ++n) {
            if (!find(QStringLiteral("Picture %1").arg(n), false)) {
                shape->name = QStringLiteral("Picture %1").arg(n);
            }
        }
        sheet_->shapes.push_back(shape);
        return std::make_shared<FakeShapeHandle>(fake_, sheet_, shape);
    }
    ShapePtr picture(const QString& name) override {
        if (ShapePtr found = (fake_.enter("Worksheet.picture"), find(name, true))) {
            return found;
        }
        fail(QStringLiteral("no picture named ") + name);
    }
    ShapePtr evaluate(const QString& name) override {
        return at("Worksheet.evaluate", find(name, false));
    }

private:
    ShapePtr find(const QString& name, bool picturesOnly) const {
        for (const auto& shape : sheet_->shapes) {
            if (shape->name == name && (shape->picture || !picturesOnly)) {
                return std::make_shared<FakeShapeHandle>(fake_, sheet_, shape);
            }
        }
        return nullptr;
    }
};

class FakeWorkbook : public Workbook, Handle {
public:
    using Handle::Handle;

    QString name() override { return at("Workbook.name", book_->name); }
    WorksheetPtr activeSheet() override {
        return sheet(at("Workbook.activeSheet", book_->activeSheet));
    }
    int worksheetCount() override {
        return at("Workbook.worksheetCount", int(book_->sheets.size()));
    }
    WorksheetPtr worksheet(int index) override {
        if (fake_.enter("Workbook.worksheet"), index < 1 || index > int(book_->sheets.size())) {
            fail(QStringLiteral("no worksheet %1").arg(index));
        }
        return sheet(book_->sheets[index - 1]);
    }
    // Before the active sheet, as Calc adds one.
    WorksheetPtr addWorksheet() override {
        fake_.enter("Workbook.addWorksheet");
        auto added = std::make_shared<FakeSheet>();
        for (auto n = book_->sheets.size() + 1; added->name.isEmpty(); ++n) {
            if (!hasSheet(*book_, QStringLiteral("Sheet%1").arg(n))) {
                added->name = QStringLiteral("Sheet%1").arg(n);
            }
        }
        auto& sheets = book_->sheets;
        sheets.insert(std::find(sheets.begin(), sheets.end(), book_->activeSheet), added);
        return sheet(book_->activeSheet = added);
    }

private:
    WorksheetPtr sheet(std::shared_ptr<FakeSheet> data) const {
        return std::make_shared<FakeWorksheet>(fake_, book_, std::move(data));
    }
};

class FakeApplication : public Application, Handle {
public:
    using Handle::Handle;

    RangePtr activeCell() override {
        const QPoint cell = at("Application.activeCell", book()->activeSheet->active);
        return std::make_shared<FakeRange>(fake_, book()->activeSheet, QRect(cell, cell));
    }
    RangePtr range(const QString& address) override {
        const QRect box = at("Application.range", parseAddress(address));
        return std::make_shared<FakeRange>(fake_, book()->activeSheet, box);
    }
    RangePtr cells(int row, int column) override { return range(cellAddress(column, row)); }
    int workbookCount() override {
        return at("Application.workbookCount", int(fake_.books.size()));
    }
    WorkbookPtr workbook(int index) override {
        if (fake_.enter("Application.workbook"), index < 1 || index > int(fake_.books.size())) {
            fail(QStringLiteral("no workbook %1").arg(index));
        }
        return wrap(fake_.books[index - 1]);
    }
    WorkbookPtr workbook(const QString& name) override {
        if (fake_.enter("Application.workbook"), name.isEmpty() || !fake_.book(name)) {
            fail(QStringLiteral("no open workbook named ") + name);
        }
        return wrap(fake_.book(name));
    }
    WorkbookPtr activeWorkbook() override { return wrap(at("Application.activeWorkbook", book())); }
    void setScreenUpdating(bool on) override {
        fake_.screenUpdating_ = at("Application.setScreenUpdating", on);
    }
    QString version() override { return at("Application.version", fake_.version); }
    double zoom() override { return at("Application.zoom", fake_.zoom); }
    void setZoom(double percent) override { fake_.zoom = at("Application.setZoom", percent); }

private:
    std::shared_ptr<FakeBook> book() const {
        if (!fake_.activeBook) {
            fail(QStringLiteral("no workbook is open"));
        }
        return fake_.activeBook;
    }
    WorkbookPtr wrap(const std::shared_ptr<FakeBook>& data) const {
        auto wrapped = std::make_shared<FakeWorkbook>(fake_, data);
        fake_.handedOut.push_back(wrapped);
        return wrapped;
    }
};

} // namespace

ApplicationPtr FakeSpreadsheet::attach() {
    auto app = std::make_shared<FakeApplication>((enter("Link.attach"), *this));
    handedOut.push_back(app);
    return app;
}

void FakeSpreadsheet::addWorkbook(const QString& name) {
    books.push_back(activeBook = std::make_shared<FakeBook>(FakeBook{name, {}, {}}));
    activeBook->sheets.push_back(activeBook->activeSheet = std::make_shared<FakeSheet>());
    activeBook->activeSheet->name = QStringLiteral("Sheet1");
}

void FakeSpreadsheet::merge(const QString& address) {
    sheet().merges.push_back(parseAddress(address));
}

void FakeSpreadsheet::select(const QString& address, const QString& cursor) {
    sheet().active = parseAddress(cursor.isEmpty() ? address : cursor).topLeft();
    sheet().selected.reset();
}

void FakeSpreadsheet::selectShape(const QString& name) {
    for (const auto& shape : sheet().shapes) {
        if (shape->name == name) {
            sheet().selected = shape;
        }
    }
}

void FakeSpreadsheet::addRectangle(const QString& name, double left, double top) {
    sheet().shapes.push_back(
        std::make_shared<FakeShape>(FakeShape{name, false, left, top, 40, 40, {40, 40}}));
}

QList<ShapeInfo> FakeSpreadsheet::shapes(const QString& book) {
    QList<ShapeInfo> found;
    for (const auto& s : sheet(book).shapes) {
        found.push_back({s->name, s->left, s->top, s->width, s->height, {}});
    }
    return found;
}

QStringList FakeSpreadsheet::sheetNames(const QString& book) {
    QStringList names;
    for (const auto& sheet : this->book(book)->sheets) {
        names << sheet->name;
    }
    return names;
}

QString FakeSpreadsheet::selectedShape() {
    const auto selected = sheet().selected.lock();
    return selected ? selected->name : QString();
}

std::shared_ptr<FakeBook> FakeSpreadsheet::book(const QString& name) const {
    for (const auto& b : books) {
        if (b->name.compare(name, Qt::CaseInsensitive) == 0) {
            return b;
        }
    }
    return name.isEmpty() ? activeBook : nullptr;
}

int FakeSpreadsheet::liveObjects() const {
    return int(std::count_if(handedOut.begin(), handedOut.end(),
                             [](const auto& object) { return !object.expired(); }));
}

void FakeSpreadsheet::enter(const char* operation) {
    calls << QString::fromLatin1(operation);
    if (calls.size() >= failing_.x() && calls.size() <= failing_.y()) {
        fail(QStringLiteral("injected failure of ") + calls.last());
    }
}

} // namespace velmora::testing
