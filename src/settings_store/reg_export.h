#pragma once

// The registry editor's export format for the store's key, written and read by Velmora
// itself so that the same file also imports on Windows.

#include "settings_store.h"

#include <QString>

#include <optional>

namespace velmora {

// Writes every value of the store's section to `path`. False, with a readable reason in
// `error`, when the file could not be written completely.
bool exportRegFile(const SettingsStore& store, const QString& path, QString* error);

// Reads such a file back into the store. The number of values restored, or nullopt with a
// reason in `error` when the file is not an export of the store's key or cannot be read.
std::optional<int> importRegFile(SettingsStore& store, const QString& path, QString* error);

} // namespace velmora
