#pragma once

// The office a bench measures: headless, or with VELMORA_BENCH_OFFICE=visible (run under a
// display, such as xvfb-run) one that paints into a window as a user's office does.

#include "office_fixture.h"

namespace velmora::bench {

inline testing::OfficeProcess::Display officeDisplay() {
    return qEnvironmentVariable("VELMORA_BENCH_OFFICE") == QStringLiteral("visible")
               ? testing::OfficeProcess::Display::Visible
               : testing::OfficeProcess::Display::Headless;
}

inline const char* displayName(testing::OfficeProcess::Display display) {
    return display == testing::OfficeProcess::Display::Visible ? "visible" : "headless";
}

} // namespace velmora::bench
