#include "form99.h"

#include "forms.h"

#include <QLabel>

namespace velmora {

void Form99::buildControls() {
    setObjectName(QStringLiteral("Form99"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("進行状況"));
    setFont(forms::uiFont());
    forms::setClientSizeTwips(this, 1590, 765);

    Label1 = forms::makeLabel(this, QStringLiteral("Label1"), QStringLiteral("999/999"), 360, 240,
                              975, 255);
    Label1->setFont(forms::uiFont(11.25));
    // The face's line is taller than the label; centred, the digits stay inside.
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    forms::centreOnScreen(this);
}

} // namespace velmora
