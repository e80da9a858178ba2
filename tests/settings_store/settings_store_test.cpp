// The store and the settings record: fallbacks, the check box rule, texts coming back exactly
// as they went in, and failed writes.

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

} // namespace
} // namespace velmora::testing
