#pragma once

// Answers dialogs from a queue and records what was shown, so tests need no modal dialogs.

#include "user_interaction.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

namespace velmora::testing {

struct ShownMessage {
    QString text;
    int style;
    bool operator==(const ShownMessage&) const = default;
};
// What a test expects to have been shown: EXPECT_EQ(ui.messages, Messages{{text, style}}).
using Messages = std::vector<ShownMessage>;
inline void PrintTo(const ShownMessage& message, std::ostream* os) {
    *os << '"' << message.text.toStdString() << "\" (style " << message.style << ')';
}

class RecordingInteraction : public UserInteraction {
public:
    MessageAnswer messageBox(const QString& text, int style) override {
        messages.push_back({text, style});
        return take(messageAnswers, MessageAnswer::Ok);
    }
    // Recorded among the messages; runs onNotAnswering, then answers from notAnsweringAnswers,
    // or with none queued leaves the box alone until it closes by itself.
    MessageAnswer officeNotAnswering(const std::function<bool()>& waiting) override {
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
    std::optional<QString> getOpenFileName(const QString& filter, const QString& title) override {
        openDialogs.emplace_back(filter, title);
        return take(openAnswers, std::optional<QString>());
    }
    std::optional<QString> getSaveFileName(const SaveDialogOptions& options) override {
        saveDialogs.push_back(options);
        return take(saveAnswers, std::optional<QString>());
    }
    void processEvents() override { run(onProcessEvents); }
    void openUrl(const QString& url) override {
        openedUrls << url;
        run(onOpenUrl);
    }

    // Answers, taken in order; with none queued a message box answers Ok and a file dialog
    // is cancelled.
    std::deque<MessageAnswer> messageAnswers;
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::deque<MessageAnswer> notAnsweringAnswers;
    // Runs while the office-not-answering box is up.
    std::function<void()> onNotAnswering;
    // Runs at each processEvents call (to act "while the window paints").
    std::function<void()> onProcessEvents;
    // Runs when a link is opened (to let it fail).
    std::function<void()> onOpenUrl;

    std::vector<ShownMessage> messages;
    std::vector<std::pair<QString, QString>> openDialogs; // filter, title
    std::vector<SaveDialogOptions> saveDialogs;
    QStringList openedUrls;

private:
    template <typename T> static T take(std::deque<T>& answers, T otherwise) {
        if (!answers.empty()) {
            otherwise = answers.front();
            answers.pop_front();
        }
        return otherwise;
    }
    static void run(const std::function<void()>& hook) {
        if (hook) {
            hook();
        }
    }
};

} // namespace velmora::testing

// Test output shows QStrings as their UTF-8 text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
