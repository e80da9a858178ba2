#include "form99.h"

#include "forms.h"

namespace velmora {

Form99::Form99(QWidget* parent) : QWidget(parent, forms::topMostWindowFlags(Qt::Tool)) {
    buildControls();
}

void Form99::Form_Load() {
    forms::ensureTopMost(this);
}

} // namespace velmora
