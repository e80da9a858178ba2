#pragma once

// Window geometry is given in twips: 1440 per inch, 15 per pixel at 96 dpi.

#include <cmath>

namespace velmora {

inline int twipsToPixels(int twips, double logicalDpi = 96.0) {
    return static_cast<int>(std::lround(twips * logicalDpi / 1440.0));
}

inline constexpr double kPointsPerCentimetre = 28.35;

} // namespace velmora
