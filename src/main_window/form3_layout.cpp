#include "form3.h"

#include "forms.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

namespace {

const QColor kNoteBlue(128, 128, 255);
const QColor kPhotoGrey(224, 224, 224);

// A disabled grey box that stands for a photo on the sheet.
QLineEdit* makePhoto(QWidget* parent, const QString& name, const QString& caption, int top) {
    QLineEdit* box = forms::makeTextBox(parent, name, caption, 240, top, 1455, 855);
    box->setEnabled(false);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    forms::setBackground(box, kPhotoGrey);
    return box;
}

// A gap box: direct single-byte entry, the input method off.
QLineEdit* makeGap(QWidget* parent, const QString& name, int top) {
    QLineEdit* box = forms::makeTextBox(parent, name, QStringLiteral("1"), 3015, top, 615, 270);
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    return box;
}

} // namespace

void Form3::buildControls() {
    setWindowFlags(forms::topMostWindowFlags());
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("連続貼り付け"));
    setFont(forms::uiFont());
    forms::setClientSizeTwips(this, 4680, 6705);

    Label10 = forms::makeLabel(this, QStringLiteral("Label10"), QStringLiteral("縦 1 列専用です"),
                               240, 240, 1335, 255);
    Text1 = makePhoto(this, QStringLiteral("Text1"), QStringLiteral("1番目の写真"), 720);
    Label1 = forms::makeLabel(this, QStringLiteral("Label1"),
                              QStringLiteral("←　最初に貼り付けるセルを"), 1920, 840, 2295, 255);
    Label2 = forms::makeLabel(this, QStringLiteral("Label2"), QStringLiteral("選択してください"),
                              3240, 1080, 1335, 255);
    Label3 = forms::makeLabel(this, QStringLiteral("Label3"), QStringLiteral("←　空白の行"), 1920,
                              1560, 1335, 255);
    Text4 = makeGap(this, QStringLiteral("Text4"), 1515);
    Label4 = forms::makeLabel(this, QStringLiteral("Label4"), QStringLiteral("行"), 3720, 1560, 255,
                              255);
    Text2 = makePhoto(this, QStringLiteral("Text2"), QStringLiteral("2番目の写真"), 1800);
    Text3 = makePhoto(this, QStringLiteral("Text3"), QStringLiteral("3番目の写真"), 2880);
    Label7 =
        forms::makeLabel(this, QStringLiteral("Label7"),
                         QStringLiteral("ここでページが切れる設定です"), 1920, 3480, 2775, 255);
    Label5 = forms::makeLabel(this, QStringLiteral("Label5"), QStringLiteral("←　空白の行"), 1920,
                              3885, 1335, 255);
    Text6 = makeGap(this, QStringLiteral("Text6"), 3840);
    Label6 = forms::makeLabel(this, QStringLiteral("Label6"), QStringLiteral("行"), 3720, 3885, 255,
                              255);
    Text5 = makePhoto(this, QStringLiteral("Text5"), QStringLiteral("4番目の写真"), 4200);
    const std::array<int, 3> dotTops{5160, 5400, 5640};
    for (std::size_t i = 0; i < Label8.size(); ++i) {
        Label8[i] = forms::makeLabel(this, QStringLiteral("Label8_%1").arg(i), QStringLiteral("・"),
                                     960, dotTops[i], 615, 135);
        // The face's line is taller than these labels; centred, the dot stays inside.
        Label8[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    Label9 =
        forms::makeLabel(this, QStringLiteral("Label9"),
                         QStringLiteral("写真がなくなるまで繰り返します"), 1920, 5280, 2535, 255);
    for (QLabel* note : {Label10, Label9}) {
        forms::setTextColour(note, kNoteBlue);
    }
    Command1 = forms::makeButton(this, QStringLiteral("Command1"), QStringLiteral("OK"), 1680, 6000,
                                 1095, 375);

    for (QLabel* label : findChildren<QLabel*>()) {
        forms::shrinkToFit(label);
    }
    forms::centreOnScreen(this);
}

} // namespace velmora
