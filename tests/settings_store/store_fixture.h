#pragma once

// A fresh store per test plus helpers to look at it whole.

#include "settings_store.h"
#include "temp_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace velmora::testing {

class StoreTest : public ::testing::Test {
protected:
    // Every value of the section, by name.
    QMap<QString, QString> snapshot() const {
        QMap<QString, QString> values;
        for (const QString& name : store.valueNames()) {
            values.insert(name, store.GetSetting(name));
        }
        return values;
    }

    QByteArray storeBytes() const {
        QFile file(store.location());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The directory the store's file lives in ("VB and VBA Program Settings").
    QString storeDir() const { return QFileInfo(store.location()).absolutePath(); }

    TempStore temp;
    SettingsStore store;
    QTemporaryDir work;
};

// True when a directory without write permission refuses new files for this user (it does
// not for root, which many containers run tests as).
inline bool permissionsEnforced() {
    QTemporaryDir probe;
    const QByteArray dir = QFile::encodeName(probe.path());
    ::chmod(dir.constData(), 0500);
    QFile file(probe.filePath(QStringLiteral("probe")));
    const bool refused = !file.open(QIODevice::WriteOnly);
    file.close();
    ::chmod(dir.constData(), 0700);
    return refused;
}

// Makes a directory read-only for the lifetime of the guard.
class ReadOnlyDir {
public:
    explicit ReadOnlyDir(const QString& path) : path_(QFile::encodeName(path)) {
        ::chmod(path_.constData(), 0500);
    }
    ~ReadOnlyDir() { ::chmod(path_.constData(), 0700); }
    ReadOnlyDir(const ReadOnlyDir&) = delete;
    ReadOnlyDir& operator=(const ReadOnlyDir&) = delete;

private:
    QByteArray path_;
};

inline QStringList entriesOf(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

} // namespace velmora::testing
