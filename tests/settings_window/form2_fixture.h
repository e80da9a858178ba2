#pragma once

// A settings window on a fake main window and a temporary store.

#include "fake_main_window.h"
#include "form2.h"
#include "settings_record.h"
#include "temp_store.h"
#include "units.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <utility>

namespace velmora::testing {

using Targets = std::array<bool, 4>; // the main window's drop targets 0 to 3 shown

class Form2Test : public ::testing::Test {
public:
    Form2Test() : window(new Form2(main)) {}
    ~Form2Test() override { delete window.data(); }

    void hold(std::initializer_list<std::pair<Holder, const char*>> texts) {
        for (const auto& [holder, text] : texts) {
            main.texts.setText(holder, QString::fromUtf8(text));
        }
    }

    // The holders as an earlier run left them, so that loading is no first run.
    void holdEarlierSettings() {
        hold({{Holder::Text2, "Option4"}, {Holder::Text6, "Option5"}, {Holder::Text22, "0"}});
        hold({{Holder::Text3, "0"}, {Holder::Text4, "0"}, {Holder::Combo1, "9"}});
        hold({{Holder::Text5, "100"}, {Holder::Text25, "1"}, {Holder::Text26, "1"}});
    }

    Form2& loaded() {
        window->Form_Load();
        return *window;
    }

    QString held(Holder holder) const { return main.texts.text(holder); }
    QString stored(const QString& name) const { return main.settings.GetSetting(name); }

    void expectOnlyMessage(const QString& text, int style) {
        ASSERT_EQ(main.dialogs.messages.size(), 1u);
        EXPECT_EQ(main.dialogs.messages[0].text, text);
        EXPECT_EQ(main.dialogs.messages[0].style, style);
    }

    // Runs pending deletions; true when the window is gone.
    bool windowDestroyed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }

    TempStore temp;
    FakeMainWindow main;
    QPointer<Form2> window;
};

// Loaded over the holders and slot titles of an earlier run; the main window's close writes
// the record as the real one does.
class LoadedForm2Test : public Form2Test {
protected:
    void SetUp() override {
        holdEarlierSettings();
        for (int slot = 1; slot <= 5; ++slot) {
            main.settings.SaveSetting(QStringLiteral("save%1_title").arg(slot),
                                      QStringLiteral("セーブデータ%1").arg(slot));
        }
        loaded();
        main.onCloseMainWindow = [this] {
            writeRecordFromHolders(main.settings, main.texts);
        };
        main.calls.clear();
    }
};

// A window of its own, not yet loaded, for one case of a table.
struct FreshForm2 : Form2Test {
    void TestBody() override {}
};

// A loaded window of its own for one case of a table.
struct Form2World : LoadedForm2Test {
    Form2World() { SetUp(); }
    void TestBody() override {}
};

} // namespace velmora::testing
