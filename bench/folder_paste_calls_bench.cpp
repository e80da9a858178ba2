// Engine overhead of a folder paste into a private office: time, interface calls and UNO round
// trips per photo, in all and for each interface method.

#include "bench_office.h"
#include "calc_link.h"
#include "failing_link.h"
#include "folder_paste.h"
#include "map_holders.h"
#include "office_fixture.h"
#include "recording_interaction.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

using namespace velmora;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int kPhotos = 100;
    // Usage: velmora_bench_folder_paste_calls [width height]; VELMORA_BENCH_OFFICE=visible.
    const int width = argc > 2 ? std::atoi(argv[1]) : 64;
    const int height = argc > 2 ? std::atoi(argv[2]) : 48;
    QTemporaryDir dir;
    QStringList photos;
    for (int i = 0; i < kPhotos; ++i) {
        photos << testing::writeJpeg(
            dir.filePath(QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QChar('0'))), width, height);
    }

    const bool headless = bench::officeHeadless();
    testing::OfficeProcess office({}, headless);
    std::printf("folder paste of %d photos of %d x %d into a %s office; per method: round trips "
                "and time from entering it to entering the next (engine work between included)\n",
                kPhotos, width, height, bench::displayName(headless));
    std::printf("%-10s %14s %14s %22s\n", "sizing", "us per photo", "calls/photo",
                "Calc overhead/photo");
    for (const char* sizing : {"Option1", "Option2", "Option3", "Option4", "Option11"}) {
        office.closeAllWorkbooks();
        office.addWorkbook(QStringLiteral("Book1.ods"));
        testing::FailingLink counted(office.link());
        testing::MapHolders holders;
        holders.setText(Holder::Text1, QStringLiteral("Book1.ods"));
        holders.setText(Holder::Text2, QString::fromLatin1(sizing));
        holders.setText(Holder::Text3, QStringLiteral("0"));
        holders.setText(Holder::Text4, QStringLiteral("0"));
        holders.setText(Holder::Text22, QStringLiteral("1"));
        holders.setText(Holder::Text25, QStringLiteral("1"));
        holders.setText(Holder::Text26, QStringLiteral("3"));
        testing::RecordingInteraction ui;
        ui.openAnswers.push_back(photos.first());
        std::map<std::string, std::pair<double, double>> spent; // trips, ms
        std::string last = "(start)";
        std::uint64_t mark = unoMessagesSent();
        auto since = std::chrono::steady_clock::now();
        const auto attribute = [&](const char* method) {
            const auto now = std::chrono::steady_clock::now();
            spent[last].first += double(unoMessagesSent() - mark);
            spent[last].second += std::chrono::duration<double, std::milli>(now - since).count();
            mark = unoMessagesSent();
            since = now;
            last = method;
        };
        counted.onEnter = attribute;
        PasteEngine engine(counted, holders, ui);
        bench::NoProgress progress;

        const auto start = std::chrono::steady_clock::now();
        PasteFolder(engine, progress);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        attribute("(end)");
        spent["(released after)"].first += double(bench::settledMessages() - mark);

        if (!ui.messages.empty() || office.shapes().size() != kPhotos) {
            std::fprintf(stderr, "%s: the paste failed\n", sizing);
            return 1;
        }
        const double micros = std::chrono::duration<double, std::micro>(elapsed).count() / kPhotos;
        const double calls = static_cast<double>(counted.calls.size()) / kPhotos;
        // Round trips to Calc measured at 40 to 130 us each.
        std::printf("%-10s %14.1f %14.1f %12.1f-%.1f ms\n", sizing, micros, calls, calls * 0.040,
                    calls * 0.130);
        for (const auto& [method, figures] : spent) {
            std::printf("    %-20s %6.2f trips/photo, %5.2f calls/photo, %7.3f ms/photo\n",
                        method.c_str(), figures.first / kPhotos,
                        double(counted.calls.count(QString::fromStdString(method))) / kPhotos,
                        figures.second / kPhotos);
        }
    }
    return 0;
}
