#include "light_photo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace velmora::photo {

namespace {

constexpr double kPointsPerInch = 72;
constexpr int kQuality = 85;
// A copy may lose this share of its pixels on the long side if a density then keeps the
// original size exactly.
constexpr double kLeewayForExactDensity = 0.1;

using Handle = std::unique_ptr<void, int (*)(tjhandle)>;

struct Image {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<unsigned char> pixels;
};

// The copy's pixels and its JFIF density.
struct Output {
    QSize pixels;
    int unit = 1;
    int densityX = 1;
    int densityY = 1;
    bool exact = false;
};

double hmmPerUnit(int unit) {
    return unit == 2 ? 1000 : 2540;
}

// Whether the office, rounding to 1/100 mm, reads `hmm` from these pixels and densities; a
// value half-way between two hundredths is not trusted to round either way.
bool keepsSize(QSize pixels, int unit, int dx, int dy, QSize hmm) {
    const auto near = [&](int px, int density, int target) {
        return std::abs(px * hmmPerUnit(unit) / density - target) < 0.45;
    };
    return near(pixels.width(), dx, hmm.width()) && near(pixels.height(), dy, hmm.height());
}

int densityFor(int pixels, int unit, int hmm) {
    const double density = pixels * hmmPerUnit(unit) / std::max(hmm, 1);
    return int(std::clamp(std::lround(density), 1L, 65535L));
}

// The largest size within `cap` with the photo's aspect ratio; among the sizes a little
// smaller, the first whose density gives exactly the photo's original size (`hmm`).
Output chooseOutput(QSize upright, QSize hmm, QSize cap) {
    const bool wide = upright.width() >= upright.height();
    const int longSide = wide ? upright.width() : upright.height();
    const int shortSide = wide ? upright.height() : upright.width();
    const int longCap = wide ? cap.width() : cap.height();
    const int shortCap = wide ? cap.height() : cap.width();
    const auto shortFor = [&](int l) {
        return std::max(1, int(std::lround(double(l) * shortSide / longSide)));
    };
    const auto sized = [&](int l) {
        return wide ? QSize(l, shortFor(l)) : QSize(shortFor(l), l);
    };
    int largest = std::min(longSide, longCap);
    while (largest > 1 && shortFor(largest) > shortCap) {
        --largest;
    }
    // A photo kept at its own size is only turned, never resampled for a density.
    const int smallest =
        largest == longSide ? largest : int(std::ceil(largest * (1 - kLeewayForExactDensity)));
    for (int l = largest; l >= std::max(smallest, 1); --l) {
        const QSize pixels = sized(l);
        for (int unit : {1, 2}) {
            const int dx = densityFor(pixels.width(), unit, hmm.width());
            const int dy = densityFor(pixels.height(), unit, hmm.height());
            if (keepsSize(pixels, unit, dx, dy, hmm)) {
                return {pixels, unit, dx, dy, true};
            }
        }
    }
    const QSize pixels = sized(largest);
    return {pixels, 1, densityFor(pixels.width(), 1, hmm.width()),
            densityFor(pixels.height(), 1, hmm.height()), false};
}

// The smallest of libjpeg-turbo's decoding scales that still gives at least `target` pixels.
tjscalingfactor decodingScale(QSize stored, QSize target) {
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    tjscalingfactor best{1, 1};
    for (int i = 0; factors != nullptr && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        const int w = TJSCALED(stored.width(), f);
        const int h = TJSCALED(stored.height(), f);
        if (f.num <= f.denom && w >= target.width() && h >= target.height() &&
            w < TJSCALED(stored.width(), best)) {
            best = f;
        }
    }
    return best;
}

// Weights of a tent filter as wide as one source pixel or one target pixel, whichever is
// wider: a smooth reduction without ringing.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights; // `width` per target pixel
    int width = 0;
};

Taps tentTaps(int from, int to) {
    const double scale = double(from) / to;
    const double radius = std::max(1.0, scale);
    Taps taps;
    taps.width = int(std::floor(2 * radius)) + 1;
    for (int i = 0; i < to; ++i) {
        // Source pixels whose centres lie within the radius.
        const double centre = (i + 0.5) * scale;
        const int first = std::max(0, int(std::ceil(centre - radius - 0.5)));
        const int last = std::min(from - 1, int(std::floor(centre + radius - 0.5)));
        std::vector<float> w(size_t(taps.width), 0.0f);
        double sum = 0;
        for (int j = first; j <= last; ++j) {
            const double weight = 1 - std::abs(j + 0.5 - centre) / radius;
            w[size_t(j - first)] = float(weight);
            sum += weight;
        }
        for (auto& v : w) {
            v = float(v / sum);
        }
        taps.first.push_back(first);
        taps.count.push_back(last - first + 1);
        taps.weights.insert(taps.weights.end(), w.begin(), w.end());
    }
    return taps;
}

// Each target row: down the source columns into one row of floats, then across it.
template <int C> Image resampleAs(const Image& source, int width, int height) {
    const Taps across = tentTaps(source.width, width);
    const Taps down = tentTaps(source.height, height);
    const size_t sourceStride = size_t(source.width) * C;
    std::vector<float> row(sourceStride);
    Image result{width, height, C, std::vector<unsigned char>(size_t(width) * C * size_t(height))};
    unsigned char* out = result.pixels.data();
    for (int y = 0; y < height; ++y) {
        const float* w = &down.weights[size_t(y) * size_t(down.width)];
        std::fill(row.begin(), row.end(), 0.0f);
        for (int k = 0; k < down.count[size_t(y)]; ++k) {
            const float weight = w[k];
            const unsigned char* in =
                &source.pixels[size_t(down.first[size_t(y)] + k) * sourceStride];
            for (size_t i = 0; i < sourceStride; ++i) {
                row[i] += weight * in[i];
            }
        }
        for (int x = 0; x < width; ++x, out += C) {
            const float* wx = &across.weights[size_t(x) * size_t(across.width)];
            const float* p = &row[size_t(across.first[size_t(x)]) * C];
            std::array<float, C> sum{};
            for (int k = 0; k < across.count[size_t(x)]; ++k, p += C) {
                for (int ch = 0; ch < C; ++ch) {
                    sum[size_t(ch)] += wx[k] * p[ch];
                }
            }
            for (int ch = 0; ch < C; ++ch) {
                out[ch] =
                    static_cast<unsigned char>(std::clamp(sum[size_t(ch)], 0.0f, 255.0f) + 0.5f);
            }
        }
    }
    return result;
}

Image resample(const Image& source, int width, int height) {
    return source.channels == 1 ? resampleAs<1>(source, width, height)
                                : resampleAs<3>(source, width, height);
}

// The stored pixels as seen upright. Each orientation names the stored pixel shown at the
// upright top-left corner and the stored steps for one step right and one step down.
Image turnUpright(Image stored, int orientation) {
    if (orientation == 1) {
        return stored;
    }
    const long w = stored.width;
    const long h = stored.height;
    struct Walk {
        long start;
        long right;
        long down;
    };
    const std::array<Walk, 8> walks{{
        {0, 1, w},            // 1: as stored
        {w - 1, -1, w},       // 2: mirrored left to right
        {h * w - 1, -1, -w},  // 3: half a turn
        {(h - 1) * w, 1, -w}, // 4: mirrored top to bottom
        {0, w, 1},            // 5: mirrored along the main diagonal
        {(h - 1) * w, -w, 1}, // 6: stored a quarter turn anticlockwise
        {h * w - 1, -w, -1},  // 7: mirrored along the other diagonal
        {w - 1, w, -1},       // 8: stored a quarter turn clockwise
    }};
    const Walk walk = walks[size_t(orientation - 1)];
    Image upright{orientation >= 5 ? stored.height : stored.width,
                  orientation >= 5 ? stored.width : stored.height,
                  stored.channels,
                  {}};
    upright.pixels.resize(stored.pixels.size());
    const int c = stored.channels;
    // In tiles: a quarter turn reads the stored pixels down their columns, which a row at a
    // time would take from a new cache line for every pixel.
    constexpr int kTile = 32;
    for (int top = 0; top < upright.height; top += kTile) {
        for (int left = 0; left < upright.width; left += kTile) {
            for (int y = top; y < std::min(top + kTile, upright.height); ++y) {
                long at = walk.start + y * walk.down + left * walk.right;
                unsigned char* out =
                    &upright.pixels[(size_t(y) * size_t(upright.width) + size_t(left)) * size_t(c)];
                for (int x = left; x < std::min(left + kTile, upright.width);
                     ++x, at += walk.right, out += c) {
                    std::copy_n(&stored.pixels[size_t(at) * size_t(c)], c, out);
                }
            }
        }
    }
    return upright;
}

// A baseline JPEG whose only metadata is the JFIF block with the copy's density.
QByteArray encode(const Image& image, const Output& output) {
    Handle compressor(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const bool grey = image.channels == 1;
    if (!compressor || tjCompress2(compressor.get(), image.pixels.data(), image.width, 0,
                                   image.height, grey ? TJPF_GRAY : TJPF_RGB, &jpeg, &size,
                                   grey ? TJSAMP_GRAY : TJSAMP_420, kQuality, 0) != 0) {
        const QString why = QString::fromLocal8Bit(tjGetErrorStr2(compressor.get()));
        tjFree(jpeg);
        throw PhotoError(QStringLiteral("The light copy cannot be encoded: %1").arg(why));
    }
    QByteArray stream(reinterpret_cast<const char*>(jpeg), qsizetype(size));
    tjFree(jpeg);
    QByteArray jfif("\xff\xe0\x00\x10JFIF\x00\x01\x01", 11);
    for (int value : {output.unit, output.densityX >> 8, output.densityX & 0xff,
                      output.densityY >> 8, output.densityY & 0xff, 0, 0}) {
        jfif.append(char(value));
    }
    // libjpeg-turbo opens with a JFIF block of its own (no density): ours replaces it.
    QByteArray rest = stream.mid(2);
    if (rest.startsWith("\xff\xe0")) {
        rest = rest.mid(2 + ((uchar(rest[2]) << 8) | uchar(rest[3])));
    }
    return stream.left(2) + jfif + rest;
}

LightPhoto unchanged(const QString& path, const JpegHeader& header, const QString& reason) {
    LightPhoto photo;
    photo.file = path;
    photo.reason = reason;
    photo.pixels = header.upright();
    photo.originalSizePoints = header.originalSizePoints();
    return photo;
}

bool officeTurnsItself(int orientation) {
    return orientation == 1 || orientation == 3 || orientation == 6 || orientation == 8;
}

} // namespace

LightPhoto prepareLightPhoto(const QString& path, QSizeF placedPoints, const QString& folder) {
    if (!(placedPoints.width() > 0 && placedPoints.height() > 0 &&
          std::isfinite(placedPoints.width()) && std::isfinite(placedPoints.height()))) {
        throw PhotoError(QStringLiteral("A photo cannot be placed at %1 x %2 points")
                             .arg(placedPoints.width())
                             .arg(placedPoints.height()));
    }
    const JpegHeader header = readJpegHeader(path);
    const QSize upright = header.upright();
    const auto capOf = [](double points) {
        const double pixels = std::floor(points / kPointsPerInch * kMaxPixelsPerInch + 1e-9);
        return int(std::clamp(pixels, 1.0, 65535.0));
    };
    const QSize cap(capOf(placedPoints.width()), capOf(placedPoints.height()));
    const bool light = upright.width() <= cap.width() && upright.height() <= cap.height();
    if (light && officeTurnsItself(header.orientation)) {
        return unchanged(path, header, QStringLiteral("it has few enough pixels for its size"));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw PhotoError(QStringLiteral("The photo \"%1\" cannot be read").arg(path));
    }
    const QByteArray jpeg = file.readAll();
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    Handle decompressor(tjInitDecompress(), tjDestroy);
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourSpace = 0;
    if (!decompressor ||
        tjDecompressHeader3(decompressor.get(), data, static_cast<unsigned long>(jpeg.size()),
                            &width, &height, &subsampling, &colourSpace) != 0) {
        return unchanged(path, header,
                         QStringLiteral("libjpeg-turbo cannot read it: %1")
                             .arg(QString::fromLocal8Bit(tjGetErrorStr2(decompressor.get()))));
    }
    const Output output = chooseOutput(upright, header.originalSizeHmm(), cap);
    const bool sideways = header.orientation >= 5;
    const QSize storedTarget = sideways ? output.pixels.transposed() : output.pixels;
    const tjscalingfactor scale = decodingScale(header.stored, storedTarget);
    Image decoded;
    decoded.width = TJSCALED(width, scale);
    decoded.height = TJSCALED(height, scale);
    decoded.channels = colourSpace == TJCS_GRAY ? 1 : 3;
    decoded.pixels.resize(size_t(decoded.width) * size_t(decoded.height) *
                          size_t(decoded.channels));
    if (tjDecompress2(decompressor.get(), data, static_cast<unsigned long>(jpeg.size()),
                      decoded.pixels.data(), decoded.width, 0, decoded.height,
                      decoded.channels == 1 ? TJPF_GRAY : TJPF_RGB, 0) != 0) {
        // Warnings too: a damaged photo goes to the office as it is.
        return unchanged(path, header,
                         QStringLiteral("libjpeg-turbo cannot decode it: %1")
                             .arg(QString::fromLocal8Bit(tjGetErrorStr2(decompressor.get()))));
    }
    if (decoded.width != storedTarget.width() || decoded.height != storedTarget.height()) {
        decoded = resample(decoded, storedTarget.width(), storedTarget.height());
    }
    const QByteArray copy = encode(turnUpright(std::move(decoded), header.orientation), output);

    QTemporaryFile out(QDir(folder).filePath(QStringLiteral("photo-XXXXXX.jpg")));
    out.setAutoRemove(false);
    if (!out.open() || out.write(copy) != copy.size() || !out.flush()) {
        out.remove();
        throw PhotoError(QStringLiteral("The light copy of \"%1\" cannot be written into \"%2\"")
                             .arg(path, folder));
    }
    LightPhoto photo;
    photo.copied = true;
    photo.file = out.fileName();
    photo.pixels = output.pixels;
    photo.originalSizePoints = header.originalSizePoints();
    photo.densityKeepsSize = output.exact;
    return photo;
}

} // namespace velmora::photo
