#pragma once

// The main window: a narrow, top-most tool strip. Its hidden text boxes to the right of the
// visible area hold the program's whole live state.

#include "holders.h"
#include "main_window_port.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

class DropTarget;
class ExcelLink;
class Form2;
class Form3;
class Form99;
class NoticeStrip;
class PasteEngine;
class SettingsStore;
class SingleInstance;
class UserInteraction;

class Form1 : public QWidget, public Holders, public MainWindowPort {
    Q_OBJECT
public:
    Form1(ExcelLink& link, SettingsStore& store, UserInteraction& interaction,
          std::unique_ptr<SingleInstance> instance, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence. False when another instance already runs: the caller ends the
    // program without showing anything.
    bool Form_Load();
    // Closes the settings and pattern windows and writes the thirteen values.
    void Form_Unload();

    // Handlers.
    void Command1_Click();
    void Command2_Click();
    void Text1_Change();
    void Picture0_OLEDragDrop(const QString& file);
    void Picture1_OLEDragDrop(const QString& file);
    void Picture2_OLEDragDrop(const QString& file);
    void Picture3_OLEDragDrop(const QString& file);
    void DragDrop(const QString& file, const QString& address);

    // The settings window, loaded hidden (its load handler first) when touched while closed.
    Form2* form2();
    // The progress window while a folder paste shows it.
    Form99* progressWindow() const;
    DropTarget* dropTarget(int index) const;

    // Holders.
    QString text(Holder holder) const override;
    void setText(Holder holder, const QString& text) override;

    // MainWindowPort.
    Holders& holders() override { return *this; }
    SettingsStore& store() override { return store_; }
    UserInteraction& interaction() override { return interaction_; }
    void setWindowHeightTwips(int twips) override;
    void setCheck1TopTwips(int twips) override;
    void setDropTargetVisible(int index, bool visible) override;
    void setFolderButtonVisible(bool visible) override;
    void showPercentSizeInput(bool percent) override;
    void applyNoWorkbookLayout() override;
    void showPatternWindow() override;
    void confirmPatternWindow() override;
    void closePatternWindow() override;
    void rerunWorkbookButton() override;
    void closeMainWindow() override;

    // Visible controls.
    QPushButton* Command1;
    QLineEdit* Text20;
    QComboBox* Combo1;
    QLineEdit* Text5;
    QLineEdit* Text19;
    QLabel* Picture99;
    DropTarget* Picture0;
    DropTarget* Picture1;
    DropTarget* Picture2;
    DropTarget* Picture3;
    QPushButton* Command2;
    QCheckBox* Check1;
    NoticeStrip* WebBrowser1;

    // State holders and their captions, beyond the visible area.
    QLineEdit* Text1;
    QLabel* Label1;
    QLineEdit* Text2;
    QLineEdit* Text6;
    QLineEdit* Text7;
    QLineEdit* Text8;
    QLineEdit* Text9;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text10;
    QLineEdit* Text22;
    QLineEdit* Text25;
    QLineEdit* Text26;
    QLineEdit* Text21;
    QLineEdit* Text12;
    QLineEdit* Text11;
    QLineEdit* Text13;
    QLineEdit* Text14;
    QLineEdit* Text15;
    QLineEdit* Text16;
    QLineEdit* Text17;
    QLineEdit* Text18;
    QLineEdit* Text23;
    QLineEdit* Text27;
    QLineEdit* Text24;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The design-time controls (form1_layout.cpp).
    void buildControls();
    QLineEdit* holderBox(const QString& name, int left, int top, int width, int height);
    QLineEdit* captionBox(const QString& name, const QString& text, int left, int top, int width,
                          int height);
    void connectHandlers();
    QLineEdit* lineEditFor(Holder holder) const;
    // Label1's width: 100 twips per byte of its text in Shift_JIS.
    void fitLabel1();
    // Label1 into the notice strip.
    void navigateNotice();
    void pasteFromTarget(QLineEdit* addressBox, const QString& file);
    void applyWindowHeight();

    ExcelLink& link_;
    SettingsStore& store_;
    UserInteraction& interaction_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<PasteEngine> engine_;
    class Progress;
    std::unique_ptr<Progress> progress_;
    QPointer<Form2> form2_;
    QPointer<Form3> form3_;
    int heightTwips_ = 0;
    bool heightAwaitsFrame_ = false;
    int requestedHeight_ = 0;
    bool heightUnconfirmed_ = false;
    bool unloaded_ = false;
};

} // namespace velmora
