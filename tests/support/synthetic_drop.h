#pragma once

#include <QStringList>

class QWidget;

namespace velmora::testing {

// Drags `files` (local paths or URLs; none: a drag of text) over the centre of `target` and
// drops them there, as a file manager does when the user holds Shift (it proposes Move and
// deletes its file when the target answers Move). True when the target takes the drag and the
// drop, each as a copy.
bool dragAndDrop(QWidget* target, const QStringList& files);

} // namespace velmora::testing
