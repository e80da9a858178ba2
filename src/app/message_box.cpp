#include "message_box.h"

#include <QMessageBox>

namespace velmora {

MessageAnswer showMessageBox(const QString& text, int style) {
    QMessageBox box;
    box.setWindowTitle(kAppTitle);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
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
