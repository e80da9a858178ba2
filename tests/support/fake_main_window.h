#pragma once

// A main window for the settings, pattern and progress windows: holders in memory, the real
// store (point it at a TempStore), recorded dialogs, and a record of every layout call.

#include "main_window_port.h"
#include "map_holders.h"
#include "recording_interaction.h"
#include "settings_store.h"

#include <QStringList>

#include <array>
#include <functional>
#include <optional>

namespace velmora::testing {

class FakeMainWindow : public MainWindowPort {
public:
    Holders& holders() override { return texts; }
    SettingsStore& store() override { return settings; }
    UserInteraction& interaction() override { return dialogs; }

    void setWindowHeightTwips(int twips) override;
    void setCheck1TopTwips(int twips) override;
    void setDropTargetVisible(int index, bool visible) override;
    void resetDropTargetModes() override;
    void setFolderButtonVisible(bool visible) override;
    void showPercentSizeInput(bool percent) override;
    void applyNoWorkbookLayout() override;

    void showPatternWindow() override;
    void confirmPatternWindow() override;
    void closePatternWindow() override;

    void rerunWorkbookButton() override;
    void closeMainWindow() override;

    MapHolders texts;
    SettingsStore settings;
    RecordingInteraction dialogs;

    // The main window's layout as the calls left it; it starts in the no-workbook layout.
    int heightTwips = 2550;
    int check1TopTwips = 1930;
    std::array<bool, 4> targetShown{};
    bool folderButtonShown = false;
    // Unset until a sizing routine chose between Combo1 "㎝" (false) and Text5 " %" (true).
    std::optional<bool> percentInput;
    int dropModeResets = 0;
    int noWorkbookLayouts = 0;

    int patternCloses = 0;
    int mainWindowCloses = 0;

    // Every call in order, e.g. "height 4450", "target 2 shown", "pattern confirm".
    QStringList calls;

    // What the real main window would do besides (open a Form3, write the record on close).
    std::function<void()> onShowPattern;
    std::function<void()> onRerunWorkbookButton;
    std::function<void()> onCloseMainWindow;
};

} // namespace velmora::testing
