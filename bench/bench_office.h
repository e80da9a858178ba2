#pragma once

// The office a bench measures: headless, or with VELMORA_BENCH_OFFICE=visible (run under a
// display, such as xvfb-run) one that paints into a window as a user's office does.

#include "folder_paste.h"
#include "office_fixture.h"

#include <QDir>
#include <QFile>

#include <cstdint>

#include <unistd.h>

namespace velmora::bench {

inline bool officeHeadless() {
    return qEnvironmentVariable("VELMORA_BENCH_OFFICE") != QStringLiteral("visible");
}

inline const char* displayName(bool headless) {
    return headless ? "headless" : "visible";
}

// A folder paste's progress window that shows nothing, so only the paste is measured.
struct NoProgress : ProgressView {
    void show() override {}
    void setCaption(const QString&) override {}
    void close() override {}
};

// CPU time (user and system, every thread) so far of each process whose command line contains
// `marker` (and of this process for an empty marker), in milliseconds.
inline double cpuMilliseconds(const QByteArray& marker) {
    const auto ofProcess = [](const QString& dir) {
        QFile stat(dir + QStringLiteral("/stat"));
        const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        // After "pid (comm) ": state is field 3, utime and stime fields 14 and 15.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return fields.size() > 12 ? (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 /
                                        double(::sysconf(_SC_CLK_TCK))
                                  : 0.0;
    };
    if (marker.isEmpty()) {
        return ofProcess(QStringLiteral("/proc/self"));
    }
    double total = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (pid.toLongLong() > 0 && cmdline.open(QIODevice::ReadOnly) &&
            cmdline.readAll().contains(marker)) {
            total += ofProcess(QStringLiteral("/proc/") + pid);
        }
    }
    return total;
}

// Waits until the processes whose command line contains `marker` have used under 5 % of a
// processor for half a second (at most a minute): an office still freeing a closed workbook
// would otherwise spend that time in the next measurement.
inline void waitUntilIdle(const QByteArray& marker) {
    constexpr int kPeriodMs = 500;
    for (int i = 0; i < 120; ++i) {
        const double before = cpuMilliseconds(marker);
        ::usleep(kPeriodMs * 1000);
        if (cpuMilliseconds(marker) - before < kPeriodMs / 20.0) {
            return;
        }
    }
}

// Messages written to offices' pipes so far, counted once the bridge has been quiet for a
// tenth of a second (at most five seconds): the releases of what a paste let go of go out on the
// bridge's own thread, after the paste has returned.
inline std::uint64_t settledMessages() {
    std::uint64_t count = unoMessagesSent();
    for (int i = 0; i < 50; ++i) {
        ::usleep(100 * 1000);
        const std::uint64_t now = unoMessagesSent();
        if (now == count) {
            break;
        }
        count = now;
    }
    return count;
}

} // namespace velmora::bench
