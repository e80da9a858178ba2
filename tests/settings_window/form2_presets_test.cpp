// The five preset slots.

#include "form2_fixture.h"

#include "settings_record.h"

#include <QDir>
#include <QFile>
#include <QPushButton>

#include <functional>
#include <map>
#include <memory>

namespace velmora::testing {
namespace {

class Form2PresetsTest : public LoadedForm2Test {
protected:
    std::map<QString, QString> storeContents() const {
        std::map<QString, QString> contents;
        for (const QString& name : main.settings.valueNames()) {
            contents[name] = stored(name);
        }
        return contents;
    }

    std::map<Holder, QString> heldRecord() const {
        std::map<Holder, QString> record;
        for (const RecordField& field : kRecordWriteOrder) {
            record[field.holder] = held(field.holder);
        }
        return record;
    }
};

TEST_F(Form2PresetsTest, SaveWritesTheSlotThenLoadRestoresAllThirteenHolders) {
    window->save4_title->setText(QStringLiteral("現場 \"B\""));
    window->Option11->click();
    window->Option9->click();
    window->Option8->click();
    window->Text3->setText(QStringLiteral("A1"));
    window->Text4->setText(QStringLiteral("B2 "));
    window->Text5->setText(QStringLiteral("C3"));
    window->Text1->setText(QStringLiteral("1500"));
    window->Text2->setText(QStringLiteral("-7"));
    hold({{Holder::Combo1, "20"}, {Holder::Text5, "85"}, {Holder::Check1, "1"}});
    hold({{Holder::Text25, "2"}, {Holder::Text26, "5"}});

    window->save4->click();

    EXPECT_EQ(window->windowTitle(), QStringLiteral("現場 \"B\"　へ保存しました。"));
    const std::pair<const char*, const char*> values[] = {
        {"save4_title", "現場 \"B\""},    {"save4_Option", "Option11"},
        {"save4_paste-url-2", "B2 "},     {"save4_Combo1", "20"},
        {"save4_bityousei-tate", "1500"}, {"save4_zu-comp", "1"},
        {"save4_renzoku-p1-p2", "5"}};
    for (const auto& [name, text] : values) {
        EXPECT_EQ(stored(name), QString::fromUtf8(text)) << name;
    }
    // Titles of all five plus thirteen values of slot 4, nothing else.
    EXPECT_EQ(main.settings.valueNames().size(), 5 + 13);
    const std::map<Holder, QString> saved = heldRecord();
    EXPECT_EQ(saved.at(Holder::Text2), QStringLiteral("Option11")) << "saving commits too";

    // Everything different, in the holders and in the window.
    for (const RecordField& field : kRecordWriteOrder) {
        main.texts.setText(field.holder, QStringLiteral("other"));
    }
    window->Option1->click();
    window->Option5->click();
    window->Option7->click();
    window->Text3->setText(QStringLiteral("Z9"));
    window->Text1->setText(QStringLiteral("0"));

    window->load4->click();

    EXPECT_EQ(heldRecord(), saved);
    EXPECT_EQ(held(Holder::Check1), QStringLiteral("1"));
    EXPECT_EQ(held(Holder::Text10), QStringLiteral("1"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("現場 \"B\"　を読み込みました。"));
    // The window shows the loaded slot again, and the main window follows its place choice.
    EXPECT_TRUE(window->Option11->isChecked());
    EXPECT_TRUE(window->Option9->isChecked());
    EXPECT_TRUE(window->Option8->isChecked());
    EXPECT_EQ(window->Text3->text(), QStringLiteral("A1"));
    EXPECT_EQ(window->Text1->text(), QStringLiteral("1500"));
    EXPECT_EQ(window->Text2->text(), QStringLiteral("-7"));
    EXPECT_EQ(window->HScroll2->value(), -7);
    EXPECT_TRUE(main.folderButtonShown);
    EXPECT_EQ(main.percentInput, std::optional<bool>(true));

    window->save2_title->clear();
    window->save2->click();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("　へ保存しました。"));
}

TEST(Form2Load, KeepsTheChosenWorkbookOrAppliesTheNoWorkbookLayoutFirst) {
    for (const char* workbook : {"Book2.ods", ""}) {
        SCOPED_TRACE(workbook);
        Form2World world;
        world.window->Option6->click();
        world.window->save2->click();
        world.window->List1->addItem(QStringLiteral("Book1.ods"));
        world.window->List1->setEditText(QString::fromUtf8(workbook));
        world.main.calls.clear();

        world.window->load2->click();

        EXPECT_EQ(world.window->List1->currentText(), QString::fromUtf8(workbook));
        EXPECT_EQ(world.main.calls.indexOf(QStringLiteral("no-workbook layout")),
                  *workbook ? -1 : 0);
        EXPECT_EQ(world.main.heightTwips, 4450);
        // The workbook reaches the main window only through a commit.
        EXPECT_EQ(world.held(Holder::Text1), QString());
    }
}

TEST_F(Form2PresetsTest, LoadingASlotNeverSavedOrWithoutItsChoiceChangesNothing) {
    for (QPushButton* save : {window->save1, window->save2, window->save4, window->save5}) {
        save->click();
    }
    main.settings.SaveSetting(QStringLiteral("save2_Option"), QString());
    window->Text3->setText(QStringLiteral("typed"));
    const auto storeBefore = storeContents();
    const auto heldBefore = heldRecord();
    ASSERT_EQ(stored("save3_Option"), QString());

    for (const auto& [load, title] :
         {std::pair{window->load3, "セーブデータ3"}, std::pair{window->load2, "セーブデータ2"}}) {
        load->click();
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(title) + "　は保存されていません。");
        EXPECT_EQ(storeContents(), storeBefore);
        EXPECT_EQ(heldRecord(), heldBefore);
        EXPECT_EQ(window->Text3->text(), QStringLiteral("typed"));
    }
}

// Each action is one write: on a full disk it fails whole, says so, and leaves the store as it
// was, byte for byte.
TEST(Form2Store, AFailedWriteIsReportedAndLeavesTheStoreAsItWas) {
    const struct {
        const char* action;
        bool firstRun;
        std::function<void(Form2&)> run;
        const char* caption; // or empty for a message box
    } actions[] = {
        {"first-run fill", true, [](Form2& w) { w.Form_Load(); },
         "初回起動の設定をレジストリへ保存できませんでした。"},
        {"slot save", false, [](Form2& w) { w.save1->click(); },
         "セーブデータ1　へ保存できませんでした。"},
        {"plain 決定", false,
         [](Form2& w) {
             w.save3_title->setText(QString(30, QChar(u'長')));
             w.決定ボタン();
         },
         ""},
    };
    for (const auto& a : actions) {
        SCOPED_TRACE(a.action);
        const std::unique_ptr<Form2Test> made = a.firstRun
                                                    ? std::unique_ptr<Form2Test>(new FreshForm2)
                                                    : std::make_unique<Form2World>();
        Form2Test& world = *made;
        const QString path = world.main.settings.location();
        const QByteArray before = fileBytes(path);
        {
            const FileSizeLimit full(before.size() + 40);
            a.run(*world.window);
        }
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(QFile::exists(path), !before.isEmpty());
        if (*a.caption) {
            EXPECT_EQ(world.window->windowTitle(), QString::fromUtf8(a.caption));
        } else {
            world.expectOnlyMessage(QStringLiteral("設定を保存できませんでした。\r\n\r\n") + path,
                                    kStyleCritical);
        }
    }
}

} // namespace
} // namespace velmora::testing
