// Light copies: turned upright, at most 220 pixels per inch, sized like the upright photo in
// the office, and the photos that go in as they are.

#include "light_photo.h"
#include "camera_photos.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace velmora::testing {
namespace {

using photo::LightPhoto;
using photo::prepareLightPhoto;
using photo::readJpegHeader;

class LightPhotoTest : public ::testing::Test {
public:
    QString photo(const QString& name, int width, int height, const CameraHeader& header = {}) {
        return writeCameraJpeg(dir.filePath(name), width, height, header);
    }
    QString copies() const { return copyDir.path(); }

    QTemporaryDir dir;
    QTemporaryDir copyDir;
};

bool red(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return c.red() > 150 && c.blue() < 100;
}

// Which corners of the picture show the red block.
QString redCorners(const QImage& image) {
    const int r = image.width() - 3;
    const int b = image.height() - 3;
    QString corners;
    for (auto [name, x, y] : {std::tuple{"TL", 2, 2}, {"TR", r, 2}, {"BL", 2, b}, {"BR", r, b}}) {
        if (red(image, x, y)) {
            corners += QLatin1String(name);
        }
    }
    return corners;
}

// ---- The eight orientations: a copy is upright in its pixels and carries no tag.

class Orientations : public LightPhotoTest, public ::testing::WithParamInterface<int> {};

TEST_P(Orientations, CopyShowsTheUprightTopLeftCornerAtTheTopLeftAndHasNoTag) {
    const int orientation = GetParam();
    CameraHeader header;
    header.orientation = orientation;
    header.bigEndianExif = orientation % 2 == 0;
    // 1200 x 900 upright, placed at 180 x 135 pt: 550 x 412 pixels at 220 per inch.
    const QString original = photo(QStringLiteral("o.jpg"), 1200, 900, header);
    EXPECT_EQ(readJpegHeader(original).upright(), QSize(1200, 900));

    const LightPhoto light = prepareLightPhoto(original, QSizeF(180, 135), copies());

    ASSERT_TRUE(light.copied) << light.reason.toStdString();
    const QImage copy(light.file);
    ASSERT_FALSE(copy.isNull());
    EXPECT_EQ(copy.size(), light.pixels);
    EXPECT_LE(copy.width(), 550);
    EXPECT_GE(copy.width(), 495);
    EXPECT_NEAR(copy.height(), copy.width() * 0.75, 0.5);
    EXPECT_EQ(redCorners(copy), QStringLiteral("TL"));
    // The colours themselves survive scaling.
    for (auto [x, y, colour] : {std::tuple{10, 10, QColor(230, 20, 20)},
                                {copy.width() - 10, copy.height() - 10, QColor(40, 90, 160)}}) {
        const QColor seen = copy.pixelColor(x, y);
        EXPECT_NEAR(seen.red(), colour.red(), 8);
        EXPECT_NEAR(seen.green(), colour.green(), 8);
        EXPECT_NEAR(seen.blue(), colour.blue(), 8);
    }
    EXPECT_EQ(readJpegHeader(light.file).orientation, 1);
}

INSTANTIATE_TEST_SUITE_P(Exif, Orientations, ::testing::Range(1, 9));

// ---- The original size: the office's, measured through the link, for the upright photo.

struct SizeCase {
    const char* name;
    QSize upright;
    CameraHeader header;
    // Measured in LibreOffice Calc 7.4 (for turned photos: an untagged photo of that size).
    QSize hmm;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class OriginalSizes : public LightPhotoTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(OriginalSizes, AreTheOfficesAndTheCopyCarriesThem) {
    const SizeCase& c = GetParam();
    const QString original =
        photo(QStringLiteral("s.jpg"), c.upright.width(), c.upright.height(), c.header);
    const auto header = readJpegHeader(original);
    EXPECT_EQ(header.originalSizeHmm(), c.hmm);
    const QSizeF points(c.hmm.width() * 72.0 / 2540, c.hmm.height() * 72.0 / 2540);

    // Placed at a quarter of the pixels' width at 220 per inch: always a copy.
    const double width = c.upright.width() / 4.0 / 220 * 72;
    const LightPhoto light = prepareLightPhoto(
        original, QSizeF(width, width * c.upright.height() / c.upright.width()), copies());
    ASSERT_TRUE(light.copied);
    EXPECT_NEAR(light.originalSizePoints.width(), points.width(), 1e-9);
    EXPECT_NEAR(light.originalSizePoints.height(), points.height(), 1e-9);
    // The copy's pixels keep the photo's proportions within a pixel.
    EXPECT_NEAR(light.pixels.height(),
                double(light.pixels.width()) * c.upright.height() / c.upright.width(), 0.5);
    if (light.densityKeepsSize) {
        EXPECT_EQ(readJpegHeader(light.file).originalSizeHmm(), c.hmm);
    }
}

CameraHeader jfif(int unit, int x, int y, int orientation = 0) {
    CameraHeader h;
    h.jfifUnit = unit;
    h.jfifX = x;
    h.jfifY = y;
    h.orientation = orientation;
    return h;
}

CameraHeader exifResolution(double dpi, int jfifUnit) {
    CameraHeader h = jfif(jfifUnit, 72, 72);
    h.exifX = dpi;
    h.exifY = dpi;
    return h;
}

INSTANTIATE_TEST_SUITE_P(
    Calc, OriginalSizes,
    ::testing::Values(
        SizeCase{"NoDensity", {400, 300}, {}, {10583, 7938}},
        SizeCase{"AspectRatioOnly", {400, 300}, jfif(0, 2, 1), {10583, 7938}},
        SizeCase{"HalfADensity", {400, 300}, jfif(1, 72, 0), {10583, 7938}},
        SizeCase{"Inch72", {400, 300}, jfif(1, 72, 72), {14111, 10583}},
        SizeCase{"Inch72By144", {400, 300}, jfif(1, 72, 144), {14111, 5292}},
        SizeCase{"Inch300", {400, 300}, jfif(1, 300, 300), {3387, 2540}},
        SizeCase{"Inch97", {1001, 751}, jfif(1, 97, 97), {26212, 19665}},
        SizeCase{"Centimetre3", {1001, 751}, jfif(2, 3, 3), {333667, 250333}},
        SizeCase{"Centimetre50", {640, 480}, jfif(2, 50, 50), {12800, 9600}},
        SizeCase{"ExifResolutionIgnored", {400, 300}, exifResolution(300, -1), {10583, 7938}},
        SizeCase{"ExifResolutionBesideJfif", {400, 300}, exifResolution(300, 1), {14111, 10583}},
        SizeCase{"PhoneTurned", {4032, 3024}, jfif(-1, 1, 1, 6), {106680, 80010}},
        SizeCase{"PhoneTurned72", {4032, 3024}, jfif(1, 72, 72, 8), {142240, 106680}},
        SizeCase{"PortraitTurned", {300, 400}, jfif(1, 72, 144, 6), {10583, 7056}}),
    [](const auto& row) { return std::string(row.param.name); });

// ---- At most 220 pixels per inch at the placed size, never more pixels than the photo.

TEST_F(LightPhotoTest, CopyHasAtMost220PixelsPerInchAtThePlacedSizeAndNeverMoreThanThePhoto) {
    const QString phone = photo(QStringLiteral("phone.jpg"), 4032, 3024);
    struct Case {
        QSizeF placed;
        QSize cap;
    };
    // 9 cm wide; a stretched narrow placement; a tiny one.
    for (const Case& c : {Case{{255.15, 191.36}, {779, 584}}, Case{{100, 300}, {305, 916}},
                          Case{{2, 1.5}, {6, 4}}}) {
        const LightPhoto light = prepareLightPhoto(phone, c.placed, copies());
        ASSERT_TRUE(light.copied);
        const QImage copy(light.file);
        EXPECT_EQ(copy.size(), light.pixels);
        EXPECT_LE(copy.width(), c.cap.width());
        EXPECT_LE(copy.height(), c.cap.height());
        // Not needlessly smaller than the cap allows.
        EXPECT_GE(copy.width(), 0.9 * std::min(c.cap.width(), c.cap.height() * 4 / 3));
    }

    // A mirrored photo the office would not turn is copied only to be turned: same pixels.
    CameraHeader mirrored;
    mirrored.orientation = 5;
    const QString small = photo(QStringLiteral("small.jpg"), 640, 480, mirrored);
    const LightPhoto turned = prepareLightPhoto(small, QSizeF(255.15, 191.36), copies());
    ASSERT_TRUE(turned.copied);
    EXPECT_EQ(QImage(turned.file).size(), QSize(640, 480));
}

// ---- Photos that go in as they are, and files that are no JPEG.

TEST_F(LightPhotoTest, LightAndUndecodablePhotosStayAsTheyAre) {
    CameraHeader turned;
    turned.orientation = 6;
    CameraHeader cmyk;
    cmyk.cmyk = true;
    const QString bitDepth12 = photo(QStringLiteral("deep.jpg"), 2000, 1500);
    {
        // The frame header as a 12-bit photo has it: extended sequential, precision 12.
        QFile file(bitDepth12);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const qsizetype sof = bytes.indexOf(QByteArrayLiteral("\xff\xc0"));
        ASSERT_GT(sof, 0);
        bytes[sof + 1] = char(0xc1);
        bytes[sof + 4] = 12;
        file.seek(0);
        file.write(bytes);
    }
    const QString damaged = photo(QStringLiteral("cut.jpg"), 2000, 1500);
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.resize(file.size() / 2);
    }
    const QSizeF nineCentimetres(255.15, 191.36);
    for (const QString& path :
         {photo(QStringLiteral("light.jpg"), 640, 480),
          photo(QStringLiteral("light-turned.jpg"), 640, 480, turned),
          photo(QStringLiteral("cmyk.jpg"), 2000, 1500, cmyk), bitDepth12, damaged}) {
        const LightPhoto light = prepareLightPhoto(path, nineCentimetres, copies());
        EXPECT_FALSE(light.copied) << path.toStdString();
        EXPECT_EQ(light.file, path);
        EXPECT_FALSE(light.reason.isEmpty());
    }
    EXPECT_TRUE(QDir(copies()).isEmpty());
}

TEST_F(LightPhotoTest, AFileThatIsNoReadableJpegIsAnError) {
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    QByteArray headerOnly;
    {
        QFile file(photo(QStringLiteral("whole.jpg"), 400, 300));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        // Start of image and the first segment, cut before the frame header.
        headerOnly = file.read(30);
    }
    for (const QString& path : {write(QStringLiteral("text.jpg"), "not a photo\n"),
                                write(QStringLiteral("empty.jpg"), {}),
                                write(QStringLiteral("header-only.jpg"), headerOnly),
                                dir.filePath(QStringLiteral("missing.jpg"))}) {
        EXPECT_THROW(prepareLightPhoto(path, QSizeF(100, 75), copies()), photo::PhotoError)
            << path.toStdString();
    }
}

} // namespace
} // namespace velmora::testing
