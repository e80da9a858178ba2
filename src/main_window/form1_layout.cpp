#include "form1.h"

#include "artwork.h"
#include "drop_target.h"
#include "forms.h"
#include "holders.h"
#include "notice_strip.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

QLineEdit* Form1::holderBox(const QString& name, int left, int top, int width, int height) {
    return forms::makeTextBox(this, name, QString(), left, top, width, height);
}

// A caption in a frameless box on the button face.
QLineEdit* Form1::captionBox(const QString& name, const QString& text, int left, int top, int width,
                             int height) {
    QLineEdit* box = forms::makeTextBox(this, name, text, left, top, width, height);
    box->setFrame(false);
    QPalette face = box->palette();
    face.setColor(QPalette::Base, palette().color(QPalette::Button));
    box->setPalette(face);
    return box;
}

void Form1::buildControls() {
    setWindowTitle(QStringLiteral("　"));
    setWindowIcon(applicationIcon());
    setFont(forms::uiFont());

    // Beneath everything else: the notice strip covers the whole client area.
    WebBrowser1 = new NoticeStrip(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    forms::placeTwips(WebBrowser1, -240, -240, 2535, 4935);
    // The band sits along the top edge of the client area, above the workbook button.
    WebBrowser1->setBand(QRect(forms::px(this, 240), forms::px(this, 240), NoticeStrip::kBandWidth,
                               forms::px(this, 260)));

    Command1 = forms::makeButton(this, QStringLiteral("Command1"), QStringLiteral("xlsﾌｧｲﾙ選択"),
                                 105, 260, 1215, 350);

    Text20 = captionBox(QStringLiteral("Text20"), QStringLiteral("幅"), 135, 690, 495, 255);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    // The list stays "1" to "15": Enter takes a typed width as text, never as a new item.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->lineEdit()->setMaxLength(kHolderTextLimit);
    Combo1->setEditText(QStringLiteral("Combo1"));
    forms::placeTwips(Combo1, 360, 650, 690, 300);
    Text5 = holderBox(QStringLiteral("Text5"), 360, 650, 690, 300);
    Text5->hide();
    Text19 = captionBox(QStringLiteral("Text19"), QStringLiteral("㎝"), 1080, 700, 375, 255);

    Picture99 = new QLabel(this);
    Picture99->setObjectName(QStringLiteral("Picture99"));
    Picture99->setPixmap(placeholderImage());
    Picture99->setAlignment(Qt::AlignCenter);
    forms::placeTwips(Picture99, 105, 990, 1200, 915);

    const int targetTops[] = {990, 990, 1930, 2880};
    DropTarget** targets[] = {&Picture0, &Picture1, &Picture2, &Picture3};
    for (int i = 0; i < 4; ++i) {
        auto* target = new DropTarget(this);
        target->setObjectName(QStringLiteral("Picture%1").arg(i));
        target->setPixmap(dropTargetImage(i));
        forms::placeTwips(target, 105, targetTops[i], 1200, 915);
        target->hide();
        *targets[i] = target;
    }
    Command2 = forms::makeButton(this, QStringLiteral("Command2"), QStringLiteral("フォルダ選択"),
                                 105, 990, 1200, 915);
    Command2->hide();

    Check1 = new QCheckBox(QStringLiteral("図の圧縮"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    forms::placeTwips(Check1, 120, 5760, 1095, 375);
    Check1->hide();

    Text1 = holderBox(QStringLiteral("Text1"), 2640, 1320, 6855, 270);
    Label1 = new QLabel(QStringLiteral("ファイル名"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAutoFillBackground(true);
    forms::placeTwips(Label1, 3120, 480, 1335, 255);
    Text2 = holderBox(QStringLiteral("Text2"), 2640, 1920, 1575, 270);
    Text6 = holderBox(QStringLiteral("Text6"), 2640, 2520, 1575, 270);
    Text7 = holderBox(QStringLiteral("Text7"), 2640, 3120, 735, 270);
    Text8 = holderBox(QStringLiteral("Text8"), 2640, 3720, 735, 270);
    Text9 = holderBox(QStringLiteral("Text9"), 2640, 4320, 735, 270);
    Text3 = holderBox(QStringLiteral("Text3"), 2640, 5040, 735, 270);
    Text4 = holderBox(QStringLiteral("Text4"), 2640, 5640, 735, 270);
    Text10 = holderBox(QStringLiteral("Text10"), 2640, 6240, 735, 270);
    Text22 = holderBox(QStringLiteral("Text22"), 2640, 6840, 735, 270);
    Text25 = holderBox(QStringLiteral("Text25"), 2640, 7440, 735, 270);
    Text26 = holderBox(QStringLiteral("Text26"), 2640, 8040, 735, 270);

    Text21 =
        captionBox(QStringLiteral("Text21"), QStringLiteral("ファイル名"), 2640, 1080, 1335, 255);
    Text12 = captionBox(QStringLiteral("Text12"), QStringLiteral("貼り付ける場所"), 2640, 1680,
                        1335, 255);
    Text11 = captionBox(QStringLiteral("Text11"), QStringLiteral("貼り付けるセル指定"), 2640, 2280,
                        1695, 255);
    Text13 = captionBox(QStringLiteral("Text13"), QStringLiteral("1窓"), 2640, 2880, 735, 255);
    Text14 = captionBox(QStringLiteral("Text14"), QStringLiteral("2窓"), 2640, 3480, 735, 255);
    Text15 = captionBox(QStringLiteral("Text15"), QStringLiteral("3窓"), 2640, 4080, 855, 255);
    Text16 = captionBox(QStringLiteral("Text16"), QStringLiteral("微調整縦"), 2640, 4800, 735, 255);
    Text17 = captionBox(QStringLiteral("Text17"), QStringLiteral("微調整横"), 2640, 5400, 735, 255);
    Text18 = captionBox(QStringLiteral("Text18"), QStringLiteral("図の圧縮"), 2640, 6000, 735, 255);
    Text23 = captionBox(QStringLiteral("Text23"), QStringLiteral("階層移動 0=前面 1=背面"), 2640,
                        6600, 2055, 255);
    Text27 = captionBox(QStringLiteral("Text27"), QStringLiteral("連続貼り付け　№1と№2の間"), 2640,
                        7200, 2655, 255);
    Text24 =
        captionBox(QStringLiteral("Text24"), QStringLiteral("連続貼り付け　ページ1とページ2の間"),
                   2640, 7800, 3135, 255);

    WebBrowser1->lower();
    resize(forms::px(this, 1410), forms::px(this, 5610));
}

} // namespace velmora
