// velmora-restore: opens an exported settings file (from the file manager, through the
// desktop entry) and restores it into the store, as running the file does on Windows.

#include "restore_run.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

namespace {

velmora::MessageAnswer showMessage(const QString& text, int style) {
    using velmora::MessageAnswer;
    QMessageBox box;
    box.setWindowTitle(velmora::kAppTitle);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (style) {
    case velmora::kStyleCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case velmora::kStyleExclamation:
    case velmora::kStyleExclamationOkCancel:
        box.setIcon(QMessageBox::Warning);
        break;
    case velmora::kStyleInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if (style == velmora::kStyleExclamationOkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator translator;
    // Japanese button texts whatever the desktop's language, like the rest of the UI.
    if (translator.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator);
    }
    velmora::SettingsStore store;
    return velmora::runRestore(QApplication::arguments().mid(1), store, showMessage);
}
