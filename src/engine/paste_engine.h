#pragma once

// The paste run: binds the spreadsheet application and the target workbook, inserts and
// names a picture, sizes and places it by the main window's settings, and closes the run
// normally or through the one error report. The main window's holders are read at the
// moment of use.

#include "holders.h"
#include "spreadsheet.h"
#include "user_interaction.h"

#include <QString>

namespace velmora {

inline const QString kPictureNamePrefix = QStringLiteral("ピクチャー_ ");
inline const QString kPasteErrorMessage =
    QStringLiteral("エラーがでました。\r\n"
                   "\r\n"
                   "●貼り付けるエクセルファイルは起動してますか？\r\n"
                   "●画像ファイルを選択されましたか？\r\n"
                   "●他にはー･･･貼り付けるセルの場所がわかりません。");
inline const QString kDuplicateSheetMessage = QStringLiteral("すでに写真があります。");

class PasteEngine {
public:
    // The link asks `interaction` whether to wait on when the application goes long without
    // an answer, as long as this engine lives.
    PasteEngine(ExcelLink& link, Holders& holders, UserInteraction& interaction);
    ~PasteEngine();
    PasteEngine(const PasteEngine&) = delete;
    PasteEngine& operator=(const PasteEngine&) = delete;

    // Pastes PictureFile by the place setting (Text6); PasteAddress matters for "Option6".
    // Does nothing while another paste runs.
    void DragDrop();

    // True from the start to the end of a DragDrop or folder paste, including the message
    // boxes they show; drops and the folder button must be ignored meanwhile.
    bool isPasting() const { return busy_; }

    // Claims the engine for one paste; acquired() is false when a paste already runs.
    class RunGuard {
    public:
        explicit RunGuard(PasteEngine& engine);
        ~RunGuard();
        RunGuard(const RunGuard&) = delete;
        RunGuard& operator=(const RunGuard&) = delete;
        bool acquired() const { return acquired_; }

    private:
        PasteEngine& engine_;
        bool acquired_;
    };

    // The run's steps; all but ShowPasteError throw on failure, for the caller's handler.
    void BeginPaste();
    // Chooses a free "ピクチャー_ n" name, inserts `fileName` at the active cell at its
    // original size, names it and stores the name read back in PictureName.
    void InsertPicture(const QString& fileName);
    void ReanchorPicture();
    void ArrangePicture();
    void ApplyPictureOrder();
    void EndPaste();
    // Never throws: restores the wait settings, shows the error message, switches screen
    // updating back on where it still can and releases the run's objects.
    void ShowPasteError();

    ExcelLink& link() { return link_; }
    Holders& holders() { return holders_; }
    UserInteraction& interaction() { return interaction_; }

    // Paste run state.
    ApplicationPtr ExcelApp;
    WorkbookPtr TargetBook;
    QString PictureFile;
    QString PasteAddress;
    QString PictureName;

private:
    ShapePtr picture();
    RangePtr cellArea(const QString& address);
    void centre(const QString& areaAddress);
    double percent();

    ExcelLink& link_;
    Holders& holders_;
    UserInteraction& interaction_;
    bool busy_ = false;
};

} // namespace velmora
