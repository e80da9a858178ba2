#pragma once

// The registry editor's export format for the store's key, written and read by Velmora
// itself so that the same file also imports on Windows.

#include "settings_store.h"

#include <QList>
#include <QString>

namespace velmora {

struct RegValue {
    QString name;
    QString text;
    bool operator==(const RegValue&) const = default;
};

// Writes every value of the store's section to `path`, after checking that the restore's
// reader gives exactly these values back. StoreError, with the reason, when the values cannot
// be restored (a value with a NUL, a store too large or empty) or the file could not be written
// completely; then no file is left behind and an existing file keeps its old contents.
void exportRegFile(const SettingsStore& store, const QString& path);

// Reads and checks such a file without touching the store: the values of the section in file
// order (a repeated name keeps its first place and its last text). StoreError, with the reason,
// when the file is not a string-only export of the store's key. Only a regular file is read,
// and no more than the size limit.
QList<RegValue> readRegFile(const QString& path);
// The same check on a file's bytes.
QList<RegValue> parseRegBytes(const QByteArray& bytes);

// What restoring `values` does to the store: values it adds, values whose text changes, and
// current values that stay as they are.
struct RestoreCounts {
    int added = 0;
    int changed = 0;
    int kept = 0;
};
RestoreCounts countRestore(const SettingsStore& store, const QList<RegValue>& values);

// Writes `values` into the store in one write, as the registry editor imports: the file's
// values replace the stored ones, every other value stays. StoreError when the store could not
// be written; the previous values then stay.
void mergeStoreValues(SettingsStore& store, const QList<RegValue>& values);

} // namespace velmora
