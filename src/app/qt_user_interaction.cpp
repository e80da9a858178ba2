#include "qt_user_interaction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace velmora {

MessageAnswer QtUserInteraction::messageBox(const QString& text, int style) {
    QMessageBox box;
    box.setWindowTitle(kAppTitle);
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
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

std::optional<QString> QtUserInteraction::getOpenFileName(const QString& filter,
                                                          const QString& title) {
    const QString path = QFileDialog::getOpenFileName(nullptr, title, QString(), filter);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

std::optional<QString> QtUserInteraction::getSaveFileName(const SaveDialogOptions& options) {
    QFileDialog dialog(nullptr, options.title, options.initialDir, options.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    dialog.setDefaultSuffix(QString());
    dialog.selectFile(options.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

void QtUserInteraction::processEvents() {
    QApplication::processEvents();
}

void QtUserInteraction::openUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}

} // namespace velmora
