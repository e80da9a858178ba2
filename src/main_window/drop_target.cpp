#include "drop_target.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QUrl>

namespace velmora {

DropTarget::DropTarget(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    resetDragDropModes();
}

void DropTarget::resetDragDropModes() {
    setAcceptDrops(true);
}

QString DropTarget::firstLocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
            return url.toLocalFile();
        }
    }
    return {};
}

bool DropTarget::acceptAsCopy(QDropEvent* event) {
    // Whatever the source proposes (a Shift-drag proposes Move), the answer is Copy: a file
    // manager deletes its file when the target answers Move.
    if (!event->possibleActions().testFlag(Qt::CopyAction) ||
        firstLocalFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void DropTarget::dragEnterEvent(QDragEnterEvent* event) {
    acceptAsCopy(event);
}

void DropTarget::dragMoveEvent(QDragMoveEvent* event) {
    acceptAsCopy(event);
}

void DropTarget::dropEvent(QDropEvent* event) {
    if (acceptAsCopy(event)) {
        emit fileDropped(firstLocalFile(event->mimeData()));
    }
}

} // namespace velmora
