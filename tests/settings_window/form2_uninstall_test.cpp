// Exporting and deleting the stored settings.

#include "form2_fixture.h"

#include "settings_record.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace velmora::testing {
namespace {

class Form2UninstallTest : public Form2Test {
protected:
    void SetUp() override {
        holdEarlierSettings();
        loaded();
        window->save1->click();
        // As the real main window does when it closes.
        main.onCloseMainWindow = [this] {
            writeRecordFromHolders(main.settings, main.texts);
        };
        main.calls.clear();
    }

    QTemporaryDir target;
};

TEST_F(Form2UninstallTest, CancelledExportWritesNothingButStillAppliesTheLayout) {
    window->List1->setEditText(QStringLiteral("Book1.ods"));

    window->Command7->click();

    ASSERT_EQ(main.dialogs.saveDialogs.size(), 1u);
    const SaveDialogOptions& dialog = main.dialogs.saveDialogs.front();
    EXPECT_EQ(dialog.title, QStringLiteral("レジストリを書き出して保存"));
    EXPECT_EQ(dialog.initialDir, QDir::homePath());
    EXPECT_EQ(dialog.initialName, QStringLiteral("Velmora"));
    EXPECT_EQ(dialog.filter, QStringLiteral("レジストリ ファイル (*.reg)"));
    EXPECT_TRUE(dialog.confirmOverwrite);
    EXPECT_TRUE(main.dialogs.messages.empty());
    EXPECT_TRUE(QDir(target.path()).isEmpty());
    // The workbook was chosen, so only the export's own layout step applies.
    EXPECT_EQ(main.calls, (QStringList{"pattern close", "no-workbook layout"}));
    EXPECT_TRUE(windowDestroyed());
}

TEST_F(Form2UninstallTest, ExportWritesExactlyTheChosenNameAndSaysSo) {
    const QString path = target.filePath(QStringLiteral("my settings"));
    main.dialogs.saveAnswers.push_back(path);

    window->Command7->click();

    expectOnlyMessage(path + QStringLiteral("\r\nに保存しました。\r\n\r\n設定を復元する場合は、"
                                            "このregファイルを実行してください。"),
                      kStyleInformation);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray slotValue =
        QStringEncoder(QStringEncoder::Utf16LE).encode(QStringLiteral("\"save1_Option\"="));
    EXPECT_TRUE(file.readAll().contains(slotValue));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".reg")));
    EXPECT_EQ(main.calls.last(), QStringLiteral("no-workbook layout"));
}

TEST(Form2Export, ATargetThatCannotBeWrittenIsReportedAsAnError) {
    const QTemporaryDir target;
    for (const QString& path :
         {target.filePath(QStringLiteral("missing folder/Velmora.reg")), target.path()}) {
        SCOPED_TRACE(path.toStdString());
        Form2World world;
        world.holdEarlierSettings();
        world.loaded();
        world.main.dialogs.saveAnswers.push_back(path);

        world.window->Command7->click();

        ASSERT_EQ(world.main.dialogs.messages.size(), 1u);
        const ShownMessage& message = world.main.dialogs.messages[0];
        EXPECT_EQ(message.style, kStyleCritical);
        EXPECT_TRUE(message.text.startsWith(path + QStringLiteral("\r\n")));
        EXPECT_FALSE(message.text.contains(QStringLiteral("に保存しました。")));
        EXPECT_EQ(world.main.calls.last(), QStringLiteral("no-workbook layout"));
    }
    EXPECT_EQ(QDir(target.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList());
}

TEST_F(Form2UninstallTest, CancelledDeleteLeavesEverythingAsItWas) {
    const QStringList before = main.settings.valueNames();
    main.dialogs.messageAnswers.push_back(MessageAnswer::Cancel);

    window->Command2->click();

    expectOnlyMessage(QStringLiteral("レジストリを削除しますか？"), kStyleExclamationOkCancel);
    EXPECT_EQ(main.settings.valueNames(), before);
    EXPECT_EQ(main.mainWindowCloses, 0);
    EXPECT_FALSE(windowDestroyed());
}

TEST(Form2Delete, EmptiesTheStoreAndEndsTheProgramAlsoWhenAlreadyRemoved) {
    const struct {
        bool removedBehindOurBack;
        const char* message;
        int style;
    } cases[] = {{false, "削除しました。", kStyleInformation}, {true, "削除済みです。", kStyleOk}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Form2World world;
        world.holdEarlierSettings();
        world.loaded();
        world.window->save1->click();
        world.main.onCloseMainWindow = [&world] {
            writeRecordFromHolders(world.main.settings, world.main.texts);
        };
        if (c.removedBehindOurBack) {
            ASSERT_EQ(world.main.settings.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
        }

        world.window->Command2->click();

        ASSERT_EQ(world.main.dialogs.messages.size(), 2u);
        EXPECT_EQ(world.main.dialogs.messages[1].text, QString::fromUtf8(c.message));
        EXPECT_EQ(world.main.dialogs.messages[1].style, c.style);
        EXPECT_EQ(world.main.mainWindowCloses, 1);
        EXPECT_TRUE(world.main.settings.valueNames().isEmpty());
        EXPECT_FALSE(QFile::exists(world.main.settings.location()));
        EXPECT_TRUE(world.windowDestroyed());
    }
}

} // namespace
} // namespace velmora::testing
