// The registry export file: its exact form, a full round trip through a deleted store, write
// failures, and files that must be refused without touching the store.

#include "reg_export.h"
#include "settings_record.h"
#include "store_fixture.h"

#include <QStringDecoder>

namespace velmora::testing {
namespace {

using RegExportTest = StoreTest;

const QStringList kTitles = {QStringLiteral("セーブデータ1"), QStringLiteral("写真 \"外観\" A4"),
                             QStringLiteral("C:\\保存\\"), QStringLiteral("  前後に空白  "),
                             QString()};

void fillFullStore(SettingsStore& store) {
    const QStringList names = allValueNames();
    ASSERT_EQ(names.size(), 83);
    int n = 0;
    for (const QString& name : names) {
        const QString text = name.endsWith("_title") ? kTitles[name.mid(4, 1).toInt() - 1]
                                                     : kAwkwardTexts[n++ % kAwkwardTexts.size()];
        ASSERT_TRUE(store.SaveSetting(name, text));
    }
}

QByteArray utf16le(const QString& text) {
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return encoder.encode(text);
}

const char kKey[] = "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\quillmere";

QString regText(const QString& body,
                const QString& header = "Windows Registry Editor Version 5.00") {
    return header + "\r\n\r\n[" + kKey + "]\r\n\r\n[" + kKey + "\\Setting]\r\n" + body + "\r\n";
}

QByteArray reg(const QString& body) {
    return regText(body).toUtf8();
}

TEST_F(RegExportTest, SmallStoreGivesExactlyTheRegistryEditorsBytes) {
    ASSERT_TRUE(store.SaveSetting("save1_title", "写真 \"A\""));
    ASSERT_TRUE(store.SaveSetting("zz-extra", ""));
    ASSERT_TRUE(store.SaveSetting("paste-url-1", "C:\\a b\\"));
    ASSERT_TRUE(store.SaveSetting("Combo1", "9"));
    writeBytes(work.filePath("Velmora.reg"), QByteArray(10000, 'x')); // no old tail may stay
    const QString path = exportTo("Velmora.reg");

    // Record values in their write order, then slots, then unknown names; a blank line ends.
    const QString expected = regText("\"Combo1\"=\"9\"\r\n"
                                     "\"paste-url-1\"=\"C:\\\\a b\\\\\"\r\n"
                                     "\"save1_title\"=\"写真 \\\"A\\\"\"\r\n"
                                     "\"zz-extra\"=\"\"\r\n");
    const QByteArray bytes = fileBytes(path);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFEW\x00i\x00"));
    EXPECT_EQ(bytes.mid(2), utf16le(expected));
    EXPECT_EQ(bytes.mid(2).indexOf(QByteArray("\n\x00\n\x00", 4)), -1) << "bare LF";

    // Stable: the same store gives the same bytes.
    EXPECT_EQ(fileBytes(exportTo("Velmora.reg")), bytes);
}

TEST_F(RegExportTest, FullStoreSurvivesExportDeleteAndRestoreByteExactly) {
    fillFullStore(store);
    const QMap<QString, QString> before = snapshot();
    ASSERT_EQ(before.size(), 83);

    const QString path = exportTo("backup with blanks.reg");
    ASSERT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
    ASSERT_TRUE(snapshot().isEmpty());

    QString error;
    const std::optional<int> restored = importRegFile(store, path, &error);
    ASSERT_TRUE(restored) << error.toStdString();
    EXPECT_EQ(*restored, 83);
    EXPECT_EQ(snapshot(), before);
}

// Their way back is part of the full round trip above.
TEST_F(RegExportTest, LineBreaksGoOutAsWrappedHexStrings) {
    ASSERT_TRUE(store.SaveSetting("save1_title", kAwkwardTexts.last()));
    ASSERT_TRUE(store.SaveSetting("junjo", "a\nb"));

    const QString text =
        QStringDecoder(QStringDecoder::Utf16LE).decode(fileBytes(exportTo("multi.reg")).mid(2));
    EXPECT_TRUE(text.contains("\"junjo\"=hex(1):61,00,0a,00,62,00,00,00\r\n"))
        << text.toStdString();
    for (const QString& line : text.split("\r\n")) {
        EXPECT_LE(line.size(), 80) << line.toStdString(); // long hex wraps with "\"
    }
}

TEST_F(RegExportTest, ReadsUtf8AndRegedit4FilesWithLfOrCrLf) {
    const QString body = "\"Combo1\"=\"写真\\\\\"\r\n; a comment\r\n\"Text5\" = \"50\"  \r\n"
                         "\"Combo1\"=\"last wins\"";
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"utf8 crlf", reg(body)},
        {"utf8 bom lf", "\xEF\xBB\xBF" + regText(body).replace("\r\n", "\n").toUtf8()},
        {"regedit4", regText(body, "REGEDIT4").toUtf8()},
        {"utf16be",
         QByteArray("\xFE\xFF") + QStringEncoder(QStringEncoder::Utf16BE).encode(regText(body))},
        {"lower-case key", reg(body).replace("VB and VBA", "vb AND vba")},
    };
    for (const auto& file : files) {
        const QString path = work.filePath("in.reg");
        writeBytes(path, file.bytes);
        QString error;
        const std::optional<QList<RegValue>> values = readRegFile(path, &error);
        ASSERT_TRUE(values) << file.name << ": " << error.toStdString();
        const QList<RegValue> expected{{"Combo1", "last wins"}, {"Text5", "50"}};
        EXPECT_EQ(*values, expected) << file.name;
    }
}

TEST_F(RegExportTest, MalformedOrForeignFilesAreRefusedAndTheStoreIsUntouched) {
    fillFullStore(store);
    const QMap<QString, QString> before = snapshot();
    const QByteArray beforeBytes = storeBytes();
    const QByteArray key = kKey;

    const struct {
        const char* name;
        QByteArray bytes;
        const char* mention; // part of the reason
    } files[] = {
        {"empty", QByteArray(), "Windows Registry Editor"},
        {"plain text", "hello\r\n", "Windows Registry Editor"},
        {"header only", "Windows Registry Editor Version 5.00\r\n", "Setting"},
        {"key without values", reg(""), "値が一つも"},
        {"foreign key",
         utf16le(regText("\"a\"=\"b\"").replace("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"))
             .prepend("\xFF\xFE"),
         "HKEY_LOCAL_MACHINE"},
        {"other application", reg("\"a\"=\"b\"").replace("quillmere", "quillmere2"), "quillmere2"},
        {"subkey", reg("\"a\"=\"b\"").replace("Setting]", "Setting\\Sub]"), "Sub"},
        {"good values then a bad line", reg("\"Combo1\"=\"1\"\r\n\"Text5\"=dword:00000001"),
         "7 行目"},
        {"value deletion", reg("\"Combo1\"=-"), "=-"},
        {"key deletion", "Windows Registry Editor Version 5.00\r\n\r\n[-" + key + "]\r\n", "[-"},
        {"binary", reg("\"Combo1\"=hex:01,02"), "Combo1"},
        {"expand string", reg("\"Combo1\"=hex(2):41,00,00,00"), "Combo1"},
        {"default value", reg("@=\"x\""), "@"},
        {"value under the application key",
         "Windows Registry Editor Version 5.00\r\n\r\n[" + key + "]\r\n\"Combo1\"=\"1\"\r\n",
         "Combo1"},
        {"value before any key", "REGEDIT4\r\n\"Combo1\"=\"1\"\r\n", "キー"},
        {"unterminated", reg("\"Combo1\"=\"1"), "閉じる"},
        {"unknown escape", reg("\"Combo1\"=\"a\\nb\""), "\\"},
        {"junk after value", reg("\"Combo1\"=\"1\" x"), "余分"},
        {"name with a slash", reg("\"a/b\"=\"1\""), "a/b"},
        {"odd hex string", reg("\"Combo1\"=hex(1):41"), "奇数"},
        {"broken hex", reg("\"Combo1\"=hex(1):4g,00"), "4g"},
        {"hex continued past the end", reg("\"Combo1\"=hex(1):41,00,\\"), "続き"},
        {"NUL inside a hex string", reg("\"Combo1\"=hex(1):41,00,00,00,42,00,00,00"), "NUL"},
        {"NUL in a quoted value", reg(QStringLiteral("\"Combo1\"=\"a") + QChar(u'\0') + "b\""),
         "NUL"},
        {"NUL in a name", reg(QStringLiteral("\"a") + QChar(u'\0') + "b\"=\"1\""), "NUL"},
        {"not utf-8", "REGEDIT4\r\n\r\n[\x83\x65]\r\n", "文字コード"},
        {"odd utf-16", QByteArray("\xFF\xFEW\x00i", 5), "文字コード"},
    };
    for (const auto& file : files) {
        const QString path = work.filePath("bad.reg");
        writeBytes(path, file.bytes);
        QString error;
        EXPECT_FALSE(importRegFile(store, path, &error)) << file.name;
        EXPECT_TRUE(error.contains(QString::fromUtf8(file.mention)))
            << file.name << ": " << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(importRegFile(store, work.filePath("missing.reg"), &error));
    EXPECT_TRUE(error.contains("missing.reg")) << error.toStdString();
    EXPECT_FALSE(importRegFile(store, work.path(), &error));

    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(storeBytes(), beforeBytes);
}

TEST_F(RegExportTest, UnwritableTargetsFailWithAReasonAndLeaveNoFile) {
    fillFullStore(store);
    writeBytes(work.filePath("plain"), QByteArray());
    ASSERT_TRUE(QDir(work.path()).mkdir("folder.reg"));
    const QStringList before = entriesOf(work.path());

    const QString targets[] = {
        work.filePath("folder.reg"),          // a folder's name
        work.filePath("plain/inside.reg"),    // a file where a folder should be
        work.filePath("no such dir/Velmora"), // a folder that does not exist
    };
    for (const QString& target : targets) {
        QString error;
        EXPECT_FALSE(exportRegFile(store, target, &error)) << target.toStdString();
        EXPECT_TRUE(error.contains(target)) << error.toStdString();
        EXPECT_GT(error.size(), target.size() + 10) << "no reason given: " << error.toStdString();
    }
    EXPECT_EQ(entriesOf(work.path()), before);
    EXPECT_TRUE(entriesOf(work.filePath("folder.reg")).isEmpty());

    // A full disk: an older file keeps its contents.
    const QString older = work.filePath("older.reg");
    writeBytes(older, "older contents");
    QString error;
    {
        const FileSizeLimit full(100);
        EXPECT_FALSE(exportRegFile(store, older, &error));
    }
    EXPECT_TRUE(error.contains(older)) << error.toStdString();
    EXPECT_EQ(fileBytes(older), "older contents");
}

TEST_F(RegExportTest, ReadOnlyFolderFailsAndKeepsAnOlderFileIntact) {
    if (!permissionsEnforced()) {
        GTEST_SKIP() << "file permissions are not enforced for this user";
    }
    ASSERT_TRUE(store.SaveSetting("Combo1", "1"));
    const QString path = work.filePath("Velmora.reg");
    writeBytes(path, "older contents");
    QString error;
    {
        const ReadOnlyDir readOnly(work.path());
        EXPECT_FALSE(exportRegFile(store, path, &error));
        EXPECT_FALSE(exportRegFile(store, work.filePath("new.reg"), &error));
    }
    EXPECT_TRUE(error.contains("new.reg")) << error.toStdString();
    EXPECT_EQ(fileBytes(path), "older contents");
    EXPECT_EQ(entriesOf(work.path()), QStringList{"Velmora.reg"});
}

// A backup is announced only when the restore takes it back whole: whatever a store holds,
// either the export refuses with a reason and leaves no file, or export and restore give the
// same values.
TEST_F(RegExportTest, ExportAndRestoreAgree) {
    const struct {
        const char* name;
        QByteArray storeFile; // empty: no store at all
        bool exports;
    } stores[] = {
        {"no store", QByteArray(), false},
        {"an empty section", "[Setting]\n", false},
        {"a 1 MiB value", "[Setting]\nCombo1=" + QByteArray(1 << 20, 'x') + "\n", false},
        {"a NUL in a value", "[Setting]\nCombo1=@String(a\\0b)\nText5=1\n", false},
        {"a NUL in a name", "[Setting]\na%00b=1\nText5=1\n", false},
        {"values, one with a line break", "[Setting]\nCombo1=1\nText5=a\\nb\n", true},
    };
    for (const auto& s : stores) {
        ASSERT_TRUE(QDir().mkpath(storeDir()));
        if (!s.storeFile.isEmpty()) {
            writeBytes(store.location(), s.storeFile);
        }
        const QMap<QString, QString> before = snapshot();
        const QString path = work.filePath("agree.reg");
        QString error;
        const bool exported = exportRegFile(store, path, &error);
        EXPECT_EQ(exported, s.exports) << s.name;
        if (exported) {
            store.DeleteSetting();
            ASSERT_TRUE(importRegFile(store, path, &error))
                << s.name << ": " << error.toStdString();
            EXPECT_EQ(snapshot(), before) << s.name;
        } else {
            EXPECT_TRUE(error.contains(path)) << s.name << ": " << error.toStdString();
            EXPECT_FALSE(QFile::exists(path)) << s.name;
        }
        store.DeleteSetting();
        QFile::remove(path);
    }
}

} // namespace
} // namespace velmora::testing
