#pragma once

// The paste run: binds the spreadsheet application and the target workbook, inserts and
// names a picture, sizes and places it by the main window's settings, and closes the run
// normally or through the one error report. The main window's holders are read at the
// moment of use.

#include "holders.h"
#include "light_photo.h"
#include "spreadsheet.h"
#include "user_interaction.h"

#include <QSizeF>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <future>
#include <memory>
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

// What decides how a photo goes in: the compress box (Check1), the sizing holders and the size
// of the cell area it goes to, read on the window's thread.
struct Placement {
    bool compress = false;
    QString sizing, centimetres, percent;
    QSizeF area;
    friend bool operator==(const Placement&, const Placement&) = default;

    // Whether the size depends on the cell's area (else `area` is left empty).
    bool sizedByTheCell() const;

    // The size ArrangePicture gives a picture of `original` size. Throws SpreadsheetError on a
    // holder ArrangePicture fails on.
    QSizeF size(QSizeF original) const;
};

// The file to insert for `file`: the photo itself; a light copy in `folder` for the size it
// will be placed at when compressing; a photo the office would show mirrored always as an
// upright copy. Throws photo::PhotoError, when compressing, for a file that is no JPEG. Touches
// neither the office nor the holders: safe on a worker thread.
photo::LightPhoto preparePhoto(const QString& file, const Placement& placement,
                               const QString& folder);

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
    // How a photo goes to the active cell, or to the cell at `row` and `column` of the same
    // sheet (looked up without selecting it). Without compression no office call.
    Placement placement();
    Placement placementAt(int row, int column);
    // Starts preparing `file` for `placement`, on a worker thread where there is work. A photo
    // read `ahead` of its turn is always prepared on a thread of its own, where the link also
    // reads the file it will insert.
    std::future<photo::LightPhoto> prepare(const QString& file, const Placement& placement,
                                           bool ahead = false);
    // The prepared photo; the window keeps painting while it is not ready.
    photo::LightPhoto await(std::future<photo::LightPhoto>& pending);
    // Chooses a free "ピクチャー_ n" name, inserts `photo` for `fileName` at the active cell
    // at the original size of `fileName` upright, names it and keeps the name read back as
    // PictureName.
    void InsertPicture(const QString& fileName, const photo::LightPhoto& photo);
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
    RangePtr mergeAreaOf(const RangePtr& cell);
    Placement placementIn(const std::function<RangePtr()>& area);
    void centre();
    bool centredInTheArea();
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
    // The run's private folder of light copies, made at the first and removed with the run.
    std::unique_ptr<QTemporaryDir> folder_;
};

} // namespace velmora
