#include "synthetic_drop.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace velmora::testing {

bool dragAndDrop(QWidget* target, const QStringList& files, const QString& plainText) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files) {
        urls << QUrl::fromUserInput(file);
    }
    if (!urls.isEmpty()) {
        data.setUrls(urls);
    }
    if (!plainText.isEmpty()) {
        data.setText(plainText);
    }
    // As a Shift-drag: the source offers every action and proposes Move.
    const QPoint centre = target->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(centre, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QDragMoveEvent move(centre, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QDropEvent drop(QPointF(centre), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    for (QDropEvent* event :
         {static_cast<QDropEvent*>(&enter), static_cast<QDropEvent*>(&move), &drop}) {
        QCoreApplication::sendEvent(target, event);
        if (!event->isAccepted() || event->dropAction() != Qt::CopyAction) {
            return false;
        }
    }
    QCoreApplication::processEvents();
    return true;
}

} // namespace velmora::testing
