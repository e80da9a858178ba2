// The settings store, the backup file and the restore program, on real files: what comes
// back, what is refused with a reason, and what is never touched.

#include "reg_export.h"
#include "restore_run.h"
#include "settings_record.h"
#include "temp_store.h"

#include <QSettings>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <fcntl.h>
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
    "-", "hex(1):00", "a\nb", "eof\x1a" "ctrl\x0b", "一行目\r\n二行目\n" + QString(40, QChar(u'長'))};
// clang-format on

const QString kKey = "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\quillmere";

// A backup in UTF-8 whose Setting subkey holds `body`.
QByteArray reg(const QString& body,
               const QString& header = "Windows Registry Editor Version 5.00") {
    return (header + "\r\n\r\n[" + kKey + "]\r\n\r\n[" + kKey + "\\Setting]\r\n" + body + "\r\n")
        .toUtf8();
}

QByteArray utf16(const QByteArray& utf8, QStringEncoder::Encoding encoding) {
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom)
        .encode(QString::fromUtf8(utf8));
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

// The restore program's run, every question answered with `answer`; what it showed, each with
// its style.
using Shown = std::pair<int, QString>;

int restore(SettingsStore& store, const QStringList& arguments, std::vector<Shown>& shown,
            MessageAnswer answer = MessageAnswer::Ok) {
    return runRestore(arguments, store, [&](const QString& text, int style) {
        shown.push_back({style, text});
        return answer;
    });
}

// Every value comes back exactly: from a file an earlier version wrote through QSettings, to
// QSettings from the file Velmora writes, and through a backup in the registry editor's form.
TEST(Store, EveryValueComesBackByteExactThroughTheFileQtAndABackup) {
    const TempStore temp;
    SettingsStore store;
    const QStringList names = allValueNames();
    const auto text = [&](qsizetype i) {
        return kAwkwardTexts[i % kAwkwardTexts.size()];
    };
    {
        QSettings earlier(store.location(), QSettings::IniFormat);
        for (qsizetype i = 0; i < names.size(); ++i) {
            earlier.setValue("Setting/" + names[i], text(i));
        }
    }
    EXPECT_EQ(valuesOf(store), qtValues(store.location()));
    Values values;
    for (qsizetype i = 0; i < names.size(); ++i) {
        ASSERT_NO_THROW(store.SaveSetting(names[i], text(i + 1)));
        values[names[i].toStdString()] = text(i + 1).toStdString();
    }
    // Qt reads a copy: it keeps a file it has read in memory.
    ASSERT_TRUE(QFile::copy(store.location(), temp.configDir() + "/copy.conf"));
    EXPECT_EQ(qtValues(temp.configDir() + "/copy.conf"), values);

    // Exported (UTF-16LE with its mark, CR LF, the key and its Setting subkey, the record first),
    // deleted, and restored by the restore program.
    const QString backup = temp.configDir() + "/backup with blanks.reg";
    ASSERT_NO_THROW(exportRegFile(store, backup));
    EXPECT_TRUE(
        fileBytes(backup).startsWith(utf16(reg("\"Combo1\"=\"\""), QStringEncoder::Utf16LE)));
    ASSERT_TRUE(store.DeleteSetting());
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
    ASSERT_NO_THROW(store.SaveSettings({{names[0], "changed"}, {"zz-later", "kept"}}));
    const QByteArray before = fileBytes(store.location());
    {
        const FileSizeLimit full(before.size() / 2);
        EXPECT_EQ(restore(store, {backup}, shown), kRestoreFailed);
    }
    EXPECT_EQ(fileBytes(store.location()), before);
    EXPECT_TRUE(shown.back().first == kStyleCritical &&
                shown.back().second.contains(store.location()))
        << shown.back().second.toStdString();
    EXPECT_EQ(restore(store, {backup}, shown), kRestoreDone);
    EXPECT_EQ(shown.back().second, "設定を復元しました。");
    values["zz-later"] = "kept";
    EXPECT_EQ(valuesOf(store), values);
}

// A store as hand edits and other tools leave it: a comment, lines without "=", other sections,
// Shift_JIS and Latin-1 text (also in a title the settings window reads and writes back), and
// escapes, blanks, lists and names that QSettings never writes but reads.
const QByteArray kHandEdited =
    "; kept by hand\n[Notes]\na line without an equals sign\n"
    "title=\x8e\xca\x90\x5e\n\n[Setting]\nCombo1=5\n"
    "save1_title=\x8e\xca\x90\x5e \x83\x65\nnote=caf\xe9\ngarbage\n"
    "Text5 = \"50\"  \nbityousei-tate=\nrenzoku-no1-no2=0\nzu-comp=1\n"
    "octal=\\17\\x\nlist=@@a , b  \nwhen=@DateTime(x)\n50%x=1\n\n[Other]\nk=1\n";

// Whatever lies where the store belongs, it is read without waiting, as far as it can be, and a
// write changes the values it writes and nothing else, or, refused, leaves all as it was.
TEST(Store, HostileStoreFilesAreReadAsFarAsPossibleAndNeverDamaged) {
    failInsteadOfHanging();
    const TempStore temp;
    SettingsStore store;
    const QString path = store.location();
    const QByteArray native = QFile::encodeName(path);
    // Only the file QSettings would fall back to: no values.
    ASSERT_TRUE(writeFile(QFileInfo(path).path() + ".conf", "[Setting]\nCombo1=7\n"));
    EXPECT_TRUE(valuesOf(store).empty());

    // The close's record, and a commit's title written back as the window read it, change only
    // what they change.
    ASSERT_TRUE(writeFile(path, kHandEdited));
    const StoreValues close = {
        {"Combo1", "12"}, {"junjo", "0"}, {"save1_title", store.GetSetting("save1_title")}};
    ASSERT_NO_THROW(store.SaveSettings(close));
    const QByteArray after = fileBytes(path);
    qsizetype from = 0;
    for (const QByteArray& line : kHandEdited.split('\n')) {
        if (line != "Combo1=5") {
            const qsizetype at = after.indexOf(line, from);
            ASSERT_GE(at, 0) << "lost or moved: " << line.toStdString();
            from = at + line.size();
        }
    }
    EXPECT_EQ(valuesOf(store), qtValues(path));
    EXPECT_EQ(store.GetSetting("Combo1") + store.GetSetting("junjo"), "120");

    // Changed by another program (a restore run beside Velmora), long after it was read: read
    // again.
    const auto age = [&] {
        const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, native.constData(), times, 0), 0);
    };
    age();
    ASSERT_EQ(store.GetSetting("Combo1"), "12");
    ASSERT_TRUE(writeFile(path, "[Setting]\nCombo1=13\n"));
    age();
    EXPECT_EQ(store.GetSetting("Combo1"), "13");

    // A FIFO holds no values, takes no write and is not removed.
    ASSERT_TRUE(store.DeleteSetting());
    EXPECT_TRUE(valuesOf(store).empty());
    ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
    EXPECT_TRUE(valuesOf(store).empty());
    EXPECT_THROW(store.SaveSettings(close), StoreError);
    EXPECT_THROW(store.DeleteSetting(), StoreError);
    struct stat node {};
    EXPECT_TRUE(::lstat(native.constData(), &node) == 0 && S_ISFIFO(node.st_mode));
}

// Whatever the restore is given, it reads without blocking and no more than a backup's size,
// and it takes a file only when it is wholly a string-only export of Velmora's key. It asks
// with what would change, or names the file and the reason before any question; a cancelled
// or refused restore leaves the settings as they were. A backup is written only when the
// restore takes it back whole, and then completely; else the export names the file and the
// reason, and leaves the folder as it was.
TEST(Backup, OnlyWhatTheRestoreTakesBackWholeIsWrittenOrRestoredAndEveryRefusalSaysWhy) {
    failInsteadOfHanging();
    const TempStore temp;
    SettingsStore store;
    ASSERT_NO_THROW(store.SaveSettings({{"Combo1", "写真\\"}, {"Text5", "50"}, {"junjo", "1"}}));
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
         "\xEF\xBB\xBF" + reg(good, "REGEDIT4").replace("\r\n", "\n"), {}, nullptr},
        {"UTF-16BE", utf16(reg(good), QStringEncoder::Utf16BE), {}, nullptr},
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
        EXPECT_EQ(shown[0].first, taken ? kStyleExclamationOkCancel : kStyleCritical);
        EXPECT_TRUE(shown[0].second.contains(path) &&
                    shown[0].second.contains(taken ? counts : QString::fromUtf8(c.reason)))
            << shown[0].second.toStdString();
    }
    EXPECT_EQ(fileBytes(store.location()), settings);

    for (const QStringList& arguments : {QStringList{}, QStringList{"a.reg", "b.reg"}}) {
        std::vector<Shown> shown;
        EXPECT_EQ(restore(store, arguments, shown), kRestoreUsage);
        EXPECT_TRUE(shown.size() == 1 && shown[0].second.contains("velmora-restore"));
    }

    ASSERT_TRUE(writeFile(work.filePath("older.reg"), "older contents"));
    const struct {
        const char* name;
        QByteArray storeFile; // empty: no store
        const char* target;
        qint64 room; // bytes left on the disk, or -1
    } exports[] = {
        // clang-format off
        {"no store", {}, "a.reg", -1},
        {"a 1 MiB value", "[Setting]\nCombo1=" + QByteArray(1 << 20, 'x') + "\n", "older.reg", -1},
        {"a NUL in a value", "[Setting]\nCombo1=@String(a\\0b)\nText5=1\n", "a.reg", -1},
        {"a full disk", "[Setting]\nCombo1=1\nText5=a\\nb\n", "older.reg", 100},
        // clang-format on
    };
    for (const auto& c : exports) {
        SCOPED_TRACE(c.name);
        store.DeleteSetting();
        ASSERT_TRUE(c.storeFile.isEmpty() || writeFile(store.location(), c.storeFile));
        const QStringList entries = QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden);
        const QString target = work.filePath(c.target);
        QString error;
        {
            const FileSizeLimit full(c.room);
            try {
                exportRegFile(store, target);
            } catch (const StoreError& failure) {
                error = failure.text();
            }
        }
        EXPECT_TRUE(error.contains(target) && error.size() > target.size() + 10)
            << error.toStdString();
        EXPECT_EQ(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden), entries);
        EXPECT_EQ(fileBytes(work.filePath("older.reg")), "older contents");
    }
}

} // namespace
} // namespace velmora::testing
