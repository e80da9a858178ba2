// Cost of the Calc link against its own office (headless; VELMORA_BENCH_OFFICE=visible under
// xvfb-run for one that paints into a window): one round trip, and inserting a
// 640 x 480 and a 4000 x 3000 JPEG onto an empty sheet with screen updating on and off
// (controllers locked).
// Prints medians; fails nothing.

#include "bench_office.h"
#include "calc_link.h"
#include "test_photos.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <vector>

using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

template <class F> double millisecondsOf(F&& f) {
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Insertion {
    double on = 0;
    double off = 0;
    // Round trips of one insert with screen updating off.
    std::uint64_t trips = 0;
};

// Each insert goes onto a sheet of its own: after every change Calc repaints the pictures in
// view, so a sheet filling with full-size pictures would measure painting, not inserting.
// The two modes alternate run by run.
Insertion insertion(Application& app, const QString& photo, int runs) {
    const auto insertOnNewSheet = [&](bool screenUpdating) {
        auto sheet = app.activeWorkbook()->addWorksheet();
        app.setScreenUpdating(screenUpdating);
        const double ms =
            millisecondsOf([&] { sheet->addPicture(photo, false, true, 0, 0, 0, 0); });
        app.setScreenUpdating(true);
        return ms;
    };
    // The first insert of a kind also loads the office's graphic filters.
    insertOnNewSheet(true);
    std::vector<double> on;
    std::vector<double> off;
    std::uint64_t trips = 0;
    for (int i = 0; i < runs; ++i) {
        on.push_back(insertOnNewSheet(true));
        auto sheet = app.activeWorkbook()->addWorksheet();
        app.setScreenUpdating(false);
        const auto sent = unoMessagesSent();
        off.push_back(millisecondsOf([&] { sheet->addPicture(photo, false, true, 0, 0, 0, 0); }));
        trips = unoMessagesSent() - sent;
        app.setScreenUpdating(true);
    }
    return {median(on), median(off), trips};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication qt(argc, argv);
    constexpr int kRoundTrips = 1000;
    constexpr int kSmallRuns = 15;
    constexpr int kLargeRuns = 5;
    try {
        const bool headless = bench::officeHeadless();
        testing::OfficeProcess office({}, headless);
        office.addWorkbook(QStringLiteral("Bench.ods"));
        const QDir dir(office.workDir());
        const QString small =
            testing::writeJpeg(dir.filePath(QStringLiteral("small.jpg")), 640, 480);
        const QString large =
            testing::writeJpeg(dir.filePath(QStringLiteral("large.jpg")), 4000, 3000);

        auto link = office.makeLink();
        // Inserts happen inside a paste run.
        link->setWaitSettings(kPasteWaitSettings);
        auto app = link->attach();
        auto sheet = app->activeWorkbook()->activeSheet();

        // A worksheet's name is one remote call on an object already at hand.
        sheet->name();
        std::vector<double> trips;
        for (int i = 0; i < kRoundTrips; ++i) {
            trips.push_back(millisecondsOf([&] { sheet->name(); }));
        }
        const Insertion smallCost = insertion(*app, small, kSmallRuns);
        const Insertion largeCost = insertion(*app, large, kLargeRuns);

        std::printf("Calc link against a %s LibreOffice %s (medians)\n",
                    bench::displayName(headless), qPrintable(app->version()));
        std::printf("%-28s %8s %22s %23s %12s\n", "operation", "runs", "screen updating on",
                    "screen updating off", "round trips");
        std::printf("%-28s %8d %19.1f us %23s %12d\n", "one round trip", kRoundTrips,
                    median(trips) * 1000, "-", 1);
        std::printf("%-28s %8d %19.2f ms %20.2f ms %12llu\n", "insert 640 x 480 JPEG", kSmallRuns,
                    smallCost.on, smallCost.off, static_cast<unsigned long long>(smallCost.trips));
        std::printf("%-28s %8d %19.2f ms %20.2f ms %12llu\n", "insert 4000 x 3000 JPEG", kLargeRuns,
                    largeCost.on, largeCost.off, static_cast<unsigned long long>(largeCost.trips));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "calc link bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
