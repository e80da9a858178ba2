#include "artwork.h"

#include "forms.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace velmora {

namespace {

const QColor kInk(40, 52, 92);
const QColor kPaper(255, 253, 244);
const QColor kAccent(214, 96, 72);

QFont jpFont(double pointSize, bool bold = false) {
    QFont font = forms::uiFont(9.0, bold);
    font.setPixelSize(static_cast<int>(pointSize));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QPixmap blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A sheet of paper with a dashed edge: the place where a photo goes.
void drawCard(QPainter& painter, const QRectF& rect) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPaper);
    painter.drawRoundedRect(rect, 5, 5);
    QPen dashed(kInk, 1.2, Qt::DashLine);
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(2.5, 2.5, -2.5, -2.5), 4, 4);
}

// Slightly tilted, with a loose underline, for a handwritten feel that stays legible.
void drawHandLine(QPainter& painter, const QRectF& rect, const QString& text, double pixelSize,
                  double tilt) {
    painter.save();
    painter.translate(rect.center());
    painter.rotate(tilt);
    // Shrink until the words fit inside the card with a little margin.
    QFont font = jpFont(pixelSize, true);
    while (font.pixelSize() > 7 && QFontMetricsF(font).horizontalAdvance(text) > rect.width() - 6) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    painter.setFont(font);
    painter.setPen(kInk);
    const QRectF local(-rect.width() / 2, -rect.height() / 2, rect.width(), rect.height());
    painter.drawText(local, Qt::AlignCenter, text);
    QPainterPath underline;
    const double y = pixelSize * 0.75;
    underline.moveTo(-rect.width() / 2 + 6, y);
    underline.cubicTo(-rect.width() / 6, y + 2.5, rect.width() / 6, y - 2.0, rect.width() / 2 - 6,
                      y + 1.0);
    painter.setPen(QPen(kAccent, 1.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(underline);
    painter.restore();
}

// A small mountain-and-sun photo mark.
void drawPhotoMark(QPainter& painter, const QRectF& rect) {
    painter.save();
    painter.setPen(QPen(kInk, 1.2));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(rect, 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kAccent);
    const double r = rect.height() * 0.16;
    painter.drawEllipse(
        QPointF(rect.right() - rect.width() * 0.28, rect.top() + rect.height() * 0.3), r, r);
    QPainterPath hills;
    hills.moveTo(rect.left() + 1, rect.bottom() - 1);
    hills.lineTo(rect.left() + rect.width() * 0.38, rect.top() + rect.height() * 0.42);
    hills.lineTo(rect.left() + rect.width() * 0.62, rect.bottom() - rect.height() * 0.3);
    hills.lineTo(rect.left() + rect.width() * 0.75, rect.top() + rect.height() * 0.58);
    hills.lineTo(rect.right() - 1, rect.bottom() - 1);
    hills.closeSubpath();
    painter.setBrush(QColor(96, 140, 110));
    painter.drawPath(hills);
    painter.restore();
}

} // namespace

QPixmap placeholderImage() {
    QPixmap pixmap = blank(78, 59);
    QPainter painter(&pixmap);
    drawCard(painter, QRectF(0.5, 0.5, 77, 58));
    drawPhotoMark(painter, QRectF(29, 7, 20, 15));
    drawHandLine(painter, QRectF(2, 25, 74, 26), QStringLiteral("どこに貼り付け…"), 11, -3.0);
    return pixmap;
}

QPixmap dropTargetImage(int index) {
    QPixmap pixmap = blank(73, 61);
    QPainter painter(&pixmap);
    drawCard(painter, QRectF(0.5, 0.5, 72, 60));
    if (index <= 0) {
        drawPhotoMark(painter, QRectF(26, 7, 21, 16));
        drawHandLine(painter, QRectF(2, 27, 69, 26), QStringLiteral("ここに画像を。"), 11, -4.0);
        return pixmap;
    }
    painter.setFont(jpFont(40, true));
    painter.setPen(kInk);
    painter.drawText(QRectF(0, 0, 73, 58), Qt::AlignCenter, QString::number(index));
    painter.setPen(QPen(kAccent, 2.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(27, 52), QPointF(46, 51));
    return pixmap;
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap = blank(size, size);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double s = size;
        // A spreadsheet page with a photo dropped onto one cell.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(33, 115, 70));
        painter.drawRoundedRect(QRectF(0.04 * s, 0.04 * s, 0.92 * s, 0.92 * s), 0.16 * s, 0.16 * s);
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(0.16 * s, 0.16 * s, 0.68 * s, 0.68 * s));
        painter.setPen(QPen(QColor(33, 115, 70), std::max(1.0, s / 40)));
        for (double f : {0.39, 0.61}) {
            painter.drawLine(QPointF(0.16 * s, f * s), QPointF(0.84 * s, f * s));
            painter.drawLine(QPointF(f * s, 0.16 * s), QPointF(f * s, 0.84 * s));
        }
        drawPhotoMark(painter, QRectF(0.3 * s, 0.3 * s, 0.48 * s, 0.38 * s));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace velmora
