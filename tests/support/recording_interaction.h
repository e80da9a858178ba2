#pragma once

// Answers dialogs from a queue and records what was shown, so tests need no modal dialogs.

#include "user_interaction.h"

#include <QStringList>

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
void PrintTo(const ShownMessage& message, std::ostream* os);

class RecordingInteraction : public UserInteraction {
public:
    MessageAnswer messageBox(const QString& text, int style) override;
    // Recorded among the messages; runs onNotAnswering, then answers from notAnsweringAnswers,
    // or with none queued leaves the box alone until it closes by itself.
    MessageAnswer officeNotAnswering(const std::function<bool()>& waiting) override;
    std::optional<QString> getOpenFileName(const QString& filter, const QString& title) override;
    std::optional<QString> getSaveFileName(const SaveDialogOptions& options) override;
    void processEvents() override;
    void openUrl(const QString& url) override;

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
};

} // namespace velmora::testing

// Test output shows QStrings as their UTF-8 text.
void PrintTo(const QString& text, std::ostream* os);
