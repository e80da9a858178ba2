#include "form1.h"

#include "artwork.h"
#include "drop_target.h"
#include "failure.h"
#include "folder_paste.h"
#include "form2.h"
#include "form3.h"
#include "form99.h"
#include "forms.h"
#include "notice_strip.h"
#include "paste_engine.h"
#include "settings_record.h"
#include "settings_store.h"
#include "shift_jis.h"
#include "single_instance.h"
#include "spreadsheet.h"
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

// Runs one statement of a preparing sequence whose failures are skipped.
template <typename F> void ignoringFailure(F&& statement) {
    try {
        statement();
    } catch (const std::exception&) {
        // Skipped by design: the sequence goes on with its next statement.
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
    : QWidget(parent, forms::topMostWindowFlags()), link_(link), store_(store),
      interaction_(interaction), instance_(std::move(instance)),
      engine_(std::make_unique<PasteEngine>(link, *this, interaction)),
      progress_(std::make_unique<Progress>()) {
    buildControls();
    connectHandlers();
}

Form1::~Form1() {
    progress_->close();
    delete form2_.data();
    delete form3_.data();
}

void Form1::connectHandlers() {
    const auto onClick = [this](QPushButton* button, void (Form1::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] {
            guarded(interaction_, [this, handler] { (this->*handler)(); });
        });
    };
    onClick(Command1, &Form1::Command1_Click);
    onClick(Command2, &Form1::Command2_Click);
    connect(Text1, &QLineEdit::textChanged, this,
            [this] { guarded(interaction_, [this] { Text1_Change(); }); });
    // Drops are handled once the drag has finished, so the file manager is not held up.
    const auto onDrop = [this](DropTarget* target, void (Form1::*handler)(const QString&)) {
        connect(
            target, &DropTarget::fileDropped, this,
            [this, handler](const QString& file) {
                guarded(interaction_, [this, handler, &file] { (this->*handler)(file); });
            },
            Qt::QueuedConnection);
    };
    onDrop(Picture0, &Form1::Picture0_OLEDragDrop);
    onDrop(Picture1, &Form1::Picture1_OLEDragDrop);
    onDrop(Picture2, &Form1::Picture2_OLEDragDrop);
    onDrop(Picture3, &Form1::Picture3_OLEDragDrop);
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
    // A store that cannot be written is reported; the program still ends.
    guarded(interaction_, [this] { writeRecordFromHolders(store_, *this); });
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
        // No office answers: the list below says so.
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
    Label1->resize(forms::px(this, 100 * shiftJisByteCount(Label1->text())), Label1->height());
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
    const int wanted = std::max(1, forms::px(this, heightTwips_) - frame);
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
    Check1->move(Check1->x(), forms::px(this, twips));
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
