#pragma once

// Points the settings store at a fresh temporary config directory (XDG_CONFIG_HOME) while it
// lives; a simulated full disk; a file's bytes in and out.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>

#include <sys/resource.h>

namespace velmora::testing {

class TempStore {
public:
    TempStore() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path())); }
    ~TempStore() {
        previous_.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", previous_);
    }
    QString configDir() const { return dir_.path(); }

private:
    QByteArray previous_ = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir dir_;
};

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes `bytes` to `path`, making its folder: true when all were written.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A full disk while it lives: no file this process writes can grow past `bytes` (a negative
// size leaves the disk as it is).
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        const rlimit limit{static_cast<rlim_t>(bytes), previous_.rlim_max};
        if (bytes >= 0) {
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, handler_);
    }
    Q_DISABLE_COPY(FileSizeLimit)

private:
    rlimit previous_{};
    void (*handler_)(int) = std::signal(SIGXFSZ, SIG_IGN);
};

} // namespace velmora::testing
