#include "twip_layout.h"

#include "units.h"

namespace velmora {

int pixelsFor(const QWidget* widget, int twips) {
    return twipsToPixels(twips, widget->logicalDpiY());
}

void placeTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(pixelsFor(widget, left), pixelsFor(widget, top), pixelsFor(widget, width),
                        pixelsFor(widget, height));
}

} // namespace velmora
