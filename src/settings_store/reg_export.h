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

// Writes every value of the store's section to `path`. False, with a readable reason in
// `error`, when the file could not be written completely; then no file is left behind and an
// existing file keeps its old contents.
bool exportRegFile(const SettingsStore& store, const QString& path, QString* error);

// Reads and checks such a file without touching the store: the values of the section in file
// order (a repeated name keeps its first place and its last text), or nullopt with a reason in
// `error` when the file is not a string-only export of the store's key.
std::optional<QList<RegValue>> readRegFile(const QString& path, QString* error);

// Replaces the store's section with `values` in one write. False, with a reason, when the
// store could not be written; the previous values then stay.
bool replaceStoreValues(SettingsStore& store, const QList<RegValue>& values, QString* error);

// Reads such a file back into the store: readRegFile, then replaceStoreValues, so a restore
// reproduces the exported section exactly and a bad file changes nothing. The number of values
// restored, or nullopt with a reason in `error`.
std::optional<int> importRegFile(SettingsStore& store, const QString& path, QString* error);

} // namespace velmora
