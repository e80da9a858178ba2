// Exporting and deleting the stored settings.

#include "form2_fixture.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace velmora::testing {
namespace {

TEST_F(LoadedForm2Test, CancelledExportWritesNothingButStillAppliesTheLayout) {
    window->List1->setEditText(QStringLiteral("Book1.ods"));

    window->Command7->click();

    ASSERT_EQ(main.dialogs.saveDialogs.size(), 1u);
    EXPECT_TRUE(main.dialogs.saveDialogs.front().confirmOverwrite);
    EXPECT_TRUE(main.dialogs.messages.empty());
    // The workbook was chosen, so only the export's own layout step applies.
    EXPECT_EQ(main.calls.last(), QStringLiteral("no-workbook layout"));
    EXPECT_TRUE(windowDestroyed());
}

TEST_F(LoadedForm2Test, ExportWritesExactlyTheChosenNameAndSaysSo) {
    const QTemporaryDir target;
    const QString path = target.filePath(QStringLiteral("my settings"));
    main.dialogs.saveAnswers.push_back(path);

    window->Command7->click();

    expectOnlyMessage(path + QStringLiteral("\r\nに保存しました。\r\n\r\n設定を復元する場合は、"
                                            "このregファイルを実行してください。"),
                      kStyleInformation);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray title =
        QStringEncoder(QStringEncoder::Utf16LE).encode(QStringLiteral("\"save1_title\"="));
    EXPECT_TRUE(file.readAll().contains(title));
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files), QStringList{"my settings"});
    EXPECT_EQ(main.calls.last(), QStringLiteral("no-workbook layout"));
}

TEST_F(LoadedForm2Test, ATargetThatCannotBeWrittenIsReportedAsAnError) {
    const QTemporaryDir target;
    const QString path = target.filePath(QStringLiteral("missing folder/Velmora.reg"));
    main.dialogs.saveAnswers.push_back(path);

    window->Command7->click();

    ASSERT_EQ(main.dialogs.messages.size(), 1u);
    EXPECT_EQ(main.dialogs.messages[0].style, kStyleCritical);
    EXPECT_TRUE(main.dialogs.messages[0].text.startsWith(path + QStringLiteral("\r\n")));
    EXPECT_FALSE(main.dialogs.messages[0].text.contains(QStringLiteral("に保存しました。")));
    EXPECT_EQ(main.calls.last(), QStringLiteral("no-workbook layout"));
    EXPECT_TRUE(QDir(target.path()).isEmpty());
}

TEST(Form2Delete, AsksThenEmptiesTheStoreAndEndsTheProgramUnlessCancelled) {
    const struct {
        MessageAnswer answer;
        bool removedBehindOurBack;
        const char* reply; // none when cancelled
        int style;
    } cases[] = {{MessageAnswer::Cancel, false, nullptr, 0},
                 {MessageAnswer::Ok, false, "削除しました。", kStyleInformation},
                 {MessageAnswer::Ok, true, "削除済みです。", kStyleOk}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply ? c.reply : "cancelled");
        Form2World world;
        const QStringList before = world.main.settings.valueNames();
        if (c.removedBehindOurBack) {
            ASSERT_EQ(world.main.settings.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
        }
        world.main.dialogs.messageAnswers.push_back(c.answer);

        world.window->Command2->click();

        const auto& messages = world.main.dialogs.messages;
        ASSERT_EQ(messages.size(), c.reply ? 2u : 1u);
        EXPECT_EQ(messages[0].text, QStringLiteral("レジストリを削除しますか？"));
        EXPECT_EQ(messages[0].style, kStyleExclamationOkCancel);
        if (c.reply) {
            EXPECT_EQ(messages[1].text, QString::fromUtf8(c.reply));
            EXPECT_EQ(messages[1].style, c.style);
        }
        // The main window's close writes the record; the store must still end up empty.
        EXPECT_EQ(world.main.mainWindowCloses, c.reply ? 1 : 0);
        EXPECT_EQ(world.main.settings.valueNames(), c.reply ? QStringList() : before);
        EXPECT_EQ(QFile::exists(world.main.settings.location()), !c.reply);
        EXPECT_EQ(world.windowDestroyed(), c.reply != nullptr);
    }
}

} // namespace
} // namespace velmora::testing
