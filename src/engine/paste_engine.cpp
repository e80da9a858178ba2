#include "paste_engine.h"

#include "numbers.h"
#include "units.h"

#include <QFileInfo>

#include <limits>
#include <stdexcept>

namespace velmora {

namespace {

// Division as the original runtime did it: dividing by zero is an error, not infinity.
double divide(double numerator, double denominator) {
    if (denominator == 0.0) {
        throw std::domain_error("division by zero");
    }
    return numerator / denominator;
}

int lastIndex(int first, int count) {
    const qint64 last = qint64{first} + count - 1;
    if (last > std::numeric_limits<int>::max() || last < std::numeric_limits<int>::min()) {
        throw std::overflow_error("cell index overflow");
    }
    return static_cast<int>(last);
}

} // namespace

PasteEngine::PasteEngine(ExcelLink& link, Holders& holders, UserInteraction& interaction)
    : link_(link), holders_(holders), interaction_(interaction) {
    link_.setInteraction(&interaction_);
}

PasteEngine::~PasteEngine() {
    link_.setInteraction(nullptr);
}

PasteEngine::RunGuard::RunGuard(PasteEngine& engine) : engine_(engine), acquired_(!engine.busy_) {
    engine_.busy_ = true;
}

PasteEngine::RunGuard::~RunGuard() {
    if (acquired_) {
        engine_.busy_ = false;
    }
}

void PasteEngine::BeginPaste() {
    link_.setWaitSettings(kPasteWaitSettings);
    ExcelApp = link_.attach();
    TargetBook = ExcelApp->workbook(holders_.text(Holder::Text1));
    ExcelApp->setScreenUpdating(false);
    TargetBook->activeSheet()->activate();
}

void PasteEngine::InsertPicture(const QString& fileName) {
    QString candidate;
    for (int i = 1;; ++i) {
        const WorksheetPtr sheet = TargetBook->activeSheet();
        candidate = kPictureNamePrefix + QString::number(sheet->shapeCount() + i);
        if (!sheet->evaluate(candidate)) {
            break;
        }
    }
    const WorksheetPtr sheet = TargetBook->activeSheet();
    const double left = sheet->range(ExcelApp->activeCell()->address())->left();
    const double top = sheet->range(ExcelApp->activeCell()->address())->top();
    const ShapePtr shape = sheet->addPicture(fileName, false, true, left, top, 0, 0);
    shape->scaleHeight(1.0f, true);
    shape->scaleWidth(1.0f, true);
    shape->select();
    shape->setName(candidate);
    PictureName = shape->name();
}

ShapePtr PasteEngine::picture() {
    return TargetBook->activeSheet()->picture(PictureName);
}

void PasteEngine::ReanchorPicture() {
    const auto version = parseDecimal(ExcelApp->version());
    // A version text that is no number is no version 12: nothing to repair.
    if (!version || *version != 12.0) {
        return;
    }
    const double savedZoom = ExcelApp->zoom();
    ExcelApp->setZoom(100);
    try {
        if (holders_.text(Holder::Text6) != QLatin1String("Option6")) {
            picture()->setTop(
                TargetBook->activeSheet()->range(ExcelApp->activeCell()->address())->top());
            picture()->setLeft(
                TargetBook->activeSheet()->range(ExcelApp->activeCell()->address())->left());
        } else {
            picture()->setLeft(TargetBook->activeSheet()->range(PasteAddress)->left());
            picture()->setTop(TargetBook->activeSheet()->range(PasteAddress)->top());
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

double PasteEngine::percent() {
    return decimalOrThrow(holders_.text(Holder::Text5)) / 100.0;
}

RangePtr PasteEngine::cellArea(const QString& address) {
    return ExcelApp->range(address);
}

void PasteEngine::centre(const QString& areaAddress) {
    const double dx = cellArea(areaAddress)->width() / 2 - picture()->width() / 2;
    picture()->incrementLeft(dx);
    const double dy = cellArea(areaAddress)->height() / 2 - picture()->height() / 2;
    picture()->incrementTop(dy);
}

void PasteEngine::ArrangePicture() {
    if (holders_.text(Holder::Combo1).isEmpty()) {
        holders_.setText(Holder::Combo1, QStringLiteral("9"));
    }
    if (holders_.text(Holder::Text5).isEmpty()) {
        holders_.setText(Holder::Text5, QStringLiteral("100"));
    }
    const double width = decimalOrThrow(holders_.text(Holder::Combo1)) * kPointsPerCentimetre;

    const RangePtr active = ExcelApp->activeCell();
    const int lastColumn = lastIndex(active->column(), active->mergeAreaColumns());
    const int lastRow = lastIndex(active->row(), active->mergeAreaRows());
    const QString area =
        active->address() + QLatin1Char(':') + ExcelApp->cells(lastRow, lastColumn)->address();

    {
        const ShapePtr shape = picture();
        shape->setLockAspectRatio(true);
        shape->setWidth(width);
    }

    const auto sizing = [this](const char* option) {
        return holders_.text(Holder::Text2) == QLatin1String(option);
    };
    if (sizing("Option2")) {
        centre(area);
    } else if (sizing("Option3")) {
        const ShapePtr shape = picture();
        shape->setLockAspectRatio(false);
        shape->setWidth(cellArea(area)->width() * percent());
        shape->setHeight(cellArea(area)->height() * percent());
        centre(area);
    } else if (sizing("Option4")) {
        const ShapePtr shape = picture();
        shape->setLockAspectRatio(true);
        const double pictureRatio = divide(shape->width(), shape->height());
        const RangePtr cells = cellArea(area);
        const double cellRatio = divide(cells->width(), cells->height());
        if (pictureRatio >= cellRatio) {
            shape->setWidth(cellArea(area)->width() * percent());
        } else {
            shape->setHeight(cellArea(area)->height() * percent());
        }
        centre(area);
    } else if (sizing("Option11")) {
        const ShapePtr shape = picture();
        shape->setLockAspectRatio(true);
        shape->setHeight(cellArea(area)->height() * percent());
        centre(area);
    } else if (sizing("Option12")) {
        const ShapePtr shape = picture();
        shape->setLockAspectRatio(true);
        shape->setWidth(cellArea(area)->width() * percent());
        centre(area);
    }

    picture()->incrementTop(decimalOrThrow(holders_.text(Holder::Text3)));
    picture()->incrementLeft(decimalOrThrow(holders_.text(Holder::Text4)));
}

void PasteEngine::ApplyPictureOrder() {
    if (holders_.text(Holder::Text22) == QLatin1String("1")) {
        picture()->sendToBack();
    }
}

void PasteEngine::EndPaste() {
    ExcelApp->setScreenUpdating(true);
    link_.setWaitSettings(kIdleWaitSettings);
    TargetBook.reset();
    ExcelApp.reset();
}

void PasteEngine::ShowPasteError() {
    try {
        link_.setWaitSettings(kIdleWaitSettings);
    } catch (...) {
    }
    try {
        interaction_.messageBox(kPasteErrorMessage, kStyleCritical);
    } catch (...) {
    }
    if (ExcelApp) {
        // The application or the document may be gone by now; the run still ends.
        try {
            ExcelApp->setScreenUpdating(true);
        } catch (...) {
        }
    }
    TargetBook.reset();
    ExcelApp.reset();
}

void PasteEngine::DragDrop() {
    const RunGuard guard(*this);
    if (!guard.acquired()) {
        return;
    }
    try {
        BeginPaste();
        if (holders_.text(Holder::Text6) == QLatin1String("Option6")) {
            TargetBook->activeSheet()->range(PasteAddress)->select();
        }
        if (holders_.text(Holder::Text6) == QLatin1String("Option10")) {
            // Only an ordinary file can fill the new sheet: a folder, a device or a missing
            // file fails here, before a sheet named after it is added.
            const QFileInfo file(PictureFile);
            if (!file.isFile()) {
                throw std::runtime_error("not an ordinary file: " + PictureFile.toStdString());
            }
            const QString sheetName = file.fileName();
            const int count = TargetBook->worksheetCount();
            for (int i = 1; i <= count; ++i) {
                if (TargetBook->worksheet(i)->name() == sheetName) {
                    interaction_.messageBox(kDuplicateSheetMessage, kStyleExclamation);
                    EndPaste();
                    return;
                }
            }
            TargetBook->addWorksheet()->setName(sheetName);
        }
        InsertPicture(PictureFile);
        ReanchorPicture();
        ArrangePicture();
        ApplyPictureOrder();
        EndPaste();
    } catch (...) {
        ShowPasteError();
    }
}

} // namespace velmora
