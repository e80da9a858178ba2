#include "calc_link.h"

#include "calc_objects.h"
#include "uno_session.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

// How long the office's launcher may take to pass the listening request on.
constexpr int kLauncherTimeoutMs = 5000;
// After a give-up, how often and how far apart the office is tidied up once it answers.
constexpr int kSweepAttempts = 30;
constexpr int kSweepRetryMs = 1000;

struct OfficeProcess {
    qint64 pid = 0;
    QString programDir;
    QString profileUrl;
    // Started with --headless: another program's automation server, with no window that
    // could show the user a workbook.
    bool headless = false;
};

// The state letter of /proc/<pid>/stat ("pid (comm) S ..."); T and t are stopped.
char processState(const QString& procDir) {
    QFile stat(procDir + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() ? text.at(close + 2) : 0;
}

bool stopped(qint64 pid) {
    const char state = processState(QStringLiteral("/proc/%1").arg(pid));
    return state == 'T' || state == 't' || state == 0 || state == 'Z';
}

// This user's running offices, read from /proc.
QList<OfficeProcess> runningOffices() {
    QList<OfficeProcess> offices;
    const auto uid = getuid();
    const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        entry.toInt(&numeric);
        if (!numeric) {
            continue;
        }
        const QString dir = QStringLiteral("/proc/") + entry;
        struct stat info {};
        if (stat(QFile::encodeName(dir).constData(), &info) != 0 || info.st_uid != uid) {
            continue;
        }
        const QString exe = QFileInfo(dir + QStringLiteral("/exe")).symLinkTarget();
        if (QFileInfo(exe).fileName() != QStringLiteral("soffice.bin")) {
            continue;
        }
        QFile cmdline(dir + QStringLiteral("/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly)) {
            continue;
        }
        OfficeProcess office{entry.toLongLong(), QFileInfo(exe).absolutePath(), {}};
        for (const QByteArray& arg : cmdline.readAll().split('\0')) {
            const QString text = QString::fromLocal8Bit(arg);
            const QString prefix = QStringLiteral("-env:UserInstallation=");
            if (text.startsWith(prefix)) {
                office.profileUrl = text.mid(prefix.size());
            } else if (text == QStringLiteral("--headless") ||
                       text == QStringLiteral("-headless")) {
                office.headless = true;
            }
        }
        offices << office;
    }
    return offices;
}

class CalcLink : public ExcelLink {
public:
    explicit CalcLink(CalcLinkOptions options)
        : options_(std::move(options)), state_(std::make_shared<calc::LinkState>()),
          stopWatching_(::eventfd(0, EFD_CLOEXEC)) {
        state_->noticeMs = options_.notAnsweringNoticeMs;
        std::lock_guard lock(state_->watchMutex);
        state_->watchGivenUpPipe = [this](int fd) {
            watch(fd);
        };
    }

    ~CalcLink() override {
        {
            std::lock_guard lock(state_->watchMutex);
            state_->watchGivenUpPipe = nullptr;
        }
        const std::uint64_t one = 1;
        if (stopWatching_ >= 0 && ::write(stopWatching_, &one, sizeof(one)) < 0) {
            // Cannot fail for a counter far from its limit.
        }
        std::vector<std::thread> watchers;
        {
            std::lock_guard lock(watchersMutex_);
            stopping_ = true;
            watchers = std::move(watchers_);
        }
        for (std::thread& watcher : watchers) {
            watcher.join();
        }
        if (stopWatching_ >= 0) {
            ::close(stopWatching_);
        }
    }
    CalcLink(const CalcLink&) = delete;
    CalcLink& operator=(const CalcLink&) = delete;

    ApplicationPtr attach() override {
        std::shared_ptr<calc::Session> session;
        try {
            session = calc::Session::connect(state_, options_.pipeName);
        } catch (const SpreadsheetError&) {
            if (!options_.handOff) {
                throw;
            }
            session = handOff();
        }
        session->clearStaleLocks();
        return calc::makeCalcApplication(std::move(session));
    }

    void setWaitSettings(const WaitSettings& settings) override {
        state_->timeoutMs = std::clamp(settings.pendingTimeoutMs, 1, options_.longestWaitMs);
        state_->busyRaisesError = settings.busyRaisesError;
    }

    WaitSettings waitSettings() const override {
        return {state_->busyRaisesError.load(), state_->timeoutMs.load()};
    }

    void setInteraction(UserInteraction* interaction) override {
        state_->interaction = interaction;
    }

    void readAhead(const QString& fileName) override { state_->pictureChecks.readAhead(fileName); }

private:
    // A run given up while a call was under way left the office inside that call, with its
    // workbooks locked and Velmora's undo context open. The call's pipe stays open until the
    // office answers it; then, with that call done, what the run left is cleared.
    void watch(int fd) {
        std::lock_guard lock(watchersMutex_);
        if (stopping_) {
            ::close(fd);
            return;
        }
        watchers_.emplace_back([this, fd] {
            pollfd wait[2] = {{fd, POLLIN | POLLRDHUP, 0}, {stopWatching_, POLLIN, 0}};
            while (::poll(wait, 2, -1) < 0 && errno == EINTR) {
            }
            ::close(fd);
            // The run's objects may still be held a while (its error message is up), and
            // they would stand in, dead, for the workbooks: so a failed sweep is tried again.
            // The link's locks count, but not a paste run's long wait setting.
            auto sweeping = std::make_shared<calc::LinkState>();
            sweeping->locksHeld = state_->locksHeld;
            sweeping->watchGivenUpPipe = [this](int next) {
                watch(next);
            };
            for (int attempt = 0; attempt < kSweepAttempts && wait[1].revents == 0; ++attempt) {
                try {
                    calc::Session::connect(sweeping, options_.pipeName)->clearStaleLocks();
                    return;
                } catch (const SpreadsheetError&) {
                    // Gone, stuck again, or not yet free: the next attach clears it at last.
                }
                while (::poll(&wait[1], 1, kSweepRetryMs) < 0 && errno == EINTR) {
                }
            }
        });
    }

    // Asks the running offices of this user, one after the other, to listen on our pipe too,
    // and attaches to the first that then answers. A stopped office is skipped: its launcher
    // would wait for it forever. Headless offices are left alone unless named by profile.
    std::shared_ptr<calc::Session> handOff() {
        for (const OfficeProcess& office : runningOffices()) {
            const bool named = !options_.handOffProfileUrl.isEmpty();
            if (named ? office.profileUrl != options_.handOffProfileUrl : office.headless) {
                continue;
            }
            if (stopped(office.pid) || !askToListen(office)) {
                continue;
            }
            if (auto session = waitForPipe()) {
                return session;
            }
        }
        throw SpreadsheetError(
            QStringLiteral("Calc is not running (no office answers on the pipe \"%1\")")
                .arg(options_.pipeName));
    }

    // The office's own launcher passes the request to the running instance and returns. It
    // runs in a process group of its own: if it does not return in time, the group ends, so
    // neither the launcher nor an office it might have started is left behind.
    bool askToListen(const OfficeProcess& office) {
        QStringList args;
        if (!office.profileUrl.isEmpty()) {
            args << QStringLiteral("-env:UserInstallation=") + office.profileUrl;
        }
        args << QStringLiteral("--nologo")
             << QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext")
                    .arg(options_.pipeName);
        QProcess launcher;
        launcher.setProcessChannelMode(QProcess::MergedChannels);
        launcher.setStandardOutputFile(QProcess::nullDevice());
        launcher.setChildProcessModifier([] { ::setpgid(0, 0); });
        launcher.start(office.programDir + QStringLiteral("/soffice"), args);
        if (!launcher.waitForStarted(kLauncherTimeoutMs)) {
            return false;
        }
        const auto group = static_cast<pid_t>(launcher.processId());
        if (!launcher.waitForFinished(kLauncherTimeoutMs)) {
            // Still our unreaped child, so the group cannot be anybody else's.
            ::kill(-group, SIGKILL);
            launcher.waitForFinished(1000);
            return false;
        }
        return launcher.exitStatus() == QProcess::NormalExit && launcher.exitCode() == 0;
    }

    std::shared_ptr<calc::Session> waitForPipe() {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            try {
                return calc::Session::connect(state_, options_.pipeName);
            } catch (const SpreadsheetError&) {
                if (clock.elapsed() >= options_.handOffWaitMs) {
                    return nullptr;
                }
                QThread::msleep(50);
            }
        }
    }

    CalcLinkOptions options_;
    std::shared_ptr<calc::LinkState> state_;
    // Readable once the link ends: the watchers stop.
    int stopWatching_ = -1;
    std::mutex watchersMutex_;
    bool stopping_ = false;
    std::vector<std::thread> watchers_;
};

} // namespace

std::unique_ptr<ExcelLink> makeCalcLink(const CalcLinkOptions& options) {
    return std::make_unique<CalcLink>(options);
}

std::unique_ptr<ExcelLink> makeCalcLink(QString pipeName) {
    CalcLinkOptions options;
    options.pipeName = std::move(pipeName);
    return makeCalcLink(options);
}

} // namespace velmora
