#pragma once

// A picture box that accepts files dragged from the file manager, always as a copy. Drags that
// carry no local file are refused while dragging; a drop hands over the first local file.

#include <QLabel>
#include <QMimeData>

namespace velmora {

class DropTarget : public QLabel {
    Q_OBJECT
public:
    explicit DropTarget(QWidget* parent = nullptr);

    // OLEDragMode 0 (never starts a drag) and OLEDropMode 1 (drops raise the drop event).
    void resetDragDropModes();
    // The first local file a drag carries, or an empty string.
    static QString firstLocalFile(const QMimeData* data);

signals:
    void fileDropped(const QString& path);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Accepts a drag or drop of a local file as a copy; refuses anything else.
    static bool acceptAsCopy(QDropEvent* event);
};

} // namespace velmora
