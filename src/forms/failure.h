#pragma once

// The UI's one safety net. A handler without a recovery of its own runs through `guarded`:
// whatever it throws is shown in one Velmora message box and the program goes on with its
// holders intact. `failureMessage` is the one place that turns a failure into the Japanese text
// a user sees; an exception's own what() never reaches the screen, since it may be English.

#include <QString>

#include <exception>
#include <functional>

namespace velmora {

class UserInteraction;

inline const QString kFailureMessage = QStringLiteral("エラーがでました。");

// A store failure brings its own Japanese text; anything else gives kFailureMessage.
QString failureMessage(const std::exception_ptr& failure);

void guarded(UserInteraction& interaction, const std::function<void()>& handler);

} // namespace velmora
