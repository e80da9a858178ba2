#pragma once

// The desktop tests run on a private X server (Xvfb) with a window manager (openbox) and Qt's
// GTK theme, as on a user's desktop. Their main() starts the server and the manager before the
// QApplication; a test that needs one of them skips, saying which is missing.

#include <QString>
#include <QStringList>
#include <QWidget>

namespace velmora::testing::desktop {

// Empty while the X server runs, otherwise why it does not.
QString displayMissing();
// Empty once the window manager manages the screen (waits for it), otherwise why it does not.
QString windowManagerMissing();
// The standard output of an X client program run on the private display.
QString runXClient(const QString& program, const QStringList& args);
// The outer height in pixels of a shown top-level window as the X server has it: the height of
// the frame the window manager put around it, or 0 while it has none.
int framedHeight(const QWidget& window);

} // namespace velmora::testing::desktop
