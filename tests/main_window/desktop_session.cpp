#include "desktop_session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora::testing::desktop {
namespace {

// A program started without Qt (the QApplication needs the display first), stopped by its id.
class Child {
public:
    // Starts `args` with `env` added to the environment; output goes nowhere. False with the
    // reason in `error` when it cannot start.
    bool start(const std::vector<std::string>& args, const std::vector<std::string>& env,
               std::string& error) {
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<std::string> variables(env);
        for (char** e = environ; *e != nullptr; ++e) {
            variables.emplace_back(*e);
        }
        std::vector<char*> envp;
        for (std::string& variable : variables) {
            envp.push_back(variable.data());
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int result =
            posix_spawnp(&pid_, args.front().c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (result != 0) {
            pid_ = -1;
            error = args.front() + (result == ENOENT ? " is not installed"
                                                     : std::string(": ") + std::strerror(result));
            return false;
        }
        return true;
    }

    bool running() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

    void stop() {
        if (pid_ <= 0) {
            return;
        }
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
            usleep(50000);
        }
        if (waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

struct Session {
    Child server;
    Child manager;
    std::string display; // ":N" while the server runs
    std::string displayMissing;
    std::string managerMissing;
    bool managerChecked = false;

    void start() {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) {
            displayMissing = "no pipe for Xvfb's display number";
            return;
        }
        // Xvfb picks a free display itself and writes its number to the pipe it inherits.
        const bool started =
            server.start({"Xvfb", "-screen", "0", "1024x768x24", "-dpi", "96", "-nolisten", "tcp",
                          "-displayfd", std::to_string(pipeFds[1])},
                         {}, displayMissing);
        close(pipeFds[1]);
        std::string number;
        pollfd ready{pipeFds[0], POLLIN, 0};
        while (started && poll(&ready, 1, 20000) > 0) {
            char c = 0;
            if (read(pipeFds[0], &c, 1) != 1 || c == '\n') {
                break;
            }
            number += c;
        }
        close(pipeFds[0]);
        if (!started) {
            return;
        }
        if (number.empty()) {
            displayMissing = "Xvfb gave no display number";
            server.stop();
            return;
        }
        display = ":" + number;
        manager.start({"openbox", "--sm-disable"}, {"DISPLAY=" + display}, managerMissing);
    }

    void stop() {
        manager.stop();
        server.stop();
    }
};

Session& session() {
    static Session instance;
    return instance;
}

bool waitFor(const std::function<bool()>& ready, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
    return true;
}

// The id, parent and root of an X window, from xwininfo's tree listing.
struct TreeEntry {
    QString parent;
    QString root;
};
TreeEntry treeEntry(const QString& id) {
    const QString tree = runXClient(QStringLiteral("xwininfo"),
                                    {QStringLiteral("-tree"), QStringLiteral("-id"), id});
    return {QRegularExpression(QStringLiteral("Parent window id: (0x[0-9a-f]+)"))
                .match(tree)
                .captured(1),
            QRegularExpression(QStringLiteral("Root window id: (0x[0-9a-f]+)"))
                .match(tree)
                .captured(1)};
}

} // namespace

QString displayMissing() {
    return QString::fromStdString(session().displayMissing);
}

QString windowManagerMissing() {
    Session& s = session();
    if (!s.displayMissing.empty()) {
        return QString::fromStdString(s.displayMissing);
    }
    if (!s.managerChecked && s.managerMissing.empty()) {
        s.managerChecked = true;
        const bool managing = waitFor(
            [&s] {
                return !s.manager.running() ||
                       runXClient(
                           QStringLiteral("xprop"),
                           {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                           .contains(QStringLiteral("window id"));
            },
            20000);
        if (!managing || !s.manager.running()) {
            s.managerMissing = "openbox did not take over the screen";
        }
    }
    return QString::fromStdString(s.managerMissing);
}

QString runXClient(const QString& program, const QStringList& args) {
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(session().display));
    client.setProcessEnvironment(env);
    client.start(program, args);
    client.waitForFinished(10000);
    return QString::fromUtf8(client.readAllStandardOutput());
}

int framedHeight(const QWidget& window) {
    const QString client = QStringLiteral("0x") + QString::number(window.winId(), 16);
    QString id = client;
    for (TreeEntry entry = treeEntry(id); !entry.parent.isEmpty() && entry.parent != entry.root;
         entry = treeEntry(id)) {
        id = entry.parent;
    }
    if (id == client) {
        return 0;
    }
    const QString info = runXClient(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    const auto number = [&info](const char* field) {
        return QRegularExpression(QString::fromLatin1(field) + QStringLiteral(": (\\d+)"))
            .match(info)
            .captured(1)
            .toInt();
    };
    return number("Height") + 2 * number("Border width");
}

} // namespace velmora::testing::desktop

int main(int argc, char** argv) {
    auto& session = velmora::testing::desktop::session();
    session.start();
    if (session.display.empty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("DISPLAY", session.display.c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
        // As on a GTK-based desktop: Qt's file dialogs are GTK's.
        qputenv("QT_QPA_PLATFORMTHEME", "gtk3");
        qputenv("NO_AT_BRIDGE", "1");
        qputenv("GSETTINGS_BACKEND", "memory");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    session.stop();
    return result;
}
