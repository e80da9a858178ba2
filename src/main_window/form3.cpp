#include "form3.h"

#include "form_style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

namespace {

const QColor kNoteBlue(128, 128, 255);
const QColor kPhotoGrey(224, 224, 224);

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    forms::setTwipGeometry(label, left, top, width, height);
    return label;
}

// A disabled grey box that stands for a photo on the sheet.
QLineEdit* makePhoto(QWidget* parent, const QString& name, const QString& caption, int top) {
    auto* box = new QLineEdit(caption, parent);
    box->setObjectName(name);
    box->setEnabled(false);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    forms::setBackground(box, kPhotoGrey);
    forms::setTwipGeometry(box, 240, top, 1455, 855);
    return box;
}

// A gap box: direct single-byte entry, the input method off.
QLineEdit* makeGap(QWidget* parent, const QString& name, int top) {
    auto* box = new QLineEdit(QStringLiteral("1"), parent);
    box->setObjectName(name);
    box->setMaxLength(kHolderTextLimit);
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    box->setTextMargins(0, 0, 0, 0);
    forms::setTwipGeometry(box, 3015, top, 615, 270);
    return box;
}

} // namespace

Form3::Form3(Holders& holders, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      holders_(holders) {
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("連続貼り付け"));
    setFont(forms::uiFont());
    forms::setClientSizeTwips(this, 4680, 6705);

    Label10 = makeLabel(this, QStringLiteral("Label10"), QStringLiteral("縦 1 列専用です"), 240,
                        240, 1335, 255);
    Text1 = makePhoto(this, QStringLiteral("Text1"), QStringLiteral("1番目の写真"), 720);
    Label1 = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("←　最初に貼り付けるセルを"),
                       1920, 840, 2295, 255);
    Label2 = makeLabel(this, QStringLiteral("Label2"), QStringLiteral("選択してください"), 3240,
                       1080, 1335, 255);
    Label3 = makeLabel(this, QStringLiteral("Label3"), QStringLiteral("←　空白の行"), 1920, 1560,
                       1335, 255);
    Text4 = makeGap(this, QStringLiteral("Text4"), 1515);
    Label4 = makeLabel(this, QStringLiteral("Label4"), QStringLiteral("行"), 3720, 1560, 255, 255);
    Text2 = makePhoto(this, QStringLiteral("Text2"), QStringLiteral("2番目の写真"), 1800);
    Text3 = makePhoto(this, QStringLiteral("Text3"), QStringLiteral("3番目の写真"), 2880);
    Label7 = makeLabel(this, QStringLiteral("Label7"),
                       QStringLiteral("ここでページが切れる設定です"), 1920, 3480, 2775, 255);
    Label5 = makeLabel(this, QStringLiteral("Label5"), QStringLiteral("←　空白の行"), 1920, 3885,
                       1335, 255);
    Text6 = makeGap(this, QStringLiteral("Text6"), 3840);
    Label6 = makeLabel(this, QStringLiteral("Label6"), QStringLiteral("行"), 3720, 3885, 255, 255);
    Text5 = makePhoto(this, QStringLiteral("Text5"), QStringLiteral("4番目の写真"), 4200);
    const std::array<int, 3> dotTops{5160, 5400, 5640};
    for (std::size_t i = 0; i < Label8.size(); ++i) {
        Label8[i] = makeLabel(this, QStringLiteral("Label8_%1").arg(i), QStringLiteral("・"), 960,
                              dotTops[i], 615, 135);
        // The face's line is taller than these labels; centred, the dot stays inside.
        Label8[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    Label9 = makeLabel(this, QStringLiteral("Label9"),
                       QStringLiteral("写真がなくなるまで繰り返します"), 1920, 5280, 2535, 255);
    for (QLabel* note : {Label10, Label9}) {
        forms::setTextColour(note, kNoteBlue);
    }
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    forms::setTwipGeometry(Command1, 1680, 6000, 1095, 375);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    for (QLabel* label : findChildren<QLabel*>()) {
        forms::shrinkToFit(label);
    }
    forms::centreOnScreen(this);
}

void Form3::Form_Load() {
    forms::ensureTopMost(this);
    Text4->setText(holders_.text(Holder::Text25));
    Text6->setText(holders_.text(Holder::Text26));
}

void Form3::Command1_Click() {
    // Copied as they stand: a bad gap only fails when a folder paste uses it.
    holders_.setText(Holder::Text25, Text4->text());
    holders_.setText(Holder::Text26, Text6->text());
    close();
}

} // namespace velmora
