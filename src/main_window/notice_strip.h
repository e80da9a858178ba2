#pragma once

// One line of text scrolling right to left, 2 px per step, through a 100 px band, in black
// 9 pt type on the button-face colour. The text is drawn as text, never as mark-up.

#include <QBasicTimer>
#include <QWidget>

namespace velmora {

class NoticeStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBandWidth = 100;
    static constexpr int kStep = 2;
    static constexpr int kStepIntervalMs = 85;

    explicit NoticeStrip(QWidget* parent = nullptr);

    // Starts the text again from the right edge of the band.
    void showNotice(const QString& text);
    QString notice() const { return text_; }
    // The band, in this widget's coordinates.
    void setBand(const QRect& band);
    // One scroll step (the timer calls it).
    void step();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    int textWidth() const;

    QString text_;
    QRect band_;
    int offset_ = 0;
    QBasicTimer timer_;
};

} // namespace velmora
