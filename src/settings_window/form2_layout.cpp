#include "form2.h"

#include "forms.h"
#include "settings_record.h"
#include "settings_store.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0"
#endif

namespace velmora {

// An editable combo box that can be locked against typing and picking without greying out.
class LockableComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

    void setLocked(bool locked) {
        locked_ = locked;
        if (lineEdit() != nullptr) {
            lineEdit()->setReadOnly(locked);
        }
        if (locked) {
            hidePopup();
        }
    }
    bool isLocked() const { return locked_; }

    void showPopup() override {
        if (!locked_) {
            QComboBox::showPopup();
        }
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (locked_ && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab) {
            event->ignore();
            return;
        }
        QComboBox::keyPressEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override {
        if (locked_) {
            event->ignore();
            return;
        }
        QComboBox::wheelEvent(event);
    }

private:
    bool locked_ = false;
};

const QColor Form2::kUnusedBox(224, 224, 224);

namespace {

const QColor kFrameBlue(128, 128, 255);
const QColor kFrameRed(255, 128, 128);
const QColor kGreyText(192, 192, 192);
const QColor kLinkBlue(0, 0, 255);

// The offset's bars: the bottom and right ends carry +1000, so the arrow pressed is the way the
// photo moves.
QScrollBar* makeOffsetBar(QWidget* parent, const QString& name, Qt::Orientation orientation,
                          int left, int top, int width, int height) {
    QScrollBar* bar = forms::makeScrollBar(parent, name, orientation, left, top, width, height);
    bar->setRange(-1000, 1000);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(0);
    return bar;
}

// The digit in ASCII double quotes, then nine full-width spaces push "セルアドレス" onto the
// second line.
QString cellAddressCaption(int digit) {
    return QStringLiteral("\"%1\"に貼り付ける").arg(digit) + QString(9, QChar(0x3000)) +
           QStringLiteral("セルアドレス");
}

} // namespace

void Form2::buildControls() {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(forms::topMostWindowFlags());
    setWindowTitle(QStringLiteral("ファイル選択"));
    setFont(forms::uiFont());
    forms::setClientSizeTwips(this, 10335, 8220);

    Frame5 = forms::makeFrame(this, QStringLiteral("Frame5"),
                              QStringLiteral("起動中のエクセルファイル名"), 240, 240, 3495, 1455,
                              kFrameBlue);
    list1_ = new LockableComboBox(Frame5);
    list1_->setObjectName(QStringLiteral("List1"));
    forms::placeTwips(list1_, 240, 360, 3015, 300);
    list1_->setEditable(true);
    list1_->setInsertPolicy(QComboBox::NoInsert);
    list1_->setFont(forms::uiFont());
    forms::setTextColour(list1_, forms::defaultTextColour());
    List1 = list1_;
    Command4 = forms::makeButton(Frame5, QStringLiteral("Command4"), QStringLiteral("再認識"), 240,
                                 840, 735, 375);
    Command1 = forms::makeButton(Frame5, QStringLiteral("Command1"), QStringLiteral("決定"), 1080,
                                 840, 1335, 375);

    Frame3 = forms::makeFrame(this, QStringLiteral("Frame3"), QStringLiteral("貼り付ける場所"), 240,
                              1920, 3495, 5415, kFrameBlue);
    Option5 = forms::makeOption(Frame3, QStringLiteral("Option5"), QStringLiteral("選択中のセル"),
                                240, 360, 1695, 255);
    Option6 =
        forms::makeOption(Frame3, QStringLiteral("Option6"),
                          QStringLiteral("貼り付けるセルを指定（3窓付）"), 240, 720, 2775, 255);
    Label7 = forms::makeLabel(Frame3, QStringLiteral("Label7"), cellAddressCaption(1), 720, 1200,
                              1695, 375);
    Text3 = forms::makeTextBox(Frame3, QStringLiteral("Text3"), QString(), 2520, 1320, 615, 270);
    Label8 = forms::makeLabel(Frame3, QStringLiteral("Label8"), cellAddressCaption(2), 720, 1680,
                              1695, 375);
    Text4 = forms::makeTextBox(Frame3, QStringLiteral("Text4"), QString(), 2520, 1800, 615, 270);
    Label9 = forms::makeLabel(Frame3, QStringLiteral("Label9"), cellAddressCaption(3), 720, 2160,
                              1695, 375);
    Text5 = forms::makeTextBox(Frame3, QStringLiteral("Text5"), QString(), 2520, 2280, 615, 270);
    for (QLineEdit* box : {Text3, Text4, Text5}) {
        forms::setBackground(box, kUnusedBox);
    }
    Option9 = forms::makeOption(Frame3, QStringLiteral("Option9"),
                                QStringLiteral("フォルダ内連続貼り付け"), 240, 2760, 2175, 375);
    Command6 = forms::makeButton(Frame3, QStringLiteral("Command6"), QStringLiteral("設定"), 2520,
                                 2780, 615, 315);
    Command6->setEnabled(false);
    Line1 = forms::makeLine(Frame3, QStringLiteral("Line1"), 240, 3240, 3600, kGreyText);
    Option10 = forms::makeOption(Frame3, QStringLiteral("Option10"), QStringLiteral("Special_1"),
                                 240, 4080, 1095, 255);
    Label1 = forms::makeLabel(Frame3, QStringLiteral("Label1"),
                              QStringLiteral("新シートに1枚貼り付け、"), 480, 4440, 2175, 255);
    Label2 =
        forms::makeLabel(Frame3, QStringLiteral("Label2"),
                         QStringLiteral("シート名にファイル名を付けます。"), 480, 4680, 2655, 255);
    Label12 =
        forms::makeLabel(Frame3, QStringLiteral("Label12"),
                         QStringLiteral("（シート名の長さに制限あり）"), 480, 4920, 2175, 255);
    for (QLabel* label : {Label1, Label2, Label12}) {
        forms::setTextColour(label, kGreyText);
    }

    Frame2 = forms::makeFrame(this, QStringLiteral("Frame2"), QStringLiteral("アンインストール"),
                              4080, 240, 3615, 1815, kFrameRed);
    Label6 = forms::makeLabel(Frame2, QStringLiteral("Label6"),
                              QStringLiteral("設定の保存にはレジストリ\"") + kStoreApplication +
                                  QStringLiteral("\"を使用しています。"),
                              480, 240, 2655, 495);
    Command7 = forms::makeButton(Frame2, QStringLiteral("Command7"),
                                 QStringLiteral("レジストリのバックアップ"), 600, 720, 2415, 375);
    Command2 = forms::makeButton(Frame2, QStringLiteral("Command2"),
                                 QStringLiteral("レジストリを削除して終了"), 600, 1200, 2415, 375);

    Frame1 = forms::makeFrame(this, QStringLiteral("Frame1"), QStringLiteral("貼り付ける位置"),
                              4080, 2280, 3615, 3615, kFrameBlue);
    Option1 = forms::makeOption(Frame1, QStringLiteral("Option1"), QStringLiteral("セルの左上"),
                                240, 360, 1215, 255);
    Option2 = forms::makeOption(Frame1, QStringLiteral("Option2"), QStringLiteral("セルの中心"),
                                1800, 360, 1215, 255);
    Option3 = forms::makeOption(Frame1, QStringLiteral("Option3"),
                                QStringLiteral("セルの縦横幅に、引き延ばす"), 240, 840, 2655, 255);
    Option11 =
        forms::makeOption(Frame1, QStringLiteral("Option11"),
                          QStringLiteral("セルの縦幅で、縦横比率を固定"), 240, 1320, 2775, 255);
    Option12 = forms::makeOption(Frame1, QStringLiteral("Option12"),
                                 QStringLiteral("セルの横幅で、　  　　〃"), 240, 1560, 2655, 255);
    Option4 = forms::makeOption(Frame1, QStringLiteral("Option4"),
                                QStringLiteral("セルの縦か横の小さい方の幅で、　〃"), 240, 1800,
                                3255, 255);
    Frame4 = forms::makeFrame(Frame1, QStringLiteral("Frame4"), QStringLiteral("微調整"), 1440,
                              2280, 1935, 1095, forms::defaultTextColour());
    Label4 = forms::makeLabel(Frame4, QStringLiteral("Label4"), QStringLiteral("縦"), 120, 360, 255,
                              255);
    Text1 = forms::makeTextBox(Frame4, QStringLiteral("Text1"), QStringLiteral("0"), 360, 360, 495,
                               270);
    VScroll1 = makeOffsetBar(Frame4, QStringLiteral("VScroll1"), Qt::Vertical, 840, 285, 495, 375);
    Label5 = forms::makeLabel(Frame4, QStringLiteral("Label5"), QStringLiteral("point"), 1440, 360,
                              375, 255);
    Label3 = forms::makeLabel(Frame4, QStringLiteral("Label3"), QStringLiteral("横"), 120, 720, 255,
                              255);
    Text2 = forms::makeTextBox(Frame4, QStringLiteral("Text2"), QStringLiteral("0"), 360, 720, 495,
                               270);
    HScroll2 =
        makeOffsetBar(Frame4, QStringLiteral("HScroll2"), Qt::Horizontal, 840, 720, 495, 255);
    Label10 = forms::makeLabel(Frame4, QStringLiteral("Label10"), QStringLiteral("point"), 1440,
                               720, 375, 255);

    Frame7 = forms::makeFrame(this, QStringLiteral("Frame7"), QStringLiteral("貼り付けた後"), 4080,
                              6120, 3615, 1215, kFrameBlue);
    Option7 = forms::makeOption(Frame7, QStringLiteral("Option7"),
                                QStringLiteral("順序→前面へ移動"), 240, 360, 2415, 255);
    Option8 = forms::makeOption(Frame7, QStringLiteral("Option8"),
                                QStringLiteral("順序→背面へ移動"), 240, 720, 2175, 255);

    Command3 = forms::makeButton(this, QStringLiteral("Command3"), QStringLiteral("決定"), 4440,
                                 7680, 1455, 375);

    Frame6 = forms::makeFrame(this, QStringLiteral("Frame6"), QStringLiteral("設定の保存と読込"),
                              8040, 240, 2055, 7095, kFrameBlue);
    std::array<QLineEdit**, 5> titles{&save1_title, &save2_title, &save3_title, &save4_title,
                                      &save5_title};
    std::array<QPushButton**, 5> loads{&load1, &load2, &load3, &load4, &load5};
    std::array<QPushButton**, 5> saves{&save1, &save2, &save3, &save4, &save5};
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const int top = 720 + (slot - 1) * 1320;
        const auto index = static_cast<std::size_t>(slot - 1);
        *titles[index] =
            forms::makeTextBox(Frame6, slotTitleName(slot),
                               QStringLiteral("セーブデータ%1").arg(slot), 240, top, 1575, 270);
        *loads[index] = forms::makeButton(Frame6, QStringLiteral("load%1").arg(slot),
                                          QStringLiteral("読込"), 240, top + 360, 735, 375);
        *saves[index] = forms::makeButton(Frame6, QStringLiteral("save%1").arg(slot),
                                          QStringLiteral("保存"), 1080, top + 360, 735, 375);
    }
    const std::array<int, 5> lineTops{1800, 3120, 4440, 5760, 480};
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        Lines[i] = forms::makeLine(Frame6, QStringLiteral("Line%1").arg(i + 2), 240, 1800,
                                   lineTops[i], kGreyText);
    }

    Label11 = forms::makeLabel(this, QStringLiteral("Label11"),
                               QStringLiteral("Velmora ver." VELMORA_VERSION " Velmora"), 8040,
                               7680, 2055, 255);
    // The address is longer than the design's label: shown without its scheme and given the
    // width up to the window's edge.
    Label13 = forms::makeLabel(this, QStringLiteral("Label13"),
                               QStringLiteral("github.com/velmora/velmora"), 8040, 7920, 2175, 255);
    forms::setTextColour(Label13, kLinkBlue);
    Label13->setCursor(Qt::PointingHandCursor);
    Label13->setToolTip(kHomePageUrl);
    Label13->installEventFilter(this);

    const QList<QLabel*> wrapping{Label6, Label7, Label8, Label9};
    for (QWidget* control : findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(control);
        if (qobject_cast<QAbstractButton*>(control) != nullptr ||
            (label != nullptr && !wrapping.contains(label))) {
            forms::shrinkToFit(control);
        }
    }
    for (QLabel* label : wrapping) {
        forms::shrinkToLines(label, 2);
        forms::growToWrappedHeight(label);
    }

    // The design selection; set before the handlers are connected.
    Option5->setChecked(true);
    Option4->setChecked(true);
    Option7->setChecked(true);
}

void Form2::setList1Locked(bool locked) {
    list1_->setLocked(locked);
}

bool Form2::isList1Locked() const {
    return list1_->isLocked();
}

} // namespace velmora
