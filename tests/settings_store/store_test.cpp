// The settings store, the backup file and the restore program, on real files: what comes
// back, what is refused with a reason, and what is never touched.

#include "map_holders.h"
#include "reg_export.h"
#include "restore_run.h"
#include "settings_record.h"
#include "temp_store.h"

#include <QSettings>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora::testing {
namespace {

// Texts that a careless writer or reader of the store file or of the backup gets wrong.
// clang-format off
const QStringList kAwkwardTexts = {
    "9", "", " ", "  lead and trail  ", "@start", "@", "@Variant(0)", "a, b,c", "x; y", "a=b",
    "\"=\"", "[Setting]", "[HKEY_CURRENT_USER\\x]", "]", "\"quoted\"", "\"", "\\",
    "\\\\server\\share\\", "C:\\写真\\", "end\\", "\\\"", "セーブデータ1",
    "ＭＳ ゴシック　全角空白", "10㎝", "tab\there", "%41%", "true", "#not a comment", ";comment",
    "-", "hex(1):00", "a\nb", "一行目\r\n二行目\n" + QString(40, QChar(u'長'))};
// clang-format on

const QString kKey = "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\quillmere";

QString regText(const QString& body,
                const QString& header = "Windows Registry Editor Version 5.00") {
    return header + "\r\n\r\n[" + kKey + "]\r\n\r\n[" + kKey + "\\Setting]\r\n" + body + "\r\n";
}

QByteArray reg(const QString& body) {
    return regText(body).toUtf8();
}

QByteArray utf16(const QString& text, QStringEncoder::Encoding encoding) {
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
}

// Names and texts in UTF-8, as test output shows them.
using Values = std::map<std::string, std::string>;

Values valuesOf(const SettingsStore& store) {
    Values values;
    for (const QString& name : store.valueNames()) {
        values[name.toStdString()] = store.GetSetting(name).toStdString();
    }
    return values;
}

// The values as the store read them when it went through QSettings (an unquoted list as its
// items joined): a file of any earlier version or edited by hand must read the same.
Values qtValues(const QString& path) {
    QSettings qt(path, QSettings::IniFormat);
    qt.beginGroup("Setting");
    Values values;
    for (const QString& name : qt.childKeys()) {
        const QVariant value = qt.value(name);
        values[name.toStdString()] =
            (value.typeId() == QMetaType::QStringList ? value.toStringList().join(", ")
                                                      : value.toString())
                .toStdString();
    }
    return values;
}

// A hang ends the test (SIGALRM) instead of holding the run, and a read without a bound fails
// at 512 MB instead of filling the machine's memory.
void failInsteadOfHanging() {
    ::alarm(30);
    const rlimit data{512L << 20, 512L << 20};
    ::setrlimit(RLIMIT_DATA, &data);
}

struct Shown {
    int style;
    QString text;
};

// The restore program's run, every question answered with `answer`.
int restore(SettingsStore& store, const QStringList& arguments, std::vector<Shown>& shown,
            MessageAnswer answer = MessageAnswer::Ok) {
    return runRestore(arguments, store, [&](const QString& text, int style) {
        shown.push_back({style, text});
        return answer;
    });
}

TEST(Store, EveryValueComesBackByteExactThroughTheFileQtAndABackup) {
    const TempStore temp;
    SettingsStore store;
    const QStringList names = allValueNames();
    const auto awkward = [&](qsizetype shift) {
        Values values;
        for (qsizetype i = 0; i < names.size(); ++i) {
            values[names[i].toStdString()] =
                kAwkwardTexts[(i + shift) % kAwkwardTexts.size()].toStdString();
        }
        return values;
    };
    // A file as earlier versions wrote it through QSettings reads the same...
    {
        QSettings earlier(store.location(), QSettings::IniFormat);
        for (const auto& [name, text] : awkward(0)) {
            earlier.setValue(QString::fromStdString("Setting/" + name),
                             QString::fromStdString(text));
        }
    }
    EXPECT_EQ(valuesOf(store), awkward(0));
    // ...and Qt reads what Velmora writes (from a copy: Qt caches a file it has read).
    for (const auto& [name, text] : awkward(1)) {
        ASSERT_TRUE(store.SaveSetting(QString::fromStdString(name), QString::fromStdString(text)));
    }
    ASSERT_TRUE(QFile::copy(store.location(), temp.configDir() + "/copy.conf"));
    EXPECT_EQ(qtValues(temp.configDir() + "/copy.conf"), awkward(1));

    // Exported in the registry editor's own form (UTF-16LE with its mark, CR LF, the key and its
    // Setting subkey, the record first), deleted, and restored by the restore program.
    Values values = awkward(1);
    const QString backup = temp.configDir() + "/backup with blanks.reg";
    QString error;
    ASSERT_TRUE(exportRegFile(store, backup, &error)) << error.toStdString();
    EXPECT_TRUE(
        fileBytes(backup).startsWith(utf16(regText("\"Combo1\"=\"\""), QStringEncoder::Utf16LE)));
    ASSERT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
    std::vector<Shown> shown;
    EXPECT_EQ(restore(store, {backup}, shown), kRestoreDone);
    EXPECT_EQ(valuesOf(store), values);
    // The package test restores the same backup with the installed program.
    if (const QString keep = qEnvironmentVariable("VELMORA_KEEP_BACKUP"); !keep.isEmpty()) {
        ASSERT_TRUE(QFile::copy(backup, keep + ".reg"));
        ASSERT_TRUE(QFile::copy(store.location(), keep + ".conf"));
    }

    // A restore is one write, whole or not at all; it replaces the file's values and leaves
    // every other value, as the registry editor imports.
    ASSERT_TRUE(store.SaveSettings({{names[0], "changed"}, {"zz-later", "kept"}}));
    values["zz-later"] = "kept";
    const QByteArray before = fileBytes(store.location());
    {
        const FileSizeLimit full(before.size() / 2);
        EXPECT_EQ(restore(store, {backup}, shown), kRestoreFailed);
    }
    EXPECT_EQ(fileBytes(store.location()), before);
    EXPECT_EQ(shown.back().style, kStyleCritical);
    EXPECT_TRUE(shown.back().text.contains(store.location())) << shown.back().text.toStdString();
    EXPECT_EQ(restore(store, {backup}, shown), kRestoreDone);
    EXPECT_EQ(shown.back().text, "設定を復元しました。");
    EXPECT_EQ(valuesOf(store), values);
}

// A store as hand edits and other tools leave it: a comment, lines without "=", other sections,
// Shift_JIS and Latin-1 text (also in a title the settings window reads and writes back), and
// escapes, blanks, lists and names that QSettings never writes but reads.
const QByteArray kHandEdited = "; kept by hand\n[Notes]\na line without an equals sign\n"
                               "title=\x8e\xca\x90\x5e\n\n[Setting]\nCombo1=5\n"
                               "save1_title=\x8e\xca\x90\x5e \x83\x65\nnote=caf\xe9\ngarbage\n"
                               "Text5 = \"50\"  \nbityousei-tate=\nrenzoku-no1-no2=0\nzu-comp=1\n"
                               "octal=\\17\\x\nlist=@@a , b  \n50%x=1\n\n[Other]\nk=1\n";

// Whatever lies where the store belongs, the start-up reads what it can (the rest falls back)
// without waiting, and the close writes its values and nothing else, or leaves all as it was.
TEST(Store, HostileStoreFilesAreReadAsFarAsPossibleAndNeverDamaged) {
    failInsteadOfHanging();
    enum Kind { HandEdited, OrganisationOnly, Fifo };
    using Result = SettingsStore::DeleteResult;
    const struct {
        const char* name;
        Kind kind;
        qint64 room;      // bytes left on the disk, or -1
        const char* read; // Combo1, Text5, Text3, Text4, Text25, Text26, Check1
        bool written;
        Result deleted;
    } cases[] = {
        // clang-format off
        {"hand-edited", HandEdited, -1, "5 50 0 0 0 1 1", true, Result::Deleted},
        {"hand-edited, full disk", HandEdited, 40, "5 50 0 0 0 1 1", false, Result::Deleted},
        {"only the file QSettings fell back to", OrganisationOnly, -1, "9 100 0 0 1 1 0", true,
         Result::Deleted},
        {"FIFO", Fifo, -1, "9 100 0 0 1 1 0", false, Result::Failed},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempStore temp;
        SettingsStore store;
        const QString path = store.location();
        const QByteArray native = QFile::encodeName(path);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        ASSERT_TRUE(c.kind == HandEdited ? writeFile(path, kHandEdited)
                    : c.kind == Fifo
                        ? ::mkfifo(native.constData(), 0600) == 0
                        : writeFile(QFileInfo(path).path() + ".conf", "[Setting]\nCombo1=7\n"));
        const QByteArray before = QFileInfo(path).isFile() ? fileBytes(path) : QByteArray();
        struct stat node {};
        ::lstat(native.constData(), &node);

        MapHolders held;
        bool written = false;
        {
            const FileSizeLimit full(c.room < 0 ? -1 : before.size() + c.room);
            readRecordIntoHolders(store, held);
            QStringList read;
            for (const Holder holder : {Holder::Combo1, Holder::Text5, Holder::Text3, Holder::Text4,
                                        Holder::Text25, Holder::Text26, Holder::Check1}) {
                read << held.text(holder);
            }
            EXPECT_EQ(read.join(' '), c.read);
            held.setText(Holder::Combo1, "12");
            // The close writes the record; a commit writes back the titles the window read.
            written = writeRecordFromHolders(store, held) &&
                      store.SaveSetting("save1_title", store.GetSetting("save1_title"));
        }
        EXPECT_EQ(written, c.written);
        if (c.written) {
            const QByteArray after = fileBytes(path);
            qsizetype from = 0;
            for (const QByteArray& line : before.split('\n')) {
                if (line != "Combo1=5") {
                    const qsizetype at = after.indexOf(line, from);
                    ASSERT_GE(at, 0) << "lost or moved: " << line.toStdString();
                    from = at + line.size();
                }
            }
            // Qt reads every value alike, the record's among them, and nothing of others'.
            const Values qt = qtValues(path);
            EXPECT_EQ(valuesOf(store), qt);
            for (const RecordField& field : kRecordWriteOrder) {
                EXPECT_TRUE(qt.contains(field.name)) << field.name;
            }
            EXPECT_EQ(qt.at("Combo1"), "12");
        } else {
            struct stat now {};
            ::lstat(native.constData(), &now);
            EXPECT_TRUE(now.st_ino == node.st_ino && now.st_mode == node.st_mode);
            EXPECT_EQ(QFileInfo(path).isFile() ? fileBytes(path) : QByteArray(), before);
        }
        EXPECT_EQ(store.DeleteSetting(), c.deleted);
        if (c.deleted == Result::Deleted) {
            EXPECT_TRUE(valuesOf(store).empty());
        }
    }
}

// A backup is written only when the restore takes it back whole, and then completely; else
// the export names the file and the reason, and leaves the folder as it was.
TEST(Backup, IsRefusedWithAReasonWhenItCouldNotBeRestoredOrWritten) {
    const TempStore temp;
    SettingsStore store;
    const QTemporaryDir work;
    ASSERT_TRUE(QDir(work.path()).mkdir("folder.reg"));
    ASSERT_TRUE(writeFile(work.filePath("older.reg"), "older contents"));
    const QByteArray values = "[Setting]\nCombo1=1\nText5=a\\nb\n";
    const struct {
        const char* name;
        QByteArray storeFile; // empty: no store
        const char* target;
        qint64 room; // bytes left on the disk, or -1
    } cases[] = {
        // clang-format off
        {"no store", {}, "a.reg", -1},
        {"a 1 MiB value", "[Setting]\nCombo1=" + QByteArray(1 << 20, 'x') + "\n", "older.reg", -1},
        {"a NUL in a value", "[Setting]\nCombo1=@String(a\\0b)\nText5=1\n", "a.reg", -1},
        {"a folder's name", values, "folder.reg", -1},
        {"a folder that does not exist", values, "none/a.reg", -1},
        {"a full disk", values, "older.reg", 100},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.DeleteSetting();
        ASSERT_TRUE(c.storeFile.isEmpty() || writeFile(store.location(), c.storeFile));
        const QStringList entries = QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden);
        const QString target = work.filePath(c.target);
        QString error;
        {
            const FileSizeLimit full(c.room);
            EXPECT_FALSE(exportRegFile(store, target, &error));
        }
        EXPECT_TRUE(error.contains(target) && error.size() > target.size() + 10)
            << error.toStdString();
        EXPECT_EQ(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden), entries);
        EXPECT_EQ(fileBytes(work.filePath("older.reg")), "older contents");
    }
}

// Whatever the restore is given, it reads without blocking and no more than a backup's size,
// and it takes a file only when it is wholly a string-only export of Velmora's key. It asks
// with what would change, or names the file and the reason before any question; a cancelled
// or refused restore leaves the settings as they were.
TEST(Restore, TakesOnlyAWholeBackupOfVelmorasKeyAndExplainsEveryRefusal) {
    failInsteadOfHanging();
    const TempStore temp;
    SettingsStore store;
    ASSERT_TRUE(store.SaveSettings({{"Combo1", "写真\\"}, {"Text5", "50"}, {"junjo", "1"}}));
    const QByteArray settings = fileBytes(store.location());
    const QTemporaryDir work;
    const QString fifo = work.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // New: save3_title; changed: junjo; the same: Combo1 (the last line of a name counts), Text5.
    const QString good = "\"Combo1\"=\"first\"\r\n; a comment\r\n\"Text5\" = \"50\"  \r\n"
                         "\"junjo\"=\"2\"\r\n\"save3_title\"=\"later\"\r\n\"Combo1\"=\"写真\\\\\"";
    const QString counts = "の 4 個の値を現在の設定に読み込みますか？\n\n"
                           "新しく加わる値: 1 個\n変わる値: 1 個\nそのまま残る値: 2 個";
    const QByteArray key = kKey.toUtf8();
    const struct {
        const char* name;
        QByteArray bytes;
        QString linkTo;     // the file is a link to this instead
        const char* reason; // nullptr: taken
    } cases[] = {
        // clang-format off
        {"UTF-8", reg(good), {}, nullptr},
        {"REGEDIT4, UTF-8 BOM, LF",
         "\xEF\xBB\xBF" + regText(good, "REGEDIT4").replace("\r\n", "\n").toUtf8(), {}, nullptr},
        {"UTF-16BE", utf16(regText(good), QStringEncoder::Utf16BE), {}, nullptr},
        {"key in other case", reg(good).replace("VB and VBA", "vb AND vba"), {}, nullptr},
        {"key without values", reg(""), {}, "値が一つも"},
        {"other application", reg("\"a\"=\"b\"").replace("quillmere", "quillmere2"), {}, "quillmere2"},
        {"a bad line after good ones", reg("\"Combo1\"=\"1\"\r\n\"Text5\"=dword:1"), {}, "7 行目"},
        {"value deletion", reg("\"Combo1\"=-"), {}, "=-"},
        {"key deletion", "REGEDIT4\r\n\r\n[-" + key + "]\r\n", {}, "[-"},
        {"binary", reg("\"Combo1\"=hex:01,02"), {}, "文字列ではありません"},
        {"value of the application key", "REGEDIT4\r\n[" + key + "]\r\n\"a\"=\"1\"\r\n", {}, "直下"},
        {"value before any key", "REGEDIT4\r\n\"Combo1\"=\"1\"\r\n", {}, "より前"},
        {"unterminated", reg("\"Combo1\"=\"1"), {}, "閉じる"},
        {"unknown escape", reg("\"Combo1\"=\"a\\nb\""), {}, "の後には"},
        {"junk after a value", reg("\"Combo1\"=\"1\" x"), {}, "余分"},
        {"name with a slash", reg("\"a/b\"=\"1\""), {}, "a/b"},
        {"NUL inside a hex string", reg("\"Combo1\"=hex(1):41,00,00,00,42,00,00,00"), {}, "NUL"},
        {"NUL in a quoted value", reg("\"Combo1\"=\"a" + QString(QChar(u'\0')) + "b\""), {}, "NUL"},
        {"not UTF-8", "REGEDIT4\r\n\r\n[\x83\x65]\r\n", {}, "文字コード"},
        {"too large", "REGEDIT4\r\n" + QByteArray(2 << 20, ' '), {}, "バイトを超える"},
        {"missing", {}, work.filePath("missing"), "開けません"},
        {"folder", {}, work.path(), "フォルダー"},
        {"FIFO", {}, fifo, "通常のファイルではありません"},
        {"link to /dev/zero", {}, "/dev/zero", "通常のファイルではありません"},
        {"link to /dev/urandom", {}, "/dev/urandom", "通常のファイルではありません"},
        // clang-format on
    };
    // The restore only ever reads the file; the test removes a link, never writes through it.
    const QString path = work.filePath("in.reg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path);
        ASSERT_TRUE(c.linkTo.isEmpty() ? writeFile(path, c.bytes) : QFile::link(c.linkTo, path));
        const bool taken = c.reason == nullptr;
        std::vector<Shown> shown;
        EXPECT_EQ(restore(store, {path}, shown, MessageAnswer::Cancel),
                  taken ? kRestoreCancelled : kRestoreFailed);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].style, taken ? kStyleExclamationOkCancel : kStyleCritical);
        EXPECT_TRUE(shown[0].text.contains(path) &&
                    shown[0].text.contains(taken ? counts : QString::fromUtf8(c.reason)))
            << shown[0].text.toStdString();
    }
    EXPECT_EQ(fileBytes(store.location()), settings);

    for (const QStringList& arguments : {QStringList{}, QStringList{"a.reg", "b.reg"}}) {
        std::vector<Shown> shown;
        EXPECT_EQ(restore(store, arguments, shown), kRestoreUsage);
        EXPECT_TRUE(shown.size() == 1 && shown[0].text.contains("velmora-restore"));
    }
}

} // namespace
} // namespace velmora::testing
