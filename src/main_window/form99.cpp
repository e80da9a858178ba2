#include "form99.h"

#include "form_style.h"

#include <QLabel>

namespace velmora {

Form99::Form99(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Form99"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("進行状況"));
    setFont(forms::uiFont());
    forms::setClientSizeTwips(this, 1590, 765);

    Label1 = new QLabel(QStringLiteral("999/999"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(forms::uiFont(11.25));
    forms::setTwipGeometry(Label1, 360, 240, 975, 255);
    forms::centreOnScreen(this);
}

void Form99::Form_Load() {
    forms::ensureTopMost(this);
}

} // namespace velmora
