#include "single_instance.h"

#include <QDir>

#include <unistd.h>

#include <utility>

namespace velmora {

SingleInstance::SingleInstance(QString lockPath) : path_(std::move(lockPath)) {}

QString SingleInstance::defaultLockPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) {
        return runtime + QStringLiteral("/velmora.lock");
    }
    return QDir::tempPath() + QStringLiteral("/velmora-%1.lock").arg(getuid());
}

bool SingleInstance::acquire() {
    if (lock_ && lock_->isLocked()) {
        return true;
    }
    lock_ = std::make_unique<QLockFile>(path_);
    // Age alone never makes a lock stale: only a dead owner does.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

} // namespace velmora
