#pragma once

// The per-user store of named string values: application key "quillmere", section
// "Setting". On Windows QSettings' native format is exactly the registry key; here it is an
// INI file under the XDG config directory.

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace velmora {

inline const QString kStoreOrganization = QStringLiteral("VB and VBA Program Settings");
inline const QString kStoreApplication = QStringLiteral("quillmere");
inline const QString kStoreSection = QStringLiteral("Setting");
inline const QString kStoreRegistryKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\quillmere");

class SettingsStore {
public:
    enum class DeleteResult { Deleted, Missing, Failed };

    explicit SettingsStore(QString application = kStoreApplication);

    // GetSetting without a default: a missing value (or key, or section) reads as "".
    QString GetSetting(const QString& name) const;
    // SaveSetting: creates the key and the section when needed. False when the store could
    // not be written (read-only or full).
    bool SaveSetting(const QString& name, const QString& text);
    // DeleteSetting of the whole application key, the file included. Missing when there was
    // nothing to delete.
    DeleteResult DeleteSetting();
    // Replaces every value of the section with `values` in one atomic write, so that a failed
    // write leaves the previous values. False when the store could not be written.
    bool replaceSection(const QList<std::pair<QString, QString>>& values);

    // Every value name stored in the section, sorted.
    QStringList valueNames() const;
    // Where the store lives (the INI file here).
    QString location() const;

private:
    QString application_;
};

} // namespace velmora
