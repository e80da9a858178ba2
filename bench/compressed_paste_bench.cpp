// A folder of phone photos (4032 x 3024, a third stored turned, orientation 6 or 8) pasted into a
// real office with 図の圧縮 off and on, side by side in one run: time per photo and the size of
// the saved workbook.
//
// Usage: velmora_bench_compressed_paste [photos, default 100]
// Headless office; VELMORA_BENCH_OFFICE=visible (under xvfb-run) paints as a user's office does;
// VELMORA_BENCH_COMPRESS=0 or 1 measures one side alone.

#include "bench_office.h"
#include "folder_paste.h"
#include "map_holders.h"
#include "phone_photos.h"
#include "recording_interaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace velmora;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    const bool headless = bench::officeHeadless();
    testing::OfficeProcess office({}, headless);
    QTemporaryDir folder(QDir(office.workDir()).filePath(QStringLiteral("photos-XXXXXX")));
    for (int i = 0; i < count; ++i) {
        testing::CameraHeader header;
        header.orientation = i % 3 == 0 ? (i % 2 == 0 ? 6 : 8) : 1;
        testing::writeCameraJpeg(
            folder.filePath(QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'))),
            bench::phonePicture(4032, 3024, static_cast<std::uint32_t>(i) + 1), header);
    }
    std::printf("%d phone photos, %s office\n", count, bench::displayName(headless));
    // VELMORA_BENCH_COMPRESS=1 (or 0) runs that side alone.
    const QByteArray only = qgetenv("VELMORA_BENCH_COMPRESS");
    for (const char* compress : {"0", "1"}) {
        if (!only.isEmpty() && only != compress) {
            continue;
        }
        const QString book = QStringLiteral("Bench%1.ods").arg(compress);
        office.closeAllWorkbooks();
        office.addWorkbook(book);
        office.select(QStringLiteral("B3"));
        testing::MapHolders holders;
        for (const auto& [holder, text] : {std::pair{Holder::Text1, book.toUtf8().constData()},
                                           {Holder::Text2, "Option1"},
                                           {Holder::Combo1, "9"},
                                           {Holder::Text5, "100"},
                                           {Holder::Text3, "0"},
                                           {Holder::Text4, "0"},
                                           {Holder::Text6, "Option9"},
                                           {Holder::Text22, "0"},
                                           {Holder::Text25, "1"},
                                           {Holder::Text26, "3"},
                                           {Holder::Check1, compress}}) {
            holders.setText(holder, QString::fromUtf8(text));
        }
        testing::RecordingInteraction ui;
        ui.openAnswers.push_back(folder.filePath(QStringLiteral("IMG_0000.jpg")));
        bench::NoProgress progress;
        auto link = office.makeLink();
        PasteEngine engine(*link, holders, ui);
        // Where the processor time goes: Velmora (its worker too), the office, the X server.
        const QByteArray officeMarker = office.pipeName().toUtf8();
        const std::array<QByteArray, 3> markers{QByteArray(), officeMarker, "Xvfb"};
        std::array<double, 3> cpu{};
        bench::waitUntilIdle(officeMarker);
        for (size_t i = 0; i < cpu.size(); ++i) {
            cpu[i] = bench::cpuMilliseconds(markers[i]);
        }
        const auto start = Clock::now();
        PasteFolder(engine, progress);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        for (size_t i = 0; i < cpu.size(); ++i) {
            cpu[i] = (bench::cpuMilliseconds(markers[i]) - cpu[i]) / count;
        }
        const QString saved = QDir(office.workDir()).filePath(book);
        office.save(saved, book);
        std::printf("図の圧縮 %s: %.1f ms per photo, workbook %.1f MB, %lld pictures%s\n", compress,
                    ms / count, QFileInfo(saved).size() / 1e6,
                    static_cast<long long>(office.shapes(book).size()),
                    ui.messages.empty() ? "" : " (failed)");
        std::printf("    processor per photo: Velmora %.1f ms, office %.1f ms, X server %.1f ms\n",
                    cpu[0], cpu[1], cpu[2]);
    }
    office.closeAllWorkbooks();
    return 0;
}
