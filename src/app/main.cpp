#include "form1.h"
#include "qt_user_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "spreadsheet.h"
#include "velmora_application.h"

#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

// Stands in until the office link is wired: behaves as "not running".
class NoOfficeLink : public velmora::ExcelLink {
public:
    velmora::ApplicationPtr attach() override {
        throw velmora::SpreadsheetError(QStringLiteral("no office is running"));
    }
    void setWaitSettings(const velmora::WaitSettings& settings) override { settings_ = settings; }
    velmora::WaitSettings waitSettings() const override { return settings_; }

private:
    velmora::WaitSettings settings_ = velmora::kIdleWaitSettings;
};

} // namespace

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
    NoOfficeLink link;
    velmora::Form1 window(link, store, interaction, std::make_unique<velmora::SingleInstance>());
    if (!window.Form_Load()) {
        return 0;
    }
    window.show();
    return QApplication::exec();
}
