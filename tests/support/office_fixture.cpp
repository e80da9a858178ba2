#include "office_fixture.h"

#include "calc_link.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

#include <signal.h>
#include <unistd.h>

namespace velmora::testing {

namespace {

constexpr char kOfficeProgram[] = "/usr/lib/libreoffice/program/soffice";

// The soffice.bin that the launcher (the soffice script, then oosplash) started.
qint64 officeChildOf(qint64 launcherPid) {
    const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        // pid (comm) state ppid ...
        const int close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == launcherPid &&
            text.contains("(soffice.bin)")) {
            return entry.toLongLong();
        }
    }
    return 0;
}

} // namespace

QString OfficeProcess::unusedPipeName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("velmora-test-%1-%2-%3")
        .arg(getpid())
        .arg(++counter)
        .arg(QDateTime::currentMSecsSinceEpoch() % 100000);
}

OfficeProcess::OfficeProcess(const QString& pipeName)
    : pipeName_(pipeName.isEmpty() ? unusedPipeName() : pipeName) {
    if (!profile_.isValid() || !work_.isValid()) {
        throw std::runtime_error("no temporary directory for the office");
    }
    launcher_.setProgram(QString::fromLatin1(kOfficeProgram));
    launcher_.setArguments(
        {QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--norestore"),
         QStringLiteral("--nologo"), QStringLiteral("--nodefault"),
         QStringLiteral("-env:UserInstallation=") + profileUrl(),
         QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipeName_)});
    launcher_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    launcher_.setStandardOutputFile(QProcess::nullDevice());
    launcher_.start();
    if (!launcher_.waitForStarted(10000)) {
        throw std::runtime_error("the office did not start");
    }
    QElapsedTimer clock;
    clock.start();
    while (!admin_) {
        try {
            admin_ = std::make_unique<CalcAdmin>(pipeName_);
        } catch (const SpreadsheetError&) {
            if (clock.elapsed() > 60000 || launcher_.state() == QProcess::NotRunning) {
                stop();
                throw std::runtime_error("the office did not open its pipe");
            }
            QThread::msleep(100);
        }
    }
    officePid_ = officeChildOf(launcher_.processId());
}

OfficeProcess::~OfficeProcess() {
    stop();
}

QString OfficeProcess::profileUrl() const {
    return QUrl::fromLocalFile(profile_.path()).toString(QUrl::FullyEncoded);
}

CalcAdmin& OfficeProcess::admin() {
    if (!admin_) {
        throw std::runtime_error("the office is not running");
    }
    return *admin_;
}

std::unique_ptr<ExcelLink> OfficeProcess::makeLink() const {
    CalcLinkOptions options;
    options.pipeName = pipeName_;
    options.handOff = false;
    return makeCalcLink(options);
}

void OfficeProcess::createWorkbook(const QString& name) {
    admin().createWorkbook(QDir(workDir()).filePath(name));
}

void OfficeProcess::suspend() {
    if (officePid_ <= 0) {
        throw std::runtime_error("the office process is unknown");
    }
    ::kill(static_cast<pid_t>(officePid_), SIGSTOP);
}

void OfficeProcess::resume() {
    if (officePid_ <= 0) {
        return;
    }
    ::kill(static_cast<pid_t>(officePid_), SIGCONT);
}

void OfficeProcess::kill() {
    if (officePid_ > 0) {
        ::kill(static_cast<pid_t>(officePid_), SIGKILL);
    }
}

bool OfficeProcess::running() const {
    return officePid_ > 0 && ::kill(static_cast<pid_t>(officePid_), 0) == 0 &&
           launcher_.state() != QProcess::NotRunning;
}

void OfficeProcess::stop() {
    admin_.reset();
    if (officePid_ == 0) {
        officePid_ = officeChildOf(launcher_.processId());
    }
    if (officePid_ > 0) {
        ::kill(static_cast<pid_t>(officePid_), SIGCONT);
        ::kill(static_cast<pid_t>(officePid_), SIGKILL);
    }
    if (launcher_.state() != QProcess::NotRunning && !launcher_.waitForFinished(10000)) {
        launcher_.kill();
        launcher_.waitForFinished(5000);
    }
    officePid_ = 0;
    QFile::remove(QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(getuid()).arg(pipeName_));
}

OfficeProcess& sharedOffice() {
    static std::unique_ptr<OfficeProcess> office;
    if (!office) {
        office = std::make_unique<OfficeProcess>();
        // Stopped before static destruction tears down Qt.
        std::atexit([] { office.reset(); });
    }
    return *office;
}

CalcWorld::CalcWorld(OfficeProcess& office) : office_(office), link_(office.makeLink()) {
    office_.admin().closeAllWorkbooks();
}

CalcWorld::~CalcWorld() {
    try {
        office_.admin().closeAllWorkbooks();
    } catch (const std::exception&) {
        // A test that killed the office leaves nothing to close.
    }
}

void CalcWorld::addWorkbook(const QString& name) {
    office_.createWorkbook(name);
}

void CalcWorld::closeAllWorkbooks() {
    office_.admin().closeAllWorkbooks();
}

void CalcWorld::setColumnWidth(int column, double points) {
    office_.admin().setColumnWidth({}, column, points);
}

void CalcWorld::setRowHeight(int row, double points) {
    office_.admin().setRowHeight({}, row, points);
}

void CalcWorld::merge(const QString& address) {
    office_.admin().merge({}, address);
}

void CalcWorld::addRectangle(const QString& name, double left, double top, double width,
                             double height) {
    office_.admin().addRectangle({}, name, left, top, width, height);
}

QStringList CalcWorld::shapeNamesBackToFront() {
    QStringList names;
    for (const auto& shape : office_.admin().shapes({})) {
        names << shape.name;
    }
    return names;
}

} // namespace velmora::testing
