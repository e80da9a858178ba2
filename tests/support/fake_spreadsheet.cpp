#include "fake_spreadsheet.h"

#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace velmora::testing {

namespace {

constexpr int kRows = 1048576, kColumns = 16384; // Calc 7.4's sheet

[[noreturn]] void fail(const QString& message) {
    throw SpreadsheetError(message);
}

// Rows and columns from 1 of "$B$3", "B3:C4"...; x column, y row.
QRect parseAddress(const QString& text) {
    static const QRegularExpression address(QStringLiteral(
        "^\\$?([A-Za-z]{1,3})\\$?([0-9]{1,7})(?::\\$?([A-Za-z]{1,3})\\$?([0-9]{1,7}))?$"));
    const auto m = address.match(text);
    const auto column = [&](int n) {
        int number = 0;
        for (const QChar c : m.captured(n).toUpper()) {
            number = number * 26 + c.unicode() - 'A' + 1;
        }
        return number;
    };
    const QRect box = QRect(QPoint(column(1), m.captured(2).toInt()),
                            m.hasCaptured(3) ? QPoint(column(3), m.captured(4).toInt())
                                             : QPoint(column(1), m.captured(2).toInt()))
                          .normalized();
    if (!m.hasMatch() || box.top() < 1 || box.bottom() > kRows || box.right() > kColumns) {
        fail(QStringLiteral("not a cell address: ") + text);
    }
    return box;
}

// Offset of `index` (from 1) along an axis of `standard` sizes, some of them changed.
double offsetBefore(const std::map<int, double>& sizes, double standard, int index) {
    double offset = (index - 1) * standard;
    for (auto it = sizes.begin(); it != sizes.end() && it->first < index; ++it) {
        offset += it->second - standard;
    }
    return offset;
}

bool hasSheet(const FakeBookData& book, const QString& name, const FakeSheetData* except) {
    return std::any_of(book.sheets.begin(), book.sheets.end(), [&](const auto& sheet) {
        return sheet.get() != except && sheet->name.compare(name, Qt::CaseInsensitive) == 0;
    });
}

// An object handed out; it fails while the application is not running or once its workbook
// closed.
class Handle {
public:
    Handle(FakeSpreadsheet& fake, std::shared_ptr<FakeBookData> book,
           std::shared_ptr<FakeSheetData> sheet = {})
        : fake_(fake), book_(std::move(book)), sheet_(std::move(sheet)) {}

protected:
    void enter(const char* operation) const {
        fake_.enter(operation);
        if (book_ && !book_->open) {
            fail(QStringLiteral("the workbook is closed"));
        }
    }
    template <class T> T at(const char* operation, T value) const {
        return enter(operation), value;
    }
    FakeSpreadsheet& fake_;
    std::shared_ptr<FakeBookData> book_;
    std::shared_ptr<FakeSheetData> sheet_;
};

class FakeRange : public Range, Handle {
public:
    FakeRange(FakeSpreadsheet& fake, std::shared_ptr<FakeBookData> book,
              std::shared_ptr<FakeSheetData> sheet, QRect box)
        : Handle(fake, std::move(book), std::move(sheet)), box_(box) {}

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
    double left() override { return at("Range.left", start(true)); }
    double top() override { return at("Range.top", start(false)); }
    double width() override { return at("Range.width", size(true)); }
    double height() override { return at("Range.height", size(false)); }
    void select() override {
        enter("Range.select");
        sheet_->activeRow = box_.top();
        sheet_->activeColumn = box_.left();
        sheet_->selected.reset();
    }

private:
    QRect mergeArea() const {
        const auto& merges = sheet_->merges;
        const auto it = std::find_if(merges.begin(), merges.end(),
                                     [&](const QRect& m) { return m.contains(box_.topLeft()); });
        return it != merges.end() ? *it : QRect(box_.topLeft(), QSize(1, 1));
    }
    // Columns are 48 pt wide and rows 13.5 pt high unless set otherwise.
    double offset(bool across, int index) const {
        return across ? offsetBefore(sheet_->columnWidths, 48, index)
                      : offsetBefore(sheet_->rowHeights, 13.5, index);
    }
    double start(bool across) const { return offset(across, across ? box_.left() : box_.top()); }
    double size(bool across) const {
        return offset(across, (across ? box_.right() : box_.bottom()) + 1) - start(across);
    }
    QRect box_;
};

class FakeShape : public Shape, Handle {
public:
    FakeShape(FakeSpreadsheet& fake, std::shared_ptr<FakeBookData> book,
              std::shared_ptr<FakeSheetData> sheet, std::shared_ptr<FakeShapeData> shape)
        : Handle(fake, std::move(book), std::move(sheet)), shape_(std::move(shape)) {}

    QString name() override { return data("Shape.name").name; }
    void setName(const QString& name) override {
        if (data("Shape.setName"), name.isEmpty()) {
            fail(QStringLiteral("a shape needs a name"));
        }
        shape_->name = name;
    }
    void select() override { sheet_->selected = (data("Shape.select"), shape_); }
    void scaleHeight(float factor, bool toOriginal) override {
        scale(data("Shape.scaleHeight"), factor, toOriginal, false);
    }
    void scaleWidth(float factor, bool toOriginal) override {
        scale(data("Shape.scaleWidth"), factor, toOriginal, true);
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
    FakeShapeData& data(const char* operation) const {
        enter(operation);
        if (std::find(sheet_->shapes.begin(), sheet_->shapes.end(), shape_) ==
            sheet_->shapes.end()) {
            fail(QStringLiteral("the shape no longer exists"));
        }
        return *shape_;
    }
    QPointF drift() const { return fake_.zoom != 100 ? fake_.zoomedDrift : QPointF(); }
    static void resize(FakeShapeData& s, double points, bool across) {
        if (points < 0 || !std::isfinite(points)) {
            fail(QStringLiteral("a size must not be negative"));
        }
        double& side = across ? s.width : s.height;
        (across ? s.height : s.width) *= s.lockAspectRatio && side > 0 ? points / side : 1;
        side = points;
    }
    // As in Calc, one side only, whatever the aspect lock.
    static void scale(FakeShapeData& s, float factor, bool toOriginal, bool across) {
        if (factor <= 0) {
            fail(QStringLiteral("a scale factor must be positive"));
        }
        double& side = across ? s.width : s.height;
        side = (toOriginal ? (across ? s.originalWidth : s.originalHeight) : side) * factor;
    }
    std::shared_ptr<FakeShapeData> shape_;
};

class FakeWorksheet : public Worksheet, Handle {
public:
    using Handle::Handle;

    void activate() override {
        enter("Worksheet.activate");
        book_->activeSheet = sheet_;
        fake_.setActiveBook(book_);
    }
    QString name() override { return at("Worksheet.name", sheet_->name); }
    void setName(const QString& name) override {
        // Calc refuses an empty name, []*?:/\, an apostrophe at either end and another sheet's.
        static const QRegularExpression refused(QStringLiteral("^$|[][*?:/\\\\]|^'|'$"));
        if (enter("Worksheet.setName"),
            name.contains(refused) || hasSheet(*book_, name, sheet_.get())) {
            fail(QStringLiteral("the sheet name is refused: ") + name);
        }
        sheet_->name = name;
    }
    RangePtr range(const QString& address) override {
        return std::make_shared<FakeRange>(fake_, book_, sheet_,
                                           at("Worksheet.range", parseAddress(address)));
    }
    int shapeCount() override { return at("Worksheet.shapeCount", int(sheet_->shapes.size())); }
    ShapePtr addPicture(const QString& file, bool linkToFile, bool, double left, double top,
                        double width, double height) override {
        if (enter("Worksheet.addPicture"), linkToFile || width < 0 || height < 0) {
            fail(QStringLiteral("only embedded pictures of a positive size"));
        }
        const QSizeF size = fake_.pictureSize(file);
        const QPointF drift = fake_.zoom != 100 ? fake_.zoomedDrift : QPointF();
        auto shape = std::make_shared<FakeShapeData>(FakeShapeData{{},
                                                                   true,
                                                                   file,
                                                                   left + drift.x(),
                                                                   top + drift.y(),
                                                                   width ? width : size.width(),
                                                                   height ? height : size.height(),
                                                                   size.width(),
                                                                   size.height()});
        // The application's own name: the first free "Picture n".
        for (auto n = sheet_->shapes.size() + 1; shape->name.isEmpty(); ++n) {
            if (!find(QStringLiteral("Picture %1").arg(n), false)) {
                shape->name = QStringLiteral("Picture %1").arg(n);
            }
        }
        sheet_->shapes.push_back(shape);
        return std::make_shared<FakeShape>(fake_, book_, sheet_, shape);
    }
    ShapePtr picture(const QString& name) override {
        if (ShapePtr found = (enter("Worksheet.picture"), find(name, true))) {
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
            if (shape->name == name && (shape->isPicture || !picturesOnly)) {
                return std::make_shared<FakeShape>(fake_, book_, sheet_, shape);
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
        return sheet("Workbook.activeSheet", book_->activeSheet);
    }
    int worksheetCount() override {
        return at("Workbook.worksheetCount", int(book_->sheets.size()));
    }
    WorksheetPtr worksheet(int index) override {
        if (enter("Workbook.worksheet"), index < 1 || index > int(book_->sheets.size())) {
            fail(QStringLiteral("no worksheet %1").arg(index));
        }
        return sheet(nullptr, book_->sheets[index - 1]);
    }
    WorksheetPtr addWorksheet() override {
        auto added = std::make_shared<FakeSheetData>();
        for (int n = 1; added->name.isEmpty(); ++n) {
            if (!hasSheet(*book_, QStringLiteral("Sheet%1").arg(n), nullptr)) {
                added->name = QStringLiteral("Sheet%1").arg(n);
            }
        }
        book_->sheets.push_back(added);
        return sheet("Workbook.addWorksheet", book_->activeSheet = added);
    }

private:
    WorksheetPtr sheet(const char* operation, std::shared_ptr<FakeSheetData> data) const {
        if (operation) {
            enter(operation);
        }
        return std::make_shared<FakeWorksheet>(fake_, book_, std::move(data));
    }
};

class FakeApplication : public Application, Handle {
public:
    explicit FakeApplication(FakeSpreadsheet& fake) : Handle(fake, nullptr) {}

    RangePtr activeCell() override {
        return cell("Application.activeCell", book()->activeSheet->activeRow,
                    book()->activeSheet->activeColumn);
    }
    RangePtr range(const QString& address) override {
        const QRect box = at("Application.range", parseAddress(address));
        return std::make_shared<FakeRange>(fake_, book(), book()->activeSheet, box);
    }
    RangePtr cells(int row, int column) override {
        if (row < 1 || row > kRows || column < 1 || column > kColumns) {
            fail(QStringLiteral("no cell at row %1, column %2").arg(row).arg(column));
        }
        return cell("Application.cells", row, column);
    }
    int workbookCount() override {
        return at("Application.workbookCount", int(fake_.books().size()));
    }
    WorkbookPtr workbook(int index) override {
        if (enter("Application.workbook"), index < 1 || index > int(fake_.books().size())) {
            fail(QStringLiteral("no workbook %1").arg(index));
        }
        return wrap(fake_.books()[index - 1]);
    }
    WorkbookPtr workbook(const QString& name) override {
        if (enter("Application.workbook"), !fake_.book(name)) {
            fail(QStringLiteral("no open workbook named ") + name);
        }
        return wrap(fake_.book(name));
    }
    WorkbookPtr activeWorkbook() override { return wrap(at("Application.activeWorkbook", book())); }
    void setScreenUpdating(bool on) override {
        fake_.screenUpdating = at("Application.setScreenUpdating", on);
    }
    QString version() override { return at("Application.version", fake_.version); }
    double zoom() override { return at("Application.zoom", fake_.zoom); }
    void setZoom(double percent) override {
        if (enter("Application.setZoom"), percent < 10 || percent > 400) {
            fail(QStringLiteral("zoom out of range"));
        }
        fake_.zoom = percent;
    }

private:
    std::shared_ptr<FakeBookData> book() const {
        if (!fake_.activeBook()) {
            fail(QStringLiteral("no workbook is open"));
        }
        return fake_.activeBook();
    }
    RangePtr cell(const char* operation, int row, int column) const {
        return std::make_shared<FakeRange>(fake_, at(operation, book()), book()->activeSheet,
                                           QRect(column, row, 1, 1));
    }
    WorkbookPtr wrap(const std::shared_ptr<FakeBookData>& data) const {
        return fake_.handOut(std::make_shared<FakeWorkbook>(fake_, data));
    }
};

} // namespace

ApplicationPtr FakeSpreadsheet::attach() {
    enter("Link.attach");
    return handOut(std::make_shared<FakeApplication>(*this));
}

void FakeSpreadsheet::addWorkbook(const QString& name) {
    books_.push_back(std::make_shared<FakeBookData>(FakeBookData{name, {}, {}}));
    activeBook_ = books_.back();
    activeBook_->sheets.push_back(activeBook_->activeSheet = std::make_shared<FakeSheetData>());
    activeBook_->activeSheet->name = QStringLiteral("Sheet1");
}

void FakeSpreadsheet::closeAllWorkbooks() {
    while (!books_.empty()) {
        closeWorkbook(books_.front()->name);
    }
}

void FakeSpreadsheet::closeWorkbook(const QString& name) {
    if (const auto closed = book(name)) {
        closed->open = false;
        std::erase(books_, closed);
        activeBook_ = activeBook_ != closed ? activeBook_
                      : books_.empty()      ? nullptr
                                            : books_.back();
    }
}

void FakeSpreadsheet::setColumnWidth(int column, double points) {
    activeSheet()->columnWidths[column] = points;
}

void FakeSpreadsheet::setRowHeight(int row, double points) {
    activeSheet()->rowHeights[row] = points;
}

void FakeSpreadsheet::merge(const QString& address) {
    activeSheet()->merges.push_back(parseAddress(address));
}

void FakeSpreadsheet::selectCell(const QString& address) {
    activeSheet()->activeRow = parseAddress(address).top();
    activeSheet()->activeColumn = parseAddress(address).left();
}

void FakeSpreadsheet::addRectangle(const QString& name, double left, double top, double width,
                                   double height) {
    activeSheet()->shapes.push_back(std::make_shared<FakeShapeData>(
        FakeShapeData{name, false, {}, left, top, width, height, width, height}));
}

QStringList FakeSpreadsheet::shapeNamesBackToFront() {
    QStringList names;
    for (const auto& shape : activeSheet()->shapes) {
        names << shape->name;
    }
    return names;
}

void FakeSpreadsheet::registerPicture(const QString& path, double width, double height) {
    pictureSizes_.insert(QFileInfo(path).absoluteFilePath(), QSizeF(width, height));
}

QSizeF FakeSpreadsheet::pictureSize(const QString& path) const {
    const QFileInfo file(path);
    const QSizeF size =
        pictureSizes_.value(file.absoluteFilePath(), QSizeF(QImageReader(path).size()) * 0.75);
    if (!file.isFile() || size.isEmpty()) {
        fail(QStringLiteral("not a picture: ") + path);
    }
    return size;
}

std::shared_ptr<FakeBookData> FakeSpreadsheet::book(const QString& name) const {
    const auto it = std::find_if(books_.begin(), books_.end(), [&](const auto& b) {
        return !name.isEmpty() && b->name.compare(name, Qt::CaseInsensitive) == 0;
    });
    return it != books_.end() ? *it : nullptr;
}

std::vector<FakeShapeData> FakeSpreadsheet::pictures() const {
    std::vector<FakeShapeData> result;
    for (const auto& shape : activeSheet() ? activeSheet()->shapes : FakeSheetData().shapes) {
        if (shape->isPicture) {
            result.push_back(*shape);
        }
    }
    return result;
}

int FakeSpreadsheet::liveObjects() const {
    return int(std::count_if(handedOut_.begin(), handedOut_.end(),
                             [](const auto& object) { return !object.expired(); }));
}

void FakeSpreadsheet::failCalls(int from, int to, const QString& operation) {
    rules_.push_back({operation, from, to});
}

void FakeSpreadsheet::beforeCall(const QString& operation, int nth, std::function<void()> action) {
    hooks_.push_back({operation, nth, std::move(action)});
}

void FakeSpreadsheet::enter(const char* operation) {
    const QString name = QString::fromLatin1(operation);
    calls << name;
    const int nth = ++counts_[name];
    for (const Hook& hook : hooks_) {
        if (hook.operation == name && hook.nth == nth) {
            hook.action();
        }
    }
    if (!running_) {
        fail(QStringLiteral("the spreadsheet application is not running"));
    }
    for (const Rule& rule : rules_) {
        const int count = rule.operation.isEmpty() ? int(calls.size()) : nth;
        if ((rule.operation.isEmpty() || rule.operation == name) && count >= rule.from &&
            count <= rule.to) {
            fail(QStringLiteral("injected failure of ") + name);
        }
    }
}

} // namespace velmora::testing
