#pragma once

// What the secondary windows may reach of the main window. Form1 implements it; the
// settings, pattern and progress windows never include Form1 itself.

#include "holders.h"

namespace velmora {

class SettingsStore;
class UserInteraction;

class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;

    virtual Holders& holders() = 0;
    virtual SettingsStore& store() = 0;
    virtual UserInteraction& interaction() = 0;

    // Layout pieces, applied in the order the caller gives them.
    virtual void setWindowHeightTwips(int twips) = 0;
    virtual void setCheck1TopTwips(int twips) = 0;
    // 0 ... 3 for Picture0 ... Picture3.
    virtual void setDropTargetVisible(int index, bool visible) = 0;
    virtual void setFolderButtonVisible(bool visible) = 0;
    // Combo1 with "㎝" (false) or Text5 with " %" (true).
    virtual void showPercentSizeInput(bool percent) = 0;
    // The no-workbook layout: height 2550, Check1 at 1930, targets reset and hidden,
    // folder button hidden.
    virtual void applyNoWorkbookLayout() = 0;

    // The pattern window (Form3): show modelessly, run its OK handler, close it.
    virtual void showPatternWindow() = 0;
    virtual void confirmPatternWindow() = 0;
    virtual void closePatternWindow() = 0;

    // Form1's workbook button (Command1_Click).
    virtual void rerunWorkbookButton() = 0;
    // Closes the main window as the close box does (its unload handler runs).
    virtual void closeMainWindow() = 0;
};

} // namespace velmora
