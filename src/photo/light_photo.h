#pragma once

// Light copies of photos: a photo carrying far more pixels than the size it is placed at can
// show is decoded scaled, turned upright, scaled down and written as a plain JPEG, so that the
// office reads a fraction of the data and the workbook stays small. QtCore only, no shared
// state: safe on a worker thread.

#include <QSize>
#include <QSizeF>
#include <QString>

#include <stdexcept>

namespace velmora::photo {

// A file that is no readable JPEG, or a copy that cannot be written.
class PhotoError : public std::runtime_error {
public:
    explicit PhotoError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// The most pixels per inch a copy keeps at its placed size.
inline constexpr double kMaxPixelsPerInch = 220;

// What the segments before a JPEG's picture data say.
struct JpegHeader {
    QSize stored;
    // EXIF orientation 1-8; 1 when untagged or out of range.
    int orientation = 1;
    // JFIF density: unit 1 dots per inch, 2 dots per centimetre, 0 none.
    int densityUnit = 0;
    int densityX = 0;
    int densityY = 0;

    // Pixels of the photo seen upright.
    QSize upright() const;
    // The original size of the photo seen upright, as the office and its link give it to an
    // untagged photo of that size: in 1/100 mm, and in points.
    QSize originalSizeHmm() const;
    QSizeF originalSizePoints() const;
};

// Reads the header segments only. Throws PhotoError when the file cannot be read or is no
// JPEG with a size.
JpegHeader readJpegHeader(const QString& path);

struct LightPhoto {
    // True: `file` is a new copy, upright, at most kMaxPixelsPerInch at the placed size.
    // False: `file` is the photo itself, to go in as it is; `reason` says why.
    bool copied = false;
    QString file;
    QString reason;
    // Pixels of `file` as shown upright.
    QSize pixels;
    // The original size the inserted picture must have: that of the upright photo.
    QSizeF originalSizePoints;
    // The office reads exactly that original size from a copy's density. When false the
    // inserter sets it; the copy's aspect ratio is that of the photo within a pixel.
    bool densityKeepsSize = true;
};

// `placedPoints`: the size the picture will be placed at (positive). `folder`: a private
// folder of the caller that receives the copy; the caller removes it. Throws PhotoError for a
// file that is no readable JPEG and when the copy cannot be written.
LightPhoto prepareLightPhoto(const QString& path, QSizeF placedPoints, const QString& folder);

} // namespace velmora::photo
