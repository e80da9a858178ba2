// The main window on a desktop: a real X server and a window manager that frames the window.

#include "desktop_session.h"
#include "fake_spreadsheet.h"
#include "form1.h"
#include "form2.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"
#include "twip_layout.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace velmora::testing {
namespace {

// Lets the windows and the window manager work until `done` holds, at most `timeoutMs`.
bool settle(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    return true;
}

// The main window's heights count its frame: at the first show, and at every click on a place
// option, the first one included.
TEST(Form1OnADesktop, TheWindowHeightsAreOuterHeightsFromTheFirstShowOn) {
    const QString missing = desktop::windowManagerMissing();
    if (!missing.isEmpty()) {
        GTEST_SKIP() << missing.toStdString();
    }
    for (const auto& [place, twips] : {std::pair{"Option5", 2550}, {"Option6", 4450}}) {
        SCOPED_TRACE(place);
        TempStore temp;
        SettingsStore store;
        FakeSpreadsheet excel;
        RecordingInteraction ui;
        excel.addWorkbook(QStringLiteral("Book1.xls"));
        store.SaveSetting(QStringLiteral("Option"), QStringLiteral("Option4"));
        store.SaveSetting(QStringLiteral("paste-check"), QString::fromLatin1(place));
        Form1 main(excel, store, ui, nullptr);
        ASSERT_TRUE(main.Form_Load());
        const auto pixels = [&main](int height) {
            return qRound(pixelsFor(&main, height) * main.devicePixelRatioF());
        };
        const auto outerHeightBecomes = [&main](int expected) {
            int height = 0;
            settle([&] {
                height = desktop::framedHeight(main);
                return height == expected;
            });
            return height;
        };

        main.show();
        ASSERT_TRUE(settle([&main] { return desktop::framedHeight(main) > 0; }))
            << "the window manager framed no window";
        EXPECT_EQ(outerHeightBecomes(pixels(twips)), pixels(twips)) << "at the first show";

        Form2* settings = main.form2();
        const std::pair<QRadioButton*, int> clicks[] = {
            {settings->Option10, 2550}, {settings->Option6, 4450}, {settings->Option5, 2550}};
        for (const auto& [option, height] : clicks) {
            option->click();
            EXPECT_EQ(outerHeightBecomes(pixels(height)), pixels(height))
                << option->objectName().toStdString();
        }
        main.close();
    }
}

} // namespace
} // namespace velmora::testing
