#include "settings_store.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

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
    if (!settings.isWritable()) {
        return false;
    }
    settings.setValue(keyOf(name), text);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

SettingsStore::DeleteResult SettingsStore::DeleteSetting() {
    const QString path = location();
    if (!QFileInfo::exists(path)) {
        return DeleteResult::Missing;
    }
    {
        QSettings settings = openStore(application_);
        settings.clear();
        settings.sync();
    }
    if (!QFile::remove(path) && QFileInfo::exists(path)) {
        return DeleteResult::Failed;
    }
    return DeleteResult::Deleted;
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
