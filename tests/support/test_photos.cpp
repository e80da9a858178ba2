#include "test_photos.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <stdexcept>

namespace velmora::testing {

QString writeJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(40, 90, 160));
    painter.fillRect(0, 0, width / 2, height / 2, QColor(220, 180, 60));
    painter.end();
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    if (!image.save(path, "JPG", 85)) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
    return path;
}

} // namespace velmora::testing
