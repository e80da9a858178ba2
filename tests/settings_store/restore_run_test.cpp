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

    // The messages shown, each as its style and some pieces of its text.
    void expectMessages(const std::vector<std::pair<int, QStringList>>& expected) {
        ASSERT_EQ(ui.messages.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(ui.messages[i].style, expected[i].first) << i;
            for (const QString& piece : expected[i].second) {
                EXPECT_TRUE(ui.messages[i].text.contains(piece))
                    << ui.messages[i].text.toStdString() << " lacks " << piece.toStdString();
            }
        }
    }

    RecordingInteraction ui;
};

TEST_F(RestoreRunTest, WrongArgumentsShowTheUsage) {
    for (const QStringList& arguments : {QStringList{}, QStringList{"a.reg", "b.reg"}}) {
        ui.messages.clear();
        EXPECT_EQ(run(arguments), kRestoreUsage);
        expectMessages({{kStyleExclamation, {"velmora-restore"}}});
    }
}

TEST_F(RestoreRunTest, OkReplacesTheSettingsWithTheFilesAndReportsSuccess) {
    ASSERT_TRUE(store.SaveSetting("save1_title", "写真\\\"1\""));
    ASSERT_TRUE(store.SaveSetting("Combo1", "12"));
    const QString path = exportTo("Velmora backup.reg");
    const QMap<QString, QString> exported = snapshot();
    ASSERT_TRUE(store.SaveSetting("Combo1", "3"));
    ASSERT_TRUE(store.SaveSetting("save3_title", "later"));

    EXPECT_EQ(run({path}), kRestoreDone);
    expectMessages({{kStyleExclamationOkCancel, {path, "2 個"}}, {kStyleInformation, {}}});
    EXPECT_EQ(ui.messages[1].text, "設定を復元しました。");
    // Values the file lacks are gone, so the store matches the file.
    EXPECT_EQ(snapshot(), exported);
}

TEST_F(RestoreRunTest, CancelLeavesTheCurrentSettings) {
    ASSERT_TRUE(store.SaveSetting("Combo1", "12"));
    const QString path = exportTo("Velmora backup.reg");
    ASSERT_TRUE(store.SaveSetting("Combo1", "3"));
    ui.messageAnswers.push_back(MessageAnswer::Cancel);

    EXPECT_EQ(run({path}), kRestoreCancelled);
    expectMessages({{kStyleExclamationOkCancel, {path}}});
    EXPECT_EQ(store.GetSetting("Combo1"), "3");
}

TEST_F(RestoreRunTest, ABadFileIsExplainedBeforeAnyQuestion) {
    ASSERT_TRUE(store.SaveSetting("Combo1", "3"));
    const QString path = work.filePath("other.reg");
    writeBytes(path, "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Combo1\"=\"1\"\r\n");

    EXPECT_EQ(run({path}), kRestoreFailed);
    expectMessages({{kStyleCritical, {path, "Software\\Other"}}});
    EXPECT_EQ(store.GetSetting("Combo1"), "3");
}

TEST_F(RestoreRunTest, AStoreThatCannotBeWrittenIsReported) {
    ASSERT_TRUE(store.SaveSetting("Combo1", "12"));
    const QString path = exportTo("Velmora backup.reg");
    blockStoreDir();

    EXPECT_EQ(run({path}), kRestoreFailed);
    expectMessages({{kStyleExclamationOkCancel, {path}}, {kStyleCritical, {store.location()}}});
}

} // namespace
} // namespace velmora::testing
