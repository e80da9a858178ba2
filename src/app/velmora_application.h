#pragma once

#include <QApplication>

namespace velmora {

class UserInteraction;

// An error escaping an event handler is shown in a Velmora message box; the program and
// its holders carry on.
class VelmoraApplication : public QApplication {
public:
    VelmoraApplication(int& argc, char** argv);
    void setInteraction(UserInteraction* interaction) { interaction_ = interaction; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    UserInteraction* interaction_ = nullptr;
    bool reporting_ = false;
};

} // namespace velmora
