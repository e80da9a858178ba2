// The restore program's dialogue: it checks the file first, asks, then restores or explains.

#include "recording_interaction.h"
#include "reg_export.h"
#include "restore_run.h"
#include "store_fixture.h"

#include <sys/stat.h>

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

// As the registry editor imports: a backup that lists only some values (cut short, or made by
// hand) replaces those and leaves every other value alone.
TEST_F(RestoreRunTest, OkMergesTheFileIntoTheSettingsAndCountsWhatChanges) {
    ASSERT_TRUE(store.SaveSetting("save1_title", "写真\\\"1\""));
    ASSERT_TRUE(store.SaveSetting("Combo1", "12"));
    ASSERT_TRUE(store.SaveSetting("Text5", "50"));
    const QString path = exportTo("Velmora backup.reg");
    ASSERT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
    ASSERT_TRUE(store.SaveSetting("Combo1", "3"));
    ASSERT_TRUE(store.SaveSetting("save3_title", "later"));
    ASSERT_TRUE(store.SaveSetting("save3_Option", "Option2"));

    EXPECT_EQ(run({path}), kRestoreDone);
    expectMessages(
        {{kStyleExclamationOkCancel,
          {path, "3 個", "新しく加わる値: 2 個", "変わる値: 1 個", "そのまま残る値: 2 個"}},
         {kStyleInformation, {}}});
    EXPECT_EQ(ui.messages[1].text, "設定を復元しました。");
    const QMap<QString, QString> merged{{"save1_title", "写真\\\"1\""},
                                        {"Combo1", "12"},
                                        {"Text5", "50"},
                                        {"save3_title", "later"},
                                        {"save3_Option", "Option2"}};
    EXPECT_EQ(snapshot(), merged);
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

// Whatever the path names, the restore opens it without blocking, reads only a regular file and
// no more than a backup's size, and explains the refusal.
TEST_F(RestoreRunTest, OnlyARegularFileOfBoundedSizeIsRead) {
    ASSERT_TRUE(store.SaveSetting("Combo1", "3"));
    const QString fifo = work.filePath("fifo.reg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = work.filePath("huge.reg");
    writeBytes(huge, "Windows Registry Editor Version 5.00\r\n" + QByteArray(2 << 20, ' '));
    const struct {
        const char* name;
        QString target; // what the .reg file is, or links to
        const char* reason;
    } files[] = {
        {"FIFO", fifo, "通常のファイルではありません"},
        {"link to /dev/zero", "/dev/zero", "通常のファイルではありません"},
        {"link to /dev/urandom", "/dev/urandom", "通常のファイルではありません"},
        {"too large", huge, "バイトを超える"},
    };
    for (const auto& file : files) {
        QString path = file.target;
        if (!path.startsWith(work.path())) {
            path = work.filePath(QStringLiteral("link.reg"));
            QFile::remove(path);
            ASSERT_TRUE(QFile::link(file.target, path));
        }
        EXPECT_TRUE(succeedsInChild([&] {
            return run({path}) == kRestoreFailed && ui.messages.size() == 1 &&
                   ui.messages[0].style == kStyleCritical &&
                   ui.messages[0].text.contains(QString::fromUtf8(file.reason));
        })) << file.name;
    }
    EXPECT_EQ(store.GetSetting("Combo1"), "3");
}

} // namespace
} // namespace velmora::testing
