#pragma once

// The office a bench measures: headless, or with VELMORA_BENCH_OFFICE=visible (run under a
// display, such as xvfb-run) one that paints into a window as a user's office does.

#include "office_fixture.h"

namespace velmora::bench {

inline bool officeHeadless() {
    return qEnvironmentVariable("VELMORA_BENCH_OFFICE") != QStringLiteral("visible");
}

inline const char* displayName(bool headless) {
    return headless ? "headless" : "visible";
}

} // namespace velmora::bench
