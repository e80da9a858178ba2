// The restore program's dialogue: it checks the file first, asks, then restores or explains.

#include "recording_interaction.h"
#include "reg_export.h"
#include "restore_run.h"
#include "store_fixture.h"

namespace velmora::testing {
namespace {

class RestoreRunTest : public StoreTest {
protected:
    int run(const QStringList& arguments) {
        return runRestore(arguments, store, [this](const QString& text, int style) {
            return ui.messageBox(text, style);
        });
    }

    QString exportedFile() {
        const QString path = work.filePath("Velmora backup.reg");
        QString error;
        EXPECT_TRUE(exportRegFile(store, path, &error)) << error.toStdString();
        return path;
    }

    RecordingInteraction ui;
};

TEST_F(RestoreRunTest, WrongArgumentsShowTheUsage) {
    for (const QStringList& arguments : {QStringList{}, QStringList{"a.reg", "b.reg"}}) {
        ui.messages.clear();
        EXPECT_EQ(run(arguments), kRestoreUsage);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
        EXPECT_TRUE(ui.messages[0].text.contains("velmora-restore"))
            << ui.messages[0].text.toStdString();
    }
}

TEST_F(RestoreRunTest, OkRestoresAndReportsSuccess) {
    ASSERT_TRUE(store.SaveSetting("save1_title", "写真\\\"1\""));
    ASSERT_TRUE(store.SaveSetting("Combo1", "12"));
    const QString path = exportedFile();
    ASSERT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);

    EXPECT_EQ(run({path}), kRestoreDone);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].style, kStyleExclamationOkCancel);
    EXPECT_TRUE(ui.messages[0].text.contains(path));
    EXPECT_TRUE(ui.messages[0].text.contains("2 個")) << ui.messages[0].text.toStdString();
    EXPECT_EQ(ui.messages[1].text, "設定を復元しました。");
    EXPECT_EQ(ui.messages[1].style, kStyleInformation);
    EXPECT_EQ(store.GetSetting("save1_title"), "写真\\\"1\"");
    EXPECT_EQ(store.GetSetting("Combo1"), "12");
}

TEST_F(RestoreRunTest, CancelLeavesTheCurrentSettings) {
    ASSERT_TRUE(store.SaveSetting("Combo1", "12"));
    const QString path = exportedFile();
    ASSERT_TRUE(store.SaveSetting("Combo1", "3"));
    ui.messageAnswers.push_back(MessageAnswer::Cancel);

    EXPECT_EQ(run({path}), kRestoreCancelled);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(store.GetSetting("Combo1"), "3");
}

TEST_F(RestoreRunTest, ABadFileIsExplainedBeforeAnyQuestion) {
    ASSERT_TRUE(store.SaveSetting("Combo1", "3"));
    const QString path = work.filePath("other.reg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n"
        "\"Combo1\"=\"1\"\r\n");
    file.close();

    EXPECT_EQ(run({path}), kRestoreFailed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].style, kStyleCritical);
    EXPECT_TRUE(ui.messages[0].text.contains(path));
    EXPECT_TRUE(ui.messages[0].text.contains("Software\\Other"))
        << ui.messages[0].text.toStdString();
    EXPECT_EQ(store.GetSetting("Combo1"), "3");
}

TEST_F(RestoreRunTest, AStoreThatCannotBeWrittenIsReported) {
    ASSERT_TRUE(store.SaveSetting("Combo1", "12"));
    const QString path = exportedFile();
    ASSERT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
    ASSERT_TRUE(QDir(storeDir()).removeRecursively());
    QFile blocker(storeDir());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    EXPECT_EQ(run({path}), kRestoreFailed);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].style, kStyleCritical);
    EXPECT_TRUE(ui.messages[1].text.contains(store.location()))
        << ui.messages[1].text.toStdString();
}

} // namespace
} // namespace velmora::testing
