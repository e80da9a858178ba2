#pragma once

#include <QWidget>

namespace velmora {

// Places a widget at a rectangle given in twips, scaled by the widget's logical dpi.
void placeTwips(QWidget* widget, int left, int top, int width, int height);
int pixelsFor(const QWidget* widget, int twips);

} // namespace velmora
