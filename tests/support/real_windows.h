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
#include <QScrollBar>

#include <stdexcept>

namespace velmora::testing {

struct RealWindows {
    // The main window started on a store holding `stored` ("name=text|name=text"), with an
    // office that has `workbooks` open (the last one active), or with no office.
    RealWindows(const QString& stored, const QStringList& workbooks, bool office = true)
        : main(office ? world.link() : *noOffice, store, ui, nullptr) {
        for (const QString& value : stored.split('|', Qt::SkipEmptyParts)) {
            store.SaveSetting(value.section('=', 0, 0), value.section('=', 1));
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

    // The main window's thirteen holders of the record joined by '|'.
    QString held() const {
        QStringList texts;
        for (const RecordField& field : kRecordWriteOrder) {
            texts << main.text(field.holder);
        }
        return texts.join('|');
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
                parts << name +
                             QString(main.rect().contains(control->geometry()) ? "" : " (cut off)");
                check1Fits = check1Fits && control->geometry().bottom() < main.Check1->y();
            }
        }
        return (parts << main.Text19->text().trimmed()).join(' ') +
               (check1Fits ? "" : " (Check1 misplaced)");
    }

    TempStore temp;
    SettingsStore store;
    OfficeProcess& world = freshWorld();
    // No office answers on its pipe, and none is asked to.
    std::unique_ptr<ExcelLink> noOffice = [] {
        CalcLinkOptions none;
        none.pipeName = OfficeProcess::unusedPipeName();
        none.handOff = false;
        return makeCalcLink(none);
    }();
    RecordingInteraction ui;
    Form1 main;
};

// A control of `window` by its design name.
template <typename Control = QWidget> Control* control(const QWidget* window, const QString& name) {
    auto* found = window->findChild<Control*>(name);
    if (found == nullptr) {
        throw std::logic_error("no control " + name.toStdString());
    }
    return found;
}

// Whether every button named in `names` ("Option4|Option5") is checked.
inline bool checked(const QWidget* window, const QString& names) {
    for (const QString& name : names.split('|')) {
        if (!control<QAbstractButton>(window, name)->isChecked()) {
            return false;
        }
    }
    return true;
}

// What the named boxes, lists and bars show, joined by '|'.
inline QString shownIn(const QWidget* window, const QString& names) {
    QStringList texts;
    for (const QString& name : names.split('|')) {
        QWidget* c = control(window, name);
        if (auto* box = qobject_cast<QLineEdit*>(c)) {
            texts << box->text();
        } else if (auto* list = qobject_cast<QComboBox*>(c)) {
            texts << list->currentText();
        } else {
            texts << QString::number(control<QScrollBar>(window, name)->value());
        }
    }
    return texts.join('|');
}

// Steps as a user takes them in `window`, '|' between: "Option2" clicks that button, "Text3=A1"
// makes A1 the text of that box (or of List1's edit field), "close" is the close box.
inline void act(QWidget* window, const QString& steps) {
    for (const QString& step : steps.split('|', Qt::SkipEmptyParts)) {
        const QString name = step.section('=', 0, 0), text = step.section('=', 1);
        if (step == "close") {
            window->close();
        } else if (!step.contains('=')) {
            window->findChild<QAbstractButton*>(name)->click();
        } else if (auto* list = window->findChild<QComboBox*>(name)) {
            list->setEditText(text);
        } else {
            window->findChild<QLineEdit*>(name)->setText(text);
        }
    }
}

} // namespace velmora::testing
