#include "notice_strip.h"

#include "forms.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimerEvent>

namespace velmora {

NoticeStrip::NoticeStrip(QWidget* parent) : QWidget(parent), band_(0, 0, kBandWidth, 18) {
    setFont(forms::uiFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void NoticeStrip::setBand(const QRect& band) {
    band_ = band;
    update();
}

void NoticeStrip::showNotice(const QString& text) {
    text_ = text;
    offset_ = band_.width();
    if (!timer_.isActive()) {
        timer_.start(kStepIntervalMs, this);
    }
    update();
}

int NoticeStrip::textWidth() const {
    return QFontMetrics(font()).horizontalAdvance(text_);
}

void NoticeStrip::step() {
    offset_ -= kStep;
    // Gone past the left edge: come in again from the right.
    if (offset_ + textWidth() < 0) {
        offset_ = band_.width();
    }
    update(band_);
}

void NoticeStrip::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        step();
        return;
    }
    QWidget::timerEvent(event);
}

void NoticeStrip::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // The face colour is read at every paint, so a theme change shows at once.
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setClipRect(band_);
    painter.setPen(Qt::black);
    painter.setFont(font());
    const QRect line(band_.left() + offset_, band_.top(), textWidth() + 1, band_.height());
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

} // namespace velmora
