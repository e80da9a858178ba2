#include "calc_link.h"

#include "calc_objects.h"
#include "uno_session.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

struct OfficeProcess {
    QString programDir;
    QString profileUrl;
};

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
        OfficeProcess office{QFileInfo(exe).absolutePath(), {}};
        for (const QByteArray& arg : cmdline.readAll().split('\0')) {
            const QString text = QString::fromLocal8Bit(arg);
            const QString prefix = QStringLiteral("-env:UserInstallation=");
            if (text.startsWith(prefix)) {
                office.profileUrl = text.mid(prefix.size());
            }
        }
        offices << office;
    }
    return offices;
}

class CalcLink : public ExcelLink {
public:
    explicit CalcLink(CalcLinkOptions options)
        : options_(std::move(options)), state_(std::make_shared<calc::LinkState>()) {}

    ApplicationPtr attach() override {
        std::shared_ptr<calc::Session> session;
        try {
            session = calc::Session::connect(state_, options_.pipeName);
        } catch (const SpreadsheetError&) {
            if (!options_.handOff || !handOff()) {
                throw;
            }
            session = retryAfterHandOff();
        }
        session->clearStaleLocks();
        return calc::makeCalcApplication(std::move(session));
    }

    void setWaitSettings(const WaitSettings& settings) override {
        state_->timeoutMs = std::max(1, settings.pendingTimeoutMs);
        state_->busyRaisesError = settings.busyRaisesError;
    }

    WaitSettings waitSettings() const override {
        return {state_->busyRaisesError.load(), state_->timeoutMs.load()};
    }

private:
    // Asks each running office of this user to listen on our pipe too. The office's own
    // launcher passes the request to the running instance and returns; it never starts one
    // here because it runs only while an office process exists.
    bool handOff() {
        bool asked = false;
        for (const OfficeProcess& office : runningOffices()) {
            if (!options_.handOffProfileUrl.isEmpty() &&
                office.profileUrl != options_.handOffProfileUrl) {
                continue;
            }
            QStringList args;
            if (!office.profileUrl.isEmpty()) {
                args << QStringLiteral("-env:UserInstallation=") + office.profileUrl;
            }
            args << QStringLiteral("--nologo")
                 << QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext")
                        .arg(options_.pipeName);
            QProcess launcher;
            launcher.start(office.programDir + QStringLiteral("/soffice"), args);
            if (!launcher.waitForFinished(5000)) {
                launcher.kill();
                launcher.waitForFinished(1000);
                continue;
            }
            asked = true;
        }
        return asked;
    }

    std::shared_ptr<calc::Session> retryAfterHandOff() {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            try {
                return calc::Session::connect(state_, options_.pipeName);
            } catch (const SpreadsheetError&) {
                if (clock.elapsed() >= options_.handOffWaitMs) {
                    throw SpreadsheetError(
                        QStringLiteral("Calc is running but does not answer on the pipe \"%1\"")
                            .arg(options_.pipeName));
                }
                QThread::msleep(50);
            }
        }
    }

    CalcLinkOptions options_;
    std::shared_ptr<calc::LinkState> state_;
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
