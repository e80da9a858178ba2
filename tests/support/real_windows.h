#pragma once

// The real windows as a user meets them: the main window, and through it the settings and
// pattern windows, on a temporary store, the test program's spreadsheet world and recorded
// dialogs.

#include "drop_target.h"
#include "form1.h"
#include "form2.h"
#include "office_fixture.h"
#include "recording_interaction.h"
#include "settings_record.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace velmora::testing {

// No office runs.
struct NoOffice : ExcelLink {
    ApplicationPtr attach() override { throw SpreadsheetError(QStringLiteral("not running")); }
    void setWaitSettings(const WaitSettings& settings) override { waitSettings_ = settings; }
    WaitSettings waitSettings() const override { return waitSettings_; }
    WaitSettings waitSettings_;
};

struct RealWindows {
    // The main window started on a store holding `stored`, with an office that has `workbooks`
    // open (the last one active), or with no office.
    RealWindows(const StoreValues& stored, const QStringList& workbooks, bool office = true)
        : main(office ? world.link() : noOffice, store, ui, nullptr) {
        if (!stored.isEmpty()) {
            store.SaveSettings(stored);
        }
        for (const QString& name : workbooks) {
            world.addWorkbook(name);
        }
        main.Form_Load();
    }

    // The settings window as the workbook button opens it.
    Form2& settings() {
        main.Command1_Click();
        return *main.form2();
    }

    // The main window's holders joined by '|'; with none named, the thirteen of the record.
    QString held(std::initializer_list<Holder> holders = {}) const {
        QStringList texts;
        for (const RecordField& field : kRecordWriteOrder) {
            texts << main.text(field.holder);
        }
        for (const Holder holder : holders) {
            texts << main.text(holder);
        }
        return (holders.size() == 0 ? texts : texts.mid(kRecordWriteOrder.size())).join('|');
    }

    // What the main window shows: its drop targets or folder button, then the size input and
    // its unit. A control outside the window is marked, and so is the compression box when it
    // would not sit below them inside the window.
    QString shown() const {
        const std::pair<const char*, QWidget*> controls[] = {
            {"Picture0", main.Picture0}, {"Picture1", main.Picture1}, {"Picture2", main.Picture2},
            {"Picture3", main.Picture3}, {"Command2", main.Command2}, {"Combo1", main.Combo1},
            {"Text5", main.Text5}};
        QStringList parts;
        bool check1Fits = main.rect().contains(main.Check1->geometry());
        for (const auto& [name, control] : controls) {
            if (!control->isHidden()) {
                parts << name;
                if (!main.rect().contains(control->geometry())) {
                    parts << "(cut off)";
                }
                check1Fits = check1Fits && control->geometry().bottom() < main.Check1->y();
            }
        }
        return (parts << main.Text19->text().trimmed()).join(' ') +
               (check1Fits ? "" : " (Check1 misplaced)");
    }

    TempStore temp;
    SettingsStore store;
    OfficeProcess& world = freshWorld();
    NoOffice noOffice;
    RecordingInteraction ui;
    Form1 main;
};

// The open (shown) top-level window of type W, or nullptr.
template <typename W> W* openWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = dynamic_cast<W*>(window); found != nullptr && found->isVisible()) {
            return found;
        }
    }
    return nullptr;
}

// Runs the deletions of closed windows.
inline void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace velmora::testing
