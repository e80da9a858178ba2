#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace velmora::testing {

// Drags `files` (local paths or URLs), and `plainText` when given, over the centre of `target`
// and drops them there, as a file manager does. False when the target refuses the drag or the
// drop.
bool dragAndDrop(QWidget* target, const QStringList& files, const QString& plainText = {});

} // namespace velmora::testing
