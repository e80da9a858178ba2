#include "camera_photos.h"

#include <QDataStream>
#include <QFile>
#include <QPainter>
#include <QTransform>

#include <turbojpeg.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace velmora::testing {

namespace {

// The pixels a camera stores for an upright picture: the inverse of the turn or mirror a viewer
// applies for each EXIF orientation (a quarter turn, then a mirror).
QImage stored(const QImage& upright, int orientation) {
    const struct {
        int angle, x, y;
    } undo[] = {{0, 1, 1},   {0, 1, 1},   {0, -1, 1},  {0, -1, -1}, {0, 1, -1},
                {90, -1, 1}, {-90, 1, 1}, {90, 1, -1}, {90, 1, 1}};
    const auto& u = undo[orientation];
    return upright.transformed(QTransform().scale(u.x, u.y).rotate(u.angle));
}

QDataStream& bigEndian(QDataStream&& out) {
    out.setByteOrder(QDataStream::BigEndian);
    return out;
}

QByteArray jfifSegment(const CameraHeader& h) {
    QByteArray b;
    bigEndian(QDataStream(&b, QIODevice::WriteOnly))
        << quint16(0xffe0) << quint16(16) << quint8('J') << quint8('F') << quint8('I')
        << quint8('F') << quint8(0) << quint8(1) << quint8(1) << quint8(h.jfifUnit)
        << quint16(h.jfifX) << quint16(h.jfifY) << quint8(0) << quint8(0);
    return b;
}

QByteArray exifSegment(const CameraHeader& h) {
    struct Entry {
        quint16 tag, type; // type 3 SHORT, 5 RATIONAL
        double value;
    };
    std::vector<Entry> entries;
    if (h.orientation != 0) {
        entries.push_back({0x0112, 3, double(h.orientation)});
    }
    if (h.exifX > 0) {
        entries.push_back({0x011a, 5, h.exifX});
        entries.push_back({0x011b, 5, h.exifY});
        entries.push_back({0x0128, 3, 2}); // per inch
    }
    QByteArray tiff("II");
    QDataStream out(&tiff, QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(42) << quint32(8) << quint16(entries.size());
    auto rationals = quint32(8 + 2 + 12 * entries.size() + 4);
    for (const auto& e : entries) {
        out << e.tag << e.type << quint32(1);
        if (e.type == 3) {
            out << quint16(e.value) << quint16(0);
        } else {
            out << rationals;
            rationals += 8;
        }
    }
    out << quint32(0);
    for (const auto& e : entries) {
        if (e.type == 5) {
            out << quint32(std::lround(e.value * 1000)) << quint32(1000);
        }
    }
    QByteArray b;
    bigEndian(QDataStream(&b, QIODevice::WriteOnly)) << quint16(0xffe1) << quint16(8 + tiff.size());
    return b + QByteArray("Exif\0\0", 6) + tiff;
}

} // namespace

QImage markedPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(40, 90, 160));
    QPainter(&image).fillRect(0, 0, width / 4, height / 4, QColor(230, 20, 20));
    return image;
}

QString redCorners(const QImage& image) {
    QString corners;
    const int r = image.width() - 3, b = image.height() - 3;
    for (auto [name, x, y] : {std::tuple{"TL", 2, 2}, {"TR", r, 2}, {"BL", 2, b}, {"BR", r, b}}) {
        const QColor c = image.pixelColor(x, y);
        if (c.red() > 150 && c.blue() < 100) {
            corners += QLatin1String(name);
        }
    }
    return corners;
}

QString writeCameraJpeg(const QString& path, const QImage& upright, const CameraHeader& header) {
    if (header.orientation < 0 || header.orientation > 8) {
        throw std::invalid_argument("orientation out of range");
    }
    QImage pixels = stored(upright, header.orientation).convertToFormat(QImage::Format_RGB888);
    std::vector<unsigned char> cmyk;
    if (header.cmyk) {
        // Inverted, as Adobe CMYK JPEGs are and as the office reads them.
        for (int y = 0; y < pixels.height(); ++y) {
            for (int x = 0; x < pixels.width(); ++x) {
                const QColor c = pixels.pixelColor(x, y).toCmyk();
                for (int v : {c.cyan(), c.magenta(), c.yellow(), c.black()}) {
                    cmyk.push_back(static_cast<unsigned char>(255 - v));
                }
            }
        }
    }
    std::unique_ptr<void, int (*)(tjhandle)> compressor(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    if (!compressor ||
        tjCompress2(compressor.get(), header.cmyk ? cmyk.data() : pixels.constBits(),
                    pixels.width(), header.cmyk ? 0 : int(pixels.bytesPerLine()), pixels.height(),
                    header.cmyk ? TJPF_CMYK : TJPF_RGB, &jpeg, &jpegSize,
                    header.cmyk ? TJSAMP_444 : TJSAMP_420, 92, TJFLAG_ACCURATEDCT) != 0) {
        throw std::runtime_error("libjpeg-turbo cannot write a test photo");
    }
    QByteArray tail(reinterpret_cast<const char*>(jpeg) + 2, static_cast<qsizetype>(jpegSize) - 2);
    tjFree(jpeg);
    // Our own header blocks replace the JFIF block libjpeg-turbo writes.
    if (tail.startsWith("\xff\xe0")) {
        tail.remove(0, 2 + ((uchar(tail[2]) << 8) | uchar(tail[3])));
    }
    QByteArray file("\xff\xd8", 2);
    file += header.jfifUnit >= 0 ? jfifSegment(header) : QByteArray();
    file += header.orientation != 0 || header.exifX > 0 ? exifSegment(header) : QByteArray();
    file += tail;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
    return path;
}

} // namespace velmora::testing
