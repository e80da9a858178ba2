#pragma once

// The progress window of the folder paste: "photo number/photo count" in one label.

#include <QWidget>

class QLabel;

namespace velmora {

class Form99 : public QWidget {
public:
    explicit Form99(QWidget* parent = nullptr);

    void Form_Load();

    // The folder paste writes the count here.
    QLabel* Label1 = nullptr;

private:
    // The design-time controls (form99_layout.cpp).
    void buildControls();
};

} // namespace velmora
