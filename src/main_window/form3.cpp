#include "form3.h"

#include "forms.h"

#include <QLineEdit>
#include <QPushButton>

namespace velmora {

Form3::Form3(Holders& holders, QWidget* parent) : QWidget(parent), holders_(holders) {
    buildControls();
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void Form3::Form_Load() {
    forms::ensureTopMost(this);
    Text4->setText(holders_.text(Holder::Text25));
    Text6->setText(holders_.text(Holder::Text26));
}

void Form3::Command1_Click() {
    // Copied as they stand: a bad gap only fails when a folder paste uses it.
    holders_.setText(Holder::Text25, Text4->text());
    holders_.setText(Holder::Text26, Text6->text());
    close();
}

} // namespace velmora
