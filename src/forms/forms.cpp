#include "forms.h"

#include "holders.h"
#include "units.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

namespace velmora::forms {

namespace {

template <typename Widget>
Widget* place(Widget* widget, const QString& name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    placeTwips(widget, left, top, width, height);
    return widget;
}

void styleControl(QWidget* control) {
    control->setFont(uiFont());
    setTextColour(control, defaultTextColour());
}

} // namespace

int px(const QWidget* widget, int twips) {
    return twipsToPixels(twips, widget->logicalDpiY());
}

void placeTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(px(widget, left), px(widget, top), px(widget, width), px(widget, height));
}

void setClientSizeTwips(QWidget* window, int width, int height) {
    window->setFixedSize(px(window, width), px(window, height));
}

QFont uiFont(double points, bool bold) {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

Qt::WindowFlags topMostWindowFlags(Qt::WindowType kind) {
    return kind | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
           Qt::WindowStaysOnTopHint;
}

void ensureTopMost(QWidget* window) {
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        return;
    }
    const bool shown = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown) {
        window->show();
    }
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setColor(group, role, colour);
        }
    }
    widget->setPalette(palette);
}

QColor defaultTextColour() {
    return QApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

QColor systemTextBoxBackground() {
    return QApplication::palette().color(QPalette::Active, QPalette::Base);
}

void shrinkToFit(QWidget* control, double minimumPoints) {
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

void shrinkToLines(QLabel* label, int lines, double minimumPoints) {
    QFont font = label->font();
    while (label->heightForWidth(label->width()) > lines * label->fontMetrics().lineSpacing() &&
           font.pointSizeF() - 0.25 >= minimumPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        label->setFont(font);
    }
}

void growToWrappedHeight(QLabel* label) {
    const int needed = label->heightForWidth(label->width());
    if (needed > label->height()) {
        label->resize(label->width(), needed);
    }
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                  int width, int height) {
    auto* label = place(new QLabel(caption, parent), name, left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    styleControl(label);
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height) {
    auto* button = place(new QPushButton(caption, parent), name, left, top, width, height);
    styleControl(button);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* makeTextBox(QWidget* parent, const QString& name, const QString& text, int left, int top,
                       int width, int height) {
    auto* box = place(new QLineEdit(text, parent), name, left, top, width, height);
    box->setMaxLength(kHolderTextLimit);
    styleControl(box);
    return box;
}

QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& caption, int left,
                     int top, int width, int height, const QColor& captionColour) {
    auto* frame = place(new QGroupBox(caption, parent), name, left, top, width, height);
    frame->setFont(uiFont(9.0, true));
    setTextColour(frame, captionColour);
    return frame;
}

QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption, int left,
                         int top, int width, int height) {
    auto* option = place(new QRadioButton(caption, parent), name, left, top, width, height);
    styleControl(option);
    return option;
}

QScrollBar* makeScrollBar(QWidget* parent, const QString& name, Qt::Orientation orientation,
                          int left, int top, int width, int height) {
    return place(new QScrollBar(orientation, parent), name, left, top, width, height);
}

QWidget* makeLine(QWidget* parent, const QString& name, int x1, int x2, int y,
                  const QColor& colour) {
    auto* line = new QWidget(parent);
    line->setObjectName(name);
    line->setGeometry(px(line, x1), px(line, y), px(line, x2 - x1), 1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

} // namespace velmora::forms
