#include "folder_paste.h"

#include "numbers.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <map>

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

// How many photos are read ahead of the one going in, each on a thread of its own.
constexpr int kPreparedAhead = 2;

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
            // The row below a photo on `row` that is the `onPage`-th of its page: the gap, or
            // the page gap after the third; the gaps are read each time they are needed.
            const auto below = [&](double at, int onPage) {
                return at + 1 +
                       decimalOrThrow(holders.text(onPage != 3 ? Holder::Text25 : Holder::Text26));
            };
            const auto following = [](int onPage) {
                return onPage != 3 ? onPage + 1 : 1;
            };
            // The next photos, each prepared on a thread of its own while the office takes
            // this one: reading a phone photo takes longer than the office takes to insert it.
            std::map<int, std::pair<Placement, std::future<photo::LightPhoto>>> ahead;
            for (int k = 1; k <= count; ++k) {
                const QString file = folder + names[k - 1];
                // The caption first: the window paints the photo about to go in.
                window.show();
                window.setCaption(QStringLiteral("%1/%2").arg(k).arg(count));
                engine.interaction().processEvents();
                run.selectCell(wholeNumberOrThrow(row), column);
                const Placement placement = run.placement();
                std::future<photo::LightPhoto> current;
                // A gap or a row changed meanwhile: prepared again for where it goes now.
                if (const auto it = ahead.find(k); it != ahead.end()) {
                    if (it->second.first == placement) {
                        current = std::move(it->second.second);
                    }
                    ahead.erase(it);
                }
                if (!current.valid()) {
                    current = run.prepare(file, placement);
                }
                const photo::LightPhoto photo = run.await(current);
                try {
                    double nextRow = row;
                    int nextPage = page;
                    for (int j = k + 1; j <= std::min(k + kPreparedAhead, count); ++j) {
                        nextRow = below(nextRow, nextPage);
                        nextPage = following(nextPage);
                        if (!ahead.contains(j)) {
                            const Placement at =
                                run.placementAt(wholeNumberOrThrow(nextRow), column);
                            ahead.emplace(
                                j, std::pair{at, run.prepare(folder + names[j - 1], at, true)});
                        }
                    }
                } catch (const SpreadsheetError&) {
                    // A gap that is no row, or a cell not found: this photo goes in first and
                    // the run fails where it always did, or prepares the next on the spot.
                }
                run.InsertPicture(file, photo);
                run.ReanchorPicture();
                run.ArrangePicture();
                run.ApplyPictureOrder();
                row = below(row, page);
                page = following(page);
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
