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

// The parent and command name of a process, from /proc/<pid>/stat ("pid (comm) state ppid").
struct ProcessStat {
    QByteArray command;
    qint64 parent = 0;
};

ProcessStat statOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray text = file.readAll();
    const int open = text.indexOf('(');
    const int close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (open < 0 || close < open || fields.size() < 2) {
        return {};
    }
    return {text.mid(open + 1, close - open - 1), fields[1].toLongLong()};
}

// Whether every thread of `pid` is in the stopped state ('T' in /proc/<pid>/task/<tid>/stat).
bool allThreadsStopped(qint64 pid) {
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const QStringList ids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (ids.isEmpty()) {
        return false;
    }
    for (const QString& id : ids) {
        QFile file(tasks.filePath(id + QStringLiteral("/stat")));
        if (!file.open(QIODevice::ReadOnly)) {
            continue; // the thread ended
        }
        const QByteArray text = file.readAll();
        const int close = text.lastIndexOf(')');
        if (close < 0 || close + 2 >= text.size() || text.at(close + 2) != 'T') {
            return false;
        }
    }
    return true;
}

} // namespace

QString OfficeProcess::unusedPipeName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("velmora-test-%1-%2-%3")
        .arg(getpid())
        .arg(++counter)
        .arg(QDateTime::currentMSecsSinceEpoch() % 100000);
}

OfficeProcess::OfficeProcess(const QString& pipeName, Display display)
    : pipeName_(pipeName.isEmpty() ? unusedPipeName() : pipeName) {
    if (!profile_.isValid() || !work_.isValid()) {
        throw std::runtime_error("no temporary directory for the office");
    }
    QStringList arguments = {
        QStringLiteral("--norestore"), QStringLiteral("--nologo"), QStringLiteral("--nodefault"),
        QStringLiteral("-env:UserInstallation=") + profileUrl(),
        QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipeName_)};
    if (display == Display::Headless) {
        arguments << QStringLiteral("--headless") << QStringLiteral("--invisible");
    } else if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        throw std::runtime_error("a visible office needs a display (DISPLAY is not set)");
    }
    launcher_.setProgram(QString::fromLatin1(kOfficeProgram));
    launcher_.setArguments(arguments);
    launcher_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    launcher_.setStandardOutputFile(QProcess::nullDevice());
    // Its own process group, so that a launcher that never reached the pipe ends with all it
    // started.
    launcher_.setChildProcessModifier([] { ::setpgid(0, 0); });
    launcher_.start();
    if (!launcher_.waitForStarted(10000)) {
        throw std::runtime_error("the office did not start");
    }
    launcherPid_ = launcher_.processId();
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
    // The process that answers on the pipe: a fresh profile makes the first soffice.bin
    // restart itself, so the launcher's first child may be gone by now.
    officePid_ = admin_->officePid();
    if (!isOurOffice()) {
        stop();
        throw std::runtime_error("the office on the pipe is not the one this fixture started");
    }
    ownsPipe_ = true;
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

std::unique_ptr<ExcelLink> OfficeProcess::makeLink(CalcLinkOptions options) const {
    options.pipeName = pipeName_;
    options.handOff = false;
    return makeCalcLink(options);
}

void OfficeProcess::createWorkbook(const QString& name) {
    admin().createWorkbook(QDir(workDir()).filePath(name));
}

bool OfficeProcess::isOurOffice() const {
    if (officePid_ <= 0) {
        return false;
    }
    // Signals go only to the soffice.bin this fixture's launcher started, never to a process
    // that took over its PID.
    const ProcessStat stat = statOf(officePid_);
    return stat.command == "soffice.bin" && stat.parent == launcherPid_;
}

void OfficeProcess::signal(int number) {
    if (!isOurOffice()) {
        throw std::runtime_error("the office process is not running");
    }
    ::kill(static_cast<pid_t>(officePid_), number);
}

void OfficeProcess::suspend() {
    signal(SIGSTOP);
    // A stop takes hold thread by thread; on a busy machine the office could still answer a
    // call sent right after kill(2) returned.
    QElapsedTimer clock;
    clock.start();
    while (!allThreadsStopped(officePid_)) {
        if (clock.elapsed() > 10000) {
            throw std::runtime_error("the office did not stop");
        }
        QThread::msleep(1);
    }
}

void OfficeProcess::resume() {
    if (isOurOffice()) {
        ::kill(static_cast<pid_t>(officePid_), SIGCONT);
    }
}

void OfficeProcess::kill() {
    signal(SIGKILL);
}

bool OfficeProcess::running() const {
    if (!isOurOffice()) {
        return false;
    }
    // A killed office stays a zombie until the launcher reaps it.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(officePid_));
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

void OfficeProcess::stop() {
    admin_.reset();
    if (isOurOffice()) {
        ::kill(static_cast<pid_t>(officePid_), SIGCONT);
        ::kill(static_cast<pid_t>(officePid_), SIGKILL);
    } else if (launcherPid_ > 0 && launcher_.state() != QProcess::NotRunning) {
        // No office of ours answered: end the launcher and whatever it started (the group
        // cannot be another's while the launcher is an unreaped child of this process).
        ::kill(static_cast<pid_t>(-launcherPid_), SIGKILL);
    }
    if (launcher_.state() != QProcess::NotRunning && !launcher_.waitForFinished(10000)) {
        launcher_.kill();
        launcher_.waitForFinished(5000);
    }
    officePid_ = 0;
    if (ownsPipe_) {
        // The stale socket of our killed office; never one another office listens on.
        QFile::remove(QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(getuid()).arg(pipeName_));
        ownsPipe_ = false;
    }
}

OfficeProcess::Display benchOfficeDisplay() {
    return qEnvironmentVariable("VELMORA_BENCH_OFFICE") == QStringLiteral("visible")
               ? OfficeProcess::Display::Visible
               : OfficeProcess::Display::Headless;
}

const char* displayName(OfficeProcess::Display display) {
    return display == OfficeProcess::Display::Visible ? "visible" : "headless";
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
