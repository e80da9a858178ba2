#include "paste_engine.h"

#include "numbers.h"
#include "units.h"

#include <QFileInfo>

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

} // namespace

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
        run.InsertPicture(file);
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

void PasteRun::InsertPicture(const QString& fileName) {
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
    picture_ = target->addPicture(PictureFile, false, true, at->left(), at->top(), 0, 0);
    picture_->scaleHeight(1.0f, true);
    picture_->scaleWidth(1.0f, true);
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

double PasteRun::percent() {
    return decimalOrThrow(engine_.holders_.text(Holder::Text5)) / 100.0;
}

// The active cell's merge area, from the active cell to the area's last cell.
RangePtr PasteRun::cellArea() {
    if (!area_) {
        const RangePtr active = cell();
        const int lastColumn = lastIndex(active->column(), active->mergeAreaColumns());
        const int lastRow = lastIndex(active->row(), active->mergeAreaRows());
        area_ =
            sheet()->range(active->address() + QLatin1Char(':') + cellAddress(lastRow, lastColumn));
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
    const double width = decimalOrThrow(holders.text(Holder::Combo1)) * kPointsPerCentimetre;
    const RangePtr area = cellArea();

    ShapePtr& shape = picture_;
    shape->setLockAspectRatio(true);
    shape->setWidth(width);

    const auto sizing = [&holders](const char* option) {
        return holders.text(Holder::Text2) == QLatin1String(option);
    };
    if (sizing("Option2")) {
        centre();
    } else if (sizing("Option3")) {
        shape->setLockAspectRatio(false);
        shape->setWidth(area->width() * percent());
        shape->setHeight(area->height() * percent());
        centre();
    } else if (sizing("Option4")) {
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
        shape->setHeight(area->height() * percent());
        centre();
    } else if (sizing("Option12")) {
        shape->setLockAspectRatio(true);
        shape->setWidth(area->width() * percent());
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
