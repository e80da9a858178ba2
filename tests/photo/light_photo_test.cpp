// Light copies: turned upright, at most 220 pixels per inch, sized like the upright photo in
// the office, and the photos that go in as they are.

#include "camera_photos.h"
#include "light_photo.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace velmora::testing {
namespace {

using photo::LightPhoto;
using photo::prepareLightPhoto;
using photo::readJpegHeader;

const QSizeF kNineCentimetres(255.15, 191.36);

struct Folders {
    QTemporaryDir photos, copies;
    QString photo(const QString& name, int width, int height, const CameraHeader& header = {}) {
        return writeCameraJpeg(photos.filePath(name), width, height, header);
    }
    LightPhoto prepare(const QString& path, QSizeF placed) {
        return prepareLightPhoto(path, placed, copies.path());
    }
};

CameraHeader jfif(int unit, int x, int y, int orientation = 0, double exifDpi = 0) {
    return {orientation, unit, x, y, exifDpi, exifDpi};
}

// The original size the office gives a photo (measured in Calc 7.4; for a turned photo, that of
// an untagged photo of its upright size), and that the copy carries it.
TEST(LightPhoto, TheCopyKeepsTheOriginalSizeTheOfficeGivesThePhoto) {
    const struct {
        const char* name;
        QSize upright;
        CameraHeader header;
        QSize hmm;
    } cases[] = {
        {"no density", {400, 300}, {}, {10583, 7938}},
        {"aspect ratio only", {400, 300}, jfif(0, 2, 1), {10583, 7938}},
        {"half a density", {400, 300}, jfif(1, 72, 0), {10583, 7938}},
        {"the other half", {400, 300}, jfif(1, 0, 72), {10583, 7938}},
        {"72 dpi", {400, 300}, jfif(1, 72, 72), {14111, 10583}},
        {"72 by 144 dpi", {400, 300}, jfif(1, 72, 144), {14111, 5292}},
        {"300 dpi", {400, 300}, jfif(1, 300, 300), {3387, 2540}},
        {"97 dpi", {1001, 751}, jfif(1, 97, 97), {26212, 19665}},
        {"3 per cm", {1001, 751}, jfif(2, 3, 3), {333667, 250333}},
        {"EXIF resolution ignored", {400, 300}, jfif(-1, 1, 1, 0, 300), {10583, 7938}},
        {"EXIF resolution beside JFIF", {400, 300}, jfif(1, 72, 72, 0, 300), {14111, 10583}},
        {"phone, turned", {4032, 3024}, jfif(-1, 1, 1, 6), {106680, 80010}},
        {"portrait, turned", {300, 400}, jfif(1, 72, 144, 6), {10583, 7056}},
    };
    Folders folders;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString original =
            folders.photo("s.jpg", c.upright.width(), c.upright.height(), c.header);
        EXPECT_EQ(readJpegHeader(original).originalSizeHmm(), c.hmm);
        // Placed at a quarter of the pixels' width at 220 per inch: always a copy.
        const double width = c.upright.width() / 4.0 / 220 * 72;
        const LightPhoto light = folders.prepare(
            original, QSizeF(width, width * c.upright.height() / c.upright.width()));
        ASSERT_TRUE(light.copied);
        EXPECT_NEAR(light.originalSizePoints.width(), c.hmm.width() * 72.0 / 2540, 1e-9);
        EXPECT_NEAR(light.originalSizePoints.height(), c.hmm.height() * 72.0 / 2540, 1e-9);
        EXPECT_NEAR(light.pixels.height(),
                    double(light.pixels.width()) * c.upright.height() / c.upright.width(), 0.5);
        EXPECT_TRUE(!light.densityKeepsSize ||
                    readJpegHeader(light.file).originalSizeHmm() == c.hmm);
    }
}

TEST(LightPhoto, TheCopyHasAtMost220PixelsPerInchAtThePlacedSizeAndNeverMoreThanThePhoto) {
    Folders folders;
    // As stored, and stored turned (the cap is for the upright picture).
    for (const QString& phone :
         {folders.photo("phone.jpg", 4032, 3024), folders.photo("phone-6.jpg", 4032, 3024, {6})}) {
        // 9 cm wide; a stretched narrow placement; a tiny one.
        for (auto [placed, cap] : {std::pair{kNineCentimetres, QSize(779, 584)},
                                   {QSizeF(100, 300), QSize(305, 916)},
                                   {QSizeF(2, 1.5), QSize(6, 4)}}) {
            const LightPhoto light = folders.prepare(phone, placed);
            ASSERT_TRUE(light.copied);
            const QImage copy(light.file);
            EXPECT_TRUE(copy.size() == light.pixels && copy.width() <= cap.width() &&
                        copy.height() <= cap.height());
            // Not needlessly smaller than the cap allows.
            EXPECT_GE(copy.width(), 0.9 * std::min(cap.width(), cap.height() * 4 / 3));
            EXPECT_EQ(readJpegHeader(light.file).orientation, 1); // turned in its pixels
        }
    }
    // A grey photo stays the same grey picture.
    QImage grey(2000, 1500, QImage::Format_Grayscale8);
    grey.fill(Qt::black);
    QPainter(&grey).fillRect(0, 0, 500, 375, Qt::white);
    ASSERT_TRUE(grey.save(folders.photos.filePath("grey.jpg")));
    const LightPhoto light = folders.prepare(folders.photos.filePath("grey.jpg"), kNineCentimetres);
    const QImage copy(light.file);
    EXPECT_TRUE(light.copied && copy.size() == light.pixels && qGray(copy.pixel(2, 2)) > 200 &&
                qGray(copy.pixel(copy.width() - 3, copy.height() - 3)) < 50);
    // A mirrored photo the office would not turn is copied only to be turned: same pixels.
    CameraHeader mirrored;
    mirrored.orientation = 5;
    const LightPhoto turned =
        folders.prepare(folders.photo("m.jpg", 640, 480, mirrored), kNineCentimetres);
    EXPECT_TRUE(turned.copied && QImage(turned.file).size() == QSize(640, 480));
}

// Light photos, and photos the downscaler cannot read, go in as they are; a file that is no
// readable JPEG is an error.
TEST(LightPhoto, LightAndUndecodablePhotosGoInAsTheyAreAndNoJpegIsAnError) {
    Folders folders;
    CameraHeader turned, cmyk;
    turned.orientation = 6;
    cmyk.cmyk = true;
    const auto edited = [&](const QString& name, const std::function<void(QByteArray&)>& edit) {
        QFile file(folders.photo(name, 2000, 1500));
        EXPECT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        edit(bytes);
        file.resize(0);
        file.write(bytes);
        return file.fileName();
    };
    const QString cut = edited("cut.jpg", [](QByteArray& bytes) { bytes.chop(bytes.size() / 2); });
    for (const QString& path :
         {folders.photo("light.jpg", 640, 480), folders.photo("light-turned.jpg", 640, 480, turned),
          folders.photo("cmyk.jpg", 2000, 1500, cmyk), cut}) {
        const LightPhoto light = folders.prepare(path, kNineCentimetres);
        EXPECT_TRUE(!light.copied && light.file == path && !light.reason.isEmpty())
            << path.toStdString();
    }
    EXPECT_TRUE(QDir(folders.copies.path()).isEmpty());

    // Start of image and the first segment, cut before the frame header.
    const QString headerOnly =
        edited("header-only.jpg", [](QByteArray& bytes) { bytes.truncate(30); });
    const QString text = edited("text.jpg", [](QByteArray& bytes) { bytes = "not a photo\n"; });
    const QString noHeight = edited("no-height.jpg", [](QByteArray& bytes) {
        const qsizetype sof = bytes.indexOf("\xff\xc0");
        bytes[sof + 5] = bytes[sof + 6] = 0;
    });
    for (const QString& path :
         {text, headerOnly, noHeight, folders.photos.filePath("missing.jpg")}) {
        EXPECT_THROW(folders.prepare(path, QSizeF(100, 75)), photo::PhotoError)
            << path.toStdString();
    }
}

} // namespace
} // namespace velmora::testing
