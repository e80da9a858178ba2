#pragma once

// Camera photos made by the tests themselves: the EXIF and JFIF blocks a phone or a camera
// writes around its pixels.

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
    // EXIF XResolution / YResolution (0: not written) with ResolutionUnit (2 inch, 3 cm).
    double exifX = 0;
    double exifY = 0;
    int exifUnit = 2;
    bool bigEndianExif = false;
    // Stored as CMYK (YCCK) rather than YCbCr.
    bool cmyk = false;
    // Grain and gradients over the whole picture, so that the file is about as large as a
    // phone's (the red block stays recognisable).
    bool detailed = false;
    // Starts the grain: photos with different seeds differ in every block, as a folder of real
    // photos does (the office stores identical pictures once).
    unsigned grainSeed = 1;
};

// Width and height are those of the photo seen upright: the stored pixels are turned so that a
// viewer honouring `header.orientation` shows a red block in the upright top-left corner and a
// blue-grey rest. Written with libjpeg-turbo; returns the path.
QString writeCameraJpeg(const QString& path, int width, int height, const CameraHeader& header);

} // namespace velmora::testing
