// Starts the built velmora program as a user would, under Xvfb, against a headless office
// listening on the pipe "velmora", and judges it only from outside: the X server's windows,
// the office's documents over UNO and the settings file.

#include "calc_admin.h"
#include "office_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

#include <signal.h>

namespace velmora::testing {
namespace {

constexpr char kPipe[] = "velmora";
const QString kStoreFile = QStringLiteral("VB and VBA Program Settings/quillmere.conf");

bool waitFor(const std::function<bool()>& ready, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

// A private X server on a display number it picks itself.
class XServer {
public:
    XServer() {
        process_.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-dpi"), QStringLiteral("96"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                        QStringLiteral("-displayfd"), QStringLiteral("1")});
        if (process_.waitForReadyRead(20000)) {
            display_ = QStringLiteral(":") + QString::fromLatin1(process_.readLine()).trimmed();
        }
    }
    ~XServer() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool running() const { return display_.size() > 1; }
    QString display() const { return display_; }

    // Output of an X client run against this server.
    QString run(const QString& program, const QStringList& args) const {
        QProcess client;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        client.setProcessEnvironment(env);
        client.start(program, args);
        client.waitForFinished(10000);
        return QString::fromUtf8(client.readAllStandardOutput());
    }

    // Heights in pixels of the mapped top-level windows of the program with this class name.
    QList<int> viewableWindowHeights(const QString& className) const {
        QList<int> heights;
        const QString tree =
            run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")});
        const QRegularExpression line(QStringLiteral("^\\s*(0x[0-9a-f]+) .*\\(\"%1\" ")
                                          .arg(QRegularExpression::escape(className)),
                                      QRegularExpression::MultilineOption);
        for (auto it = line.globalMatch(tree); it.hasNext();) {
            const QString info =
                run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), it.next().captured(1)});
            if (info.contains(QStringLiteral("Map State: IsViewable"))) {
                const auto height =
                    QRegularExpression(QStringLiteral("Height: (\\d+)")).match(info);
                heights << height.captured(1).toInt();
            }
        }
        return heights;
    }

private:
    QProcess process_;
    QString display_;
};

// One start of the velmora program with its own settings and runtime directories.
class Velmora {
public:
    Velmora(const XServer& x, const QString& configDir, const QString& runtimeDir) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The test itself runs offscreen; the program runs on the X server like a desktop app.
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("DISPLAY"), x.display());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(QStringLiteral(VELMORA_BIN), {});
        process_.waitForStarted(10000);
    }
    ~Velmora() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    Velmora(const Velmora&) = delete;
    Velmora& operator=(const Velmora&) = delete;

    bool running() const { return process_.state() == QProcess::Running; }
    // The exit code, or nothing when it did not exit normally within the time.
    std::optional<int> waitForExit(int timeoutMs) {
        if (!process_.waitForFinished(timeoutMs) || process_.exitStatus() != QProcess::NormalExit) {
            return std::nullopt;
        }
        return process_.exitCode();
    }
    void terminate() { ::kill(static_cast<pid_t>(process_.processId()), SIGTERM); }

private:
    QProcess process_;
};

class EndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        pipeLock_ = std::make_unique<QLockFile>(
            QDir::temp().filePath(QStringLiteral("velmora-e2e-pipe-%1.lock").arg(getuid())));
        pipeLock_->setStaleLockTime(0);
        if (!pipeLock_->tryLock(10 * 60 * 1000)) {
            skipReason_ = "another end-to-end run holds the pipe \"velmora\"";
            return;
        }
        try {
            CalcAdmin probe(QString::fromLatin1(kPipe), 2000);
            skipReason_ = "an office already answers on the pipe \"velmora\" (scripts/run's demo "
                          "Calc?); close it to run the end-to-end tests";
            return;
        } catch (const SpreadsheetError&) {
            // Free: ours to use.
        }
        x_ = std::make_unique<XServer>();
        office_ = std::make_unique<OfficeProcess>(QString::fromLatin1(kPipe));
    }

    static void TearDownTestSuite() {
        office_.reset();
        x_.reset();
        pipeLock_.reset();
    }

    void SetUp() override {
        if (!skipReason_.empty()) {
            GTEST_SKIP() << skipReason_;
        }
        ASSERT_TRUE(x_->running()) << "Xvfb did not start";
        ASSERT_TRUE(config_.isValid() && runtime_.isValid());
        QFile::setPermissions(runtime_.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        admin().closeAllWorkbooks();
    }

    static CalcAdmin& admin() { return office_->admin(); }
    std::unique_ptr<Velmora> start() {
        return std::make_unique<Velmora>(*x_, config_.path(), runtime_.path());
    }
    QString storePath() const { return QDir(config_.path()).filePath(kStoreFile); }
    QString stored(const QString& name) const {
        QSettings ini(storePath(), QSettings::IniFormat);
        return ini.value(QStringLiteral("Setting/") + name).toString();
    }
    bool isStored(const QString& name) const {
        QSettings ini(storePath(), QSettings::IniFormat);
        return ini.contains(QStringLiteral("Setting/") + name);
    }
    // The mapped main window's height once it is shown, 0 when none appears.
    int mainWindowHeight() const {
        int height = 0;
        waitFor(
            [&] {
                const QList<int> heights = x_->viewableWindowHeights(QStringLiteral("velmora"));
                height = heights.size() == 1 ? heights.front() : 0;
                return height > 0;
            },
            20000);
        return height;
    }

    QTemporaryDir config_;
    QTemporaryDir runtime_;

    static inline std::unique_ptr<QLockFile> pipeLock_;
    static inline std::string skipReason_;
    static inline std::unique_ptr<XServer> x_;
    static inline std::unique_ptr<OfficeProcess> office_;
};

// A record from an earlier run holds the three-target place choice. With a workbook active at
// start-up, velmora attaches, locks it and applies that layout (4450 twips high; without a
// lock it keeps the 2550-twip no-workbook layout).
TEST_F(EndToEnd, AttachesLocksTheActiveWorkbookAndStoresTheRecordOnlyWhenClosed) {
    QDir(config_.path()).mkpath(QFileInfo(storePath()).path());
    {
        QSettings ini(storePath(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Setting/Option"), QStringLiteral("Option4"));
        ini.setValue(QStringLiteral("Setting/paste-check"), QStringLiteral("Option6"));
    }
    office_->createWorkbook(QStringLiteral("ledger-a.ods"));
    office_->createWorkbook(QStringLiteral("ledger-b.ods"));
    // Locks a killed paste run left behind: attaching clears them.
    admin().simulateAbandonedRun(QStringLiteral("ledger-b.ods"));
    ASSERT_TRUE(admin().controllersLocked(QStringLiteral("ledger-b.ods")));

    auto app = start();
    EXPECT_NEAR(mainWindowHeight(), 4450 / 15, 2);
    EXPECT_FALSE(admin().controllersLocked(QStringLiteral("ledger-b.ods")));
    EXPECT_FALSE(isStored(QStringLiteral("junjo"))) << "the record is written only at close";

    // A second start ends at once and leaves the first one running.
    auto second = start();
    EXPECT_EQ(second->waitForExit(10000), std::optional<int>(0));
    EXPECT_TRUE(app->running());

    app->terminate();
    ASSERT_EQ(app->waitForExit(10000), std::optional<int>(0));
    const QList<std::pair<QString, QString>> record{
        {"Combo1", "9"},         {"Text5", "100"},
        {"Option", "Option4"},   {"paste-check", "Option6"},
        {"paste-url-1", ""},     {"paste-url-2", ""},
        {"paste-url-3", ""},     {"bityousei-tate", "0"},
        {"bityousei-yoko", "0"}, {"zu-comp", "0"},
        {"junjo", "0"},          {"renzoku-no1-no2", "1"},
        {"renzoku-p1-p2", "1"}};
    for (const auto& [name, value] : record) {
        EXPECT_TRUE(isStored(name)) << name.toStdString();
        EXPECT_EQ(stored(name), value) << name.toStdString();
    }
    EXPECT_EQ(admin().workbookNames(),
              QStringList({QStringLiteral("ledger-a.ods"), QStringLiteral("ledger-b.ods")}));
}

} // namespace
} // namespace velmora::testing
