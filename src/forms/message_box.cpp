#include "message_box.h"

#include <QMessageBox>

namespace velmora {

void prepareMessageBox(QMessageBox& box, const QString& text) {
    box.setWindowTitle(kAppTitle);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
}

MessageAnswer showMessageBox(const QString& text, int style) {
    QMessageBox box;
    prepareMessageBox(box, text);
    switch (style) {
    case kStyleCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case kStyleExclamation:
    case kStyleExclamationOkCancel:
        box.setIcon(QMessageBox::Warning);
        break;
    case kStyleInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if (style == kStyleExclamationOkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

} // namespace velmora
