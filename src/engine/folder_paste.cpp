#include "folder_paste.h"

#include "numbers.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace velmora {

QStringList listJpgNames(const QString& folder, int maxNames) {
    QStringList names;
    // QDir::Files without Hidden and System: ordinary files only, no folders.
    QDirIterator it(folder, {QStringLiteral("*.jpg")}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        if (names.size() >= maxNames) {
            throw FolderListError(QStringLiteral("too many JPG files in ") + folder);
        }
        names << it.fileName();
    }
    // QString's ordering compares UTF-16 code units, case-sensitively.
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

class ProgressScope {
public:
    explicit ProgressScope(ProgressView& view) : view_(view) {}
    ~ProgressScope() { close(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void show() {
        view_.show();
        open_ = true;
    }
    void setCaption(const QString& text) { view_.setCaption(text); }
    void close() {
        if (open_) {
            open_ = false;
            view_.close();
        }
    }

private:
    ProgressView& view_;
    bool open_ = false;
};

} // namespace

void PasteFolder(PasteEngine& engine, ProgressView& progress) {
    PasteRun run(engine);
    if (!run.claimed()) {
        return;
    }
    ProgressScope window(progress);
    try {
        run.BeginPaste();
        const auto chosen =
            engine.interaction().getOpenFileName(kFolderDialogFilter, kFolderDialogTitle);
        if (chosen) {
            const QString folder = QFileInfo(*chosen).absolutePath() + QLatin1Char('/');
            const QStringList names = listJpgNames(folder);
            const int count = static_cast<int>(names.size());

            Holders& holders = engine.holders();
            const auto [firstRow, column] = run.activeCellPosition();
            double row = firstRow;
            int page = 1;
            // The next photo, prepared while the office takes this one.
            std::future<photo::LightPhoto> next;
            Placement nextPlacement;
            for (int k = 1; k <= count; ++k) {
                const QString file = folder + names[k - 1];
                // The caption first: the window paints the photo about to go in.
                window.show();
                window.setCaption(QStringLiteral("%1/%2").arg(k).arg(count));
                engine.interaction().processEvents();
                run.selectCell(wholeNumberOrThrow(row), column);
                const Placement placement = run.placement();
                // A gap or a row changed meanwhile: prepared again for where it goes now.
                if (!next.valid() || !(nextPlacement == placement)) {
                    next = run.prepare(file, placement);
                }
                const photo::LightPhoto photo = run.await(next);
                const Holder gap = page != 3 ? Holder::Text25 : Holder::Text26;
                if (k < count) {
                    try {
                        nextPlacement = run.placementAt(
                            wholeNumberOrThrow(row + 1 + decimalOrThrow(holders.text(gap))),
                            column);
                        next = run.prepare(folder + names[k], nextPlacement);
                    } catch (const SpreadsheetError&) {
                        // A gap that is no row, or a cell not found: this photo goes in first and
                        // the run fails where it always did, or prepares the next on the spot.
                        next = {};
                    }
                }
                run.InsertPicture(file, photo);
                run.ReanchorPicture();
                run.ArrangePicture();
                run.ApplyPictureOrder();
                row = row + 1 + decimalOrThrow(holders.text(gap));
                page = page != 3 ? page + 1 : 1;
            }
            window.close();
        }
        run.EndPaste();
    } catch (...) {
        run.ShowPasteError();
        window.close();
    }
}

} // namespace velmora
