#include "qt_user_interaction.h"

#include "message_box.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace velmora {

MessageAnswer QtUserInteraction::messageBox(const QString& text, int style) {
    return showMessageBox(text, style);
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
