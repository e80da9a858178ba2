#include "velmora_application.h"

#include "user_interaction.h"

#include <exception>

namespace velmora {

VelmoraApplication::VelmoraApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VelmoraApplication::notify(QObject* receiver, QEvent* event) {
    QString what;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        what = QString::fromLocal8Bit(error.what());
    } catch (...) {
        what = QStringLiteral("unknown error");
    }
    if (interaction_ != nullptr && !reporting_) {
        reporting_ = true;
        interaction_->messageBox(QStringLiteral("エラーがでました。\r\n\r\n") + what,
                                 kStyleCritical);
        reporting_ = false;
    }
    return false;
}

} // namespace velmora
