// The store and the settings record: fallbacks, the check box rule, what is written, and
// that texts come back exactly as they went in.

#include "map_holders.h"
#include "settings_record.h"
#include "store_fixture.h"

#include <QSettings>

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

TEST_F(SettingsRecordTest, CloseWritesAllThirteenFromTheirHolders) {
    MapHolders holders;
    int n = 0;
    for (const RecordField& field : kRecordWriteOrder) {
        holders.setText(field.holder, QStringLiteral("v%1 ").arg(++n));
    }
    holders.setText(Holder::Text10, "7"); // not what is written for "zu-comp"
    holders.setText(Holder::Check1, "1");
    ASSERT_TRUE(writeRecordFromHolders(store, holders));

    const QMap<QString, QString> stored = snapshot();
    ASSERT_EQ(stored.size(), 13);
    EXPECT_EQ(stored.value("Combo1"), "v1 ");
    EXPECT_EQ(stored.value("Option"), "v3 ");
    EXPECT_EQ(stored.value("paste-url-3"), "v7 ");
    EXPECT_EQ(stored.value("zu-comp"), "1");
    EXPECT_EQ(stored.value("renzoku-p1-p2"), "v13 ");

    // Unchanged holders are written again, empty ones as empty values.
    holders.setText(Holder::Text8, "");
    ASSERT_TRUE(writeRecordFromHolders(store, holders));
    EXPECT_EQ(store.valueNames().size(), 13);
    EXPECT_EQ(store.GetSetting("paste-url-2"), "");
}

TEST_F(SettingsRecordTest, SlotSaveAndLoadUseThePrefixedNames) {
    MapHolders holders;
    int n = 0;
    for (const RecordField& field : kRecordWriteOrder) {
        holders.setText(field.holder, kAwkwardTexts[++n]);
    }
    holders.setText(Holder::Check1, "1");
    ASSERT_TRUE(saveSlotFromHolders(store, 4, holders));

    EXPECT_EQ(slotTitleName(4), "save4_title");
    EXPECT_EQ(store.GetSetting("save4_paste-url-2"), holders.text(Holder::Text8));
    EXPECT_EQ(store.GetSetting("Combo1"), ""); // the record itself is untouched
    for (const QString& name : store.valueNames()) {
        EXPECT_TRUE(name.startsWith("save4_")) << name.toStdString();
    }

    MapHolders loaded;
    loadSlotIntoHolders(store, 4, loaded);
    for (const RecordField& field : kRecordReadOrder) {
        if (field.holder != Holder::Text10) {
            EXPECT_EQ(loaded.text(field.holder), holders.text(field.holder)) << field.name;
        }
    }
    EXPECT_EQ(loaded.text(Holder::Check1), "1");
}

TEST_F(SettingsRecordTest, AwkwardTextsComeBackByteExactAlsoFromTheFileItself) {
    for (int i = 0; i < kAwkwardTexts.size(); ++i) {
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

TEST_F(SettingsRecordTest, DeleteReportsMissingThenDeletedAndRemovesTheFile) {
    EXPECT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Missing);
    ASSERT_TRUE(store.SaveSetting("save1_title", "セーブデータ1"));
    ASSERT_TRUE(QFileInfo::exists(store.location()));

    EXPECT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
    EXPECT_FALSE(QFileInfo::exists(store.location()));
    EXPECT_EQ(store.GetSetting("save1_title"), "");
    EXPECT_TRUE(store.valueNames().isEmpty());
    EXPECT_EQ(store.DeleteSetting(), SettingsStore::DeleteResult::Missing);
}

TEST_F(SettingsRecordTest, SaveFailsWhenTheStoreDirectoryCannotBeMade) {
    blockStoreDir();
    EXPECT_FALSE(store.SaveSetting("Combo1", "12"));
    MapHolders holders;
    EXPECT_FALSE(writeRecordFromHolders(store, holders));
    EXPECT_EQ(store.GetSetting("Combo1"), "");
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

} // namespace
} // namespace velmora::testing
