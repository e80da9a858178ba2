#pragma once

#include <QApplication>

namespace velmora {

class UserInteraction;

// Every window connects its handlers through the UI's safety net (`guarded`); the event
// dispatch runs through the same net, for a failure outside any handler (a paint, a timer).
// The program and its holders carry on.
class VelmoraApplication : public QApplication {
public:
    VelmoraApplication(int& argc, char** argv);
    void setInteraction(UserInteraction* interaction) { interaction_ = interaction; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    UserInteraction* interaction_ = nullptr;
};

} // namespace velmora
