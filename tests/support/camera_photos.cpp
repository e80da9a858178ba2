#include "camera_photos.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace velmora::testing {

namespace {

enum Side { Top, Bottom, Left, Right };

// The EXIF definition of each orientation: which side of the upright picture the stored
// first row and the stored first column show.
struct StoredEdges {
    Side firstRow;
    Side firstColumn;
};
constexpr std::array<StoredEdges, 8> kEdges{{{Top, Left},
                                             {Top, Right},
                                             {Bottom, Right},
                                             {Bottom, Left},
                                             {Left, Top},
                                             {Right, Top},
                                             {Right, Bottom},
                                             {Left, Bottom}}};

class Bytes {
public:
    explicit Bytes(bool bigEndian) : bigEndian_(bigEndian) {}
    void u8(int value) { data.push_back(static_cast<char>(value & 0xff)); }
    void u16(unsigned value) {
        const std::array<int, 2> b{int(value >> 8), int(value)};
        bigEndian_ ? (u8(b[0]), u8(b[1])) : (u8(b[1]), u8(b[0]));
    }
    void u32(std::uint32_t value) {
        bigEndian_ ? (u16(value >> 16), u16(value & 0xffff))
                   : (u16(value & 0xffff), u16(value >> 16));
    }
    void text(const char* s, int size) { data.append(s, size); }
    QByteArray data;

private:
    bool bigEndian_;
};

QByteArray jfifSegment(const CameraHeader& h) {
    Bytes b(true);
    b.u16(0xffe0);
    b.u16(16);
    b.text("JFIF\0", 5);
    b.u8(1);
    b.u8(1);
    b.u8(h.jfifUnit);
    b.u16(static_cast<unsigned>(h.jfifX));
    b.u16(static_cast<unsigned>(h.jfifY));
    b.u8(0);
    b.u8(0);
    return b.data;
}

QByteArray exifSegment(const CameraHeader& h) {
    struct Entry {
        unsigned tag;
        unsigned type; // 3 SHORT, 5 RATIONAL
        double value;
    };
    std::vector<Entry> entries;
    if (h.orientation != 0) {
        entries.push_back({0x0112, 3, double(h.orientation)});
    }
    if (h.exifX > 0) {
        entries.push_back({0x011a, 5, h.exifX});
        entries.push_back({0x011b, 5, h.exifY});
        entries.push_back({0x0128, 3, double(h.exifUnit)});
    }
    Bytes tiff(h.bigEndianExif);
    tiff.text(h.bigEndianExif ? "MM" : "II", 2);
    tiff.u16(42);
    tiff.u32(8);
    tiff.u16(static_cast<unsigned>(entries.size()));
    std::uint32_t rationals = 8 + 2 + 12 * std::uint32_t(entries.size()) + 4;
    for (const auto& e : entries) {
        tiff.u16(e.tag);
        tiff.u16(e.type);
        tiff.u32(1);
        if (e.type == 3) {
            tiff.u16(static_cast<unsigned>(e.value));
            tiff.u16(0);
        } else {
            tiff.u32(rationals);
            rationals += 8;
        }
    }
    tiff.u32(0);
    for (const auto& e : entries) {
        if (e.type == 5) {
            tiff.u32(static_cast<std::uint32_t>(std::lround(e.value * 1000)));
            tiff.u32(1000);
        }
    }
    Bytes b(true);
    b.u16(0xffe1);
    b.u16(static_cast<unsigned>(2 + 6 + tiff.data.size()));
    b.text("Exif\0\0", 6);
    return b.data + tiff.data;
}

} // namespace

QString writeCameraJpeg(const QString& path, int width, int height, const CameraHeader& header) {
    const int orientation = header.orientation == 0 ? 1 : header.orientation;
    if (orientation < 1 || orientation > 8) {
        throw std::invalid_argument("orientation out of range");
    }
    const StoredEdges edges = kEdges[static_cast<size_t>(orientation - 1)];
    const bool turned = orientation >= 5;
    const int storedWidth = turned ? height : width;
    const int storedHeight = turned ? width : height;
    // The stored corner that shows the upright top-left one.
    const auto isTopOrLeft = [](Side s) {
        return s == Top || s == Left;
    };
    const bool markFirstRow = isTopOrLeft(edges.firstRow);
    const bool markFirstColumn = isTopOrLeft(edges.firstColumn);

    const int channels = header.cmyk ? 4 : 3;
    std::vector<unsigned char> pixels(size_t(storedWidth) * size_t(storedHeight) *
                                      size_t(channels));
    std::uint32_t grain = header.grainSeed;
    const int markWidth = storedWidth / 4;
    const int markHeight = storedHeight / 4;
    for (int y = 0; y < storedHeight; ++y) {
        for (int x = 0; x < storedWidth; ++x) {
            const bool inRows = markFirstRow ? y < markHeight : y >= storedHeight - markHeight;
            const bool inColumns = markFirstColumn ? x < markWidth : x >= storedWidth - markWidth;
            const bool mark = inRows && inColumns;
            unsigned char* p =
                &pixels[(size_t(y) * size_t(storedWidth) + size_t(x)) * size_t(channels)];
            if (header.cmyk) {
                // Red is no cyan, full magenta and yellow; written inverted, as Adobe CMYK JPEGs
                // are and as the office reads them.
                const std::array<int, 4> cmyk =
                    mark ? std::array{0, 255, 255, 0} : std::array{215, 165, 95, 0};
                for (int c = 0; c < 4; ++c) {
                    p[c] = static_cast<unsigned char>(255 - cmyk[size_t(c)]);
                }
            } else {
                std::array<int, 3> rgb = mark ? std::array{230, 20, 20} : std::array{40, 90, 160};
                if (header.detailed) {
                    grain = grain * 1103515245u + 12345u;
                    const int noise = int((grain >> 16) % 25) - 12;
                    const int shade = (x * 37 / storedWidth + y * 23 / storedHeight) % 48;
                    for (auto& v : rgb) {
                        v = std::clamp(v + noise + shade, 0, 255);
                    }
                }
                for (int c = 0; c < 3; ++c) {
                    p[c] = static_cast<unsigned char>(rgb[size_t(c)]);
                }
            }
        }
    }

    std::unique_ptr<void, int (*)(tjhandle)> compressor(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    if (!compressor ||
        tjCompress2(compressor.get(), pixels.data(), storedWidth, 0, storedHeight,
                    header.cmyk ? TJPF_CMYK : TJPF_RGB, &jpeg, &jpegSize,
                    header.cmyk ? TJSAMP_444 : TJSAMP_420, 92, TJFLAG_ACCURATEDCT) != 0) {
        throw std::runtime_error("libjpeg-turbo cannot write a test photo");
    }
    QByteArray stream(reinterpret_cast<const char*>(jpeg), static_cast<qsizetype>(jpegSize));
    tjFree(jpeg);

    // Our own header blocks replace the JFIF block libjpeg-turbo writes.
    QByteArray tail = stream.mid(2);
    if (tail.startsWith("\xff\xe0")) {
        const int length = (uchar(tail[2]) << 8) | uchar(tail[3]);
        tail = tail.mid(2 + length);
    }
    QByteArray file("\xff\xd8", 2);
    if (header.jfifUnit >= 0) {
        file += jfifSegment(header);
    }
    if (header.orientation != 0 || header.exifX > 0) {
        file += exifSegment(header);
    }
    file += tail;

    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
    return path;
}

} // namespace velmora::testing
