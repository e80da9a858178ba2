#pragma once

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace velmora::testing {

// Drags `files` (local paths or URLs; none: a drag of text) over the centre of `target` and
// drops them there, as a file manager does when the user holds Shift (it proposes Move and
// deletes its file when the target answers Move). True when the target takes the drag and the
// drop, each as a copy.
inline bool dragAndDrop(QWidget* target, const QStringList& files) {
    QMimeData data; // as a file manager offers it: the paths as text too
    data.setText(files.isEmpty() ? QStringLiteral("some text") : files.join('\n'));
    for (const QString& file : files) {
        data.setUrls(data.urls() << QUrl::fromUserInput(file));
    }
    // As a Shift-drag: the source offers every action and proposes Move.
    const QPoint centre = target->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(centre, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QDragMoveEvent move(centre, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QDropEvent drop(QPointF(centre), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    for (QDropEvent* event : std::initializer_list<QDropEvent*>{&enter, &move, &drop}) {
        QCoreApplication::sendEvent(target, event);
        if (!event->isAccepted() || event->dropAction() != Qt::CopyAction) {
            return false;
        }
    }
    QCoreApplication::processEvents();
    return true;
}

} // namespace velmora::testing
