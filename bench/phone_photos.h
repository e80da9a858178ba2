#pragma once

// Phone-like photos for the benches: grain and gradients over the tests' marked picture, so that
// a file is about as large as a phone's, and every seed gives other pixels (the office stores
// identical pictures once).

#include "camera_photos.h"

#include <algorithm>
#include <cstdint>

namespace velmora::bench {

inline QImage phonePicture(int width, int height, std::uint32_t seed = 1) {
    QImage image = testing::markedPicture(width, height);
    std::uint32_t grain = seed;
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            grain = grain * 1103515245u + 12345u;
            const int shift =
                int((grain >> 16) % 25) - 12 + (x * 37 / width + y * 23 / height) % 48;
            for (int c = 0; c < 3; ++c) {
                uchar& v = line[3 * x + c];
                v = static_cast<uchar>(std::clamp(v + shift, 0, 255));
            }
        }
    }
    return image;
}

} // namespace velmora::bench
