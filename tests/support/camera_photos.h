#pragma once

// Camera photos made by the tests themselves: the EXIF and JFIF blocks a phone or a camera
// writes around its pixels.

#include <QImage>
#include <QString>

namespace velmora::testing {

// What a camera writes around its pixels.
struct CameraHeader {
    // EXIF orientation 1-8; 0 writes no EXIF block.
    int orientation = 0;
    // JFIF density unit: -1 no JFIF block, 0 aspect ratio only, 1 dots per inch, 2 per cm.
    int jfifUnit = -1;
    int jfifX = 1;
    int jfifY = 1;
    // EXIF XResolution / YResolution per inch (0: not written).
    double exifX = 0;
    double exifY = 0;
    // Stored as CMYK (YCCK) rather than YCbCr.
    bool cmyk = false;
};

// A picture with a red block in its top-left quarter and a blue-grey rest.
QImage markedPicture(int width, int height);

// Which corners of the picture show the red block ("TL", "TLBR"...).
QString redCorners(const QImage& image);

// `upright` as the photo seen upright: the stored pixels are turned so that a viewer honouring
// `header.orientation` shows it as it is. Written with libjpeg-turbo; returns the path.
QString writeCameraJpeg(const QString& path, const QImage& upright, const CameraHeader& header);
inline QString writeCameraJpeg(const QString& path, int width, int height,
                               const CameraHeader& header) {
    return writeCameraJpeg(path, markedPicture(width, height), header);
}

} // namespace velmora::testing
