#pragma once

// Consecutive paste of a folder: every JPG photo of the folder of a chosen file, in name
// order, down the active cell's column, three photos to a page.

#include "paste_engine.h"

#include <QString>
#include <QStringList>

namespace velmora {

// GTK's chooser matches patterns case-sensitively; camera photos are often named IMG_0001.JPG.
inline const QString kFolderDialogFilter = QStringLiteral("JPGファイル(*.[jJ][pP][gG])");
inline const QString kFolderDialogTitle =
    QStringLiteral("画像ディレクトリと適当なファイルを指定して下さい");
// The file list has room for this many names; one more fails the run.
inline constexpr int kMaxFolderNames = 99999;

// The progress window as the folder paste drives it.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    // Shows it without blocking; called before every photo.
    virtual void show() = 0;
    virtual void setCaption(const QString& text) = 0;
    virtual void close() = 0;
};

class FolderListError : public SpreadsheetError {
public:
    using SpreadsheetError::SpreadsheetError;
};

// Names (without folder) of the ordinary, non-hidden files in `folder` whose names end in
// ".jpg" in any case, sorted by UTF-16 code units. Throws FolderListError when there are
// more than `maxNames`.
QStringList listJpgNames(const QString& folder, int maxNames = kMaxFolderNames);

// The folder button's whole run, with its own error handler: asks for a file, pastes the
// folder's photos in one paste run and ends it through EndPaste or ShowPasteError. Does
// nothing while another paste runs.
void PasteFolder(PasteEngine& engine, ProgressView& progress);

} // namespace velmora
