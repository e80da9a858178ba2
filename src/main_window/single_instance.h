#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace velmora {

// One Velmora per user. The lock is released when the process ends; a lock left by a
// process that died is taken over, because the lock file names a process that no longer
// runs.
class SingleInstance {
public:
    explicit SingleInstance(QString lockPath = defaultLockPath());
    // True when this process now holds the lock; false when another instance holds it.
    bool acquire();
    static QString defaultLockPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace velmora
