#pragma once

// The one toolkit every window builds from: twip geometry scaled by the screen's logical dpi,
// the Japanese UI face, top-most window flags, colours and the control factories. A control
// made here carries its design name as its object name.

#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace velmora::forms {

// Geometry in twips: 1440 per inch, 15 per pixel at 96 dpi.
int px(const QWidget* widget, int twips);
void placeTwips(QWidget* widget, int left, int top, int width, int height);
void setClientSizeTwips(QWidget* window, int width, int height);

// The one face of the whole UI. Weight is set explicitly so that a bold frame does not pass
// its weight on to its children.
QFont uiFont(double points = 9.0, bool bold = false);

// Title bar with a close box only, kept above other windows; `kind` Qt::Tool for a tool window.
Qt::WindowFlags topMostWindowFlags(Qt::WindowType kind = Qt::Window);
// Re-setting the flag hides a shown window, so a window that already is top-most is left alone.
void ensureTopMost(QWidget* window);
void centreOnScreen(QWidget* window);

// Only the active and inactive groups: disabled controls keep the platform's grey text.
void setTextColour(QWidget* widget, const QColor& colour);
QColor defaultTextColour();
void setBackground(QWidget* widget, const QColor& colour);
// The desktop's window-background colour for text boxes.
QColor systemTextBoxBackground();

// The CJK face is wider and taller than the design's face: a caption that does not fit its
// control's width is set a little smaller, down to 7.5 points, instead of being cut off.
void shrinkToFit(QWidget* control, double minimumPoints = 7.5);
// A wrapping label is set smaller, down to 7.5 points, until its text takes no more lines than
// the design gave it.
void shrinkToLines(QLabel* label, int lines, double minimumPoints = 7.5);
// A label meant to wrap gets the height its wrapped lines need; it only grows.
void growToWrappedHeight(QLabel* label);

// Controls at twip rectangles, in the UI face and the default text colour. Labels are plain
// text that wraps at the label's width and starts at its top, as the design's labels do.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                  int width, int height);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height);
// A text box that takes no more than a holder can keep.
QLineEdit* makeTextBox(QWidget* parent, const QString& name, const QString& text, int left, int top,
                       int width, int height);
QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& caption, int left,
                     int top, int width, int height, const QColor& captionColour);
QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption, int left,
                         int top, int width, int height);
QScrollBar* makeScrollBar(QWidget* parent, const QString& name, Qt::Orientation orientation,
                          int left, int top, int width, int height);
// A horizontal line one pixel high from x1 to x2 at y.
QWidget* makeLine(QWidget* parent, const QString& name, int x1, int x2, int y,
                  const QColor& colour);

} // namespace velmora::forms
