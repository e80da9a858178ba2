// Preparing the light copy of a phone-like photo (4032 x 3024, grain all over) for a ledger
// cell 9 cm wide, on one thread: reading the header, the whole preparation (scaled decoding,
// scaling down, turning, encoding, writing) and, beside it, libjpeg-turbo's scaled decoding
// alone (reading every coded byte of the photo is the floor). Prints medians; fails nothing.

#include "light_photo.h"
#include "phone_photos.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <vector>

using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

template <class F> double medianMilliseconds(int runs, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// libjpeg-turbo decoding the file at a quarter of its size.
double quarterDecodeMilliseconds(const QString& path, int runs) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray jpeg = file.readAll();
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    tjhandle decoder = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colours = 0;
    tjDecompressHeader3(decoder, data, static_cast<unsigned long>(jpeg.size()), &width, &height,
                        &subsampling, &colours);
    const tjscalingfactor quarter{1, 4};
    std::vector<unsigned char> pixels(size_t(TJSCALED(width, quarter)) *
                                      size_t(TJSCALED(height, quarter)) * 3);
    const double ms = medianMilliseconds(runs, [&] {
        tjDecompress2(decoder, data, static_cast<unsigned long>(jpeg.size()), pixels.data(),
                      TJSCALED(width, quarter), 0, TJSCALED(height, quarter), TJPF_RGB, 0);
    });
    tjDestroy(decoder);
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication qt(argc, argv);
    constexpr int kRuns = 15;
    constexpr double kCellWidth = 9 * 28.35;
    try {
        QTemporaryDir dir;
        std::printf("light copy of a 4032 x 3024 photo for a cell %.2f pt (9 cm) wide, one "
                    "thread, median of %d\n",
                    kCellWidth, kRuns);
        for (int orientation : {1, 6}) {
            testing::CameraHeader header;
            header.orientation = orientation;
            header.jfifUnit = 1;
            header.jfifX = header.jfifY = 72;
            const QSize upright = orientation == 6 ? QSize(3024, 4032) : QSize(4032, 3024);
            const QString path = testing::writeCameraJpeg(
                dir.filePath(QStringLiteral("phone-%1.jpg").arg(orientation)),
                bench::phonePicture(upright.width(), upright.height()), header);
            const QSizeF placed(kCellWidth, kCellWidth * upright.height() / upright.width());

            const double headerMs = medianMilliseconds(kRuns, [&] { photo::readJpegHeader(path); });
            photo::LightPhoto light;
            const double prepareMs = medianMilliseconds(kRuns, [&] {
                if (!light.file.isEmpty()) {
                    QFile::remove(light.file);
                }
                light = photo::prepareLightPhoto(path, placed, dir.path());
            });
            const double decodeMs = quarterDecodeMilliseconds(path, kRuns);
            std::printf("  orientation %d (%d x %d upright, %.1f MB): header %.2f ms, "
                        "prepare %.1f ms (quarter decoding alone %.1f ms) -> %d x %d, %.0f kB%s\n",
                        orientation, upright.width(), upright.height(),
                        QFileInfo(path).size() / 1e6, headerMs, prepareMs, decodeMs,
                        light.pixels.width(), light.pixels.height(),
                        QFileInfo(light.file).size() / 1e3,
                        light.densityKeepsSize ? ", density keeps the size" : "");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
