#pragma once

// The restore program's flow, apart from its dialogs so that tests can answer them.

#include "settings_store.h"
#include "user_interaction.h"

#include <QStringList>

#include <functional>

namespace velmora {

// Shows a message box titled "Velmora" with a platform style value and returns the answer.
using AskUser = std::function<MessageAnswer(const QString& text, int style)>;

enum RestoreExit : int {
    kRestoreDone = 0,
    kRestoreFailed = 1,
    kRestoreUsage = 2,
    kRestoreCancelled = 3,
};

// `velmora-restore FILE.reg`: checks the whole file first, asks before merging it into the current
// settings, then reports success or the reason it failed. `arguments` excludes the program name.
// Store failures are shown here; the exit status only tells the desktop how it ended.
int runRestore(const QStringList& arguments, SettingsStore& store, const AskUser& ask);

} // namespace velmora
