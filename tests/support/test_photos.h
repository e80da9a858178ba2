#pragma once

// Photos made by the tests themselves: no third-party images in the tree.

#include <QString>

namespace velmora::testing {

// A JPEG of width x height pixels at 96 dpi (a pixel is 0.75 pt); returns its path.
QString writeJpeg(const QString& path, int width, int height);

} // namespace velmora::testing
