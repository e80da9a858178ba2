#include "settings_record.h"

namespace velmora {

namespace {

void fallback(Holders& holders, Holder holder, const QString& value) {
    if (holders.text(holder).isEmpty()) {
        holders.setText(holder, value);
    }
}

void readInto(const SettingsStore& store, Holders& holders, const QString& prefix) {
    for (const RecordField& field : kRecordReadOrder) {
        holders.setText(field.holder, store.GetSetting(prefix + QLatin1String(field.name)));
    }
}

void writeFrom(SettingsStore& store, const Holders& holders, const QString& prefix) {
    StoreValues values;
    for (const RecordField& field : kRecordWriteOrder) {
        values.append({prefix + QLatin1String(field.name), holders.text(field.holder)});
    }
    store.SaveSettings(values);
}

// Only the exact text "1" checks the box.
void applyCompressionState(Holders& holders) {
    holders.setText(Holder::Check1, holders.text(Holder::Text10) == QLatin1String("1")
                                        ? QStringLiteral("1")
                                        : QStringLiteral("0"));
}

QString slotPrefix(int slot) {
    return QStringLiteral("save%1_").arg(slot);
}

} // namespace

QString slotValueName(int slot, const QString& valueName) {
    return slotPrefix(slot) + valueName;
}

QString slotTitleName(int slot) {
    return slotPrefix(slot) + QStringLiteral("title");
}

QStringList allValueNames() {
    QStringList names;
    for (const RecordField& field : kRecordWriteOrder) {
        names << QLatin1String(field.name);
    }
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        names << slotTitleName(slot);
        for (const RecordField& field : kRecordWriteOrder) {
            names << slotValueName(slot, QLatin1String(field.name));
        }
    }
    return names;
}

void readRecordIntoHolders(const SettingsStore& store, Holders& holders) {
    readInto(store, holders, QString());
    fallback(holders, Holder::Combo1, QStringLiteral("9"));
    fallback(holders, Holder::Text5, QStringLiteral("100"));
    fallback(holders, Holder::Text3, QStringLiteral("0"));
    fallback(holders, Holder::Text4, QStringLiteral("0"));
    if (holders.text(Holder::Text10) == QLatin1String("1")) {
        holders.setText(Holder::Check1, QStringLiteral("1"));
    }
    fallback(holders, Holder::Text25, QStringLiteral("1"));
    fallback(holders, Holder::Text26, QStringLiteral("1"));
}

void writeRecordFromHolders(SettingsStore& store, const Holders& holders) {
    writeFrom(store, holders, QString());
}

void saveSlotFromHolders(SettingsStore& store, int slot, const Holders& holders) {
    writeFrom(store, holders, slotPrefix(slot));
}

void loadSlotIntoHolders(const SettingsStore& store, int slot, Holders& holders) {
    readInto(store, holders, slotPrefix(slot));
    applyCompressionState(holders);
}

} // namespace velmora
