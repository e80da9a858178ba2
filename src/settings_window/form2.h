#pragma once

// The settings window. It keeps no settings of its own: Form_Load copies the main window's
// holders in, and only 決定ボタン copies them back. Closing it (WA_DeleteOnClose) runs
// Form_Unload and destroys it; the main window creates a fresh one on next use.

#include "main_window_port.h"

#include <QWidget>

#include <array>

class QColor;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace velmora {

class LockableComboBox;

inline const QString kHomePageUrl = QStringLiteral("https://github.com/velmora/velmora");

class Form2 : public QWidget {
public:
    // Builds the design-time state only; the main window calls Form_Load right after.
    explicit Form2(MainWindowPort& port, QWidget* parent = nullptr);
    ~Form2() override;

    void Form_Load();
    // Runs once, when the window closes.
    void Form_Unload();
    void ApplyNoWorkbookLayout();

    void UpdateSizeInput();
    void UpdatePlaceLayout();
    void Option1_Click() { UpdateSizeInput(); }
    void Option2_Click() { UpdateSizeInput(); }
    void Option3_Click() { UpdateSizeInput(); }
    void Option4_Click() { UpdateSizeInput(); }
    void Option11_Click() { UpdateSizeInput(); }
    void Option12_Click() { UpdateSizeInput(); }
    void Option5_Click() { UpdatePlaceLayout(); }
    void Option6_Click() { UpdatePlaceLayout(); }
    void Option9_Click() { UpdatePlaceLayout(); }
    void Option10_Click() { UpdatePlaceLayout(); }

    void VScroll1_Change();
    void HScroll2_Change();
    void Text1_Change();
    void Text2_Change();

    void 決定ボタン();
    void Command1_Click();
    void Command3_Click() { Command1_Click(); }
    void Command4_Click();
    void Command6_Click();
    void Label13_Click();

    void save1_Click() { saveSlot(1); }
    void save2_Click() { saveSlot(2); }
    void save3_Click() { saveSlot(3); }
    void save4_Click() { saveSlot(4); }
    void save5_Click() { saveSlot(5); }
    void load1_Click() { loadSlot(1); }
    void load2_Click() { loadSlot(2); }
    void load3_Click() { loadSlot(3); }
    void load4_Click() { loadSlot(4); }
    void load5_Click() { loadSlot(5); }

    void Command7_Click();
    void Command2_Click();

    // Locked: the user can neither type in List1 nor pick from it; it stays legible.
    void setList1Locked(bool locked);
    bool isList1Locked() const;

    // The workbook list: the main window fills it and reads the chosen name.
    QComboBox* List1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The design-time controls (form2_layout.cpp).
    void buildControls();
    void connectHandlers();
    // The commit: every choice into the holders, then the titles into the store (StoreError
    // when it cannot take them).
    void commit();
    void saveSlot(int slot);
    void fillSlotsOnFirstRun();
    // The main window's holders into the controls.
    void showHeldValues();
    void loadSlot(int slot);
    QLineEdit* slotTitle(int slot) const;

    QGroupBox* Frame5 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command1 = nullptr;

    QGroupBox* Frame3 = nullptr;
    QRadioButton* Option5 = nullptr;
    QRadioButton* Option6 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* Text5 = nullptr;
    QRadioButton* Option9 = nullptr;
    QPushButton* Command6 = nullptr;
    QWidget* Line1 = nullptr;
    QRadioButton* Option10 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label12 = nullptr;

    QGroupBox* Frame2 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command2 = nullptr;

    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option11 = nullptr;
    QRadioButton* Option12 = nullptr;
    QRadioButton* Option4 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text2 = nullptr;
    QScrollBar* HScroll2 = nullptr;
    QLabel* Label10 = nullptr;

    QGroupBox* Frame7 = nullptr;
    QRadioButton* Option7 = nullptr;
    QRadioButton* Option8 = nullptr;

    QPushButton* Command3 = nullptr;

    QGroupBox* Frame6 = nullptr;
    QLineEdit* save1_title = nullptr;
    QLineEdit* save2_title = nullptr;
    QLineEdit* save3_title = nullptr;
    QLineEdit* save4_title = nullptr;
    QLineEdit* save5_title = nullptr;
    QPushButton* load1 = nullptr;
    QPushButton* load2 = nullptr;
    QPushButton* load3 = nullptr;
    QPushButton* load4 = nullptr;
    QPushButton* load5 = nullptr;
    QPushButton* save1 = nullptr;
    QPushButton* save2 = nullptr;
    QPushButton* save3 = nullptr;
    QPushButton* save4 = nullptr;
    QPushButton* save5 = nullptr;
    std::array<QWidget*, 5> Lines{}; // Line2 ... Line6

    QLabel* Label11 = nullptr;
    QLabel* Label13 = nullptr;

    static const QColor kUnusedBox;

    MainWindowPort& port_;
    LockableComboBox* list1_ = nullptr;
    bool unloaded_ = false;
};

} // namespace velmora
