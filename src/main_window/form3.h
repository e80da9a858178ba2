#pragma once

// The pattern window of the folder paste: edits the main window's two row gaps. Only its own
// "OK" copies them back; the close box discards the edits. Closing destroys it
// (WA_DeleteOnClose).

#include "holders.h"

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

class Form3 : public QWidget {
public:
    explicit Form3(Holders& holders, QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click();

private:
    // The design-time controls (form3_layout.cpp).
    void buildControls();

    QLabel* Label10 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Text5 = nullptr;
    std::array<QLabel*, 3> Label8{};
    QLabel* Label9 = nullptr;
    QPushButton* Command1 = nullptr;

    Holders& holders_;
};

} // namespace velmora
