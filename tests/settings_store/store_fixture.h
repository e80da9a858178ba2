#pragma once

// A fresh store per test plus helpers to look at it whole.

#include "reg_export.h"
#include "settings_store.h"
#include "temp_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmora::testing {

// Texts that a careless writer or reader of the store file or of the export format gets wrong.
// clang-format off
inline const QStringList kAwkwardTexts = {
    "9", "", " ", "  lead and trail  ", "@start", "@", "@Variant(0)", "a, b,c", "x; y", "a=b",
    "\"=\"", "[Setting]", "[HKEY_CURRENT_USER\\x]", "]", "\"quoted\"", "\"", "\\",
    "\\\\server\\share\\", "C:\\写真\\", "end\\", "\\\"", "セーブデータ1",
    "ＭＳ ゴシック　全角空白", "10㎝", "tab\there", "%41%", "true", "#not a comment", ";comment",
    "-", "hex(1):00", "a\nb", "一行目\r\n二行目\n" + QString(40, QChar(u'長'))};
// clang-format on

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

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

    QByteArray storeBytes() const { return fileBytes(store.location()); }

    // The directory the store's file lives in ("VB and VBA Program Settings").
    QString storeDir() const { return QFileInfo(store.location()).absolutePath(); }

    // A plain file where the store's directory belongs: every write fails.
    void blockStoreDir() {
        ASSERT_TRUE(QDir(storeDir()).removeRecursively());
        writeBytes(storeDir(), QByteArray());
    }

    // Exports the store into the work folder and returns the file's path.
    QString exportTo(const QString& name) {
        const QString path = work.filePath(name);
        QString error;
        EXPECT_TRUE(exportRegFile(store, path, &error)) << error.toStdString();
        return path;
    }

    TempStore temp;
    SettingsStore store;
    QTemporaryDir work;
};

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

// True when a directory without write permission refuses new files for this user (it does
// not for root, which many containers run tests as).
inline bool permissionsEnforced() {
    QTemporaryDir probe;
    const ReadOnlyDir readOnly(probe.path());
    return !QFile(probe.filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly);
}

// Runs `action` in a child process with `seconds` to finish and at most 512 MB of data: true
// when it returned true. A hang or a crash fails the test that asked instead of the whole run.
inline bool succeedsInChild(const std::function<bool()>& action, unsigned seconds = 20) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit data{512L << 20, 512L << 20};
        ::setrlimit(RLIMIT_DATA, &data);
        ::alarm(seconds);
        ::_exit(action() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

inline QStringList entriesOf(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

} // namespace velmora::testing
