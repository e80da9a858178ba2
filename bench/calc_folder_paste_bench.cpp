// Time per photo of a folder paste into a real office, next to the bare insert loop of the
// Calc link (Worksheet::addPicture alone) on the same photos in the same run. The ratio is
// what the paste run adds on top of Calc inserting the pictures. Beside the times, the round
// trips to the office per photo (messages written to its pipe, counted at the bridge). A
// photo's time runs from its start to the next one's; the last one's to the progress window
// closing. The run's end after it (screen updating on, the last picture selected) is printed
// on its own and counted in the folder paste's mean. The office's processor time per photo
// shows how much of a pass is the office's own work.
//
// Usage: velmora_bench_calc_folder_paste [photos per size, default 100] [rounds, default 3]
// The office is headless; with VELMORA_BENCH_OFFICE=visible (under xvfb-run) it paints into a
// window as a user's office does, which is where large pictures cost most.

#include "bench_office.h"
#include "calc_link.h"
#include "form1.h"
#include "form99.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

// A smooth picture with a tiled grain, different for every index, so Calc decodes a
// photo-like JPEG each time and cannot share one graphic between them. Drawn by QPainter,
// which stays fast in a debug build.
bool writePhoto(const QString& path, int width, int height, int index) {
    QImage grain(64, 64, QImage::Format_ARGB32_Premultiplied);
    quint32 seed = 2654435761u * static_cast<quint32>(index + 1);
    for (int y = 0; y < grain.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grain.scanLine(y));
        for (int x = 0; x < grain.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int v = static_cast<int>(seed >> 24);
            line[x] = qRgba(v / 4, v / 4, v / 4, 64);
        }
    }
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor::fromHsv((index * 37) % 360, 160, 220));
    gradient.setColorAt(1, QColor::fromHsv((index * 37 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), gradient);
    painter.drawTiledPixmap(image.rect(), QPixmap::fromImage(grain));
    painter.end();
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image.save(path, "JPG", 90);
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Pass {
    double seconds = 0;
    // Messages written to the office's pipe, the releases sent after the pass included: its
    // round trips.
    std::uint64_t messages = 0;
    // Each photo's share, in order, to show whether the cost grows with the pictures already
    // on the sheet.
    std::vector<double> photoMs;
    // After the last photo: the run's end (screen updating on, the last picture selected).
    double endMs = 0;
    // The office's processor time over the pass.
    double officeCpuMs = 0;
    // Where the pictures ended up, in the order they went in.
    QList<testing::ShapeInfo> placed;
    bool ok = false;
};

// Before a pass starts: the office done freeing the workbooks of the pass before, and its
// processor time so far.
double officeReady(const testing::OfficeProcess& office) {
    const QByteArray marker = office.pipeName().toUtf8();
    bench::waitUntilIdle(marker);
    return bench::cpuMilliseconds(marker);
}

double officeCpuSince(const testing::OfficeProcess& office, double before) {
    return bench::cpuMilliseconds(office.pipeName().toUtf8()) - before;
}

// Over every pass of a method: the mean of a per-pass figure.
template <class Figure> double mean(const std::vector<Pass>& passes, Figure figure) {
    double total = 0;
    for (const Pass& pass : passes) {
        total += figure(pass);
    }
    return total / static_cast<double>(passes.size());
}

// The mean time of photos [from, to) over every pass.
double meanMs(const std::vector<Pass>& passes, std::size_t from, std::size_t to) {
    return mean(passes, [&](const Pass& pass) {
        double total = 0;
        for (std::size_t i = from; i < to; ++i) {
            total += pass.photoMs[i];
        }
        return total / static_cast<double>(to - from);
    });
}

// Worksheet::addPicture alone, under the same screen-updating lock a paste run holds, each
// picture put straight at the place and size a folder paste gave it: Calc repaints every
// picture in view after each insert, so pictures left at their original size would make the
// loop measure painting rather than inserting.
Pass bareInsertLoop(testing::OfficeProcess& office, const QStringList& photos,
                    const QList<testing::ShapeInfo>& places, const QString& book) {
    office.closeAllWorkbooks();
    office.addWorkbook(book);
    auto link = office.makeLink();
    link->setWaitSettings(kPasteWaitSettings);
    auto app = link->attach();
    auto sheet = app->workbook(book)->activeSheet();
    app->setScreenUpdating(false);
    Pass pass;
    const double cpu = officeReady(office);
    const auto sent = unoMessagesSent();
    const auto start = Clock::now();
    for (int i = 0; i < photos.size(); ++i) {
        const auto before = Clock::now();
        const auto& place = places[i];
        sheet->addPicture(photos[i], false, true, place.left, place.top, place.width, place.height);
        pass.photoMs.push_back(seconds(Clock::now() - before) * 1000);
    }
    pass.seconds = seconds(Clock::now() - start);
    app->setScreenUpdating(true);
    pass.officeCpuMs = officeCpuSince(office, cpu);
    pass.messages = bench::settledMessages() - sent;
    pass.ok = office.shapes(book).size() == photos.size();
    app.reset();
    office.closeAllWorkbooks();
    return pass;
}

// Calls back when a progress window closes.
class ClosingWatch : public QObject {
public:
    explicit ClosingWatch(std::function<void()> closed) : closed_(std::move(closed)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~ClosingWatch() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && dynamic_cast<Form99*>(watched) != nullptr) {
            closed_();
        }
        return false;
    }

private:
    std::function<void()> closed_;
};

// The folder button of the main window, as the user presses it.
Pass folderPaste(testing::OfficeProcess& office, const QStringList& photos, const QString& book) {
    office.closeAllWorkbooks();
    office.addWorkbook(book);
    office.select(QStringLiteral("B3"));
    testing::TempStore tempStore;
    SettingsStore store;
    store.SaveSetting(QStringLiteral("Option"), QStringLiteral("Option4"));
    store.SaveSetting(QStringLiteral("Text5"), QStringLiteral("90"));
    store.SaveSetting(QStringLiteral("paste-check"), QStringLiteral("Option9"));
    store.SaveSetting(QStringLiteral("renzoku-no1-no2"), QStringLiteral("1"));
    store.SaveSetting(QStringLiteral("renzoku-p1-p2"), QStringLiteral("2"));
    testing::RecordingInteraction ui;
    ui.openAnswers.push_back(photos.first());
    // Called once before each photo; lets the progress window paint as the program does.
    std::vector<Clock::time_point> photoStarts;
    ui.onProcessEvents = [&] {
        photoStarts.push_back(Clock::now());
        QCoreApplication::processEvents();
    };
    // The progress window closes right after the last photo, before the run ends.
    std::optional<Clock::time_point> progressClosed;
    ClosingWatch watch([&] { progressClosed = Clock::now(); });
    auto link = office.makeLink();
    Pass pass;
    {
        Form1 form(*link, store, ui, nullptr);
        form.Form_Load();
        const double cpu = officeReady(office);
        const auto sent = unoMessagesSent();
        const auto start = Clock::now();
        form.Command2->click();
        const auto end = Clock::now();
        pass.officeCpuMs = officeCpuSince(office, cpu);
        pass.messages = bench::settledMessages() - sent;
        pass.seconds = seconds(end - start);
        if (progressClosed) {
            pass.endMs = seconds(end - *progressClosed) * 1000;
        }
        photoStarts.push_back(progressClosed.value_or(end));
        for (std::size_t i = 0; i + 1 < photoStarts.size(); ++i) {
            pass.photoMs.push_back(seconds(photoStarts[i + 1] - photoStarts[i]) * 1000);
        }
        pass.placed = office.shapes(book);
        pass.ok = ui.messages.empty() && pass.placed.size() == photos.size() &&
                  pass.photoMs.size() == static_cast<std::size_t>(photos.size());
        form.close();
    }
    office.closeAllWorkbooks();
    return pass;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (count < 1 || rounds < 1) {
        std::fprintf(stderr, "usage: %s [photos per size] [rounds]\n", argv[0]);
        return 2;
    }

    const bool headless = bench::officeHeadless();
    testing::OfficeProcess office({}, headless);
    std::printf("%d photos per size into a %s office; each figure is the mean of %d passes of "
                "each method, in rounds of folder, bare, bare, folder, after one of each not "
                "counted (warm-up)\n",
                count, bench::displayName(headless), 2 * rounds);
    std::printf("%-10s %16s %14s %7s %22s %22s %12s %14s %12s %20s %18s\n", "photo",
                "folder ms/photo", "bare ms/photo", "ratio", "folder first/last 10",
                "bare first/last 10", "folder end ms", "folder trips", "bare trips",
                "office cpu fold/bare", "warm-up fold/bare");

    const struct {
        const char* label;
        int width;
        int height;
    } sizes[] = {{"640x480", 640, 480}, {"4000x3000", 4000, 3000}};
    for (const auto& size : sizes) {
        QTemporaryDir folder(QDir(office.workDir()).filePath(QStringLiteral("photos-XXXXXX")));
        QStringList photos;
        for (int i = 0; i < count; ++i) {
            const QString path =
                folder.filePath(QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QChar('0')));
            if (!writePhoto(path, size.width, size.height, i)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
            photos << path;
        }
        // A pass of each first, not counted: the office's first pictures of a size cost it
        // more than the ones after, and the first pass measured would pay for them alone.
        const Pass warm = folderPaste(office, photos, QStringLiteral("Warm.ods"));
        if (!warm.ok) {
            std::fprintf(stderr, "%s: the folder paste did not insert every photo\n", size.label);
            return 1;
        }
        const Pass warmBare =
            bareInsertLoop(office, photos, warm.placed, QStringLiteral("WarmBare.ods"));
        // Both orders, so neither method profits alone from an office warmer still.
        std::vector<Pass> folders;
        std::vector<Pass> bares;
        for (int round = 0; round < rounds; ++round) {
            folders.push_back(folderPaste(office, photos, QStringLiteral("Folder1.ods")));
            bares.push_back(
                bareInsertLoop(office, photos, warm.placed, QStringLiteral("Bare1.ods")));
            bares.push_back(
                bareInsertLoop(office, photos, warm.placed, QStringLiteral("Bare2.ods")));
            folders.push_back(folderPaste(office, photos, QStringLiteral("Folder2.ods")));
        }
        const auto allOk = [](const std::vector<Pass>& passes) {
            return std::all_of(passes.begin(), passes.end(), [](const Pass& p) { return p.ok; });
        };
        if (!warmBare.ok || !allOk(folders) || !allOk(bares)) {
            std::fprintf(stderr, "%s: a pass did not insert every photo\n", size.label);
            return 1;
        }
        const auto perPhoto = [count](double total) {
            return total / count;
        };
        const double folderMs =
            mean(folders, [&](const Pass& p) { return perPhoto(p.seconds * 1000); });
        const double bareMs =
            mean(bares, [&](const Pass& p) { return perPhoto(p.seconds * 1000); });
        const std::size_t n = photos.size();
        const std::size_t tail = std::min<std::size_t>(10, n);
        const auto trips = [&](const Pass& p) {
            return perPhoto(static_cast<double>(p.messages));
        };
        const auto officeCpu = [&](const Pass& p) {
            return perPhoto(p.officeCpuMs);
        };
        std::printf("%-10s %16.2f %14.2f %7.2f %11.2f /%8.2f %11.2f /%8.2f %12.1f %14.1f %12.1f "
                    "%9.2f /%8.2f %8.2f /%7.2f\n",
                    size.label, folderMs, bareMs, folderMs / bareMs, meanMs(folders, 0, tail),
                    meanMs(folders, n - tail, n), meanMs(bares, 0, tail),
                    meanMs(bares, n - tail, n),
                    mean(folders, [](const Pass& p) { return p.endMs; }), mean(folders, trips),
                    mean(bares, trips), mean(folders, officeCpu), mean(bares, officeCpu),
                    perPhoto(warm.seconds * 1000), perPhoto(warmBare.seconds * 1000));
        std::fflush(stdout);
    }
    return 0;
}
