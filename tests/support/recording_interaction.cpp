#include "recording_interaction.h"

#include <QCoreApplication>
#include <QThread>

namespace velmora::testing {

namespace {

// A queued file dialog answer; with none queued the dialog is cancelled.
std::optional<QString> takeAnswer(std::deque<std::optional<QString>>& answers) {
    QString path;
    bool chosen = false;
    if (!answers.empty()) {
        chosen = answers.front().has_value();
        path = answers.front().value_or(QString());
        answers.pop_front();
    }
    return chosen ? std::optional<QString>(path) : std::nullopt;
}

} // namespace

void PrintTo(const ShownMessage& message, std::ostream* os) {
    *os << '"' << message.text.toStdString() << "\" (style " << message.style << ')';
}

MessageAnswer RecordingInteraction::messageBox(const QString& text, int style) {
    messages.push_back({text, style});
    if (messageAnswers.empty()) {
        return MessageAnswer::Ok;
    }
    const MessageAnswer answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

MessageAnswer RecordingInteraction::officeNotAnswering(const std::function<bool()>& waiting) {
    messages.push_back({kOfficeNotAnsweringMessage, kStyleExclamationOkCancel});
    if (onNotAnswering) {
        onNotAnswering();
    }
    if (!notAnsweringAnswers.empty()) {
        const MessageAnswer answer = notAnsweringAnswers.front();
        notAnsweringAnswers.pop_front();
        return answer;
    }
    while (waiting()) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return MessageAnswer::Ok;
}

std::optional<QString> RecordingInteraction::getOpenFileName(const QString& filter,
                                                             const QString& title) {
    openDialogs.emplace_back(filter, title);
    return takeAnswer(openAnswers);
}

std::optional<QString> RecordingInteraction::getSaveFileName(const SaveDialogOptions& options) {
    saveDialogs.push_back(options);
    return takeAnswer(saveAnswers);
}

void RecordingInteraction::processEvents() {
    if (onProcessEvents) {
        onProcessEvents();
    }
}

void RecordingInteraction::openUrl(const QString& url) {
    openedUrls << url;
}

} // namespace velmora::testing

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
