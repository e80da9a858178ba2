#include "calc_link.h"
#include "form1.h"
#include "qt_user_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "termination_signals.h"
#include "velmora_application.h"

#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

int main(int argc, char** argv) {
    velmora::VelmoraApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));

    QTranslator qtbase;
    if (qtbase.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtbase);
    }

    velmora::QtUserInteraction interaction;
    app.setInteraction(&interaction);
    velmora::SettingsStore store;
    const std::unique_ptr<velmora::ExcelLink> link = velmora::makeCalcLink();
    velmora::Form1 window(*link, store, interaction, std::make_unique<velmora::SingleInstance>());
    if (!window.Form_Load()) {
        return 0;
    }
    // A logout or kill closes the window like its close box, so the settings are stored.
    const velmora::TerminationSignals termination([&window] {
        window.close();
        QApplication::quit();
    });
    window.show();
    return QApplication::exec();
}
