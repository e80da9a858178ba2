#include "picture_checks.h"

#include <QFileInfo>
#include <QImageReader>
#include <QList>

#include <algorithm>

namespace velmora::calc {

namespace {

// More than a run reads ahead: verdicts nobody took are dropped, oldest first.
constexpr std::size_t kKept = 8;

// A picture format both Qt and Calc read, decoded here in full so that a damaged file never
// reaches Calc's insert command; other files are left to Calc to judge.
bool readableLocally(const QString& path) {
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!reader.canRead() || size.isEmpty()) {
        return false;
    }
    static const QList<QByteArray> common = {"jpeg", "jpg", "png", "gif", "bmp"};
    const QByteArray format = reader.format().toLower();
    if (!common.contains(format)) {
        return false;
    }
    // A JPEG decoded at an eighth of its size still reads every block of the file, at a
    // fraction of the cost of a 12-megapixel photo decoded in full.
    if (format == "jpeg" || format == "jpg") {
        reader.setScaledSize(size.scaled(std::max(1, size.width() / 8),
                                         std::max(1, size.height() / 8), Qt::KeepAspectRatio));
    }
    return !reader.read().isNull();
}

} // namespace

PictureChecks::Verdict PictureChecks::judge(const QString& path) {
    // The file's size and time first: a file changed while it is read is read again.
    const QFileInfo file(path);
    return {file.absoluteFilePath(), file.size(), file.lastModified(), readableLocally(path)};
}

void PictureChecks::readAhead(const QString& fileName) {
    Verdict verdict = judge(fileName);
    std::lock_guard lock(mutex_);
    verdicts_.push_back(std::move(verdict));
    if (verdicts_.size() > kKept) {
        verdicts_.pop_front();
    }
}

bool PictureChecks::readable(const QString& path) {
    const QFileInfo file(path);
    {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(verdicts_.begin(), verdicts_.end(),
                                        [&](const Verdict& v) { return v.path == path; });
        if (found != verdicts_.end()) {
            const Verdict verdict = *found;
            verdicts_.erase(found);
            if (verdict.size == file.size() && verdict.modified == file.lastModified()) {
                return verdict.readable;
            }
        }
    }
    return judge(path).readable;
}

} // namespace velmora::calc
