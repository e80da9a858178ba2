#pragma once

// Photos made by the tests themselves: no third-party images in the tree.

#include <QImage>
#include <QString>

#include <stdexcept>

namespace velmora::testing {

// A JPEG of width x height pixels at 96 dpi (a pixel is 0.75 pt), two colours so that it is
// no trivial picture; returns its path.
inline QString writeJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    image.setPixelColor(0, 0, QColor(220, 180, 60));
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    if (!image.save(path, "JPG", 85)) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
    return path;
}

} // namespace velmora::testing
