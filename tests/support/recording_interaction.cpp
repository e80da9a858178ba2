#include "recording_interaction.h"

#include <QCoreApplication>
#include <QThread>

namespace velmora::testing {

namespace {

// The next queued answer, or `otherwise` when none is queued.
template <typename T> T take(std::deque<T>& answers, T otherwise) {
    if (!answers.empty()) {
        otherwise = answers.front();
        answers.pop_front();
    }
    return otherwise;
}

void run(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

} // namespace

void PrintTo(const ShownMessage& message, std::ostream* os) {
    *os << '"' << message.text.toStdString() << "\" (style " << message.style << ')';
}

MessageAnswer RecordingInteraction::messageBox(const QString& text, int style) {
    messages.push_back({text, style});
    return take(messageAnswers, MessageAnswer::Ok);
}

MessageAnswer RecordingInteraction::officeNotAnswering(const std::function<bool()>& waiting) {
    messages.push_back({kOfficeNotAnsweringMessage, kStyleExclamationOkCancel});
    run(onNotAnswering);
    if (!notAnsweringAnswers.empty()) {
        return take(notAnsweringAnswers, MessageAnswer::Ok);
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
    return take(openAnswers, std::optional<QString>());
}

std::optional<QString> RecordingInteraction::getSaveFileName(const SaveDialogOptions& options) {
    saveDialogs.push_back(options);
    return take(saveAnswers, std::optional<QString>());
}

void RecordingInteraction::processEvents() {
    run(onProcessEvents);
}

void RecordingInteraction::openUrl(const QString& url) {
    openedUrls << url;
    run(onOpenUrl);
}

} // namespace velmora::testing

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
