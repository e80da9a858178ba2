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

void DropTarget::dragEnterEvent(QDragEnterEvent* event) {
    if (firstLocalFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void DropTarget::dragMoveEvent(QDragMoveEvent* event) {
    if (firstLocalFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void DropTarget::dropEvent(QDropEvent* event) {
    const QString file = firstLocalFile(event->mimeData());
    if (file.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit fileDropped(file);
}

} // namespace velmora
