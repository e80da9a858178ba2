// Exporting and deleting the stored settings.

#include "form2_fixture.h"

#include "settings_record.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

namespace velmora::testing {
namespace {

class Form2UninstallTest : public Form2Test {
protected:
    void SetUp() override {
        Form2Test::SetUp();
        holdEarlierSettings();
        loaded();
        window->save1->click();
        // As the real main window does when it closes.
        main.onCloseMainWindow = [this] {
            writeRecordFromHolders(main.settings, main.texts);
        };
        main.calls.clear();
    }

    const SaveDialogOptions& onlyDialog() const {
        EXPECT_EQ(main.dialogs.saveDialogs.size(), 1u);
        return main.dialogs.saveDialogs.front();
    }

    QTemporaryDir target;
};

TEST_F(Form2UninstallTest, CancelledExportWritesNothingButStillAppliesTheLayout) {
    window->List1->setEditText(QStringLiteral("Book1.ods"));

    window->Command7->click();

    const SaveDialogOptions& dialog = onlyDialog();
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

    ASSERT_EQ(main.dialogs.messages.size(), 1u);
    EXPECT_EQ(main.dialogs.messages[0].text,
              path + QStringLiteral("\r\nに保存しました。\r\n\r\n設定を復元する場合は、このreg"
                                    "ファイルを実行してください。"));
    EXPECT_EQ(main.dialogs.messages[0].style, kStyleInformation);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray contents = file.readAll();
    EXPECT_FALSE(contents.isEmpty());
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".reg")));
    EXPECT_EQ(main.calls.last(), QStringLiteral("no-workbook layout"));
}

TEST_F(Form2UninstallTest, UnwritableTargetIsReportedAsAnError) {
    const QString path = target.filePath(QStringLiteral("missing folder/Velmora.reg"));
    main.dialogs.saveAnswers.push_back(path);

    window->Command7->click();

    ASSERT_EQ(main.dialogs.messages.size(), 1u);
    EXPECT_EQ(main.dialogs.messages[0].style, kStyleCritical);
    EXPECT_TRUE(main.dialogs.messages[0].text.startsWith(path + QStringLiteral("\r\n")));
    EXPECT_FALSE(main.dialogs.messages[0].text.contains(QStringLiteral("に保存しました。")));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(main.calls.last(), QStringLiteral("no-workbook layout"));
}

TEST_F(Form2UninstallTest, AFolderAsTargetIsReportedAsAnError) {
    main.dialogs.saveAnswers.push_back(target.path());
    window->Command7->click();
    ASSERT_EQ(main.dialogs.messages.size(), 1u);
    EXPECT_EQ(main.dialogs.messages[0].style, kStyleCritical);
}

TEST_F(Form2UninstallTest, CancelledDeleteLeavesEverythingAsItWas) {
    const QStringList before = main.settings.valueNames();
    main.dialogs.messageAnswers.push_back(MessageAnswer::Cancel);

    window->Command2->click();

    ASSERT_EQ(main.dialogs.messages.size(), 1u);
    EXPECT_EQ(main.dialogs.messages[0].text, QStringLiteral("レジストリを削除しますか？"));
    EXPECT_EQ(main.dialogs.messages[0].style, kStyleExclamationOkCancel);
    EXPECT_EQ(main.settings.valueNames(), before);
    EXPECT_EQ(main.mainWindowCloses, 0);
    EXPECT_FALSE(windowDestroyed());
}

TEST_F(Form2UninstallTest, DeleteRemovesTheStoreAndEndsTheProgram) {
    window->Command2->click();

    ASSERT_EQ(main.dialogs.messages.size(), 2u);
    EXPECT_EQ(main.dialogs.messages[1].text, QStringLiteral("削除しました。"));
    EXPECT_EQ(main.dialogs.messages[1].style, kStyleInformation);
    EXPECT_EQ(main.mainWindowCloses, 1);
    EXPECT_TRUE(main.settings.valueNames().isEmpty());
    EXPECT_FALSE(QFile::exists(main.settings.location()));
    EXPECT_TRUE(windowDestroyed());
}

TEST_F(Form2UninstallTest, DeleteAfterRemovalBehindTheProgramsBack) {
    ASSERT_EQ(main.settings.DeleteSetting(), SettingsStore::DeleteResult::Deleted);

    window->Command2->click();

    ASSERT_EQ(main.dialogs.messages.size(), 2u);
    EXPECT_EQ(main.dialogs.messages[1].text, QStringLiteral("削除済みです。"));
    EXPECT_EQ(main.dialogs.messages[1].style, kStyleOk);
    EXPECT_EQ(main.mainWindowCloses, 1);
    EXPECT_TRUE(main.settings.valueNames().isEmpty());
    EXPECT_FALSE(QFile::exists(main.settings.location()));
    EXPECT_TRUE(windowDestroyed());
}

} // namespace
} // namespace velmora::testing
