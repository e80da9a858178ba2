// Shows the main window in one of its layouts on the in-memory spreadsheet and saves it as a
// PNG:  form1_screenshot <file.png> [none|one|three|folder]
// The store lives in a temporary directory, so nothing of the user's settings is touched.

#include "fake_spreadsheet.h"
#include "form1.h"
#include "notice_strip.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"

#include <QApplication>
#include <QPixmap>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QStringList layouts = {"none", "one", "three", "folder"};
    const QString layout = args.size() > 2 ? args[2] : QStringLiteral("one");
    if (args.size() < 2 || !layouts.contains(layout)) {
        QTextStream(stderr) << "usage: form1_screenshot <file.png> [none|one|three|folder]\n";
        return 2;
    }

    velmora::testing::TempStore temp;
    velmora::SettingsStore store;
    velmora::testing::FakeSpreadsheet excel;
    velmora::testing::RecordingInteraction ui;
    if (layout == "none") {
        excel.setRunning(false);
    } else {
        excel.addWorkbook(QStringLiteral("写真台帳.ods"));
        store.SaveSetting("Option", layout == "three" ? "Option1" : "Option4");
        store.SaveSetting("paste-check", layout == "three"    ? "Option6"
                                         : layout == "folder" ? "Option9"
                                                              : "Option5");
    }
    velmora::Form1 window(excel, store, ui, nullptr);
    window.Form_Load();
    window.show();
    QApplication::processEvents();
    // Let the notice scroll into the band.
    for (int i = 0; i < 30; ++i) {
        window.WebBrowser1->step();
    }
    const bool saved = window.grab().save(args[1], "PNG");
    window.close();
    if (!saved) {
        QTextStream(stderr) << "could not write " << args[1] << "\n";
        return 1;
    }
    return 0;
}
