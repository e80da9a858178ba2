#include "velmora_application.h"

#include "failure.h"

namespace velmora {

VelmoraApplication::VelmoraApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VelmoraApplication::notify(QObject* receiver, QEvent* event) {
    if (interaction_ == nullptr) {
        return QApplication::notify(receiver, event);
    }
    bool handled = false;
    guarded(*interaction_, [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace velmora
