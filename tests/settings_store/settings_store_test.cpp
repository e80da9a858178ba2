// The store and the settings record: fallbacks, the check box rule, texts coming back exactly
// as they went in, foreign content left alone, and failed writes.

#include "map_holders.h"
#include "settings_record.h"
#include "store_fixture.h"

#include <QSettings>

#include <sys/stat.h>

namespace velmora::testing {
namespace {

using SettingsRecordTest = StoreTest;

TEST_F(SettingsRecordTest, FallbacksReplaceMissingAndEmptyValuesOnly) {
    MapHolders fresh;
    readRecordIntoHolders(store, fresh);
    // Reading touches the store not at all: still nothing to delete.
    EXPECT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Missing);

    for (const auto& [name, text] : {std::pair{"Combo1", "20"},
                                     {"Text5", ""},
                                     {"bityousei-tate", "-1.5"},
                                     {"renzoku-no1-no2", "0"},
                                     {"paste-url-1", " B 2 "}}) {
        ASSERT_TRUE(store.SaveSetting(name, text));
    }
    MapHolders held;
    readRecordIntoHolders(store, held);

    const struct {
        Holder holder;
        const char* emptyStore;
        const char* afterSaving;
    } rows[] = {
        {Holder::Combo1, "9", "20"},   // outside the list, kept
        {Holder::Text5, "100", "100"}, // empty counts as missing
        {Holder::Text3, "0", "-1.5"},  {Holder::Text4, "0", "0"},  {Holder::Text25, "1", "0"},
        {Holder::Text26, "1", "1"},    {Holder::Check1, "0", "0"}, {Holder::Text7, "", " B 2 "},
        {Holder::Text2, "", ""},       {Holder::Text6, "", ""},    {Holder::Text8, "", ""},
        {Holder::Text9, "", ""},       {Holder::Text22, "", ""},   {Holder::Text10, "", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fresh.text(row.holder), row.emptyStore) << static_cast<int>(row.holder);
        EXPECT_EQ(held.text(row.holder), row.afterSaving) << static_cast<int>(row.holder);
    }
}

TEST_F(SettingsRecordTest, OnlyTheExactTextOneChecksTheBox) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "1"}, {"0", "0"}, {"2", "0"}, {"01", "0"}, {" 1", "0"}, {"1 ", "0"}, {"", "0"}};
    for (const auto& [stored, checked] : cases) {
        ASSERT_TRUE(store.SaveSetting("zu-comp", stored));
        ASSERT_TRUE(store.SaveSetting("save2_zu-comp", stored));
        MapHolders atStart;
        readRecordIntoHolders(store, atStart);
        EXPECT_EQ(atStart.text(Holder::Check1), checked) << "start-up, stored '" << stored << "'";
        EXPECT_EQ(atStart.text(Holder::Text10), stored);

        // A slot load sets the box either way, also unchecking a checked one.
        MapHolders loaded;
        loaded.setText(Holder::Check1, "1");
        loadSlotIntoHolders(store, 2, loaded);
        EXPECT_EQ(loaded.text(Holder::Check1), checked) << "slot, stored '" << stored << "'";
    }
}

TEST_F(SettingsRecordTest, AwkwardTextsComeBackByteExactAlsoFromTheFileItself) {
    // A file as earlier versions wrote it through QSettings reads the same.
    ASSERT_TRUE(QDir().mkpath(storeDir()));
    {
        QSettings earlier(store.location(), QSettings::IniFormat);
        for (int i = 0; i < kAwkwardTexts.size(); ++i) {
            earlier.setValue(QStringLiteral("Setting/q%1").arg(i), kAwkwardTexts[i]);
        }
    }
    for (int i = 0; i < kAwkwardTexts.size(); ++i) {
        EXPECT_EQ(store.GetSetting(QStringLiteral("q%1").arg(i)), kAwkwardTexts[i]) << i;
        ASSERT_TRUE(store.SaveSetting(QStringLiteral("v%1").arg(i), kAwkwardTexts[i]));
    }
    // A copy under a new name is parsed afresh, not served from Qt's in-process cache.
    const QString copy = work.filePath("copy.ini");
    ASSERT_TRUE(QFile::copy(store.location(), copy));
    QSettings fresh(copy, QSettings::IniFormat);
    for (int i = 0; i < kAwkwardTexts.size(); ++i) {
        const QString name = QStringLiteral("v%1").arg(i);
        EXPECT_EQ(store.GetSetting(name), kAwkwardTexts[i]) << i;
        EXPECT_EQ(fresh.value("Setting/" + name).toString(), kAwkwardTexts[i]) << i;
    }
}

TEST_F(SettingsRecordTest, SaveFailsWhenTheStoreDirectoryCannotBeMade) {
    blockStoreDir();
    EXPECT_FALSE(store.SaveSetting("Combo1", "12"));
    EXPECT_EQ(store.GetSetting("Combo1"), ""); // not the text that failed
}

TEST_F(SettingsRecordTest, SaveFailsInAReadOnlyStoreDirectoryAndKeepsTheOldText) {
    if (!permissionsEnforced()) {
        GTEST_SKIP() << "file permissions are not enforced for this user";
    }
    ASSERT_TRUE(store.SaveSetting("Combo1", "12"));
    const QByteArray before = storeBytes();
    {
        const ReadOnlyDir readOnly(storeDir());
        EXPECT_FALSE(store.SaveSetting("Combo1", "13"));
        EXPECT_FALSE(store.SaveSetting("Text5", "50"));
        EXPECT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Failed);
        EXPECT_EQ(store.GetSetting("Combo1"), "12"); // not the text that failed
    }
    EXPECT_EQ(storeBytes(), before);
    EXPECT_EQ(store.GetSetting("Combo1"), "12");
    EXPECT_EQ(store.GetSetting("Text5"), "");
}

// A store as hand edits and other tools leave it: a comment, lines without "=", other sections,
// text in Shift_JIS and Latin-1 (also in a title every settings window reads and writes back),
// odd spacing.
const QByteArray kForeignStore = "; kept by hand\n"
                                 "[Notes]\n"
                                 "a line without an equals sign\n"
                                 "title=\x8e\xca\x90\x5e\n"
                                 "\n"
                                 "[Setting]\n"
                                 "Combo1=5\n"
                                 "save1_title=\x8e\xca\x90\x5e \x83\x65\n"
                                 "note=caf\xe9\n"
                                 "garbage\n"
                                 "Text5 = \"50\"  \n"
                                 "\n"
                                 "[Other]\n"
                                 "k=1\n";

TEST_F(SettingsRecordTest, WritesTouchNothingButTheValuesTheyChange) {
    ASSERT_TRUE(QDir().mkpath(storeDir()));
    writeBytes(store.location(), kForeignStore);
    MapHolders held;
    readRecordIntoHolders(store, held);
    EXPECT_EQ(held.text(Holder::Text5), "50");
    held.setText(Holder::Combo1, "12");

    // The close writes the record; a commit writes back the titles the window read.
    ASSERT_TRUE(writeRecordFromHolders(store, held));
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        ASSERT_TRUE(store.SaveSetting(slotTitleName(slot), store.GetSetting(slotTitleName(slot))));
    }

    const QByteArray after = storeBytes();
    QList<QByteArray> kept = kForeignStore.split('\n');
    kept.removeAll("Combo1=5");
    qsizetype from = 0;
    for (const QByteArray& line : kept) {
        const qsizetype at = after.indexOf(line, from);
        ASSERT_GE(at, 0) << "lost or moved: " << line.toStdString();
        from = at + line.size();
    }
    const QString copy = work.filePath("copy.ini");
    ASSERT_TRUE(QFile::copy(store.location(), copy));
    QSettings qt(copy, QSettings::IniFormat);
    for (const RecordField& field : kRecordWriteOrder) {
        EXPECT_EQ(qt.value(QStringLiteral("Setting/") + field.name).toString(),
                  held.text(field.holder))
            << field.name;
    }
    EXPECT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
    EXPECT_FALSE(QFile::exists(store.location()));
}

TEST_F(SettingsRecordTest, OnlyTheUsersOwnStoreFileCounts) {
    // QSettings would also have read the organisation's file.
    const QString organisation = QDir(temp.configDir()).filePath(kStoreOrganization + ".conf");
    const QByteArray foreign = "[Setting]\nCombo1=7\nforeign=1\n";
    writeBytes(organisation, foreign);

    EXPECT_EQ(store.GetSetting("Combo1"), "");
    EXPECT_TRUE(store.valueNames().isEmpty());
    EXPECT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Missing);
    ASSERT_TRUE(store.SaveSetting("Text5", "50"));
    EXPECT_EQ(store.valueNames(), QStringList{"Text5"});
    EXPECT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
    EXPECT_EQ(store.GetSetting("Combo1"), "");
    EXPECT_EQ(fileBytes(organisation), foreign);
}

TEST_F(SettingsRecordTest, AStoreThatIsNoRegularFileIsLeftAloneWithoutWaiting) {
    const QString path = store.location();
    const QByteArray native = QFile::encodeName(path);
    ASSERT_TRUE(QDir().mkpath(storeDir()));
    // Never a link to a real device: a store that writes through links would replace it.
    const QString fifo = work.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        const char* kind;
        std::function<bool()> make;
    } stores[] = {
        {"FIFO",
         [&] {
             return ::mkfifo(native.constData(), 0600) == 0;
         }},
        {"directory",
         [&] {
             return QDir().mkdir(path);
         }},
        {"link to a FIFO",
         [&] {
             return QFile::link(fifo, path);
         }},
    };
    for (const auto& s : stores) {
        ASSERT_TRUE(s.make()) << s.kind;
        struct stat before {};
        ::lstat(native.constData(), &before);
        EXPECT_TRUE(succeedsInChild([&] {
            MapHolders held;
            readRecordIntoHolders(store, held);
            return held.text(Holder::Combo1) == "9" && !store.SaveSetting("Combo1", "12") &&
                   store.DeleteSetting() == SettingsStore::DeleteResult::Failed;
        })) << s.kind;
        struct stat after {};
        ::lstat(native.constData(), &after);
        EXPECT_EQ(after.st_mode, before.st_mode) << s.kind;
        EXPECT_EQ(after.st_ino, before.st_ino) << s.kind;
        ASSERT_TRUE(QFile::remove(path) || QDir().rmdir(path)) << s.kind;
    }
}

TEST_F(SettingsRecordTest, EachActionIsOneWriteThatHappensWholeOrNotAtAll) {
    MapHolders held;
    readRecordIntoHolders(store, held);
    held.setText(Holder::Text2, "Option4");
    MapHolders restored;
    readRecordIntoHolders(store, restored);
    restored.setText(Holder::Text7, "B2");
    ASSERT_TRUE(saveSlotFromHolders(store, 2, restored));
    const QString backup = exportTo("backup.reg");
    ASSERT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);

    QByteArray foreign = "[Setting]\n";
    for (int i = 0; i < 2000; ++i) {
        foreign += "foreign" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n";
    }
    ASSERT_TRUE(QDir().mkpath(storeDir()));
    writeBytes(store.location(), foreign);

    const struct {
        const char* action;
        std::function<bool()> run;
    } actions[] = {
        {"close",
         [&] {
             return writeRecordFromHolders(store, held);
         }},
        {"slot save",
         [&] {
             return saveSlotFromHolders(store, 3, held);
         }},
        {"restore",
         [&] {
             return importRegFile(store, backup, nullptr).has_value();
         }},
    };
    for (const auto& a : actions) {
        const QByteArray before = storeBytes();
        bool written = true;
        {
            // Room for a value or two, not for all.
            const FileSizeLimit full(before.size() + 40);
            written = a.run();
        }
        EXPECT_FALSE(written) << a.action;
        EXPECT_EQ(storeBytes(), before) << a.action;
        EXPECT_TRUE(a.run()) << a.action;
        EXPECT_NE(storeBytes(), before) << a.action;
    }
    EXPECT_EQ(store.GetSetting("save2_paste-url-1"), "B2");
    EXPECT_EQ(store.GetSetting("foreign1999"), "1999");
}

} // namespace
} // namespace velmora::testing
