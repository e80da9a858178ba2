#pragma once

// The one message box of velmora and velmora-restore: titled "Velmora", kept on top, buttons
// and icon from the platform style value, and the text always shown as plain text (a file name
// such as "<b>a</b>.reg" is a name, not mark-up).

#include "user_interaction.h"

class QMessageBox;

namespace velmora {

// Style 49 (OK and Cancel) has OK as its default button, as the platform's message box does;
// Escape answers Cancel.
MessageAnswer showMessageBox(const QString& text, int style);

// Title, plain text and top-most, for a box that brings buttons of its own.
void prepareMessageBox(QMessageBox& box, const QString& text);

} // namespace velmora
