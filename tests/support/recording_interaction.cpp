#include "recording_interaction.h"

namespace velmora::testing {

MessageAnswer RecordingInteraction::messageBox(const QString& text, int style) {
    messages.push_back({text, style});
    if (messageAnswers.empty()) {
        return MessageAnswer::Ok;
    }
    const MessageAnswer answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

std::optional<QString> RecordingInteraction::getOpenFileName(const QString& filter,
                                                             const QString& title) {
    openDialogs.emplace_back(filter, title);
    if (openAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

std::optional<QString> RecordingInteraction::getSaveFileName(const SaveDialogOptions& options) {
    saveDialogs.push_back(options);
    if (saveAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

void RecordingInteraction::processEvents() {
    ++processEventsCalls;
    if (onProcessEvents) {
        onProcessEvents();
    }
}

void RecordingInteraction::openUrl(const QString& url) {
    openedUrls << url;
}

} // namespace velmora::testing
