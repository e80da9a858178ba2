#include "failure.h"

#include "settings_store.h"
#include "user_interaction.h"

namespace velmora {

QString failureMessage(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const StoreError& error) {
        return error.text();
    } catch (...) {
        // Every other failure, English what() included, reads the same to the user.
        return kFailureMessage;
    }
}

void guarded(UserInteraction& interaction, const std::function<void()>& handler) {
    static bool reporting = false;
    try {
        handler();
    } catch (...) {
        const QString text = failureMessage(std::current_exception());
        // A failure while one is being reported (the box's own event loop runs other handlers)
        // is not stacked on top of it, and a box that cannot be shown has nothing left to tell.
        if (reporting) {
            return;
        }
        reporting = true;
        try {
            interaction.messageBox(text, kStyleCritical);
        } catch (...) {
            // Nothing is left to report through: the handler's failure ends here.
        }
        reporting = false;
    }
}

} // namespace velmora
