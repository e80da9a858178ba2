#pragma once

// The office a bench measures: headless, or with VELMORA_BENCH_OFFICE=visible (run under a
// display, such as xvfb-run) one that paints into a window as a user's office does.

#include "folder_paste.h"
#include "office_fixture.h"

namespace velmora::bench {

inline bool officeHeadless() {
    return qEnvironmentVariable("VELMORA_BENCH_OFFICE") != QStringLiteral("visible");
}

inline const char* displayName(bool headless) {
    return headless ? "headless" : "visible";
}

// A folder paste's progress window that shows nothing, so only the paste is measured.
struct NoProgress : ProgressView {
    void show() override {}
    void setCaption(const QString&) override {}
    void close() override {}
};

} // namespace velmora::bench
