#pragma once

// Geometry, fonts and colours shared by the secondary windows: twip positions scaled by the
// screen's logical dpi, the Japanese UI face, and top-most windows.

#include "units.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

namespace velmora::forms {

inline const QString kFontFamily = QStringLiteral("Noto Sans CJK JP");

// Weight is set explicitly so that a bold frame does not pass its weight on to its children.
inline QFont uiFont(double points = 9.0, bool bold = false) {
    QFont font(kFontFamily);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

inline int px(const QWidget* widget, int twips) {
    return twipsToPixels(twips, widget->logicalDpiY());
}

inline void setTwipGeometry(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(px(widget, left), px(widget, top), px(widget, width), px(widget, height));
}

inline void setClientSizeTwips(QWidget* window, int width, int height) {
    window->setFixedSize(px(window, width), px(window, height));
}

// The CJK face is wider and taller than the design's face: a caption that does not fit its
// control's width is set a little smaller, down to 7.5 points, instead of being cut off.
inline void shrinkToFit(QWidget* control, double minimumPoints = 7.5) {
    const auto needed = [control] {
        if (const auto* label = qobject_cast<const QLabel*>(control)) {
            return label->fontMetrics().horizontalAdvance(label->text()) + 1;
        }
        // A push button's size hint has a minimum width; only its text matters here.
        if (const auto* button = qobject_cast<const QPushButton*>(control)) {
            return button->fontMetrics().horizontalAdvance(button->text()) + 8;
        }
        return control->sizeHint().width();
    };
    QFont font = control->font();
    while (needed() > control->width() && font.pointSizeF() - 0.25 >= minimumPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        control->setFont(font);
    }
}

// A wrapping label is set smaller, down to 7.5 points, until its text takes no more lines than
// the design gave it.
inline void shrinkToLines(QLabel* label, int lines, double minimumPoints = 7.5) {
    QFont font = label->font();
    while (label->heightForWidth(label->width()) > lines * label->fontMetrics().lineSpacing() &&
           font.pointSizeF() - 0.25 >= minimumPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        label->setFont(font);
    }
}

// A label meant to wrap gets the height its wrapped lines need; it only grows.
inline void growToWrappedHeight(QLabel* label) {
    const int needed = label->heightForWidth(label->width());
    if (needed > label->height()) {
        label->resize(label->width(), needed);
    }
}

// Only the active and inactive groups: disabled controls keep the platform's grey text.
inline void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setColor(group, role, colour);
        }
    }
    widget->setPalette(palette);
}

inline QColor defaultTextColour() {
    return QApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

inline void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

// The desktop's window-background colour for text boxes.
inline QColor systemTextBoxBackground() {
    return QApplication::palette().color(QPalette::Active, QPalette::Base);
}

// Re-setting the flag hides a shown window, so a window that already is top-most is left alone.
inline void ensureTopMost(QWidget* window) {
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        return;
    }
    const bool shown = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown) {
        window->show();
    }
}

inline void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace velmora::forms
