#pragma once

// The one message box of velmora and velmora-restore: titled "Velmora", kept on top, buttons
// and icon from the platform style value, and the text always shown as plain text (a file name
// such as "<b>a</b>.reg" is a name, not mark-up).

#include "user_interaction.h"

namespace velmora {

// Style 49 (OK and Cancel) has OK as its default button, as the platform's message box does;
// Escape answers Cancel.
MessageAnswer showMessageBox(const QString& text, int style);

} // namespace velmora
