// Shows the settings window on a fake main window and saves it as a PNG:
//   form2_screenshot <file.png> [option6|option9]
// The store lives in a temporary directory, so nothing of the user's settings is touched.

#include "fake_main_window.h"
#include "form2.h"
#include "temp_store.h"

#include <QApplication>
#include <QComboBox>
#include <QPixmap>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: form2_screenshot <file.png> [option6|option9]\n";
        return 2;
    }

    velmora::testing::TempStore temp;
    velmora::testing::FakeMainWindow main;
    if (args.size() > 2) {
        main.texts.setText(velmora::Holder::Text2, QStringLiteral("Option4"));
        main.texts.setText(velmora::Holder::Text22, QStringLiteral("0"));
        main.texts.setText(velmora::Holder::Text6, args[2] == QLatin1String("option9")
                                                       ? QStringLiteral("Option9")
                                                       : QStringLiteral("Option6"));
        main.texts.setText(velmora::Holder::Text7, QStringLiteral("B4"));
        main.texts.setText(velmora::Holder::Text3, QStringLiteral("0"));
        main.texts.setText(velmora::Holder::Text4, QStringLiteral("-2"));
        for (int slot = 1; slot <= 5; ++slot) {
            main.settings.SaveSetting(QStringLiteral("save%1_title").arg(slot),
                                      QStringLiteral("セーブデータ%1").arg(slot));
        }
    }

    auto* window = new velmora::Form2(main);
    window->Form_Load();
    window->List1->addItem(QStringLiteral("Book1.ods"));
    window->List1->setEditText(QStringLiteral("Book1.ods"));
    window->show();
    QApplication::processEvents();

    const bool saved = window->grab().save(args[1], "PNG");
    delete window;
    if (!saved) {
        QTextStream(stderr) << "could not write " << args[1] << "\n";
        return 1;
    }
    return 0;
}
