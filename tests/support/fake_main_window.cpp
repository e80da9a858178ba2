#include "fake_main_window.h"

namespace velmora::testing {

namespace {

void run(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

} // namespace

void FakeMainWindow::setWindowHeightTwips(int twips) {
    heightTwips = twips;
    calls << QStringLiteral("height %1").arg(twips);
}

void FakeMainWindow::setCheck1TopTwips(int twips) {
    check1TopTwips = twips;
    calls << QStringLiteral("check1 %1").arg(twips);
}

void FakeMainWindow::setDropTargetVisible(int index, bool visible) {
    targetShown.at(static_cast<std::size_t>(index)) = visible;
    calls << QStringLiteral("target %1 %2").arg(index).arg(visible ? "shown" : "hidden");
}

void FakeMainWindow::resetDropTargetModes() {
    ++dropModeResets;
    calls << QStringLiteral("reset drop modes");
}

void FakeMainWindow::setFolderButtonVisible(bool visible) {
    folderButtonShown = visible;
    calls << QStringLiteral("folder button %1").arg(visible ? "shown" : "hidden");
}

void FakeMainWindow::showPercentSizeInput(bool percent) {
    percentInput = percent;
    calls << (percent ? QStringLiteral("size input %") : QStringLiteral("size input cm"));
}

void FakeMainWindow::applyNoWorkbookLayout() {
    ++noWorkbookLayouts;
    ++dropModeResets;
    heightTwips = 2550;
    check1TopTwips = 1930;
    targetShown.fill(false);
    folderButtonShown = false;
    calls << QStringLiteral("no-workbook layout");
}

void FakeMainWindow::showPatternWindow() {
    calls << QStringLiteral("pattern show");
    run(onShowPattern);
}

void FakeMainWindow::confirmPatternWindow() {
    calls << QStringLiteral("pattern confirm");
}

void FakeMainWindow::closePatternWindow() {
    ++patternCloses;
    calls << QStringLiteral("pattern close");
}

void FakeMainWindow::rerunWorkbookButton() {
    calls << QStringLiteral("workbook button");
    run(onRerunWorkbookButton);
}

void FakeMainWindow::closeMainWindow() {
    ++mainWindowCloses;
    calls << QStringLiteral("close main window");
    run(onCloseMainWindow);
}

} // namespace velmora::testing
