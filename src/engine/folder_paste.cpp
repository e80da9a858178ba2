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
            throw FolderListError("too many JPG files in " + folder.toStdString());
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
    const PasteEngine::RunGuard guard(engine);
    if (!guard.acquired()) {
        return;
    }
    ProgressScope window(progress);
    try {
        engine.BeginPaste();
        const auto chosen =
            engine.interaction().getOpenFileName(kFolderDialogFilter, kFolderDialogTitle);
        if (chosen) {
            const QString folder = QFileInfo(*chosen).absolutePath() + QLatin1Char('/');
            const QStringList names = listJpgNames(folder);
            const int count = static_cast<int>(names.size());

            Holders& holders = engine.holders();
            double row = engine.ExcelApp->activeCell()->row();
            const int column = engine.ExcelApp->activeCell()->column();
            int page = 1;
            for (int k = 1; k <= count; ++k) {
                window.show();
                engine.interaction().processEvents();
                window.setCaption(QStringLiteral("%1/%2").arg(k).arg(count));
                engine.ExcelApp->cells(wholeNumberOrThrow(row), column)->select();
                engine.InsertPicture(folder + names[k - 1]);
                engine.ReanchorPicture();
                engine.ArrangePicture();
                engine.ApplyPictureOrder();
                const Holder gap = page != 3 ? Holder::Text25 : Holder::Text26;
                row = row + 1 + decimalOrThrow(holders.text(gap));
                page = page != 3 ? page + 1 : 1;
            }
            window.close();
        }
        engine.EndPaste();
    } catch (...) {
        engine.ShowPasteError();
        window.close();
    }
}

} // namespace velmora
