#include "termination_signals.h"

#include <QSocketNotifier>

#include <array>
#include <stdexcept>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora {

namespace {

std::array<int, 2> g_pair{-1, -1};
constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

void onSignal(int) {
    const char byte = 1;
    // Async-signal-safe; a full socket already holds a pending wake-up.
    [[maybe_unused]] const auto written = ::write(g_pair[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> callback, QObject* parent)
    : QObject(parent), onSignal_(std::move(callback)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pair.data()) != 0) {
        throw std::runtime_error("socketpair failed");
    }
    notifier_ = new QSocketNotifier(g_pair[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(g_pair[1], buffer, sizeof buffer) > 0) {
        }
        onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals) {
        ::sigaction(number, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : kSignals) {
        ::sigaction(number, &action, nullptr);
    }
    ::close(g_pair[0]);
    ::close(g_pair[1]);
    g_pair = {-1, -1};
}

} // namespace velmora
