#pragma once

// The paste run: binds the spreadsheet application and the target workbook, inserts and
// names a picture, sizes and places it by the main window's settings, and closes the run
// normally or through the one error report. The main window's holders are read at the
// moment of use.

#include "holders.h"
#include "spreadsheet.h"
#include "user_interaction.h"

#include <QString>

#include <optional>
#include <utility>

namespace velmora {

inline const QString kPictureNamePrefix = QStringLiteral("ピクチャー_ ");
inline const QString kPasteErrorMessage =
    QStringLiteral("エラーがでました。\r\n"
                   "\r\n"
                   "●貼り付けるエクセルファイルは起動してますか？\r\n"
                   "●画像ファイルを選択されましたか？\r\n"
                   "●他にはー･･･貼り付けるセルの場所がわかりません。");
inline const QString kDuplicateSheetMessage = QStringLiteral("すでに写真があります。");

class PasteRun;

class PasteEngine {
public:
    // The link asks `interaction` whether to wait on when the application goes long without
    // an answer, as long as this engine lives.
    PasteEngine(ExcelLink& link, Holders& holders, UserInteraction& interaction);
    ~PasteEngine();
    PasteEngine(const PasteEngine&) = delete;
    PasteEngine& operator=(const PasteEngine&) = delete;

    // Pastes `file` by the place setting (Text6); `address` is the drop target's cell, used
    // with "Option6". Does nothing while another paste runs.
    void DragDrop(const QString& file, const QString& address);

    // True from the start to the end of a DragDrop or folder paste, including the message
    // boxes they show; drops and the folder button must be ignored meanwhile.
    bool isPasting() const { return busy_; }

    Holders& holders() { return holders_; }
    UserInteraction& interaction() { return interaction_; }

private:
    friend class PasteRun;

    ExcelLink& link_;
    Holders& holders_;
    UserInteraction& interaction_;
    bool busy_ = false;
};

// One paste: from BeginPaste to EndPaste or ShowPasteError, within one call of a paste
// routine. It claims its engine while it lives; a run that could not claim it (another paste
// runs) must not be begun. Every step but ShowPasteError throws SpreadsheetError on failure,
// for the caller's handler.
//
// What the run has found it holds until the photo is done: the sheet and the cell a photo goes
// to, the picture the insert returned, the cell area. The next photo looks them up again, so
// a sheet the user switched to between two photos takes the next one.
class PasteRun {
public:
    explicit PasteRun(PasteEngine& engine);
    // A run left open (a step threw past its caller) is closed without a message.
    ~PasteRun();
    PasteRun(const PasteRun&) = delete;
    PasteRun& operator=(const PasteRun&) = delete;

    bool claimed() const { return claimed_; }

    void BeginPaste();
    // The drop's own step before the insert: with "Option6" selects `address`, with
    // "Option10" adds a sheet named after `file`. False when a sheet of that name is there
    // already: the message is shown and the run is closed with EndPaste.
    bool PrepareDropCell(const QString& file, const QString& address);
    // The folder's: the active cell's row and column, and selecting the cell of a photo.
    std::pair<int, int> activeCellPosition();
    void selectCell(int row, int column);
    // Chooses a free "ピクチャー_ n" name, inserts `fileName` at the active cell at its
    // original size, names it and keeps the name read back as PictureName.
    void InsertPicture(const QString& fileName);
    void ReanchorPicture();
    void ArrangePicture();
    // The last step of a photo: what the run held for it is let go.
    void ApplyPictureOrder();
    void EndPaste();
    // Never throws: restores the wait settings, shows the error message, switches screen
    // updating back on where it still can and releases the run's objects.
    void ShowPasteError();

private:
    WorksheetPtr sheet();
    RangePtr cell();
    RangePtr cellArea();
    void centre();
    double percent();
    bool version12();
    void photoDone();
    void release();

    PasteEngine& engine_;
    bool claimed_;
    bool open_ = false;

    ApplicationPtr ExcelApp;
    WorkbookPtr TargetBook;
    QString PictureFile;
    QString PasteAddress;
    QString PictureName;

    // Held for the photo under way.
    WorksheetPtr sheet_;
    RangePtr cell_;
    RangePtr area_;
    ShapePtr picture_;
    // The application's version does not change within a run.
    std::optional<bool> version12_;
};

} // namespace velmora
