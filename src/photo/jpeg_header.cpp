#include "light_photo.h"

#include <QFile>

#include <cmath>

namespace velmora::photo {

namespace {

constexpr double kHmmPerInch = 2540;
constexpr double kHmmPerCentimetre = 1000;
constexpr double kPointsPerInch = 72;

unsigned bigEndian16(const uchar* p) {
    return (unsigned(p[0]) << 8) | p[1];
}

// The orientation tag of IFD0 in an EXIF block ("Exif\0\0" and a TIFF structure), 1 when
// there is none or it is out of range.
int exifOrientation(const QByteArray& block) {
    const QByteArray tiff = block.mid(6);
    const auto* t = reinterpret_cast<const uchar*>(tiff.constData());
    const qsizetype size = tiff.size();
    if (size < 8 || !(tiff.startsWith("II") || tiff.startsWith("MM"))) {
        return 1;
    }
    const bool little = tiff[0] == 'I';
    const auto u16 = [&](qsizetype at) -> unsigned {
        return little ? (unsigned(t[at + 1]) << 8) | t[at] : bigEndian16(t + at);
    };
    const auto u32 = [&](qsizetype at) -> quint32 {
        return little ? (quint32(u16(at + 2)) << 16) | u16(at)
                      : (quint32(u16(at)) << 16) | u16(at + 2);
    };
    const quint32 ifd = u32(4);
    if (ifd > quint32(size - 2)) {
        return 1;
    }
    const unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const qsizetype entry = qsizetype(ifd) + 2 + qsizetype(i) * 12;
        if (entry + 12 > size) {
            break;
        }
        const unsigned kShort = 3;
        if (u16(entry) == 0x0112 && u16(entry + 2) == kShort && u32(entry + 4) == 1) {
            const unsigned value = u16(entry + 8);
            return value >= 1 && value <= 8 ? int(value) : 1;
        }
    }
    return 1;
}

bool isStartOfFrame(int marker) {
    // SOF0-SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

} // namespace

QSize JpegHeader::upright() const {
    return orientation >= 5 ? stored.transposed() : stored;
}

// The office's original size of a JPEG (LibreOffice Calc 7.4, read back through the link):
// - JFIF density in dots per inch (unit 1) or per centimetre (unit 2), both values non-zero:
//   pixels / density on each axis, rounded to 1/100 mm. The X density goes with the width as
//   shown, also for a photo the office turns.
// - Otherwise (no JFIF block, unit 0, a zero density) the office gives no physical size and the
//   link takes 96 pixels per inch, rounded the same way. EXIF XResolution and YResolution are
//   ignored.
// - The office turns orientations 3, 6 and 8 itself and ignores the mirrored 2, 4, 5 and 7.
//   It turns a photo whose stored sides are not multiples of 16 through PNG, whose whole pixels
//   per metre move a dense photo's size by a few 1/100 mm: this is the size of the photo as if
//   it were stored upright.
QSize JpegHeader::originalSizeHmm() const {
    const QSize pixels = upright();
    const bool physical = densityUnit != 0 && densityX > 0 && densityY > 0;
    const double perUnit = densityUnit == 2 ? kHmmPerCentimetre : kHmmPerInch;
    const double dx = physical ? densityX : 96;
    const double dy = physical ? densityY : 96;
    const double unit = physical ? perUnit : kHmmPerInch;
    return {int(std::lround(pixels.width() * unit / dx)),
            int(std::lround(pixels.height() * unit / dy))};
}

QSizeF JpegHeader::originalSizePoints() const {
    const QSize hmm = originalSizeHmm();
    return {hmm.width() * kPointsPerInch / kHmmPerInch,
            hmm.height() * kPointsPerInch / kHmmPerInch};
}

JpegHeader readJpegHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw PhotoError(QStringLiteral("The photo \"%1\" cannot be read").arg(path));
    }
    const auto notJpeg = [&](const char* why) {
        return PhotoError(QStringLiteral("\"%1\" is no readable JPEG: %2").arg(path, why));
    };
    if (file.read(2) != QByteArrayLiteral("\xff\xd8")) {
        throw notJpeg("it does not start as a JPEG");
    }
    JpegHeader header;
    bool frame = false;
    bool exif = false;
    for (;;) {
        // A marker: 0xff, perhaps more 0xff as fill, then its code.
        char byte = 0;
        if (!file.getChar(&byte)) {
            throw notJpeg("its header ends early");
        }
        if (uchar(byte) != 0xff) {
            throw notJpeg("its header is damaged");
        }
        while (file.getChar(&byte) && uchar(byte) == 0xff) {
        }
        const int marker = uchar(byte);
        if (marker == 0xda || marker == 0xd9) {
            break;
        }
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8)) {
            continue;
        }
        const QByteArray lengthBytes = file.read(2);
        if (lengthBytes.size() != 2) {
            throw notJpeg("its header ends early");
        }
        const qint64 length = bigEndian16(reinterpret_cast<const uchar*>(lengthBytes.data())) - 2;
        if (length < 0) {
            throw notJpeg("a header segment is malformed");
        }
        const qint64 next = file.pos() + length;
        if (marker == 0xe0 || (marker == 0xe1 && !exif) || isStartOfFrame(marker)) {
            const QByteArray body = file.read(length);
            if (body.size() != length) {
                throw notJpeg("its header ends early");
            }
            const auto* b = reinterpret_cast<const uchar*>(body.constData());
            if (marker == 0xe0 && length >= 12 && body.startsWith(QByteArrayLiteral("JFIF\0"))) {
                header.densityUnit = b[7] == 1 || b[7] == 2 ? b[7] : 0;
                header.densityX = int(bigEndian16(b + 8));
                header.densityY = int(bigEndian16(b + 10));
            } else if (marker == 0xe1 && body.startsWith(QByteArrayLiteral("Exif\0\0"))) {
                exif = true;
                header.orientation = exifOrientation(body);
            } else if (isStartOfFrame(marker) && !frame && length >= 6) {
                frame = true;
                header.stored = QSize(int(bigEndian16(b + 3)), int(bigEndian16(b + 1)));
            }
        }
        if (!file.seek(next)) {
            throw notJpeg("its header ends early");
        }
    }
    if (!frame || header.stored.isEmpty()) {
        throw notJpeg("it gives no picture size");
    }
    return header;
}

} // namespace velmora::photo
