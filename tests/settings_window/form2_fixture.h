#pragma once

// A settings window on a fake main window and a temporary store.

#include "fake_main_window.h"
#include "form2.h"
#include "temp_store.h"
#include "units.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace velmora::testing {

class Form2Test : public ::testing::Test {
protected:
    void SetUp() override { window = new Form2(main); }
    void TearDown() override { delete window.data(); }

    // The holders as an earlier run left them, so that loading is no first run.
    void holdEarlierSettings() {
        Holders& held = main.texts;
        held.setText(Holder::Text2, QStringLiteral("Option4"));
        held.setText(Holder::Text6, QStringLiteral("Option5"));
        held.setText(Holder::Text22, QStringLiteral("0"));
        held.setText(Holder::Text3, QStringLiteral("0"));
        held.setText(Holder::Text4, QStringLiteral("0"));
        held.setText(Holder::Combo1, QStringLiteral("9"));
        held.setText(Holder::Text5, QStringLiteral("100"));
        held.setText(Holder::Text25, QStringLiteral("1"));
        held.setText(Holder::Text26, QStringLiteral("1"));
    }

    // The titles as an earlier commit stored them.
    void storeDesignTitles() {
        for (int slot = 1; slot <= 5; ++slot) {
            main.settings.SaveSetting(QStringLiteral("save%1_title").arg(slot),
                                      QStringLiteral("セーブデータ%1").arg(slot));
        }
    }

    Form2& loaded() {
        window->Form_Load();
        return *window;
    }

    QString held(Holder holder) const { return main.texts.text(holder); }
    QString stored(const QString& name) const { return main.settings.GetSetting(name); }

    // Runs pending deletions; true when the window is gone.
    bool windowDestroyed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }

    TempStore temp;
    FakeMainWindow main;
    QPointer<Form2> window;
};

} // namespace velmora::testing
