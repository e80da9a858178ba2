// velmora-restore: opens an exported settings file (from the file manager, through the
// desktop entry) and restores it into the store, as running the file does on Windows.

#include "message_box.h"
#include "restore_run.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator translator;
    // Japanese button texts whatever the desktop's language, like the rest of the UI.
    if (translator.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator);
    }
    velmora::SettingsStore store;
    return velmora::runRestore(QApplication::arguments().mid(1), store, velmora::showMessageBox);
}
