#include "settings_store.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <functional>
#include <utility>

namespace velmora {

namespace {

QSettings openStore(const QString& application) {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kStoreOrganization,
                     application);
}

QString keyOf(const QString& name) {
    return kStoreSection + QLatin1Char('/') + name;
}

// Applies `change` and writes it. A failed write would stay pending in Qt's per-process cache
// of the file, where every later read sees it and the next successful access writes it after
// all; so on failure the previous values are put back.
bool commit(QSettings& settings, const std::function<void(QSettings&)>& change) {
    if (!settings.isWritable()) {
        return false;
    }
    QList<std::pair<QString, QVariant>> before;
    for (const QString& key : settings.allKeys()) {
        before.append({key, settings.value(key)});
    }
    change(settings);
    settings.sync();
    if (settings.status() == QSettings::NoError) {
        return true;
    }
    settings.clear();
    for (const auto& [key, value] : before) {
        settings.setValue(key, value);
    }
    return false;
}

} // namespace

SettingsStore::SettingsStore(QString application) : application_(std::move(application)) {}

QString SettingsStore::GetSetting(const QString& name) const {
    const QSettings settings = openStore(application_);
    const QVariant value = settings.value(keyOf(name));
    // A hand-edited file may hold an unquoted list ("a, b"); read it back as its text.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", "));
    }
    return value.toString();
}

bool SettingsStore::SaveSetting(const QString& name, const QString& text) {
    QSettings settings = openStore(application_);
    return commit(settings, [&](QSettings& s) { s.setValue(keyOf(name), text); });
}

SettingsStore::DeleteResult SettingsStore::DeleteSetting() {
    const QString path = location();
    if (!QFileInfo::exists(path)) {
        return DeleteResult::Missing;
    }
    {
        QSettings settings = openStore(application_);
        if (!commit(settings, [](QSettings& s) { s.clear(); })) {
            return DeleteResult::Failed;
        }
    }
    if (!QFile::remove(path) && QFileInfo::exists(path)) {
        return DeleteResult::Failed;
    }
    return DeleteResult::Deleted;
}

bool SettingsStore::replaceSection(const QList<std::pair<QString, QString>>& values) {
    QSettings settings = openStore(application_);
    return commit(settings, [&](QSettings& s) {
        s.remove(kStoreSection);
        for (const auto& [name, text] : values) {
            s.setValue(keyOf(name), text);
        }
    });
}

QStringList SettingsStore::valueNames() const {
    QSettings settings = openStore(application_);
    settings.beginGroup(kStoreSection);
    QStringList names = settings.childKeys();
    names.sort();
    return names;
}

QString SettingsStore::location() const {
    return openStore(application_).fileName();
}

} // namespace velmora
