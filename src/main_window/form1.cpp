#include "form1.h"

#include "artwork.h"
#include "drop_target.h"
#include "folder_paste.h"
#include "form2.h"
#include "form3.h"
#include "form99.h"
#include "notice_strip.h"
#include "paste_engine.h"
#include "settings_record.h"
#include "settings_store.h"
#include "shift_jis.h"
#include "single_instance.h"
#include "spreadsheet.h"
#include "twip_layout.h"
#include "user_interaction.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

namespace {

const QString kNotRunning = QStringLiteral("Excel が起動してません。");
const QString kLockedSuffix = QStringLiteral("　にロックしました。");

constexpr int kNoWorkbookHeight = 2550;
constexpr int kNoWorkbookCheck1Top = 1930;

QFont gothic9() {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSizeF(9.0);
    return font;
}

// Runs one statement of a sequence whose failures are skipped.
template <typename F> void ignoringFailure(F&& statement) {
    try {
        statement();
    } catch (const std::exception&) {
    }
}

} // namespace

// The progress window of a folder paste, created when first shown and gone when closed.
class Form1::Progress : public ProgressView {
public:
    void show() override {
        ensure();
        window_->show();
        window_->raise();
    }
    void setCaption(const QString& text) override {
        ensure();
        window_->Label1->setText(text);
    }
    void close() override {
        if (window_) {
            window_->close();
            delete window_.data();
        }
    }
    Form99* window() const { return window_.data(); }

private:
    void ensure() {
        if (!window_) {
            window_ = new Form99();
            window_->setAttribute(Qt::WA_DeleteOnClose);
            window_->Form_Load();
        }
    }
    QPointer<Form99> window_;
};

Form1::Form1(ExcelLink& link, SettingsStore& store, UserInteraction& interaction,
             std::unique_ptr<SingleInstance> instance, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      link_(link), store_(store), interaction_(interaction), instance_(std::move(instance)),
      engine_(std::make_unique<PasteEngine>(link, *this, interaction)),
      progress_(std::make_unique<Progress>()) {
    setWindowTitle(QStringLiteral("　"));
    setWindowIcon(applicationIcon());
    setFont(gothic9());
    buildControls();
    resize(pixelsFor(this, 1410), pixelsFor(this, 5610));
}

Form1::~Form1() {
    progress_->close();
    delete form2_.data();
    delete form3_.data();
}

QLineEdit* Form1::holderBox(int left, int top, int width, int height) {
    auto* box = new QLineEdit(this);
    box->setMaxLength(kHolderTextLimit);
    placeTwips(box, left, top, width, height);
    return box;
}

QLineEdit* Form1::captionBox(const QString& text, int left, int top, int width, int height) {
    QLineEdit* box = holderBox(left, top, width, height);
    box->setText(text);
    box->setFrame(false);
    QPalette face = box->palette();
    face.setColor(QPalette::Base, palette().color(QPalette::Button));
    box->setPalette(face);
    return box;
}

void Form1::buildControls() {
    // Beneath everything else: the notice strip covers the whole client area.
    WebBrowser1 = new NoticeStrip(this);
    placeTwips(WebBrowser1, -240, -240, 2535, 4935);
    // The band sits along the top edge of the client area, above the workbook button.
    WebBrowser1->setBand(QRect(pixelsFor(this, 240), pixelsFor(this, 240), NoticeStrip::kBandWidth,
                               pixelsFor(this, 260)));

    Command1 = new QPushButton(QStringLiteral("xlsﾌｧｲﾙ選択"), this);
    placeTwips(Command1, 105, 260, 1215, 350);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    Text20 = captionBox(QStringLiteral("幅"), 135, 690, 495, 255);
    Combo1 = new QComboBox(this);
    Combo1->setEditable(true);
    // The list stays "1" to "15": Enter takes a typed width as text, never as a new item.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->lineEdit()->setMaxLength(kHolderTextLimit);
    Combo1->setEditText(QStringLiteral("Combo1"));
    placeTwips(Combo1, 360, 650, 690, 300);
    Text5 = holderBox(360, 650, 690, 300);
    Text5->hide();
    Text19 = captionBox(QStringLiteral("㎝"), 1080, 700, 375, 255);

    Picture99 = new QLabel(this);
    Picture99->setPixmap(placeholderImage());
    Picture99->setAlignment(Qt::AlignCenter);
    placeTwips(Picture99, 105, 990, 1200, 915);

    const int targetTops[] = {990, 990, 1930, 2880};
    DropTarget** targets[] = {&Picture0, &Picture1, &Picture2, &Picture3};
    // Drops are handled once the drag has finished, so the file manager is not held up.
    for (int i = 0; i < 4; ++i) {
        auto* target = new DropTarget(this);
        target->setPixmap(dropTargetImage(i));
        placeTwips(target, 105, targetTops[i], 1200, 915);
        target->hide();
        *targets[i] = target;
    }
    connect(
        Picture0, &DropTarget::fileDropped, this,
        [this](const QString& file) { Picture0_OLEDragDrop(file); }, Qt::QueuedConnection);
    connect(
        Picture1, &DropTarget::fileDropped, this,
        [this](const QString& file) { Picture1_OLEDragDrop(file); }, Qt::QueuedConnection);
    connect(
        Picture2, &DropTarget::fileDropped, this,
        [this](const QString& file) { Picture2_OLEDragDrop(file); }, Qt::QueuedConnection);
    connect(
        Picture3, &DropTarget::fileDropped, this,
        [this](const QString& file) { Picture3_OLEDragDrop(file); }, Qt::QueuedConnection);

    Command2 = new QPushButton(QStringLiteral("フォルダ選択"), this);
    placeTwips(Command2, 105, 990, 1200, 915);
    Command2->hide();
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    Check1 = new QCheckBox(QStringLiteral("図の圧縮"), this);
    placeTwips(Check1, 120, 5760, 1095, 375);
    Check1->hide();

    Text1 = holderBox(2640, 1320, 6855, 270);
    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    Label1 = new QLabel(QStringLiteral("ファイル名"), this);
    Label1->setAutoFillBackground(true);
    placeTwips(Label1, 3120, 480, 1335, 255);
    Text2 = holderBox(2640, 1920, 1575, 270);
    Text6 = holderBox(2640, 2520, 1575, 270);
    Text7 = holderBox(2640, 3120, 735, 270);
    Text8 = holderBox(2640, 3720, 735, 270);
    Text9 = holderBox(2640, 4320, 735, 270);
    Text3 = holderBox(2640, 5040, 735, 270);
    Text4 = holderBox(2640, 5640, 735, 270);
    Text10 = holderBox(2640, 6240, 735, 270);
    Text22 = holderBox(2640, 6840, 735, 270);
    Text25 = holderBox(2640, 7440, 735, 270);
    Text26 = holderBox(2640, 8040, 735, 270);

    Text21 = captionBox(QStringLiteral("ファイル名"), 2640, 1080, 1335, 255);
    Text12 = captionBox(QStringLiteral("貼り付ける場所"), 2640, 1680, 1335, 255);
    Text11 = captionBox(QStringLiteral("貼り付けるセル指定"), 2640, 2280, 1695, 255);
    Text13 = captionBox(QStringLiteral("1窓"), 2640, 2880, 735, 255);
    Text14 = captionBox(QStringLiteral("2窓"), 2640, 3480, 735, 255);
    Text15 = captionBox(QStringLiteral("3窓"), 2640, 4080, 855, 255);
    Text16 = captionBox(QStringLiteral("微調整縦"), 2640, 4800, 735, 255);
    Text17 = captionBox(QStringLiteral("微調整横"), 2640, 5400, 735, 255);
    Text18 = captionBox(QStringLiteral("図の圧縮"), 2640, 6000, 735, 255);
    Text23 = captionBox(QStringLiteral("階層移動 0=前面 1=背面"), 2640, 6600, 2055, 255);
    Text27 = captionBox(QStringLiteral("連続貼り付け　№1と№2の間"), 2640, 7200, 2655, 255);
    Text24 =
        captionBox(QStringLiteral("連続貼り付け　ページ1とページ2の間"), 2640, 7800, 3135, 255);

    WebBrowser1->lower();
}

bool Form1::Form_Load() {
    if (instance_ && !instance_->acquire()) {
        return false;
    }
    // The window starts in the no-workbook layout, whatever the store holds.
    applyNoWorkbookLayout();
    readRecordIntoHolders(store_, *this);
    // The list comes after the stored text, which stays even when the list lacks it.
    const QString stored = Combo1->currentText();
    for (int i = 1; i <= 15; ++i) {
        Combo1->addItem(QString::number(i));
    }
    Combo1->setEditText(stored);

    ApplicationPtr app;
    try {
        app = link_.attach();
    } catch (const std::exception&) {
        Label1->setText(kNotRunning);
    }
    if (app) {
        ignoringFailure([&] {
            const QString name = app->activeWorkbook()->name();
            form2()->List1->setEditText(name);
        });
        ignoringFailure([&] { form2()->決定ボタン(); });
    }
    app.reset();
    fitLabel1();
    navigateNotice();
    return true;
}

void Form1::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    if (form2_) {
        form2_->close();
    }
    closePatternWindow();
    if (!writeRecordFromHolders(store_, *this)) {
        interaction_.messageBox(QStringLiteral("設定を保存できませんでした。\r\n\r\n") +
                                    store_.location(),
                                kStyleCritical);
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

Form2* Form1::form2() {
    if (!form2_) {
        form2_ = new Form2(*this);
        form2_->Form_Load();
    }
    return form2_;
}

void Form1::Command1_Click() {
    ApplicationPtr app;
    try {
        app = link_.attach();
    } catch (const std::exception&) {
    }
    Form2* settings = form2();
    if (!app) {
        settings->List1->clear();
        settings->setList1Locked(true);
        settings->List1->addItem(kNotRunning);
        settings->List1->setEditText(QString());
    } else {
        settings->setList1Locked(false);
        settings->List1->clear();
        const QString locked = Text1->text();
        int count = 0;
        ignoringFailure([&] { count = app->workbookCount(); });
        for (int i = 1; i <= count; ++i) {
            ignoringFailure([&] { settings->List1->addItem(app->workbook(i)->name()); });
        }
        // Adding the first item would otherwise put it into the box.
        settings->List1->setEditText(locked);
    }
    app.reset();
    settings->show();
    settings->raise();
    settings->activateWindow();
}

Form99* Form1::progressWindow() const {
    return progress_->window();
}

void Form1::Command2_Click() {
    PasteFolder(*engine_, *progress_);
}

void Form1::Text1_Change() {
    Label1->setText(Text1->text() + kLockedSuffix);
    navigateNotice();
    fitLabel1();
}

void Form1::fitLabel1() {
    Label1->resize(pixelsFor(this, 100 * shiftJisByteCount(Label1->text())), Label1->height());
}

void Form1::navigateNotice() {
    WebBrowser1->showNotice(Label1->text());
}

void Form1::pasteFromTarget(QLineEdit* addressBox, const QString& file) {
    // A drop during a running paste (its window events run once per photo) is not started
    // inside it.
    if (engine_->isPasting()) {
        return;
    }
    DragDrop(file, addressBox->text());
}

void Form1::Picture0_OLEDragDrop(const QString& file) {
    pasteFromTarget(Text7, file);
}
void Form1::Picture1_OLEDragDrop(const QString& file) {
    pasteFromTarget(Text7, file);
}
void Form1::Picture2_OLEDragDrop(const QString& file) {
    pasteFromTarget(Text8, file);
}
void Form1::Picture3_OLEDragDrop(const QString& file) {
    pasteFromTarget(Text9, file);
}

void Form1::DragDrop(const QString& file, const QString& address) {
    engine_->DragDrop(file, address);
}

DropTarget* Form1::dropTarget(int index) const {
    switch (index) {
    case 0:
        return Picture0;
    case 1:
        return Picture1;
    case 2:
        return Picture2;
    case 3:
        return Picture3;
    default:
        return nullptr;
    }
}

QLineEdit* Form1::lineEditFor(Holder holder) const {
    switch (holder) {
    case Holder::Text1:
        return Text1;
    case Holder::Text2:
        return Text2;
    case Holder::Text3:
        return Text3;
    case Holder::Text4:
        return Text4;
    case Holder::Text5:
        return Text5;
    case Holder::Text6:
        return Text6;
    case Holder::Text7:
        return Text7;
    case Holder::Text8:
        return Text8;
    case Holder::Text9:
        return Text9;
    case Holder::Text10:
        return Text10;
    case Holder::Text22:
        return Text22;
    case Holder::Text25:
        return Text25;
    case Holder::Text26:
        return Text26;
    case Holder::Combo1:
    case Holder::Check1:
        break;
    }
    return nullptr;
}

QString Form1::text(Holder holder) const {
    switch (holder) {
    case Holder::Combo1:
        return Combo1->currentText();
    case Holder::Check1:
        return Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return lineEditFor(holder)->text();
    }
}

void Form1::setText(Holder holder, const QString& text) {
    switch (holder) {
    case Holder::Combo1:
        Combo1->setEditText(text);
        return;
    case Holder::Check1:
        Check1->setChecked(text == QLatin1String("1"));
        return;
    default:
        lineEditFor(holder)->setText(text);
    }
}

void Form1::setWindowHeightTwips(int twips) {
    heightTwips_ = twips;
    applyWindowHeight();
}

void Form1::applyWindowHeight() {
    // The height counts the frame, as the window system's outer height does. The frame is
    // known only once the window manager has framed the shown window; until then the height
    // is set again whenever the window moves or resizes.
    const int frame = isVisible() ? frameGeometry().height() - geometry().height() : 0;
    heightAwaitsFrame_ = frame <= 0;
    const int wanted = std::max(1, pixelsFor(this, heightTwips_) - frame);
    // Qt takes a requested size as the window's at once and the window system's reports of
    // earlier requests may still follow: asking for a size Qt believes the window has (from
    // such a report) sends nothing, so ask once more when the next report comes in.
    heightUnconfirmed_ = isVisible() && height() == wanted && requestedHeight_ != wanted;
    requestedHeight_ = wanted;
    resize(width(), wanted);
}

bool Form1::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    const QEvent::Type type = event->type();
    if (heightUnconfirmed_ && type == QEvent::Resize) {
        heightUnconfirmed_ = false;
        if (height() != requestedHeight_) {
            resize(width(), requestedHeight_);
        }
    }
    if (heightAwaitsFrame_ &&
        (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) && isVisible() &&
        frameGeometry().height() > geometry().height()) {
        applyWindowHeight();
    }
    return handled;
}

void Form1::setCheck1TopTwips(int twips) {
    Check1->move(Check1->x(), pixelsFor(this, twips));
}

void Form1::setDropTargetVisible(int index, bool visible) {
    if (DropTarget* target = dropTarget(index)) {
        target->setVisible(visible);
    }
}

void Form1::setFolderButtonVisible(bool visible) {
    Command2->setVisible(visible);
}

void Form1::showPercentSizeInput(bool percent) {
    Text5->setVisible(percent);
    Combo1->setVisible(!percent);
    Text19->setText(percent ? QStringLiteral(" %") : QStringLiteral("㎝"));
}

void Form1::applyNoWorkbookLayout() {
    setWindowHeightTwips(kNoWorkbookHeight);
    setCheck1TopTwips(kNoWorkbookCheck1Top);
    for (int i = 0; i < 4; ++i) {
        dropTarget(i)->resetDragDropModes();
        setDropTargetVisible(i, false);
    }
    setFolderButtonVisible(false);
}

void Form1::showPatternWindow() {
    if (!form3_) {
        form3_ = new Form3(*this);
        form3_->Form_Load();
    }
    form3_->show();
    form3_->raise();
    form3_->activateWindow();
}

void Form1::confirmPatternWindow() {
    if (!form3_) {
        form3_ = new Form3(*this);
        form3_->Form_Load();
    }
    form3_->Command1_Click();
    delete form3_.data();
}

void Form1::closePatternWindow() {
    // Gone at once, not at the next turn of the event loop: a confirm that follows (the
    // settings window's 決定) must load a fresh window, not copy the discarded edits.
    if (form3_) {
        form3_->close();
        delete form3_.data();
    }
}

void Form1::rerunWorkbookButton() {
    Command1_Click();
}

void Form1::closeMainWindow() {
    close();
}

} // namespace velmora
