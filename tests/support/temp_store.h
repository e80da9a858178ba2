#pragma once

// Points the settings store at a fresh temporary config directory (XDG_CONFIG_HOME) for one
// test.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <csignal>

#include <sys/resource.h>

namespace velmora::testing {

class TempStore {
public:
    TempStore();
    ~TempStore();
    TempStore(const TempStore&) = delete;
    TempStore& operator=(const TempStore&) = delete;

    QString configDir() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A full disk while it lives: no file this process writes can grow past `bytes`.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*handler_)(int) = nullptr;
};

} // namespace velmora::testing
