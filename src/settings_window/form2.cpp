#include "form2.h"

#include "form_style.h"
#include "numbers.h"
#include "reg_export.h"
#include "settings_record.h"
#include "settings_store.h"
#include "user_interaction.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>

#include <exception>

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

namespace {

const QString kCaption = QStringLiteral("ファイル選択");
const QString kFirstRunCaption = QStringLiteral("初回起動でしたのでレジストリへ保存しました。");
const QString kFirstRunFailedCaption =
    QStringLiteral("初回起動の設定をレジストリへ保存できませんでした。");
const QString kSavedSuffix = QStringLiteral("　へ保存しました。");
const QString kSaveFailedSuffix = QStringLiteral("　へ保存できませんでした。");
const QString kLoadedSuffix = QStringLiteral("　を読み込みました。");
const QString kNeverSavedSuffix = QStringLiteral("　は保存されていません。");
const QString kCrLf = QStringLiteral("\r\n");

const QColor kFrameBlue(128, 128, 255);
const QColor kFrameRed(255, 128, 128);
const QColor kGreyText(192, 192, 192);
const QColor kUnusedBox(224, 224, 224);
const QColor kLinkBlue(0, 0, 255);

constexpr int kOffsetMinimum = -1000;
constexpr int kOffsetMaximum = 1000;

void styleControl(QWidget* control) {
    control->setFont(forms::uiFont());
    forms::setTextColour(control, forms::defaultTextColour());
}

template <typename Widget>
Widget* place(Widget* widget, const QString& name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    forms::setTwipGeometry(widget, left, top, width, height);
    return widget;
}

QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& caption, int left,
                     int top, int width, int height, const QColor& captionColour) {
    auto* frame = place(new QGroupBox(caption, parent), name, left, top, width, height);
    frame->setFont(forms::uiFont(9.0, true));
    forms::setTextColour(frame, captionColour);
    return frame;
}

QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption, int left,
                         int top, int width, int height) {
    auto* option = place(new QRadioButton(caption, parent), name, left, top, width, height);
    styleControl(option);
    return option;
}

// Labels wrap at their width and start at the top, as the window's design has them.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                  int width, int height) {
    auto* label = place(new QLabel(caption, parent), name, left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    styleControl(label);
    return label;
}

QLineEdit* makeTextBox(QWidget* parent, const QString& name, const QString& text, int left, int top,
                       int width, int height) {
    auto* box = place(new QLineEdit(text, parent), name, left, top, width, height);
    box->setMaxLength(kHolderTextLimit);
    styleControl(box);
    box->setTextMargins(0, 0, 0, 0);
    return box;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height) {
    auto* button = place(new QPushButton(caption, parent), name, left, top, width, height);
    styleControl(button);
    button->setAutoDefault(false);
    return button;
}

QScrollBar* makeScrollBar(QWidget* parent, const QString& name, Qt::Orientation orientation,
                          int left, int top, int width, int height) {
    auto* bar = place(new QScrollBar(orientation, parent), name, left, top, width, height);
    // The bottom and right ends carry +1000, so the arrow pressed is the way the photo moves.
    bar->setRange(kOffsetMinimum, kOffsetMaximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(0);
    return bar;
}

// A horizontal grey line from x1 to x2 at y.
QWidget* makeLine(QWidget* parent, const QString& name, int x1, int x2, int y) {
    auto* line = new QWidget(parent);
    line->setObjectName(name);
    line->setGeometry(forms::px(line, x1), forms::px(line, y), forms::px(line, x2 - x1), 1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, kGreyText);
    line->setPalette(palette);
    return line;
}

// The digit in ASCII double quotes, then nine full-width spaces push "セルアドレス" onto the
// second line.
QString cellAddressCaption(int digit) {
    return QStringLiteral("\"%1\"に貼り付ける").arg(digit) + QString(9, QChar(0x3000)) +
           QStringLiteral("セルアドレス");
}

bool selectByName(std::initializer_list<QRadioButton*> buttons, const QString& name) {
    for (QRadioButton* button : buttons) {
        if (button->objectName() == name) {
            button->setChecked(true);
            return true;
        }
    }
    return false;
}

// Whether a sizing choice sizes by per cent (Text5, " %") rather than by width (Combo1, "㎝").
// A held text that names no button leaves the design's Option4 selected, a per-cent choice.
bool sizesByPercent(const QString& sizing) {
    return sizing != QLatin1String("Option1") && sizing != QLatin1String("Option2");
}

// Text to scroll bar: a failure leaves both as they are.
void scrollFromText(const QLineEdit* box, QScrollBar* bar) {
    const std::optional<qint16> value = parseInt16(box->text());
    if (!value || *value < bar->minimum() || *value > bar->maximum()) {
        return;
    }
    bar->setValue(*value);
}

} // namespace

Form2::Form2(MainWindowPort& port, QWidget* parent) : QWidget(parent, Qt::Window), port_(port) {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(kCaption);
    setFont(forms::uiFont());
    forms::setClientSizeTwips(this, 10335, 8220);
    buildControls();
    connectHandlers();
}

Form2::~Form2() = default;

void Form2::buildControls() {
    Frame5 = makeFrame(this, QStringLiteral("Frame5"), QStringLiteral("起動中のエクセルファイル名"),
                       240, 240, 3495, 1455, kFrameBlue);
    list1_ = place(new LockableComboBox(Frame5), QStringLiteral("List1"), 240, 360, 3015, 300);
    list1_->setEditable(true);
    list1_->setInsertPolicy(QComboBox::NoInsert);
    styleControl(list1_);
    List1 = list1_;
    Command4 = makeButton(Frame5, QStringLiteral("Command4"), QStringLiteral("再認識"), 240, 840,
                          735, 375);
    Command1 = makeButton(Frame5, QStringLiteral("Command1"), QStringLiteral("決定"), 1080, 840,
                          1335, 375);

    Frame3 = makeFrame(this, QStringLiteral("Frame3"), QStringLiteral("貼り付ける場所"), 240, 1920,
                       3495, 5415, kFrameBlue);
    Option5 = makeOption(Frame3, QStringLiteral("Option5"), QStringLiteral("選択中のセル"), 240,
                         360, 1695, 255);
    Option6 = makeOption(Frame3, QStringLiteral("Option6"),
                         QStringLiteral("貼り付けるセルを指定（3窓付）"), 240, 720, 2775, 255);
    Label7 =
        makeLabel(Frame3, QStringLiteral("Label7"), cellAddressCaption(1), 720, 1200, 1695, 375);
    Text3 = makeTextBox(Frame3, QStringLiteral("Text3"), QString(), 2520, 1320, 615, 270);
    Label8 =
        makeLabel(Frame3, QStringLiteral("Label8"), cellAddressCaption(2), 720, 1680, 1695, 375);
    Text4 = makeTextBox(Frame3, QStringLiteral("Text4"), QString(), 2520, 1800, 615, 270);
    Label9 =
        makeLabel(Frame3, QStringLiteral("Label9"), cellAddressCaption(3), 720, 2160, 1695, 375);
    Text5 = makeTextBox(Frame3, QStringLiteral("Text5"), QString(), 2520, 2280, 615, 270);
    for (QLineEdit* box : {Text3, Text4, Text5}) {
        forms::setBackground(box, kUnusedBox);
    }
    Option9 = makeOption(Frame3, QStringLiteral("Option9"),
                         QStringLiteral("フォルダ内連続貼り付け"), 240, 2760, 2175, 375);
    Command6 = makeButton(Frame3, QStringLiteral("Command6"), QStringLiteral("設定"), 2520, 2780,
                          615, 315);
    Command6->setEnabled(false);
    Line1 = makeLine(Frame3, QStringLiteral("Line1"), 240, 3240, 3600);
    Option10 = makeOption(Frame3, QStringLiteral("Option10"), QStringLiteral("Special_1"), 240,
                          4080, 1095, 255);
    Label1 = makeLabel(Frame3, QStringLiteral("Label1"), QStringLiteral("新シートに1枚貼り付け、"),
                       480, 4440, 2175, 255);
    Label2 = makeLabel(Frame3, QStringLiteral("Label2"),
                       QStringLiteral("シート名にファイル名を付けます。"), 480, 4680, 2655, 255);
    Label12 = makeLabel(Frame3, QStringLiteral("Label12"),
                        QStringLiteral("（シート名の長さに制限あり）"), 480, 4920, 2175, 255);
    for (QLabel* label : {Label1, Label2, Label12}) {
        forms::setTextColour(label, kGreyText);
    }

    Frame2 = makeFrame(this, QStringLiteral("Frame2"), QStringLiteral("アンインストール"), 4080,
                       240, 3615, 1815, kFrameRed);
    Label6 = makeLabel(Frame2, QStringLiteral("Label6"),
                       QStringLiteral("設定の保存にはレジストリ\"") + kStoreApplication +
                           QStringLiteral("\"を使用しています。"),
                       480, 240, 2655, 495);
    Command7 = makeButton(Frame2, QStringLiteral("Command7"),
                          QStringLiteral("レジストリのバックアップ"), 600, 720, 2415, 375);
    Command2 = makeButton(Frame2, QStringLiteral("Command2"),
                          QStringLiteral("レジストリを削除して終了"), 600, 1200, 2415, 375);

    Frame1 = makeFrame(this, QStringLiteral("Frame1"), QStringLiteral("貼り付ける位置"), 4080, 2280,
                       3615, 3615, kFrameBlue);
    Option1 = makeOption(Frame1, QStringLiteral("Option1"), QStringLiteral("セルの左上"), 240, 360,
                         1215, 255);
    Option2 = makeOption(Frame1, QStringLiteral("Option2"), QStringLiteral("セルの中心"), 1800, 360,
                         1215, 255);
    Option3 = makeOption(Frame1, QStringLiteral("Option3"),
                         QStringLiteral("セルの縦横幅に、引き延ばす"), 240, 840, 2655, 255);
    Option11 = makeOption(Frame1, QStringLiteral("Option11"),
                          QStringLiteral("セルの縦幅で、縦横比率を固定"), 240, 1320, 2775, 255);
    Option12 = makeOption(Frame1, QStringLiteral("Option12"),
                          QStringLiteral("セルの横幅で、　  　　〃"), 240, 1560, 2655, 255);
    Option4 =
        makeOption(Frame1, QStringLiteral("Option4"),
                   QStringLiteral("セルの縦か横の小さい方の幅で、　〃"), 240, 1800, 3255, 255);
    Frame4 = makeFrame(Frame1, QStringLiteral("Frame4"), QStringLiteral("微調整"), 1440, 2280, 1935,
                       1095, forms::defaultTextColour());
    Label4 = makeLabel(Frame4, QStringLiteral("Label4"), QStringLiteral("縦"), 120, 360, 255, 255);
    Text1 = makeTextBox(Frame4, QStringLiteral("Text1"), QStringLiteral("0"), 360, 360, 495, 270);
    VScroll1 = makeScrollBar(Frame4, QStringLiteral("VScroll1"), Qt::Vertical, 840, 285, 495, 375);
    Label5 =
        makeLabel(Frame4, QStringLiteral("Label5"), QStringLiteral("point"), 1440, 360, 375, 255);
    Label3 = makeLabel(Frame4, QStringLiteral("Label3"), QStringLiteral("横"), 120, 720, 255, 255);
    Text2 = makeTextBox(Frame4, QStringLiteral("Text2"), QStringLiteral("0"), 360, 720, 495, 270);
    HScroll2 =
        makeScrollBar(Frame4, QStringLiteral("HScroll2"), Qt::Horizontal, 840, 720, 495, 255);
    Label10 =
        makeLabel(Frame4, QStringLiteral("Label10"), QStringLiteral("point"), 1440, 720, 375, 255);

    Frame7 = makeFrame(this, QStringLiteral("Frame7"), QStringLiteral("貼り付けた後"), 4080, 6120,
                       3615, 1215, kFrameBlue);
    Option7 = makeOption(Frame7, QStringLiteral("Option7"), QStringLiteral("順序→前面へ移動"), 240,
                         360, 2415, 255);
    Option8 = makeOption(Frame7, QStringLiteral("Option8"), QStringLiteral("順序→背面へ移動"), 240,
                         720, 2175, 255);

    Command3 =
        makeButton(this, QStringLiteral("Command3"), QStringLiteral("決定"), 4440, 7680, 1455, 375);

    Frame6 = makeFrame(this, QStringLiteral("Frame6"), QStringLiteral("設定の保存と読込"), 8040,
                       240, 2055, 7095, kFrameBlue);
    std::array<QLineEdit**, 5> titles{&save1_title, &save2_title, &save3_title, &save4_title,
                                      &save5_title};
    std::array<QPushButton**, 5> loads{&load1, &load2, &load3, &load4, &load5};
    std::array<QPushButton**, 5> saves{&save1, &save2, &save3, &save4, &save5};
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const int top = 720 + (slot - 1) * 1320;
        const auto index = static_cast<std::size_t>(slot - 1);
        *titles[index] =
            makeTextBox(Frame6, slotTitleName(slot), QStringLiteral("セーブデータ%1").arg(slot),
                        240, top, 1575, 270);
        *loads[index] = makeButton(Frame6, QStringLiteral("load%1").arg(slot),
                                   QStringLiteral("読込"), 240, top + 360, 735, 375);
        *saves[index] = makeButton(Frame6, QStringLiteral("save%1").arg(slot),
                                   QStringLiteral("保存"), 1080, top + 360, 735, 375);
    }
    const std::array<int, 5> lineTops{1800, 3120, 4440, 5760, 480};
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        Lines[i] = makeLine(Frame6, QStringLiteral("Line%1").arg(i + 2), 240, 1800, lineTops[i]);
    }

    Label11 =
        makeLabel(this, QStringLiteral("Label11"),
                  QStringLiteral("Velmora ver." VELMORA_VERSION " Velmora"), 8040, 7680, 2055, 255);
    // The address is longer than the design's label: shown without its scheme and given the
    // width up to the window's edge.
    Label13 = makeLabel(this, QStringLiteral("Label13"),
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

void Form2::connectHandlers() {
    const auto onSelect = [this](QRadioButton* button, void (Form2::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked) {
                guarded([this, handler] { (this->*handler)(); });
            }
        });
    };
    onSelect(Option1, &Form2::Option1_Click);
    onSelect(Option2, &Form2::Option2_Click);
    onSelect(Option3, &Form2::Option3_Click);
    onSelect(Option4, &Form2::Option4_Click);
    onSelect(Option11, &Form2::Option11_Click);
    onSelect(Option12, &Form2::Option12_Click);
    onSelect(Option5, &Form2::Option5_Click);
    onSelect(Option6, &Form2::Option6_Click);
    onSelect(Option9, &Form2::Option9_Click);
    onSelect(Option10, &Form2::Option10_Click);

    const auto onClick = [this](QPushButton* button, void (Form2::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    onClick(Command1, &Form2::Command1_Click);
    onClick(Command3, &Form2::Command3_Click);
    onClick(Command4, &Form2::Command4_Click);
    onClick(Command6, &Form2::Command6_Click);
    onClick(Command7, &Form2::Command7_Click);
    onClick(Command2, &Form2::Command2_Click);
    onClick(save1, &Form2::save1_Click);
    onClick(save2, &Form2::save2_Click);
    onClick(save3, &Form2::save3_Click);
    onClick(save4, &Form2::save4_Click);
    onClick(save5, &Form2::save5_Click);
    onClick(load1, &Form2::load1_Click);
    onClick(load2, &Form2::load2_Click);
    onClick(load3, &Form2::load3_Click);
    onClick(load4, &Form2::load4_Click);
    onClick(load5, &Form2::load5_Click);

    connect(VScroll1, &QScrollBar::valueChanged, this,
            [this] { guarded([this] { VScroll1_Change(); }); });
    connect(HScroll2, &QScrollBar::valueChanged, this,
            [this] { guarded([this] { HScroll2_Change(); }); });
    connect(Text1, &QLineEdit::textChanged, this, [this] { guarded([this] { Text1_Change(); }); });
    connect(Text2, &QLineEdit::textChanged, this, [this] { guarded([this] { Text2_Change(); }); });
}

void Form2::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        try {
            port_.interaction().messageBox(QString::fromUtf8(error.what()), kStyleCritical);
        } catch (...) {
        }
    } catch (...) {
        try {
            port_.interaction().messageBox(QStringLiteral("予期しないエラーが発生しました。"),
                                           kStyleCritical);
        } catch (...) {
        }
    }
}

QLineEdit* Form2::slotTitle(int slot) const {
    const std::array<QLineEdit*, 5> titles{save1_title, save2_title, save3_title, save4_title,
                                           save5_title};
    return titles.at(static_cast<std::size_t>(slot - 1));
}

void Form2::Form_Load() {
    forms::ensureTopMost(this);
    Holders& holders = port_.holders();

    if (holders.text(Holder::Text2).isEmpty()) {
        // One write for the whole fill. A slot that is already saved (a backup restored before
        // the first close brings slots but no record) keeps its values and its title.
        SettingsStore& store = port_.store();
        StoreBatch batch(store);
        std::array<bool, kSlotCount> saved{};
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            saved.at(slot - 1) =
                !store.GetSetting(slotValueName(slot, QStringLiteral("Option"))).isEmpty();
            if (saved.at(slot - 1)) {
                slotTitle(slot)->setText(store.GetSetting(slotTitleName(slot)));
            }
        }
        bool filled = false;
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            if (!saved.at(slot - 1)) {
                saveSlot(slot);
                filled = true;
            }
        }
        if (!filled) {
            commit();
        }
        setWindowTitle(batch.finish() ? kFirstRunCaption : kFirstRunFailedCaption);
    }

    selectByName({Option1, Option2, Option3, Option4, Option11, Option12},
                 holders.text(Holder::Text2));
    selectByName({Option5, Option6, Option9, Option10}, holders.text(Holder::Text6));
    const QString order = holders.text(Holder::Text22);
    if (order == QLatin1String("0")) {
        Option7->setChecked(true);
    } else if (order == QLatin1String("1")) {
        Option8->setChecked(true);
    }

    Text3->setText(holders.text(Holder::Text7));
    Text4->setText(holders.text(Holder::Text8));
    Text5->setText(holders.text(Holder::Text9));
    Text1->setText(holders.text(Holder::Text3));
    Text2->setText(holders.text(Holder::Text4));

    for (int slot = 1; slot <= kSlotCount; ++slot) {
        slotTitle(slot)->setText(port_.store().GetSetting(slotTitleName(slot)));
    }

    UpdateSizeInput();
    UpdatePlaceLayout();
}

void Form2::Form_Unload() {
    ApplyNoWorkbookLayout();
    port_.closePatternWindow();
}

void Form2::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        guarded([this] { Form_Unload(); });
    }
    event->accept();
}

void Form2::ApplyNoWorkbookLayout() {
    if (!List1->currentText().isEmpty()) {
        return;
    }
    port_.applyNoWorkbookLayout();
}

void Form2::UpdateSizeInput() {
    for (QRadioButton* button : {Option1, Option2, Option3, Option4, Option11, Option12}) {
        if (button->isChecked()) {
            port_.showPercentSizeInput(sizesByPercent(button->objectName()));
        }
    }
}

void Form2::UpdatePlaceLayout() {
    struct PlaceLayout {
        const QRadioButton* button;
        int heightTwips;
        int check1TopTwips;
        bool singleTarget;
        bool threeTargets;
        bool folderButton;
    };
    const std::array<PlaceLayout, 4> layouts{{
        {Option5, 2550, 1930, true, false, false},
        {Option10, 2550, 1930, true, false, false},
        {Option6, 4450, 3840, false, true, false},
        {Option9, 2550, 1930, false, false, true},
    }};
    for (const PlaceLayout& layout : layouts) {
        if (!layout.button->isChecked()) {
            continue;
        }
        port_.setWindowHeightTwips(layout.heightTwips);
        port_.setCheck1TopTwips(layout.check1TopTwips);
        port_.setDropTargetVisible(0, layout.singleTarget);
        for (int target = 1; target <= 3; ++target) {
            port_.setDropTargetVisible(target, layout.threeTargets);
        }
        port_.setFolderButtonVisible(layout.folderButton);
        for (QLineEdit* box : {Text3, Text4, Text5}) {
            forms::setBackground(box, layout.threeTargets ? forms::systemTextBoxBackground()
                                                          : kUnusedBox);
        }
        Command6->setEnabled(layout.folderButton);
    }
}

void Form2::VScroll1_Change() {
    Text1->setText(QString::number(VScroll1->value()));
}

void Form2::HScroll2_Change() {
    Text2->setText(QString::number(HScroll2->value()));
}

void Form2::Text1_Change() {
    scrollFromText(Text1, VScroll1);
}

void Form2::Text2_Change() {
    scrollFromText(Text2, HScroll2);
}

void Form2::決定ボタン() {
    if (!commit()) {
        port_.interaction().messageBox(QStringLiteral("設定を保存できませんでした。\r\n\r\n") +
                                           port_.store().location(),
                                       kStyleCritical);
    }
}

bool Form2::commit() {
    Holders& holders = port_.holders();
    SettingsStore& store = port_.store();
    const QString workbook = List1->currentText();

    holders.setText(Holder::Text1, workbook);

    StoreValues titles;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        titles.append({slotTitleName(slot), slotTitle(slot)->text()});
    }
    const bool titlesWritten = store.SaveSettings(titles);

    for (QRadioButton* button : {Option1, Option2, Option3, Option4, Option11, Option12}) {
        if (button->isChecked()) {
            holders.setText(Holder::Text2, button->objectName());
        }
    }
    for (QRadioButton* button : {Option5, Option10, Option6, Option9}) {
        if (button->isChecked()) {
            holders.setText(Holder::Text6, button->objectName());
        }
    }
    holders.setText(Holder::Text22,
                    Option7->isChecked() ? QStringLiteral("0") : QStringLiteral("1"));

    if (workbook.isEmpty()) {
        port_.applyNoWorkbookLayout();
    }

    holders.setText(Holder::Text7, Text3->text());
    holders.setText(Holder::Text8, Text4->text());
    holders.setText(Holder::Text9, Text5->text());
    holders.setText(Holder::Text3, Text1->text());
    holders.setText(Holder::Text4, Text2->text());
    return titlesWritten;
}

void Form2::Command1_Click() {
    決定ボタン();
    close();
    // Unloading has closed an open pattern window, so this leaves the held gaps unchanged.
    port_.confirmPatternWindow();
}

void Form2::Command4_Click() {
    port_.rerunWorkbookButton();
}

void Form2::Command6_Click() {
    port_.showPatternWindow();
}

void Form2::Label13_Click() {
    port_.interaction().openUrl(kHomePageUrl);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label13 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Label13->rect().contains(mouse->pos())) {
            guarded([this] { Label13_Click(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Form2::saveSlot(int slot) {
    // The titles and the slot's values in one write.
    StoreBatch batch(port_.store());
    commit();
    saveSlotFromHolders(port_.store(), slot, port_.holders());
    const bool saved = batch.finish();
    setWindowTitle(slotTitle(slot)->text() + (saved ? kSavedSuffix : kSaveFailedSuffix));
    return saved;
}

void Form2::loadSlot(int slot) {
    // A slot that was never saved would turn the reload into a first run that overwrites
    // every other slot; leave everything as it is instead.
    if (port_.store().GetSetting(slotValueName(slot, QStringLiteral("Option"))).isEmpty()) {
        setWindowTitle(slotTitle(slot)->text() + kNeverSavedSuffix);
        return;
    }
    loadSlotIntoHolders(port_.store(), slot, port_.holders());
    const QString workbook = List1->currentText();
    ApplyNoWorkbookLayout();
    Form_Load();
    List1->setEditText(workbook);
    setWindowTitle(slotTitle(slot)->text() + kLoadedSuffix);
}

void Form2::Command7_Click() {
    close();

    // The dialog would load a fresh settings window whose workbook list is empty. Its load
    // shows the size input of the held sizing choice, undoing an unconfirmed click here; the
    // no-workbook layout at the end stands for its ApplyNoWorkbookLayout.
    port_.showPercentSizeInput(sizesByPercent(port_.holders().text(Holder::Text2)));
    try {
        SaveDialogOptions options;
        options.title = QStringLiteral("レジストリを書き出して保存");
        options.initialDir = QDir::homePath();
        options.initialName = QStringLiteral("Velmora");
        options.filter = QStringLiteral("レジストリ ファイル (*.reg)");
        options.confirmOverwrite = true;
        const std::optional<QString> path = port_.interaction().getSaveFileName(options);
        if (path) {
            QString error;
            if (exportRegFile(port_.store(), *path, &error)) {
                port_.interaction().messageBox(
                    *path + kCrLf + QStringLiteral("に保存しました。") + kCrLf + kCrLf +
                        QStringLiteral("設定を復元する場合は、このregファイルを実行してください。"),
                    kStyleInformation);
            } else {
                port_.interaction().messageBox(*path + kCrLf +
                                                   QStringLiteral("に保存できませんでした。") +
                                                   kCrLf + kCrLf + error,
                                               kStyleCritical);
            }
        }
    } catch (...) {
        // Errors from the dialog to the message box are passed over; the layout still follows.
    }

    port_.applyNoWorkbookLayout();
}

void Form2::Command2_Click() {
    UserInteraction& interaction = port_.interaction();
    if (interaction.messageBox(QStringLiteral("レジストリを削除しますか？"),
                               kStyleExclamationOkCancel) != MessageAnswer::Ok) {
        return;
    }
    SettingsStore& store = port_.store();
    const SettingsStore::DeleteResult first = store.DeleteSetting();
    if (first == SettingsStore::DeleteResult::Failed) {
        interaction.messageBox(QStringLiteral("レジストリを削除できませんでした。") + kCrLf +
                                   store.location(),
                               kStyleCritical);
        return;
    }
    close();
    // The main window's close writes the record again, so the key is removed once more.
    port_.closeMainWindow();
    const SettingsStore::DeleteResult second = store.DeleteSetting();
    if (second == SettingsStore::DeleteResult::Failed) {
        interaction.messageBox(QStringLiteral("レジストリを削除できませんでした。") + kCrLf +
                                   store.location(),
                               kStyleCritical);
    } else if (first == SettingsStore::DeleteResult::Deleted) {
        interaction.messageBox(QStringLiteral("削除しました。"), kStyleInformation);
    } else {
        interaction.messageBox(QStringLiteral("削除済みです。"), kStyleOk);
    }
}

void Form2::setList1Locked(bool locked) {
    list1_->setLocked(locked);
}

bool Form2::isList1Locked() const {
    return list1_->isLocked();
}

} // namespace velmora
