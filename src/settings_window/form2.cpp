#include "form2.h"

#include "failure.h"
#include "forms.h"
#include "numbers.h"
#include "reg_export.h"
#include "settings_record.h"
#include "settings_store.h"
#include "user_interaction.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace velmora {

namespace {

const QString kFirstRunCaption = QStringLiteral("初回起動でしたのでレジストリへ保存しました。");
const QString kFirstRunFailedCaption =
    QStringLiteral("初回起動の設定をレジストリへ保存できませんでした。");
const QString kSavedSuffix = QStringLiteral("　へ保存しました。");
const QString kSaveFailedSuffix = QStringLiteral("　へ保存できませんでした。");
const QString kLoadedSuffix = QStringLiteral("　を読み込みました。");
const QString kNeverSavedSuffix = QStringLiteral("　は保存されていません。");
const QString kCrLf = QStringLiteral("\r\n");

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
    buildControls();
    connectHandlers();
}

Form2::~Form2() = default;

void Form2::connectHandlers() {
    const auto onSelect = [this](QRadioButton* button, void (Form2::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked) {
                guarded(port_.interaction(), [this, handler] { (this->*handler)(); });
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
        connect(button, &QPushButton::clicked, this, [this, handler] {
            guarded(port_.interaction(), [this, handler] { (this->*handler)(); });
        });
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
            [this] { guarded(port_.interaction(), [this] { VScroll1_Change(); }); });
    connect(HScroll2, &QScrollBar::valueChanged, this,
            [this] { guarded(port_.interaction(), [this] { HScroll2_Change(); }); });
    connect(Text1, &QLineEdit::textChanged, this,
            [this] { guarded(port_.interaction(), [this] { Text1_Change(); }); });
    connect(Text2, &QLineEdit::textChanged, this,
            [this] { guarded(port_.interaction(), [this] { Text2_Change(); }); });
}

QLineEdit* Form2::slotTitle(int slot) const {
    const std::array<QLineEdit*, 5> titles{save1_title, save2_title, save3_title, save4_title,
                                           save5_title};
    return titles.at(static_cast<std::size_t>(slot - 1));
}

void Form2::Form_Load() {
    forms::ensureTopMost(this);
    if (port_.holders().text(Holder::Text2).isEmpty()) {
        fillSlotsOnFirstRun();
    }
    showHeldValues();
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        slotTitle(slot)->setText(port_.store().GetSetting(slotTitleName(slot)));
    }
    UpdateSizeInput();
    UpdatePlaceLayout();
}

void Form2::fillSlotsOnFirstRun() {
    // A store that lacks only the sizing choice (edited by hand, restored in part) still holds
    // the other values: the boxes take them first, so that the fill's commit keeps them.
    showHeldValues();
    // One write for the whole fill. A slot that is already saved (a backup restored before the
    // first close brings slots but no record) keeps its values and its title.
    SettingsStore& store = port_.store();
    bool written = true;
    try {
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
        batch.finish();
    } catch (const StoreError&) {
        // Told in the caption instead of the first-run notice.
        written = false;
    }
    setWindowTitle(written ? kFirstRunCaption : kFirstRunFailedCaption);
}

void Form2::showHeldValues() {
    const Holders& holders = port_.holders();
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
}

void Form2::Form_Unload() {
    ApplyNoWorkbookLayout();
    port_.closePatternWindow();
}

void Form2::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        guarded(port_.interaction(), [this] { Form_Unload(); });
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
    // Also run by the main window's start-up, which goes on whatever fails: a title the store
    // could not take is reported here.
    guarded(port_.interaction(), [this] { commit(); });
}

void Form2::commit() {
    Holders& holders = port_.holders();
    SettingsStore& store = port_.store();
    const QString workbook = List1->currentText();

    holders.setText(Holder::Text1, workbook);

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

    // Last, so that the holders take every choice even when the store refuses the titles.
    StoreValues titles;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        titles.append({slotTitleName(slot), slotTitle(slot)->text()});
    }
    store.SaveSettings(titles);
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
            guarded(port_.interaction(), [this] { Label13_Click(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::saveSlot(int slot) {
    bool saved = true;
    try {
        // The titles and the slot's values in one write.
        StoreBatch batch(port_.store());
        commit();
        saveSlotFromHolders(port_.store(), slot, port_.holders());
        batch.finish();
    } catch (const StoreError&) {
        // Told in the caption, as every slot message is.
        saved = false;
    }
    setWindowTitle(slotTitle(slot)->text() + (saved ? kSavedSuffix : kSaveFailedSuffix));
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
            try {
                exportRegFile(port_.store(), *path);
                port_.interaction().messageBox(
                    *path + kCrLf + QStringLiteral("に保存しました。") + kCrLf + kCrLf +
                        QStringLiteral("設定を復元する場合は、このregファイルを実行してください。"),
                    kStyleInformation);
            } catch (const StoreError& error) {
                port_.interaction().messageBox(*path + kCrLf +
                                                   QStringLiteral("に保存できませんでした。") +
                                                   kCrLf + kCrLf + error.text(),
                                               kStyleCritical);
            }
        }
    } catch (...) {
        // A preparing handler: failures from the dialog to the message box are passed over,
        // and the layout below still follows.
    }

    port_.applyNoWorkbookLayout();
}

void Form2::Command2_Click() {
    UserInteraction& interaction = port_.interaction();
    if (interaction.messageBox(QStringLiteral("レジストリを削除しますか？"),
                               kStyleExclamationOkCancel) != MessageAnswer::Ok) {
        return;
    }
    // A store that cannot be removed ends the handler in the safety net, which shows why.
    SettingsStore& store = port_.store();
    const bool deleted = store.DeleteSetting();
    close();
    // The main window's close writes the record again, so the key is removed once more.
    port_.closeMainWindow();
    store.DeleteSetting();
    if (deleted) {
        interaction.messageBox(QStringLiteral("削除しました。"), kStyleInformation);
    } else {
        interaction.messageBox(QStringLiteral("削除済みです。"), kStyleOk);
    }
}

} // namespace velmora
