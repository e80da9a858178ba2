// The restore program's dialogue: it checks the file first, asks, then restores or explains.

#include "recording_interaction.h"
#include "reg_export.h"
#include "restore_run.h"
#include "store_fixture.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

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

// Which files a desktop offers to the restore program: the MIME type installed beside the
// system's types (as the package does) and in the user's own data directory, read by GIO (file
// managers) and by Qt.
TEST_F(RestoreRunTest, OnlyVelmorasBackupsTakeTheBackupType) {
    const QString updater = QStandardPaths::findExecutable("update-mime-database");
    const QString gio = QStandardPaths::findExecutable("gio");
    const QString system = "/usr/share/mime/packages/freedesktop.org.xml";
    if (updater.isEmpty() || gio.isEmpty() || !QFile::exists(system)) {
        GTEST_SKIP() << "needs shared-mime-info and libglib2.0-bin (scripts/install-deps)";
    }
    ASSERT_TRUE(store.SaveSetting("Combo1", "9"));
    const QString backup = exportTo("backup.reg");
    ASSERT_TRUE(QFile::copy(backup, work.filePath("Velmora"))); // the dialog's initial name
    const QString text = QStringDecoder(QStringDecoder::Utf16LE).decode(fileBytes(backup).mid(2));
    writeBytes(work.filePath("backup-utf8.reg"), text.toUtf8());
    const QString other = QString(text).replace("VB and VBA Program Settings\\quillmere", "Other");
    writeBytes(work.filePath("other.reg"),
               "\xFF\xFE" + QStringEncoder(QStringEncoder::Utf16LE).encode(other));
    writeBytes(work.filePath("regedit4.reg"), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n");
    writeBytes(work.filePath("user.reg"), "WINE REGISTRY Version 2\n;; All keys relative to "
                                          "\\\\User\\\\S-1-5-21\n\n#arch=win64\n");
    writeBytes(work.filePath("note.reg"), "a note about the office\n");
    QByteArray noise;
    for (int i = 0; i < 1024; ++i) {
        noise += static_cast<char>(i * 7);
    }
    writeBytes(work.filePath("noise.reg"), noise);
    const QStringList backups{"backup.reg", "Velmora", "backup-utf8.reg"};
    const QStringList others{"other.reg", "regedit4.reg", "user.reg", "note.reg", "noise.reg"};

    QTemporaryDir installed;
    QTemporaryDir home;
    QTemporaryDir nowhere;
    const struct {
        const char* layout;
        QString dataHome;
        QString dataDirs;
    } layouts[] = {
        {"beside the system's types", installed.path(), nowhere.path()},
        {"in the user's data directory", home.path(), "/usr/share"},
    };
    for (const auto& l : layouts) {
        const QString packages = l.dataHome + "/mime/packages";
        ASSERT_TRUE(QDir().mkpath(packages));
        ASSERT_TRUE(QFile::copy(VELMORA_MIME_XML, packages + "/velmora-reg.xml"));
        if (l.dataHome == installed.path()) {
            ASSERT_TRUE(QFile::copy(system, packages + "/freedesktop.org.xml"));
        }
        ASSERT_EQ(QProcess::execute(updater, {l.dataHome + "/mime"}), 0);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", l.dataHome);
        env.insert("XDG_DATA_DIRS", l.dataDirs);
        for (const QString& name : backups + others) {
            QProcess query;
            query.setProcessEnvironment(env);
            query.start(gio, {"info", "-a", "standard::content-type", work.filePath(name)});
            ASSERT_TRUE(query.waitForFinished(20000));
            const QString type = QString::fromUtf8(query.readAllStandardOutput())
                                     .section("standard::content-type:", 1)
                                     .trimmed();
            EXPECT_EQ(type,
                      backups.contains(name) ? "application/x-velmora-reg" : "text/x-ms-regedit")
                << "gio, " << l.layout << ": " << name.toStdString();
        }
    }

    // Qt reads the data directories once per process.
    qputenv("XDG_DATA_HOME", QFile::encodeName(installed.path()));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(nowhere.path()));
    const QMimeDatabase mime;
    for (const QString& name : backups + others) {
        EXPECT_EQ(mime.mimeTypeForFile(work.filePath(name)).name(),
                  backups.contains(name) ? "application/x-velmora-reg" : "text/x-ms-regedit")
            << "Qt: " << name.toStdString();
    }
}

} // namespace
} // namespace velmora::testing
