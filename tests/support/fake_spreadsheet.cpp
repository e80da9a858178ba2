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

// Offset of `index` (from 1) along an axis with a default size and some custom sizes.
double offsetBefore(const std::map<int, double>& sizes, double standard, int index) {
    double offset = (index - 1) * standard;
    for (auto it = sizes.begin(); it != sizes.end() && it->first < index; ++it) {
        offset += it->second - standard;
    }
    return offset;
}

double span(const std::map<int, double>& sizes, double standard, int first, int last) {
    return offsetBefore(sizes, standard, last + 1) - offsetBefore(sizes, standard, first);
}

[[noreturn]] void fail(const QString& message) {
    throw SpreadsheetError(message);
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
    FakeSpreadsheet& fake_;
    int generation_;
};

class FakeRange : public Range, Handle {
public:
    FakeRange(FakeSpreadsheet& fake, int generation, std::shared_ptr<FakeSheetData> sheet,
              CellBox box)
        : Handle(fake, generation), sheet_(std::move(sheet)), box_(box) {}

    QString address() override {
        enter("Range.address");
        const QString first = fakeCellAddress(box_.row1, box_.column1);
        if (box_.row1 == box_.row2 && box_.column1 == box_.column2) {
            return first;
        }
        return first + QLatin1Char(':') + fakeCellAddress(box_.row2, box_.column2);
    }
    int row() override {
        enter("Range.row");
        sheetData();
        return box_.row1;
    }
    int column() override {
        enter("Range.column");
        sheetData();
        return box_.column1;
    }
    int mergeAreaRows() override {
        enter("Range.mergeAreaRows");
        return mergeArea().rows;
    }
    int mergeAreaColumns() override {
        enter("Range.mergeAreaColumns");
        return mergeArea().columns;
    }
    double left() override {
        enter("Range.left");
        return offsetBefore(sheetData().columnWidths, fake_.defaultColumnWidth, box_.column1);
    }
    double top() override {
        enter("Range.top");
        return offsetBefore(sheetData().rowHeights, fake_.defaultRowHeight, box_.row1);
    }
    double width() override {
        enter("Range.width");
        return span(sheetData().columnWidths, fake_.defaultColumnWidth, box_.column1, box_.column2);
    }
    double height() override {
        enter("Range.height");
        return span(sheetData().rowHeights, fake_.defaultRowHeight, box_.row1, box_.row2);
    }
    void select() override {
        enter("Range.select");
        FakeSheetData& sheet = sheetData();
        if (fake_.activeSheet() != &sheet) {
            fail(QStringLiteral("Select: the range's sheet is not the active sheet"));
        }
        sheet.activeRow = box_.row1;
        sheet.activeColumn = box_.column1;
        sheet.selectedShape.reset();
    }

private:
    FakeSheetData& sheetData() const {
        const auto book = sheet_->book.lock();
        if (!book || !book->open) {
            fail(QStringLiteral("the range's workbook is closed"));
        }
        return *sheet_;
    }
    FakeMerge mergeArea() const {
        for (const FakeMerge& m : sheetData().merges) {
            if (box_.row1 >= m.row && box_.row1 < m.row + m.rows && box_.column1 >= m.column &&
                box_.column1 < m.column + m.columns) {
                return m;
            }
        }
        return FakeMerge{box_.row1, box_.column1, 1, 1};
    }

    std::shared_ptr<FakeSheetData> sheet_;
    CellBox box_;
};

class FakeShape : public Shape, Handle {
public:
    FakeShape(FakeSpreadsheet& fake, int generation, std::shared_ptr<FakeSheetData> sheet,
              std::shared_ptr<FakeShapeData> shape)
        : Handle(fake, generation), sheet_(std::move(sheet)), shape_(std::move(shape)) {}

    QString name() override {
        enter("Shape.name");
        return data().name;
    }
    void setName(const QString& name) override {
        enter("Shape.setName");
        if (name.isEmpty()) {
            fail(QStringLiteral("a shape needs a name"));
        }
        data().name = name;
    }
    void select() override {
        enter("Shape.select");
        FakeShapeData& shape = data();
        if (fake_.activeSheet() != sheet_.get()) {
            fail(QStringLiteral("Select: the shape's sheet is not the active sheet"));
        }
        (void)shape;
        sheet_->selectedShape = shape_;
    }
    void scaleHeight(float factor, bool relativeToOriginal) override {
        enter("Shape.scaleHeight");
        scale(factor, relativeToOriginal, &FakeShapeData::height, &FakeShapeData::originalHeight,
              &FakeShapeData::width, &FakeShapeData::originalWidth);
    }
    void scaleWidth(float factor, bool relativeToOriginal) override {
        enter("Shape.scaleWidth");
        scale(factor, relativeToOriginal, &FakeShapeData::width, &FakeShapeData::originalWidth,
              &FakeShapeData::height, &FakeShapeData::originalHeight);
    }
    bool lockAspectRatio() override {
        enter("Shape.lockAspectRatio");
        return data().lockAspectRatio;
    }
    void setLockAspectRatio(bool locked) override {
        enter("Shape.setLockAspectRatio");
        data().lockAspectRatio = locked;
    }
    double width() override {
        enter("Shape.width");
        return data().width;
    }
    void setWidth(double points) override {
        enter("Shape.setWidth");
        resize(points, &FakeShapeData::width, &FakeShapeData::height);
    }
    double height() override {
        enter("Shape.height");
        return data().height;
    }
    void setHeight(double points) override {
        enter("Shape.setHeight");
        resize(points, &FakeShapeData::height, &FakeShapeData::width);
    }
    double left() override {
        enter("Shape.left");
        return data().left;
    }
    void setLeft(double points) override {
        enter("Shape.setLeft");
        data().left = points;
    }
    double top() override {
        enter("Shape.top");
        return data().top;
    }
    void setTop(double points) override {
        enter("Shape.setTop");
        data().top = points;
    }
    void incrementLeft(double points) override {
        enter("Shape.incrementLeft");
        data().left += points;
    }
    void incrementTop(double points) override {
        enter("Shape.incrementTop");
        data().top += points;
    }
    void sendToBack() override {
        enter("Shape.sendToBack");
        data();
        auto& shapes = sheet_->shapes;
        const auto it = std::find(shapes.begin(), shapes.end(), shape_);
        std::rotate(shapes.begin(), it, it + 1);
    }

private:
    using Side = double FakeShapeData::*;

    FakeShapeData& data() const {
        const auto book = sheet_->book.lock();
        const auto& shapes = sheet_->shapes;
        if (!book || !book->open ||
            std::find(shapes.begin(), shapes.end(), shape_) == shapes.end()) {
            fail(QStringLiteral("the shape no longer exists"));
        }
        return *shape_;
    }
    void resize(double points, Side side, Side other) const {
        FakeShapeData& shape = data();
        if (points < 0 || !std::isfinite(points)) {
            fail(QStringLiteral("a size must not be negative"));
        }
        if (shape.lockAspectRatio && shape.*side > 0) {
            shape.*other *= points / (shape.*side);
        }
        shape.*side = points;
    }
    void scale(float factor, bool relativeToOriginal, Side side, Side original, Side other,
               Side otherOriginal) const {
        FakeShapeData& shape = data();
        if (factor <= 0) {
            fail(QStringLiteral("a scale factor must be positive"));
        }
        if (relativeToOriginal && !shape.isPicture) {
            fail(QStringLiteral("only pictures scale relative to their original size"));
        }
        const double base = relativeToOriginal ? shape.*original : shape.*side;
        shape.*side = base * factor;
        if (shape.lockAspectRatio) {
            const double otherBase = relativeToOriginal ? shape.*otherOriginal : shape.*other;
            shape.*other = otherBase * factor;
        }
    }

    std::shared_ptr<FakeSheetData> sheet_;
    std::shared_ptr<FakeShapeData> shape_;
};

class FakeWorksheet : public Worksheet, Handle {
public:
    FakeWorksheet(FakeSpreadsheet& fake, int generation, std::shared_ptr<FakeSheetData> sheet)
        : Handle(fake, generation), sheet_(std::move(sheet)) {}

    void activate() override {
        enter("Worksheet.activate");
        const auto book = openBook();
        book->activeSheet = sheet_;
        fake_.setActiveBook(book);
    }
    QString name() override {
        enter("Worksheet.name");
        openBook();
        return sheet_->name;
    }
    void setName(const QString& name) override {
        enter("Worksheet.setName");
        const auto book = openBook();
        const bool taken =
            std::any_of(book->sheets.begin(), book->sheets.end(), [&](const auto& other) {
                return other != sheet_ && other->name.compare(name, Qt::CaseInsensitive) == 0;
            });
        if (!validSheetName(name) || taken) {
            fail(QStringLiteral("the sheet name is refused: ") + name);
        }
        sheet_->name = name;
    }
    RangePtr range(const QString& address) override {
        enter("Worksheet.range");
        openBook();
        const auto box = parseAddress(address, fake_.maxRows, fake_.maxColumns);
        if (!box) {
            fail(QStringLiteral("not a cell address: ") + address);
        }
        return std::make_shared<FakeRange>(fake_, generation_, sheet_, *box);
    }
    int shapeCount() override {
        enter("Worksheet.shapeCount");
        openBook();
        return static_cast<int>(sheet_->shapes.size());
    }
    ShapePtr addPicture(const QString& fileName, bool linkToFile, bool saveWithDocument,
                        double left, double top, double width, double height) override {
        enter("Worksheet.addPicture");
        openBook();
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
        shape->name = freeName();
        sheet_->shapes.push_back(shape);
        return std::make_shared<FakeShape>(fake_, generation_, sheet_, shape);
    }
    ShapePtr picture(const QString& name) override {
        enter("Worksheet.picture");
        openBook();
        for (const auto& shape : sheet_->shapes) {
            if (shape->isPicture && shape->name == name) {
                return std::make_shared<FakeShape>(fake_, generation_, sheet_, shape);
            }
        }
        fail(QStringLiteral("no picture named ") + name);
    }
    ShapePtr evaluate(const QString& name) override {
        enter("Worksheet.evaluate");
        openBook();
        for (const auto& shape : sheet_->shapes) {
            if (shape->name == name) {
                return std::make_shared<FakeShape>(fake_, generation_, sheet_, shape);
            }
        }
        return nullptr;
    }

private:
    QString freeName() const {
        for (auto n = sheet_->shapes.size() + 1;; ++n) {
            const QString candidate = QStringLiteral("Picture %1").arg(n);
            if (std::none_of(sheet_->shapes.begin(), sheet_->shapes.end(),
                             [&](const auto& shape) { return shape->name == candidate; })) {
                return candidate;
            }
        }
    }
    std::shared_ptr<FakeBookData> openBook() const {
        auto book = sheet_->book.lock();
        if (!book || !book->open) {
            fail(QStringLiteral("the sheet's workbook is closed"));
        }
        return book;
    }
    std::shared_ptr<FakeSheetData> sheet_;
};

class FakeWorkbook : public Workbook, Handle {
public:
    FakeWorkbook(FakeSpreadsheet& fake, int generation, std::shared_ptr<FakeBookData> book)
        : Handle(fake, generation), book_(std::move(book)) {}

    QString name() override {
        enter("Workbook.name");
        return open().name;
    }
    WorksheetPtr activeSheet() override {
        enter("Workbook.activeSheet");
        open();
        return std::make_shared<FakeWorksheet>(fake_, generation_, book_->activeSheet.lock());
    }
    int worksheetCount() override {
        enter("Workbook.worksheetCount");
        return static_cast<int>(open().sheets.size());
    }
    WorksheetPtr worksheet(int index) override {
        enter("Workbook.worksheet");
        const auto& sheets = open().sheets;
        if (index < 1 || index > static_cast<int>(sheets.size())) {
            fail(QStringLiteral("no worksheet %1").arg(index));
        }
        return std::make_shared<FakeWorksheet>(fake_, generation_, sheets[index - 1]);
    }
    WorksheetPtr addWorksheet() override {
        enter("Workbook.addWorksheet");
        FakeBookData& book = open();
        auto sheet = newSheet(book_, unusedSheetName(book));
        book.sheets.push_back(sheet);
        book.activeSheet = sheet;
        return std::make_shared<FakeWorksheet>(fake_, generation_, sheet);
    }

private:
    FakeBookData& open() const {
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
        enter("Application.activeCell");
        const auto sheet = sheetOrFail();
        return std::make_shared<FakeRange>(
            fake_, generation_, sheet,
            CellBox{sheet->activeRow, sheet->activeColumn, sheet->activeRow, sheet->activeColumn});
    }
    RangePtr range(const QString& address) override {
        enter("Application.range");
        const auto box = parseAddress(address, fake_.maxRows, fake_.maxColumns);
        if (!box) {
            fail(QStringLiteral("not a cell address: ") + address);
        }
        return std::make_shared<FakeRange>(fake_, generation_, sheetOrFail(), *box);
    }
    RangePtr cells(int row, int column) override {
        enter("Application.cells");
        if (row < 1 || row > fake_.maxRows || column < 1 || column > fake_.maxColumns) {
            fail(QStringLiteral("no cell at row %1, column %2").arg(row).arg(column));
        }
        return std::make_shared<FakeRange>(fake_, generation_, sheetOrFail(),
                                           CellBox{row, column, row, column});
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
        auto book = fake_.findBook(name);
        if (!book) {
            fail(QStringLiteral("no open workbook named ") + name);
        }
        return wrap(book);
    }
    WorkbookPtr activeWorkbook() override {
        enter("Application.activeWorkbook");
        auto book = fake_.activeBookShared();
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
        enter("Application.zoom");
        sheetOrFail();
        return fake_.zoom;
    }
    void setZoom(double percent) override {
        enter("Application.setZoom");
        sheetOrFail();
        if (percent < 10 || percent > 400) {
            fail(QStringLiteral("zoom out of range"));
        }
        fake_.zoom = percent;
        fake_.zoomHistory.push_back(percent);
    }

private:
    std::shared_ptr<FakeSheetData> sheetOrFail() const {
        const auto book = fake_.activeBookShared();
        if (!book) {
            fail(QStringLiteral("no workbook is open"));
        }
        return book->activeSheet.lock();
    }
    WorkbookPtr wrap(const std::shared_ptr<FakeBookData>& book) const {
        auto workbook = std::make_shared<FakeWorkbook>(fake_, generation_, book);
        fake_.track(workbook);
        return workbook;
    }
};

} // namespace

QString fakeCellAddress(int row, int column) {
    return QLatin1Char('$') + columnLetters(column) + QLatin1Char('$') + QString::number(row);
}

FakeSpreadsheet::FakeSpreadsheet() = default;
FakeSpreadsheet::~FakeSpreadsheet() = default;

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
    const auto book = findBook(name);
    if (!book) {
        return;
    }
    book->open = false;
    std::erase(books_, book);
    if (activeBook_.lock() == book) {
        activeBook_ = books_.empty() ? std::weak_ptr<FakeBookData>() : books_.back();
    }
}

void FakeSpreadsheet::activateWorkbook(const QString& name) {
    activeBook_ = findBook(name);
}

void FakeSpreadsheet::setColumnWidth(int column, double points) {
    activeSheet()->columnWidths[column] = points;
}

void FakeSpreadsheet::setRowHeight(int row, double points) {
    activeSheet()->rowHeights[row] = points;
}

void FakeSpreadsheet::merge(const QString& address) {
    const auto box = parseAddress(address, maxRows, maxColumns);
    if (!box) {
        fail(QStringLiteral("not a cell address: ") + address);
    }
    activeSheet()->merges.push_back(FakeMerge{box->row1, box->column1, box->row2 - box->row1 + 1,
                                              box->column2 - box->column1 + 1});
}

void FakeSpreadsheet::selectCell(const QString& address) {
    const auto box = parseAddress(address, maxRows, maxColumns);
    if (!box) {
        fail(QStringLiteral("not a cell address: ") + address);
    }
    activeSheet()->activeRow = box->row1;
    activeSheet()->activeColumn = box->column1;
}

void FakeSpreadsheet::addSheet(const QString& name) {
    const auto book = activeBookShared();
    book->sheets.push_back(newSheet(book, name));
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

FakeBookData* FakeSpreadsheet::book(const QString& name) {
    return findBook(name).get();
}

FakeBookData* FakeSpreadsheet::activeBook() {
    return activeBook_.lock().get();
}

std::shared_ptr<FakeBookData> FakeSpreadsheet::activeBookShared() {
    return activeBook_.lock();
}

std::shared_ptr<FakeBookData> FakeSpreadsheet::findBook(const QString& name) {
    // Workbooks(name) matches whatever the case.
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

FakeShapeData* FakeSpreadsheet::shape(const QString& name) {
    FakeSheetData* sheet = activeSheet();
    if (!sheet) {
        return nullptr;
    }
    for (const auto& shape : sheet->shapes) {
        if (shape->name == name) {
            return shape.get();
        }
    }
    return nullptr;
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

void FakeSpreadsheet::failFrom(const QString& operation, int nth) {
    rules_.push_back(Rule{operation, nth, std::numeric_limits<int>::max()});
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

void FakeSpreadsheet::clearFailures() {
    rules_.clear();
    hooks_.clear();
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
