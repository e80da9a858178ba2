#pragma once

// The registry editor's export format for the store's key, written and read by Velmora
// itself so that the same file also imports on Windows.

#include "settings_store.h"

#include <QList>
#include <QString>

#include <optional>

namespace velmora {

struct RegValue {
    QString name;
    QString text;
    bool operator==(const RegValue&) const = default;
};

// Writes every value of the store's section to `path`, after checking that the restore's
// reader gives exactly these values back. False, with a readable reason in `error`, when the
// values cannot be restored (a value with a NUL, a store too large or empty) or the file could
// not be written completely; then no file is left behind and an existing file keeps its old
// contents.
bool exportRegFile(const SettingsStore& store, const QString& path, QString* error);

// Reads and checks such a file without touching the store: the values of the section in file
// order (a repeated name keeps its first place and its last text), or nullopt with a reason in
// `error` when the file is not a string-only export of the store's key. Only a regular file is
// read, and no more than the size limit.
std::optional<QList<RegValue>> readRegFile(const QString& path, QString* error);
// The same check on a file's bytes.
std::optional<QList<RegValue>> parseRegBytes(const QByteArray& bytes, QString* error);

// What restoring `values` does to the store: values it adds, values whose text changes, and
// current values that stay as they are.
struct RestoreCounts {
    int added = 0;
    int changed = 0;
    int kept = 0;
};
RestoreCounts countRestore(const SettingsStore& store, const QList<RegValue>& values);

// Writes `values` into the store in one write, as the registry editor imports: the file's
// values replace the stored ones, every other value stays. False, with a reason, when the store
// could not be written; the previous values then stay.
bool mergeStoreValues(SettingsStore& store, const QList<RegValue>& values, QString* error);

} // namespace velmora
