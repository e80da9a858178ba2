#pragma once

// The windows' pictures, drawn by the program itself so that no image files are needed.

#include <QIcon>
#include <QPixmap>

namespace velmora {

// 78 x 59: どこに貼り付け… (shown while no drop target is up).
QPixmap placeholderImage();
// 73 x 61: index 0 is ここに画像を。, 1 to 3 the digits of the three targets.
QPixmap dropTargetImage(int index);
// The application icon at the usual sizes.
QIcon applicationIcon();

} // namespace velmora
