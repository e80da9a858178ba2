#include "fake_spreadsheet.h"

#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace velmora::testing {

namespace {

struct CellBox {
    int row1;
    int column1;
    int row2;
    int column2;
};

QString columnLetters(int column) {
    QString letters;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        letters.prepend(QChar('A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

std::optional<std::pair<int, int>> parseCell(const QString& text, int maxRows, int maxColumns) {
    static const QRegularExpression cell(QStringLiteral("^\\$?([A-Za-z]{1,3})\\$?([0-9]{1,7})$"));
    const auto match = cell.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    int column = 0;
    for (const QChar c : match.captured(1).toUpper()) {
        column = column * 26 + (c.unicode() - 'A' + 1);
    }
    const int row = match.captured(2).toInt();
    if (row < 1 || row > maxRows || column < 1 || column > maxColumns) {
        return std::nullopt;
    }
    return std::pair{row, column};
}

std::optional<CellBox> parseAddress(const QString& text, int maxRows, int maxColumns) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() > 2) {
        return std::nullopt;
    }
    const auto first = parseCell(parts.front(), maxRows, maxColumns);
    const auto last = parseCell(parts.back(), maxRows, maxColumns);
    if (!first || !last) {
        return std::nullopt;
    }
    return CellBox{std::min(first->first, last->first), std::min(first->second, last->second),
                   std::max(first->first, last->first), std::max(first->second, last->second)};
}

[[noreturn]] void fail(const QString& message) {
    throw SpreadsheetError(message);
}

CellBox addressOrFail(const QString& text, int maxRows, int maxColumns) {
    const auto box = parseAddress(text, maxRows, maxColumns);
    if (!box) {
        fail(QStringLiteral("not a cell address: ") + text);
    }
    return *box;
}

QString cellAddress(int row, int column) {
    return QLatin1Char('$') + columnLetters(column) + QLatin1Char('$') + QString::number(row);
}

// Offset of `index` (from 1) along an axis with a default size and some custom sizes.
double offsetBefore(const std::map<int, double>& sizes, double standard, int index) {
    double offset = (index - 1) * standard;
    for (auto it = sizes.begin(); it != sizes.end() && it->first < index; ++it) {
        offset += it->second - standard;
    }
    return offset;
}

// Calc's rules: no length limit (unlike Excel's 31), none of []*?:/\ and no apostrophe at
// either end.
bool validSheetName(const QString& name) {
    static const QString forbidden = QStringLiteral("[]*?:/\\");
    if (name.isEmpty() || name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\''))) {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](QChar c) { return forbidden.contains(c); });
}

std::shared_ptr<FakeSheetData> newSheet(const std::shared_ptr<FakeBookData>& book,
                                        const QString& name) {
    auto sheet = std::make_shared<FakeSheetData>();
    sheet->name = name;
    sheet->book = book;
    return sheet;
}

QString unusedSheetName(const FakeBookData& book) {
    for (int k = 1;; ++k) {
        const QString candidate = QStringLiteral("Sheet%1").arg(k);
        const bool taken =
            std::any_of(book.sheets.begin(), book.sheets.end(), [&](const auto& sheet) {
                return sheet->name.compare(candidate, Qt::CaseInsensitive) == 0;
            });
        if (!taken) {
            return candidate;
        }
    }
}

// Base of every handed-out object: knows the fake and the application's generation.
class Handle {
public:
    Handle(FakeSpreadsheet& fake, int generation) : fake_(fake), generation_(generation) {}

protected:
    void enter(const char* operation) const {
        fake_.enter(QString::fromLatin1(operation), generation_);
    }
    // Another object of the same application.
    template <class Object, class... Args> std::shared_ptr<Object> make(Args&&... args) const {
        return std::make_shared<Object>(fake_, generation_, std::forward<Args>(args)...);
    }
    FakeSpreadsheet& fake_;
    int generation_;
};

// An object on a sheet, usable while the sheet's workbook is open.
class SheetHandle : protected Handle {
public:
    SheetHandle(FakeSpreadsheet& fake, int generation, std::shared_ptr<FakeSheetData> sheet)
        : Handle(fake, generation), sheet_(std::move(sheet)) {}

protected:
    // Logs the operation, then the sheet or the failure of a closed workbook.
    FakeSheetData& live(const char* operation) const {
        enter(operation);
        const auto book = sheet_->book.lock();
        if (!book || !book->open) {
            fail(QStringLiteral("the sheet's workbook is closed"));
        }
        return *sheet_;
    }
    std::shared_ptr<FakeSheetData> sheet_;
};

class FakeRange : public Range, SheetHandle {
public:
    FakeRange(FakeSpreadsheet& fake, int generation, std::shared_ptr<FakeSheetData> sheet,
              CellBox box)
        : SheetHandle(fake, generation, std::move(sheet)), box_(box) {}

    QString address() override {
        enter("Range.address");
        const QString first = cellAddress(box_.row1, box_.column1);
        if (box_.row1 == box_.row2 && box_.column1 == box_.column2) {
            return first;
        }
        return first + QLatin1Char(':') + cellAddress(box_.row2, box_.column2);
    }
    int row() override {
        live("Range.row");
        return box_.row1;
    }
    int column() override {
        live("Range.column");
        return box_.column1;
    }
    int mergeAreaRows() override { return mergeArea("Range.mergeAreaRows").rows; }
    int mergeAreaColumns() override { return mergeArea("Range.mergeAreaColumns").columns; }
    double left() override { return along("Range.left", true).first; }
    double top() override { return along("Range.top", false).first; }
    double width() override { return along("Range.width", true).second; }
    double height() override { return along("Range.height", false).second; }
    void select() override {
        FakeSheetData& sheet = live("Range.select");
        if (fake_.activeSheet() != &sheet) {
            fail(QStringLiteral("Select: the range's sheet is not the active sheet"));
        }
        sheet.activeRow = box_.row1;
        sheet.activeColumn = box_.column1;
        sheet.selectedShape.reset();
    }

private:
    FakeMerge mergeArea(const char* operation) const {
        for (const FakeMerge& m : live(operation).merges) {
            if (box_.row1 >= m.row && box_.row1 < m.row + m.rows && box_.column1 >= m.column &&
                box_.column1 < m.column + m.columns) {
                return m;
            }
        }
        return FakeMerge{box_.row1, box_.column1, 1, 1};
    }
    // Start and extent of the range across the columns or down the rows.
    std::pair<double, double> along(const char* operation, bool columns) const {
        const FakeSheetData& sheet = live(operation);
        const auto& sizes = columns ? sheet.columnWidths : sheet.rowHeights;
        const double standard = columns ? fake_.defaultColumnWidth : fake_.defaultRowHeight;
        const double start = offsetBefore(sizes, standard, columns ? box_.column1 : box_.row1);
        const double end = offsetBefore(sizes, standard, (columns ? box_.column2 : box_.row2) + 1);
        return {start, end - start};
    }

    CellBox box_;
};

class FakeShape : public Shape, SheetHandle {
public:
    FakeShape(FakeSpreadsheet& fake, int generation, std::shared_ptr<FakeSheetData> sheet,
              std::shared_ptr<FakeShapeData> shape)
        : SheetHandle(fake, generation, std::move(sheet)), shape_(std::move(shape)) {}

    QString name() override { return data("Shape.name").name; }
    void setName(const QString& name) override {
        FakeShapeData& shape = data("Shape.setName");
        if (name.isEmpty()) {
            fail(QStringLiteral("a shape needs a name"));
        }
        shape.name = name;
    }
    void select() override {
        data("Shape.select");
        if (fake_.activeSheet() != sheet_.get()) {
            fail(QStringLiteral("Select: the shape's sheet is not the active sheet"));
        }
        sheet_->selectedShape = shape_;
    }
    void scaleHeight(float factor, bool relativeToOriginal) override {
        scale(data("Shape.scaleHeight"), factor, relativeToOriginal, &FakeShapeData::height,
              &FakeShapeData::originalHeight, &FakeShapeData::width, &FakeShapeData::originalWidth);
    }
    void scaleWidth(float factor, bool relativeToOriginal) override {
        scale(data("Shape.scaleWidth"), factor, relativeToOriginal, &FakeShapeData::width,
              &FakeShapeData::originalWidth, &FakeShapeData::height,
              &FakeShapeData::originalHeight);
    }
    bool lockAspectRatio() override { return data("Shape.lockAspectRatio").lockAspectRatio; }
    void setLockAspectRatio(bool locked) override {
        data("Shape.setLockAspectRatio").lockAspectRatio = locked;
    }
    double width() override { return data("Shape.width").width; }
    void setWidth(double points) override {
        resize(data("Shape.setWidth"), points, &FakeShapeData::width, &FakeShapeData::height);
    }
    double height() override { return data("Shape.height").height; }
    void setHeight(double points) override {
        resize(data("Shape.setHeight"), points, &FakeShapeData::height, &FakeShapeData::width);
    }
    double left() override { return data("Shape.left").left; }
    void setLeft(double points) override { data("Shape.setLeft").left = points; }
    double top() override { return data("Shape.top").top; }
    void setTop(double points) override { data("Shape.setTop").top = points; }
    void incrementLeft(double points) override { data("Shape.incrementLeft").left += points; }
    void incrementTop(double points) override { data("Shape.incrementTop").top += points; }
    void sendToBack() override {
        auto& shapes = live("Shape.sendToBack").shapes;
        const auto it = std::find(shapes.begin(), shapes.end(), shape_);
        if (it == shapes.end()) {
            fail(QStringLiteral("the shape no longer exists"));
        }
        std::rotate(shapes.begin(), it, it + 1);
    }

private:
    using Side = double FakeShapeData::*;

    FakeShapeData& data(const char* operation) const {
        const auto& shapes = live(operation).shapes;
        if (std::find(shapes.begin(), shapes.end(), shape_) == shapes.end()) {
            fail(QStringLiteral("the shape no longer exists"));
        }
        return *shape_;
    }
    static void resize(FakeShapeData& shape, double points, Side side, Side other) {
        if (points < 0 || !std::isfinite(points)) {
            fail(QStringLiteral("a size must not be negative"));
        }
        if (shape.lockAspectRatio && shape.*side > 0) {
            shape.*other *= points / (shape.*side);
        }
        shape.*side = points;
    }
    static void scale(FakeShapeData& shape, float factor, bool relativeToOriginal, Side side,
                      Side original, Side other, Side otherOriginal) {
        if (factor <= 0) {
            fail(QStringLiteral("a scale factor must be positive"));
        }
        if (relativeToOriginal && !shape.isPicture) {
            fail(QStringLiteral("only pictures scale relative to their original size"));
        }
        shape.*side = (relativeToOriginal ? shape.*original : shape.*side) * factor;
        if (shape.lockAspectRatio) {
            shape.*other = (relativeToOriginal ? shape.*otherOriginal : shape.*other) * factor;
        }
    }

    std::shared_ptr<FakeShapeData> shape_;
};

class FakeWorksheet : public Worksheet, SheetHandle {
public:
    using SheetHandle::SheetHandle;

    void activate() override {
        live("Worksheet.activate");
        const auto book = sheet_->book.lock();
        book->activeSheet = sheet_;
        fake_.setActiveBook(book);
    }
    QString name() override { return live("Worksheet.name").name; }
    void setName(const QString& name) override {
        live("Worksheet.setName");
        const auto& sheets = sheet_->book.lock()->sheets;
        const bool taken = std::any_of(sheets.begin(), sheets.end(), [&](const auto& other) {
            return other != sheet_ && other->name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (!validSheetName(name) || taken) {
            fail(QStringLiteral("the sheet name is refused: ") + name);
        }
        sheet_->name = name;
    }
    RangePtr range(const QString& address) override {
        live("Worksheet.range");
        return make<FakeRange>(sheet_, addressOrFail(address, fake_.maxRows, fake_.maxColumns));
    }
    int shapeCount() override {
        return static_cast<int>(live("Worksheet.shapeCount").shapes.size());
    }
    ShapePtr addPicture(const QString& fileName, bool linkToFile, bool saveWithDocument,
                        double left, double top, double width, double height) override {
        FakeSheetData& sheet = live("Worksheet.addPicture");
        if (width < 0 || height < 0) {
            fail(QStringLiteral("a picture size must not be negative"));
        }
        const QSizeF size = fake_.pictureSize(fileName);
        auto shape = std::make_shared<FakeShapeData>();
        shape->isPicture = true;
        shape->fileName = fileName;
        shape->linkedToFile = linkToFile;
        shape->savedWithDocument = saveWithDocument;
        shape->left = left + fake_.insertionDrift.x();
        shape->top = top + fake_.insertionDrift.y();
        // A size of 0 stands for the picture's own size.
        shape->width = width == 0 ? size.width() : width;
        shape->height = height == 0 ? size.height() : height;
        shape->originalWidth = size.width();
        shape->originalHeight = size.height();
        shape->lockAspectRatio = true;
        // The application names a new picture itself, with the first free number; callers
        // rename it.
        for (auto n = sheet.shapes.size() + 1; shape->name.isEmpty(); ++n) {
            const QString candidate = QStringLiteral("Picture %1").arg(n);
            if (std::none_of(sheet.shapes.begin(), sheet.shapes.end(),
                             [&](const auto& other) { return other->name == candidate; })) {
                shape->name = candidate;
            }
        }
        sheet.shapes.push_back(shape);
        return make<FakeShape>(sheet_, shape);
    }
    ShapePtr picture(const QString& name) override {
        if (ShapePtr found = find("Worksheet.picture", name, true)) {
            return found;
        }
        fail(QStringLiteral("no picture named ") + name);
    }
    ShapePtr evaluate(const QString& name) override {
        return find("Worksheet.evaluate", name, false);
    }

private:
    ShapePtr find(const char* operation, const QString& name, bool picturesOnly) const {
        for (const auto& shape : live(operation).shapes) {
            if ((shape->isPicture || !picturesOnly) && shape->name == name) {
                return make<FakeShape>(sheet_, shape);
            }
        }
        return nullptr;
    }
};

class FakeWorkbook : public Workbook, Handle {
public:
    FakeWorkbook(FakeSpreadsheet& fake, int generation, std::shared_ptr<FakeBookData> book)
        : Handle(fake, generation), book_(std::move(book)) {}

    QString name() override { return open("Workbook.name").name; }
    WorksheetPtr activeSheet() override {
        return make<FakeWorksheet>(open("Workbook.activeSheet").activeSheet.lock());
    }
    int worksheetCount() override {
        return static_cast<int>(open("Workbook.worksheetCount").sheets.size());
    }
    WorksheetPtr worksheet(int index) override {
        const auto& sheets = open("Workbook.worksheet").sheets;
        if (index < 1 || index > static_cast<int>(sheets.size())) {
            fail(QStringLiteral("no worksheet %1").arg(index));
        }
        return make<FakeWorksheet>(sheets[index - 1]);
    }
    WorksheetPtr addWorksheet() override {
        FakeBookData& book = open("Workbook.addWorksheet");
        auto sheet = newSheet(book_, unusedSheetName(book));
        book.sheets.push_back(sheet);
        book.activeSheet = sheet;
        return make<FakeWorksheet>(sheet);
    }

private:
    FakeBookData& open(const char* operation) const {
        enter(operation);
        if (!book_->open) {
            fail(QStringLiteral("the workbook is closed"));
        }
        return *book_;
    }
    std::shared_ptr<FakeBookData> book_;
};

class FakeApplication : public Application, Handle {
public:
    using Handle::Handle;

    RangePtr activeCell() override {
        const auto sheet = activeSheet("Application.activeCell");
        const int row = sheet->activeRow;
        const int column = sheet->activeColumn;
        return make<FakeRange>(sheet, CellBox{row, column, row, column});
    }
    RangePtr range(const QString& address) override {
        enter("Application.range");
        const CellBox box = addressOrFail(address, fake_.maxRows, fake_.maxColumns);
        return make<FakeRange>(activeSheet(), box);
    }
    RangePtr cells(int row, int column) override {
        enter("Application.cells");
        if (row < 1 || row > fake_.maxRows || column < 1 || column > fake_.maxColumns) {
            fail(QStringLiteral("no cell at row %1, column %2").arg(row).arg(column));
        }
        return make<FakeRange>(activeSheet(), CellBox{row, column, row, column});
    }
    int workbookCount() override {
        enter("Application.workbookCount");
        return static_cast<int>(fake_.books().size());
    }
    WorkbookPtr workbook(int index) override {
        enter("Application.workbook");
        const auto& books = fake_.books();
        if (index < 1 || index > static_cast<int>(books.size())) {
            fail(QStringLiteral("no workbook %1").arg(index));
        }
        return wrap(books[index - 1]);
    }
    WorkbookPtr workbook(const QString& name) override {
        enter("Application.workbook");
        auto book = fake_.book(name);
        if (!book) {
            fail(QStringLiteral("no open workbook named ") + name);
        }
        return wrap(book);
    }
    WorkbookPtr activeWorkbook() override {
        enter("Application.activeWorkbook");
        auto book = fake_.activeBook();
        if (!book) {
            fail(QStringLiteral("no active workbook"));
        }
        return wrap(book);
    }
    void setScreenUpdating(bool on) override {
        enter("Application.setScreenUpdating");
        fake_.screenUpdating = on;
        fake_.screenUpdatingHistory.push_back(on);
    }
    QString version() override {
        enter("Application.version");
        return fake_.version;
    }
    double zoom() override {
        activeSheet("Application.zoom");
        return fake_.zoom;
    }
    void setZoom(double percent) override {
        activeSheet("Application.setZoom");
        if (percent < 10 || percent > 400) {
            fail(QStringLiteral("zoom out of range"));
        }
        fake_.zoom = percent;
        fake_.zoomHistory.push_back(percent);
    }

private:
    // Logs the operation, if any, then the active sheet or the failure of none.
    std::shared_ptr<FakeSheetData> activeSheet(const char* operation = nullptr) const {
        if (operation) {
            enter(operation);
        }
        const auto book = fake_.activeBook();
        if (!book) {
            fail(QStringLiteral("no workbook is open"));
        }
        return book->activeSheet.lock();
    }
    WorkbookPtr wrap(const std::shared_ptr<FakeBookData>& book) const {
        auto workbook = make<FakeWorkbook>(book);
        fake_.track(workbook);
        return workbook;
    }
};

} // namespace

ApplicationPtr FakeSpreadsheet::attach() {
    enter(QStringLiteral("Link.attach"), generation_);
    auto application = std::make_shared<FakeApplication>(*this, generation_);
    track(application);
    return application;
}

void FakeSpreadsheet::setWaitSettings(const WaitSettings& settings) {
    waitSettings_ = settings;
    waitSettingsHistory.push_back(settings);
}

void FakeSpreadsheet::addWorkbook(const QString& name) {
    auto book = std::make_shared<FakeBookData>();
    book->name = name;
    auto sheet = newSheet(book, QStringLiteral("Sheet1"));
    book->sheets.push_back(sheet);
    book->activeSheet = sheet;
    books_.push_back(book);
    activeBook_ = book;
}

void FakeSpreadsheet::closeAllWorkbooks() {
    for (const auto& book : books_) {
        book->open = false;
    }
    books_.clear();
    activeBook_.reset();
}

void FakeSpreadsheet::closeWorkbook(const QString& name) {
    const auto closed = book(name);
    if (!closed) {
        return;
    }
    closed->open = false;
    std::erase(books_, closed);
    if (activeBook_.lock() == closed) {
        activeBook_ = books_.empty() ? std::weak_ptr<FakeBookData>() : books_.back();
    }
}

void FakeSpreadsheet::setColumnWidth(int column, double points) {
    activeSheet()->columnWidths[column] = points;
}

void FakeSpreadsheet::setRowHeight(int row, double points) {
    activeSheet()->rowHeights[row] = points;
}

void FakeSpreadsheet::merge(const QString& address) {
    const CellBox box = addressOrFail(address, maxRows, maxColumns);
    activeSheet()->merges.push_back(
        FakeMerge{box.row1, box.column1, box.row2 - box.row1 + 1, box.column2 - box.column1 + 1});
}

void FakeSpreadsheet::selectCell(const QString& address) {
    const CellBox box = addressOrFail(address, maxRows, maxColumns);
    activeSheet()->activeRow = box.row1;
    activeSheet()->activeColumn = box.column1;
}

void FakeSpreadsheet::addSheet(const QString& name) {
    const auto active = activeBook();
    active->sheets.push_back(newSheet(active, name));
}

void FakeSpreadsheet::addRectangle(const QString& name, double left, double top, double width,
                                   double height) {
    auto shape = std::make_shared<FakeShapeData>();
    shape->name = name;
    shape->left = left;
    shape->top = top;
    shape->width = width;
    shape->height = height;
    activeSheet()->shapes.push_back(shape);
}

QStringList FakeSpreadsheet::shapeNamesBackToFront() {
    QStringList names;
    for (const auto& shape : activeSheet()->shapes) {
        names << shape->name;
    }
    return names;
}

void FakeSpreadsheet::setRunning(bool running) {
    if (running_ && !running) {
        ++generation_;
    }
    running_ = running;
}

void FakeSpreadsheet::registerPicture(const QString& path, double width, double height) {
    pictureSizes_.insert(QFileInfo(path).absoluteFilePath(), QSizeF(width, height));
}

QSizeF FakeSpreadsheet::pictureSize(const QString& path) const {
    const QFileInfo info(path);
    if (!info.isFile()) {
        fail(QStringLiteral("no such file: ") + path);
    }
    const auto known = pictureSizes_.constFind(info.absoluteFilePath());
    if (known != pictureSizes_.constEnd()) {
        return *known;
    }
    QImageReader reader(path);
    const QSize pixels = reader.size();
    if (!reader.canRead() || !pixels.isValid() || pixels.isEmpty()) {
        fail(QStringLiteral("not a picture: ") + path);
    }
    return QSizeF(pixels.width() * 0.75, pixels.height() * 0.75);
}

std::shared_ptr<FakeBookData> FakeSpreadsheet::book(const QString& name) {
    for (const auto& book : books_) {
        if (!name.isEmpty() && book->name.compare(name, Qt::CaseInsensitive) == 0) {
            return book;
        }
    }
    return nullptr;
}

FakeSheetData* FakeSpreadsheet::activeSheet() {
    const auto book = activeBook_.lock();
    return book ? book->activeSheet.lock().get() : nullptr;
}

std::vector<FakeShapeData> FakeSpreadsheet::pictures() {
    std::vector<FakeShapeData> result;
    if (FakeSheetData* sheet = activeSheet()) {
        for (const auto& shape : sheet->shapes) {
            if (shape->isPicture) {
                result.push_back(*shape);
            }
        }
    }
    return result;
}

void FakeSpreadsheet::track(const std::shared_ptr<void>& object) {
    std::erase_if(tracked_, [](const auto& weak) { return weak.expired(); });
    tracked_.push_back(object);
}

int FakeSpreadsheet::liveObjects() const {
    return static_cast<int>(std::count_if(tracked_.begin(), tracked_.end(),
                                          [](const auto& weak) { return !weak.expired(); }));
}

int FakeSpreadsheet::callCount(const QString& operation) const {
    return counts_.value(operation);
}

void FakeSpreadsheet::clearCalls() {
    calls.clear();
    counts_.clear();
}

void FakeSpreadsheet::failCall(const QString& operation, int nth) {
    rules_.push_back(Rule{operation, nth, nth});
}

void FakeSpreadsheet::failOverallCall(int nth) {
    rules_.push_back(Rule{QString(), nth, nth});
}

void FakeSpreadsheet::failEveryCallFrom(int nth) {
    rules_.push_back(Rule{QString(), nth, std::numeric_limits<int>::max()});
}

void FakeSpreadsheet::beforeCall(const QString& operation, int nth, std::function<void()> action) {
    hooks_.push_back(Hook{operation, nth, std::move(action)});
}

void FakeSpreadsheet::enter(const QString& operation, int generation) {
    calls << operation;
    const int nth = ++counts_[operation];
    const int overall = static_cast<int>(calls.size());
    for (const Hook& hook : hooks_) {
        if (hook.operation == operation && hook.nth == nth) {
            hook.action();
        }
    }
    if (!running_ || generation != generation_) {
        fail(QStringLiteral("the spreadsheet application is not running"));
    }
    for (const Rule& rule : rules_) {
        const int count = rule.operation.isEmpty() ? overall : nth;
        if ((rule.operation.isEmpty() || rule.operation == operation) && count >= rule.from &&
            count <= rule.to) {
            fail(QStringLiteral("injected failure of ") + operation);
        }
    }
}

} // namespace velmora::testing
