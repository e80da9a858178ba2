#pragma once

// The application's link to a running LibreOffice Calc. No UNO header is seen from here.

#include "spreadsheet.h"

#include <QString>

#include <cstdint>
#include <limits>
#include <memory>

namespace velmora {

struct CalcLinkOptions {
    // The office listens on "pipe,name=<pipeName>" once it has been handed the request.
    QString pipeName = QStringLiteral("velmora");
    // When the pipe does not answer, a running office of this user is asked to listen on it.
    bool handOff = true;
    // Only offices started with this profile URL (their -env:UserInstallation) are asked;
    // empty means any office of this user that has a user interface (not --headless).
    QString handOffProfileUrl;
    // How long to retry the pipe after a hand-off.
    int handOffWaitMs = 3000;
    // How long a call goes without an answer before the user is asked whether to wait on
    // (only when its wait setting allows a longer wait).
    int notAnsweringNoticeMs = 5000;
    // The longest wait any wait setting may ask for (tests shorten a paste run's).
    int longestWaitMs = std::numeric_limits<int>::max();
};

std::unique_ptr<ExcelLink> makeCalcLink(const CalcLinkOptions& options);

// Messages this process has written to offices' pipes so far: each is one request (or the
// answer to one) and, for a call that waits for its answer, one round trip.
std::uint64_t unoMessagesSent();
std::unique_ptr<ExcelLink> makeCalcLink(QString pipeName = QStringLiteral("velmora"));

} // namespace velmora
