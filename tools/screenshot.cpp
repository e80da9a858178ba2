// Draws a window offscreen beside a private headless office and saves it as a PNG for the README:
//   velmora_screenshot <file.png> none|one|three|folder|settings
// The first four are the main window's layouts; the store lives in a temporary directory, so
// nothing of the user's settings is touched.

#include "form1.h"
#include "form2.h"
#include "notice_strip.h"
#include "office_fixture.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"

#include <QApplication>
#include <QPixmap>
#include <QTextStream>

#include <optional>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString layout = args.value(2);
    if (args.size() != 3 ||
        !QStringList{"none", "one", "three", "folder", "settings"}.contains(layout)) {
        QTextStream(stderr)
            << "usage: velmora_screenshot <file.png> none|one|three|folder|settings\n";
        return 2;
    }

    velmora::testing::TempStore temp;
    velmora::SettingsStore store;
    // None is started for the layout of an office not running: its pipe stays silent.
    std::optional<velmora::testing::OfficeProcess> office;
    velmora::CalcLinkOptions nobody;
    nobody.pipeName = velmora::testing::OfficeProcess::unusedPipeName();
    nobody.handOff = false;
    const auto silent = velmora::makeCalcLink(nobody);
    velmora::testing::RecordingInteraction ui;
    if (layout != "none") {
        office.emplace();
    }
    if (layout == "settings") {
        office->addWorkbook(QStringLiteral("Book1.ods"));
        const std::pair<const char*, const char*> record[] = {
            {"Option", "Option4"}, {"junjo", "0"},          {"paste-check", "Option6"},
            {"paste-url-1", "B4"}, {"bityousei-tate", "0"}, {"bityousei-yoko", "-2"}};
        for (const auto& [name, value] : record) {
            store.SaveSetting(name, value);
        }
        for (int slot = 1; slot <= 5; ++slot) {
            store.SaveSetting(QStringLiteral("save%1_title").arg(slot),
                              QStringLiteral("セーブデータ%1").arg(slot));
        }
    } else if (layout != "none") {
        office->addWorkbook(QStringLiteral("写真台帳.ods"));
        store.SaveSetting("Option", layout == "three" ? "Option1" : "Option4");
        store.SaveSetting("paste-check", layout == "three"    ? "Option6"
                                         : layout == "folder" ? "Option9"
                                                              : "Option5");
    }
    velmora::Form1 main(office ? office->link() : *silent, store, ui, nullptr);
    main.Form_Load();
    QWidget* window = &main;
    if (layout == "settings") {
        window = main.form2();
    }
    window->show();
    QApplication::processEvents();
    // Let the notice scroll into the band.
    for (int i = 0; i < 30; ++i) {
        main.WebBrowser1->step();
    }
    if (!window->grab().save(args[1], "PNG")) {
        QTextStream(stderr) << "could not write " << args[1] << "\n";
        return 1;
    }
    return 0;
}
