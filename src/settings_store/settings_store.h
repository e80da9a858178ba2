#pragma once

// The per-user store of named string values: application key "quillmere", section "Setting".
// Here it is the user's own file "VB and VBA Program Settings/quillmere.conf" under the XDG
// config directory, in the INI spelling QSettings gave it. Only the values the program changes
// are rewritten: every other line of the file (other sections, foreign keys, comments, text in
// any encoding) comes back byte for byte, and each write replaces the file atomically.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>
#include <utility>

namespace velmora {

// Every failure of the store and of its export and restore: the text is the Japanese message a
// user is shown. Reads never fail.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& text);
    const QString& text() const { return text_; }

private:
    QString text_;
};

inline const QString kStoreOrganization = QStringLiteral("VB and VBA Program Settings");
inline const QString kStoreApplication = QStringLiteral("quillmere");
inline const QString kStoreSection = QStringLiteral("Setting");
inline const QString kStoreRegistryKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\quillmere");

using StoreValues = QList<std::pair<QString, QString>>;

class SettingsStore {
public:
    explicit SettingsStore(QString application = kStoreApplication);

    // GetSetting without a default: a missing value (or file, or section) reads as "", and so
    // does a store that is not a regular file or cannot be read.
    QString GetSetting(const QString& name) const;
    // SaveSetting: creates the file and the section when needed. Throws StoreError when the
    // store could not be written; the file is then as it was.
    void SaveSetting(const QString& name, const QString& text);
    // Several values in one write, all or none.
    void SaveSettings(const StoreValues& values);
    // DeleteSetting of the whole application key, the file included. False when there was
    // nothing to delete; throws StoreError when the file could not be removed.
    bool DeleteSetting();

    // Between these two, writes are gathered and go to the file in one write when the
    // outermost batch ends, and endBatch throws when that write fails. Reads in between see the
    // gathered values.
    void beginBatch();
    void endBatch();

    // Every value name stored in the section, sorted.
    QStringList valueNames() const;
    // Where the store lives.
    QString location() const;

private:
    struct Snapshot;
    // The file as it is now on disk, read again only when it changed.
    std::shared_ptr<const Snapshot> current() const;
    bool write(const StoreValues& values);
    void writeOrThrow(const StoreValues& values);
    const QString* pending(const QString& name) const;

    QString application_;
    mutable std::shared_ptr<const Snapshot> cache_;
    int batchDepth_ = 0;
    StoreValues pending_;
};

// One action's writes as one: the batch ends with finish(), or when the scope is left.
class StoreBatch {
public:
    explicit StoreBatch(SettingsStore& store) : store_(store) { store_.beginBatch(); }
    ~StoreBatch() {
        if (!finished_) {
            try {
                store_.endBatch();
            } catch (const StoreError&) {
                // Left by an exception that already reports this action's failure; a destructor
                // may not throw a second one.
            }
        }
    }
    StoreBatch(const StoreBatch&) = delete;
    StoreBatch& operator=(const StoreBatch&) = delete;

    void finish() {
        finished_ = true;
        store_.endBatch();
    }

private:
    SettingsStore& store_;
    bool finished_ = false;
};

} // namespace velmora
