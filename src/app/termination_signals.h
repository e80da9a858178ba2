#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace velmora {

// Runs a callback on the event loop when SIGTERM, SIGINT or SIGHUP arrives, so that a logout,
// `kill` or Ctrl+C closes the main window as its close box does and the settings are stored.
// The handler itself only writes a byte to a socket pair; one instance per process.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace velmora
