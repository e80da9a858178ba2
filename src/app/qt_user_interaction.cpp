#include "qt_user_interaction.h"

#include "message_box.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace velmora {

MessageAnswer QtUserInteraction::messageBox(const QString& text, int style) {
    return showMessageBox(text, style);
}

MessageAnswer QtUserInteraction::officeNotAnswering(const std::function<bool()>& waiting) {
    if (!waiting()) {
        return MessageAnswer::Ok;
    }
    QMessageBox box;
    prepareMessageBox(box, kOfficeNotAnsweringMessage);
    box.setIcon(QMessageBox::Warning);
    QPushButton* waitOn = box.addButton(QStringLiteral("待つ"), QMessageBox::AcceptRole);
    QPushButton* giveUp = box.addButton(QStringLiteral("中止"), QMessageBox::RejectRole);
    box.setDefaultButton(waitOn);
    box.setEscapeButton(waitOn);
    // The answer may come while the box is up; it then goes away by itself.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &box, [&] {
        if (!waiting()) {
            box.done(0);
        }
    });
    poll.start(100);
    box.exec();
    return box.clickedButton() == giveUp ? MessageAnswer::Cancel : MessageAnswer::Ok;
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
