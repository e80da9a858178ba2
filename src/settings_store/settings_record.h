#pragma once

// The settings record: thirteen values named after their store keys, living in the main
// window's holders while the program runs.

#include "holders.h"
#include "settings_store.h"

#include <array>

namespace velmora {

struct RecordField {
    const char* name; // store value name
    Holder holder;    // where it lives at run time
};

// In the order the values are written (at close and into a slot). "zu-comp" is written from
// the check box, never from Text10.
inline constexpr std::array<RecordField, 13> kRecordWriteOrder{{
    {"Combo1", Holder::Combo1},
    {"Text5", Holder::Text5},
    {"Option", Holder::Text2},
    {"paste-check", Holder::Text6},
    {"paste-url-1", Holder::Text7},
    {"paste-url-2", Holder::Text8},
    {"paste-url-3", Holder::Text9},
    {"bityousei-tate", Holder::Text3},
    {"bityousei-yoko", Holder::Text4},
    {"zu-comp", Holder::Check1},
    {"junjo", Holder::Text22},
    {"renzoku-no1-no2", Holder::Text25},
    {"renzoku-p1-p2", Holder::Text26},
}};

// In the order the values are read (at start-up and from a slot). "zu-comp" goes to Text10.
inline constexpr std::array<RecordField, 13> kRecordReadOrder{{
    {"Option", Holder::Text2},
    {"Combo1", Holder::Combo1},
    {"Text5", Holder::Text5},
    {"paste-check", Holder::Text6},
    {"paste-url-1", Holder::Text7},
    {"paste-url-2", Holder::Text8},
    {"paste-url-3", Holder::Text9},
    {"bityousei-tate", Holder::Text3},
    {"bityousei-yoko", Holder::Text4},
    {"zu-comp", Holder::Text10},
    {"junjo", Holder::Text22},
    {"renzoku-no1-no2", Holder::Text25},
    {"renzoku-p1-p2", Holder::Text26},
}};

inline constexpr int kSlotCount = 5;

// "save3_paste-url-2" for slot 3's value "paste-url-2"; "save3_title" for its title.
QString slotValueName(int slot, const QString& valueName);
QString slotTitleName(int slot);
// Every value name the program writes: the record, then each slot's title and values (83).
QStringList allValueNames();

// Start-up: the thirteen values into the holders, the fallbacks, the check box.
void readRecordIntoHolders(const SettingsStore& store, Holders& holders);
// Close: all thirteen values from the holders, in one write.
void writeRecordFromHolders(SettingsStore& store, const Holders& holders);

// A slot's thirteen values from the holders, in one write.
void saveSlotFromHolders(SettingsStore& store, int slot, const Holders& holders);
// A slot's thirteen values into the holders, no fallbacks; the check box follows "zu-comp".
void loadSlotIntoHolders(const SettingsStore& store, int slot, Holders& holders);

} // namespace velmora
