#pragma once

#include <QString>

namespace velmora {

// One Velmora per user: an exclusive lock on a file in a directory only this user can write.
// The kernel holds the lock for the process and drops it when the process ends however it
// ends, so whatever a lock file holds (nothing after a crash, another host's name, garbage)
// never keeps a later start out; only a running Velmora of this user does.
class SingleInstance {
public:
    explicit SingleInstance(QString lockPath = defaultLockPath());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False only while another Velmora of this user holds the lock. When no lock can be made at
    // all (no private directory, an unwritable one), Velmora runs without one rather than never.
    bool acquire();
    // $XDG_RUNTIME_DIR/velmora.lock when that directory is the user's own and private, else the
    // same name in a private "velmora" folder of the user's cache directory; empty when neither
    // can be had.
    static QString defaultLockPath();

private:
    QString path_;
    int fd_ = -1;
};

} // namespace velmora
