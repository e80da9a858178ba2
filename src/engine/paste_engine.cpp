#include "paste_engine.h"

#include "numbers.h"
#include "units.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <limits>

namespace velmora {

namespace {

// Division as the original runtime did it: dividing by zero is an error, not infinity.
double divide(double numerator, double denominator) {
    if (denominator == 0.0) {
        throw SpreadsheetError(QStringLiteral("division by zero"));
    }
    return numerator / denominator;
}

int lastIndex(int first, int count) {
    const qint64 last = qint64{first} + count - 1;
    if (last > std::numeric_limits<int>::max() || last < std::numeric_limits<int>::min()) {
        throw SpreadsheetError(QStringLiteral("cell index overflow"));
    }
    return static_cast<int>(last);
}

// "$B$3" for row 3, column 2: the address the application gives the cell.
QString cellAddress(int row, int column) {
    QString letters;
    for (int n = column; n > 0; n = (n - 1) / 26) {
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    }
    return QStringLiteral("$%1$%2").arg(letters).arg(row);
}

bool placeIs(Holders& holders, const char* option) {
    return holders.text(Holder::Text6) == QLatin1String(option);
}

// The sizing holders' numbers; ArrangePicture fills the empty ones with these first.
double widthPoints(const QString& centimetres) {
    return decimalOrThrow(centimetres.isEmpty() ? QStringLiteral("9") : centimetres) *
           kPointsPerCentimetre;
}

double fraction(const QString& percent) {
    return decimalOrThrow(percent.isEmpty() ? QStringLiteral("100") : percent) / 100.0;
}

// Whether the office would show the photo mirrored: it turns the other orientations itself. A
// file whose header cannot be read goes in as it is, for the office to judge as it always did.
bool showsMirrored(const QString& file) {
    try {
        const int orientation = photo::readJpegHeader(file).orientation;
        return orientation == 2 || orientation == 4 || orientation == 5 || orientation == 7;
    } catch (const photo::PhotoError&) {
        return false;
    }
}

// Large enough that no photo is scaled for it.
const QSizeF kFullSize(1e6, 1e6);

photo::LightPhoto asItIs(const QString& file) {
    photo::LightPhoto photo;
    photo.file = file;
    return photo;
}

// Whether the sizing chosen by that option button depends on the cell's area.
bool sizedByTheCell(const QString& sizing) {
    return sizing == QLatin1String("Option3") || sizing == QLatin1String("Option4") ||
           sizing == QLatin1String("Option11") || sizing == QLatin1String("Option12");
}

} // namespace

bool Placement::sizedByTheCell() const {
    return velmora::sizedByTheCell(sizing);
}

QSizeF Placement::size(QSizeF original) const {
    const auto is = [this](const char* option) {
        return sizing == QLatin1String(option);
    };
    const double ratio = divide(original.width(), original.height());
    if (!sizedByTheCell()) {
        const double width = widthPoints(centimetres);
        return {width, width / ratio};
    }
    if (is("Option3")) {
        return area * fraction(percent);
    }
    if (is("Option12") || (is("Option4") && ratio >= divide(area.width(), area.height()))) {
        const double width = area.width() * fraction(percent);
        return {width, width / ratio};
    }
    const double height = area.height() * fraction(percent);
    return {height * ratio, height};
}

photo::LightPhoto preparePhoto(const QString& file, const Placement& placement,
                               const QString& folder) {
    if (!placement.compress) {
        return showsMirrored(file) ? photo::prepareLightPhoto(file, kFullSize, folder)
                                   : asItIs(file);
    }
    const photo::JpegHeader header = photo::readJpegHeader(file);
    QSizeF placed = kFullSize;
    try {
        placed = placement.size(header.originalSizePoints());
    } catch (const SpreadsheetError&) {
        // ArrangePicture fails on the same holders after the insert, as it does unchecked.
    }
    if (!(placed.width() > 0 && placed.height() > 0)) {
        placed = kFullSize;
    }
    return photo::prepareLightPhoto(file, placed, folder);
}

PasteEngine::PasteEngine(ExcelLink& link, Holders& holders, UserInteraction& interaction)
    : link_(link), holders_(holders), interaction_(interaction) {
    link_.setInteraction(&interaction_);
}

PasteEngine::~PasteEngine() {
    link_.setInteraction(nullptr);
}

void PasteEngine::DragDrop(const QString& file, const QString& address) {
    PasteRun run(*this);
    if (!run.claimed()) {
        return;
    }
    try {
        run.BeginPaste();
        if (!run.PrepareDropCell(file, address)) {
            return;
        }
        auto prepared = run.prepare(file, run.placement());
        run.InsertPicture(file, run.await(prepared));
        run.ReanchorPicture();
        run.ArrangePicture();
        run.ApplyPictureOrder();
        run.EndPaste();
    } catch (...) {
        run.ShowPasteError();
    }
}

PasteRun::PasteRun(PasteEngine& engine) : engine_(engine), claimed_(!engine.busy_) {
    engine_.busy_ = true;
}

PasteRun::~PasteRun() {
    if (open_) {
        try {
            engine_.link_.setWaitSettings(kIdleWaitSettings);
            if (ExcelApp) {
                ExcelApp->setScreenUpdating(true);
            }
        } catch (...) {
        }
    }
    if (claimed_) {
        engine_.busy_ = false;
    }
}

void PasteRun::BeginPaste() {
    open_ = true;
    engine_.link_.setWaitSettings(kPasteWaitSettings);
    ExcelApp = engine_.link_.attach();
    TargetBook = ExcelApp->workbook(engine_.holders_.text(Holder::Text1));
    ExcelApp->setScreenUpdating(false);
    TargetBook->activeSheet()->activate();
}

bool PasteRun::PrepareDropCell(const QString& file, const QString& address) {
    PictureFile = file;
    PasteAddress = address;
    Holders& holders = engine_.holders_;
    if (placeIs(holders, "Option6")) {
        sheet()->range(PasteAddress)->select();
    }
    if (placeIs(holders, "Option10")) {
        // Only an ordinary file can fill the new sheet: a folder, a device or a missing
        // file fails here, before a sheet named after it is added.
        const QFileInfo info(PictureFile);
        if (!info.isFile()) {
            throw SpreadsheetError(QStringLiteral("not an ordinary file: ") + PictureFile);
        }
        const QString sheetName = info.fileName();
        const int count = TargetBook->worksheetCount();
        for (int i = 1; i <= count; ++i) {
            if (TargetBook->worksheet(i)->name() == sheetName) {
                engine_.interaction_.messageBox(kDuplicateSheetMessage, kStyleExclamation);
                EndPaste();
                return false;
            }
        }
        sheet_ = TargetBook->addWorksheet();
        sheet_->setName(sheetName);
    }
    return true;
}

std::pair<int, int> PasteRun::activeCellPosition() {
    const RangePtr active = ExcelApp->activeCell();
    return {active->row(), active->column()};
}

void PasteRun::selectCell(int row, int column) {
    sheet()->range(cellAddress(row, column))->select();
}

WorksheetPtr PasteRun::sheet() {
    if (!sheet_) {
        sheet_ = TargetBook->activeSheet();
    }
    return sheet_;
}

// The active cell as a cell of the photo's sheet.
RangePtr PasteRun::cell() {
    if (!cell_) {
        cell_ = sheet()->range(ExcelApp->activeCell()->address());
    }
    return cell_;
}

Placement PasteRun::placementIn(const std::function<RangePtr()>& area) {
    Holders& holders = engine_.holders_;
    Placement placement;
    placement.compress = holders.text(Holder::Check1) == QLatin1String("1");
    if (placement.compress) {
        placement.sizing = holders.text(Holder::Text2);
        placement.centimetres = holders.text(Holder::Combo1);
        placement.percent = holders.text(Holder::Text5);
        // Reading the cell costs the office time: only for the sizings against it.
        if (placement.sizedByTheCell()) {
            const RangePtr range = area();
            placement.area = QSizeF(range->width(), range->height());
        }
    }
    return placement;
}

Placement PasteRun::placement() {
    return placementIn([this] { return cellArea(); });
}

Placement PasteRun::placementAt(int row, int column) {
    return placementIn([&] { return mergeAreaOf(sheet()->range(cellAddress(row, column))); });
}

std::future<photo::LightPhoto> PasteRun::prepare(const QString& file, const Placement& placement,
                                                 bool ahead) {
    if (!ahead && !placement.compress && !showsMirrored(file)) {
        // Most photos go in as they are: no thread and no copy for them.
        std::promise<photo::LightPhoto> ready;
        ready.set_value(asItIs(file));
        return ready.get_future();
    }
    if (!folder_) {
        folder_ =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/velmora-XXXXXX"));
        if (!folder_->isValid()) {
            folder_.reset();
            throw SpreadsheetError(QStringLiteral("no private folder for light copies"));
        }
    }
    ExcelLink* link = ahead ? &engine_.link_ : nullptr;
    return std::async(std::launch::async, [file, placement, folder = folder_->path(), link] {
        photo::LightPhoto photo = preparePhoto(file, placement, folder);
        if (link != nullptr) {
            link->readAhead(photo.file);
        }
        return photo;
    });
}

photo::LightPhoto PasteRun::await(std::future<photo::LightPhoto>& pending) {
    using namespace std::chrono_literals;
    while (pending.wait_for(0ms) != std::future_status::ready) {
        engine_.interaction_.processEvents();
        pending.wait_for(20ms);
    }
    return pending.get();
}

void PasteRun::InsertPicture(const QString& fileName, const photo::LightPhoto& photo) {
    PictureFile = fileName;
    const WorksheetPtr target = sheet();
    QString candidate;
    for (int i = 1;; ++i) {
        candidate = kPictureNamePrefix + QString::number(target->shapeCount() + i);
        if (!target->evaluate(candidate)) {
            break;
        }
    }
    const RangePtr at = cell();
    if (centredInTheArea()) {
        // Read now, the cell's place comes with it.
        cellArea();
    }
    picture_ = target->addPicture(photo.file, false, true, at->left(), at->top(), 0, 0);
    if (photo.copied) {
        // Embedded now; the run's folder need not keep it.
        QFile::remove(photo.file);
    }
    picture_->scaleHeight(1.0f, true);
    picture_->scaleWidth(1.0f, true);
    if (photo.copied && !photo.densityKeepsSize) {
        // What ArrangePicture starts from is the size of the photo itself.
        picture_->setLockAspectRatio(false);
        picture_->setWidth(photo.originalSizePoints.width());
        picture_->setHeight(photo.originalSizePoints.height());
    }
    picture_->select();
    picture_->setName(candidate);
    PictureName = picture_->name();
}

bool PasteRun::version12() {
    if (!version12_) {
        const auto version = parseDecimal(ExcelApp->version());
        // A version text that is no number is no version 12: nothing to repair.
        version12_ = version && *version == 12.0;
    }
    return *version12_;
}

void PasteRun::ReanchorPicture() {
    if (!version12()) {
        return;
    }
    const double savedZoom = ExcelApp->zoom();
    ExcelApp->setZoom(100);
    try {
        if (!placeIs(engine_.holders_, "Option6")) {
            picture_->setTop(cell()->top());
            picture_->setLeft(cell()->left());
        } else {
            const RangePtr target = sheet()->range(PasteAddress);
            picture_->setLeft(target->left());
            picture_->setTop(target->top());
        }
    } catch (...) {
        // Leave the user's view as it was even when the paste fails here.
        try {
            ExcelApp->setZoom(savedZoom);
        } catch (...) {
        }
        throw;
    }
    ExcelApp->setZoom(savedZoom);
}

// Whether ArrangePicture will place the picture in the cell area.
bool PasteRun::centredInTheArea() {
    const QString sizing = engine_.holders_.text(Holder::Text2);
    return sizing == QLatin1String("Option2") || sizedByTheCell(sizing);
}

double PasteRun::percent() {
    return fraction(engine_.holders_.text(Holder::Text5));
}

// A cell's merge area, from the cell to the area's last cell.
RangePtr PasteRun::mergeAreaOf(const RangePtr& cell) {
    const int columns = cell->mergeAreaColumns();
    const int rows = cell->mergeAreaRows();
    if (columns == 1 && rows == 1) {
        return cell;
    }
    const int lastColumn = lastIndex(cell->column(), columns);
    const int lastRow = lastIndex(cell->row(), rows);
    return sheet()->range(cell->address() + QLatin1Char(':') + cellAddress(lastRow, lastColumn));
}

// The active cell's merge area.
RangePtr PasteRun::cellArea() {
    if (!area_) {
        area_ = mergeAreaOf(cell());
    }
    return area_;
}

void PasteRun::centre() {
    const RangePtr area = cellArea();
    picture_->incrementLeft(area->width() / 2 - picture_->width() / 2);
    picture_->incrementTop(area->height() / 2 - picture_->height() / 2);
}

void PasteRun::ArrangePicture() {
    Holders& holders = engine_.holders_;
    if (holders.text(Holder::Combo1).isEmpty()) {
        holders.setText(Holder::Combo1, QStringLiteral("9"));
    }
    if (holders.text(Holder::Text5).isEmpty()) {
        holders.setText(Holder::Text5, QStringLiteral("100"));
    }
    const double width = widthPoints(holders.text(Holder::Combo1));

    ShapePtr& shape = picture_;
    shape->setLockAspectRatio(true);
    shape->setWidth(width);

    const auto sizing = [&holders](const char* option) {
        return holders.text(Holder::Text2) == QLatin1String(option);
    };
    if (sizing("Option2")) {
        centre();
    } else if (sizing("Option3")) {
        const RangePtr area = cellArea();
        shape->setLockAspectRatio(false);
        shape->setWidth(area->width() * percent());
        shape->setHeight(area->height() * percent());
        centre();
    } else if (sizing("Option4")) {
        const RangePtr area = cellArea();
        shape->setLockAspectRatio(true);
        const double pictureRatio = divide(shape->width(), shape->height());
        const double cellRatio = divide(area->width(), area->height());
        if (pictureRatio >= cellRatio) {
            shape->setWidth(area->width() * percent());
        } else {
            shape->setHeight(area->height() * percent());
        }
        centre();
    } else if (sizing("Option11")) {
        shape->setLockAspectRatio(true);
        shape->setHeight(cellArea()->height() * percent());
        centre();
    } else if (sizing("Option12")) {
        shape->setLockAspectRatio(true);
        shape->setWidth(cellArea()->width() * percent());
        centre();
    }

    shape->incrementTop(decimalOrThrow(holders.text(Holder::Text3)));
    shape->incrementLeft(decimalOrThrow(holders.text(Holder::Text4)));
}

void PasteRun::ApplyPictureOrder() {
    if (engine_.holders_.text(Holder::Text22) == QLatin1String("1")) {
        picture_->sendToBack();
    }
    photoDone();
}

void PasteRun::photoDone() {
    sheet_.reset();
    cell_.reset();
    area_.reset();
    picture_.reset();
}

void PasteRun::release() {
    photoDone();
    folder_.reset();
    TargetBook.reset();
    ExcelApp.reset();
    open_ = false;
}

void PasteRun::EndPaste() {
    ExcelApp->setScreenUpdating(true);
    engine_.link_.setWaitSettings(kIdleWaitSettings);
    release();
}

void PasteRun::ShowPasteError() {
    try {
        engine_.link_.setWaitSettings(kIdleWaitSettings);
    } catch (...) {
    }
    try {
        engine_.interaction_.messageBox(kPasteErrorMessage, kStyleCritical);
    } catch (...) {
    }
    if (ExcelApp) {
        // The application or the document may be gone by now; the run still ends.
        try {
            ExcelApp->setScreenUpdating(true);
        } catch (...) {
        }
    }
    release();
}

} // namespace velmora
