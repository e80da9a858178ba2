#include "settings_store.h"

#include "ini_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <cerrno>

#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

std::array<qint64, 7> identityOf(const struct stat& st) {
    return {static_cast<qint64>(st.st_dev),          static_cast<qint64>(st.st_ino),
            static_cast<qint64>(st.st_size),         static_cast<qint64>(st.st_mtim.tv_sec),
            static_cast<qint64>(st.st_mtim.tv_nsec), static_cast<qint64>(st.st_ctim.tv_sec),
            static_cast<qint64>(st.st_ctim.tv_nsec)};
}

// Just after the physical line that holds `end` (a value cut short by a comment included).
qsizetype afterLine(QByteArrayView data, qsizetype end) {
    while (end < data.size() && data[end] != '\n' && data[end] != '\r') {
        ++end;
    }
    if (end < data.size() && data[end] == '\r') {
        ++end;
    }
    if (end < data.size() && data[end] == '\n') {
        ++end;
    }
    return end;
}

bool endsWithLineBreak(const QByteArray& bytes) {
    return bytes.endsWith('\n') || bytes.endsWith('\r');
}

} // namespace

struct SettingsStore::Snapshot {
    enum class State { Missing, Unreadable, Read };
    State state = State::Missing;
    // What tells a changed file: device, inode, size and both times to the nanosecond. A file
    // read within a second or two of its last change may change again with all of these the
    // same (file times move in clock ticks, inodes are reused), so such a snapshot is read
    // again; one of the bytes this store wrote itself is known.
    std::array<qint64, 7> identity{};
    bool settled = false;
    QByteArray bytes;
    // The section's values, by name; a name given twice reads from its last line.
    QHash<QString, ini::Line> values;
    // Where new values go: after the section's last value, or -1 when there is no section.
    qsizetype insertAt = -1;
    QByteArray lineBreak = "\n";

    // Finds the section's values and where new ones go.
    void parse() {
        const QByteArrayView data(bytes);
        const qsizetype firstBreak = data.indexOf('\n');
        if (firstBreak > 0 && data[firstBreak - 1] == '\r') {
            lineBreak = "\r\n";
        }
        qsizetype pos = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        bool inSection = false;
        ini::Line line;
        while (ini::nextLine(data, pos, line)) {
            const QByteArrayView text = data.sliced(line.start, line.end - line.start);
            if (text.startsWith('[')) {
                inSection = ini::sectionName(text) == kStoreSection;
                if (inSection) {
                    insertAt = afterLine(data, line.end);
                }
                continue;
            }
            if (!inSection || line.equals < 0) {
                continue;
            }
            const QByteArrayView key = data.sliced(line.start, line.equals - line.start).trimmed();
            values.insert(ini::unescapedKey(key), line);
            insertAt = afterLine(data, line.end);
        }
    }

    QString text(const ini::Line& line) const {
        return ini::valueText(
            QByteArrayView(bytes).sliced(line.equals + 1, line.end - line.equals - 1));
    }
};

SettingsStore::SettingsStore(QString application) : application_(std::move(application)) {}

QString SettingsStore::location() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + kStoreOrganization + QLatin1Char('/') + application_ +
           QStringLiteral(".conf");
}

std::shared_ptr<const SettingsStore::Snapshot> SettingsStore::current() const {
    const QByteArray path = QFile::encodeName(location());
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        auto missing = std::make_shared<Snapshot>();
        missing->state = (errno == ENOENT || errno == ENOTDIR) ? Snapshot::State::Missing
                                                               : Snapshot::State::Unreadable;
        cache_ = missing;
        return cache_;
    }
    if (cache_ && cache_->state == Snapshot::State::Read && cache_->settled &&
        cache_->identity == identityOf(st)) {
        return cache_;
    }

    auto snapshot = std::make_shared<Snapshot>();
    snapshot->state = Snapshot::State::Unreadable;
    cache_ = snapshot;
    // Not blocking on a FIFO, and nothing but a regular file is read: a device or a pipe in the
    // store's place would never end.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return cache_;
    }
    QFile file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return cache_;
    }
    snapshot->bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return cache_;
    }
    snapshot->state = Snapshot::State::Read;
    snapshot->identity = identityOf(st);
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    snapshot->settled = now.tv_sec - st.st_mtim.tv_sec >= 2;

    snapshot->parse();
    return cache_;
}

const QString* SettingsStore::pending(const QString& name) const {
    for (auto it = pending_.crbegin(); it != pending_.crend(); ++it) {
        if (it->first == name) {
            return &it->second;
        }
    }
    return nullptr;
}

QString SettingsStore::GetSetting(const QString& name) const {
    if (const QString* text = pending(name)) {
        return *text;
    }
    const auto snapshot = current();
    const auto it = snapshot->values.constFind(name);
    return it == snapshot->values.cend() ? QString() : snapshot->text(*it);
}

QStringList SettingsStore::valueNames() const {
    QStringList names = current()->values.keys();
    for (const auto& [name, text] : pending_) {
        names << name;
    }
    // A name with a slash belongs to a group below the section, as QSettings has it.
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString& name) { return name.contains(QLatin1Char('/')); }),
                names.end());
    names.sort();
    names.removeDuplicates();
    return names;
}

StoreError::StoreError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}

void SettingsStore::SaveSetting(const QString& name, const QString& text) {
    SaveSettings({{name, text}});
}

void SettingsStore::SaveSettings(const StoreValues& values) {
    if (batchDepth_ > 0) {
        pending_ += values;
        return;
    }
    writeOrThrow(values);
}

void SettingsStore::beginBatch() {
    ++batchDepth_;
}

void SettingsStore::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0) {
        return;
    }
    writeOrThrow(std::exchange(pending_, {}));
}

void SettingsStore::writeOrThrow(const StoreValues& values) {
    if (!write(values)) {
        throw StoreError(QStringLiteral("設定を保存できませんでした。\r\n\r\n") + location());
    }
}

bool SettingsStore::write(const StoreValues& values) {
    for (const auto& [name, text] : values) {
        if (name.isEmpty() || name.contains(QLatin1Char('/'))) {
            return false;
        }
    }
    const auto snapshot = current();
    // An unreadable store cannot be rewritten without losing what it holds.
    if (snapshot->state == Snapshot::State::Unreadable) {
        return false;
    }

    // The last text given for each name, in the order the names first came.
    QStringList order;
    QHash<QString, QString> last;
    for (const auto& [name, text] : values) {
        if (!last.contains(name)) {
            order << name;
        }
        last.insert(name, text);
    }

    struct Edit {
        qsizetype from;
        qsizetype to;
        QByteArray text;
    };
    QList<Edit> edits;
    QByteArray added;
    for (const QString& name : order) {
        const QString& text = last[name];
        const auto it = snapshot->values.constFind(name);
        if (it == snapshot->values.cend()) {
            added += ini::escapedKey(name) + '=' + ini::escapedValue(text) + snapshot->lineBreak;
        } else if (snapshot->text(*it) != text) {
            edits.append({it->equals + 1, it->end, ini::escapedValue(text)});
        }
    }
    if (edits.isEmpty() && added.isEmpty()) {
        return true; // the file already holds every value
    }

    const QByteArray& bytes = snapshot->bytes;
    if (!added.isEmpty()) {
        QByteArray lead;
        qsizetype at = snapshot->insertAt;
        if (at < 0) {
            at = bytes.size();
            if (!bytes.isEmpty()) {
                lead = (endsWithLineBreak(bytes) ? QByteArray() : snapshot->lineBreak) +
                       snapshot->lineBreak;
            }
            lead += '[' + ini::escapedKey(kStoreSection) + ']' + snapshot->lineBreak;
        } else if (at == bytes.size() && !bytes.isEmpty() && !endsWithLineBreak(bytes)) {
            lead = snapshot->lineBreak;
        }
        edits.append({at, at, lead + added});
    }
    std::stable_sort(edits.begin(), edits.end(),
                     [](const Edit& a, const Edit& b) { return a.from < b.from; });
    QByteArray result;
    result.reserve(bytes.size() + added.size() + 64);
    qsizetype copied = 0;
    for (const Edit& edit : edits) {
        result += QByteArrayView(bytes).sliced(copied, edit.from - copied);
        result += edit.text;
        copied = edit.to;
    }
    result += QByteArrayView(bytes).sliced(copied);

    const QString path = location();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    // Unbuffered: a write that fails while the buffer is flushed at commit would go unnoticed,
    // and the cut file would replace the store.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(result) != result.size()) {
        file.cancelWriting();
        return false;
    }
    cache_.reset();
    if (!file.commit()) {
        return false;
    }
    // What was just written is known: the next reads need not read it back.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        auto written = std::make_shared<Snapshot>();
        written->state = Snapshot::State::Read;
        written->identity = identityOf(st);
        written->settled = true;
        written->bytes = result;
        written->parse();
        cache_ = written;
    }
    return true;
}

bool SettingsStore::DeleteSetting() {
    pending_.clear();
    cache_.reset();
    const QString path = location();
    const StoreError failed(QStringLiteral("レジストリを削除できませんでした。\r\n") + path);
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return false;
        }
        throw failed;
    }
    if (!S_ISREG(st.st_mode) || !QFile::remove(path)) {
        throw failed;
    }
    return true;
}

} // namespace velmora
