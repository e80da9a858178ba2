#pragma once

// Everything that waits for the user: message boxes, file dialogs, letting pending
// events run. Tests answer through a recording double instead of modal dialogs.

#include <QString>

#include <functional>
#include <optional>

namespace velmora {

inline const QString kAppTitle = QStringLiteral("Velmora");

// Platform style values: buttons plus icon.
enum MessageStyle : int {
    kStyleOk = 0,
    kStyleCritical = 16,
    kStyleExclamation = 48,
    kStyleExclamationOkCancel = 49,
    kStyleInformation = 64,
};

enum class MessageAnswer { Ok, Cancel };

// Shown while a call to the spreadsheet application goes unanswered (a dialog open in it, or
// a hang), with the buttons "待つ" (wait on) and "中止" (give up).
inline const QString kOfficeNotAnsweringMessage =
    QStringLiteral("Excel が応答してません。\r\n"
                   "\r\n"
                   "●Excel でメッセージや設定の画面が開いてませんか？\r\n"
                   "●「待つ」で待ち続けます。Excel が応答すればこの表示は消えます。\r\n"
                   "●「中止」で貼り付けを止めます。");

struct SaveDialogOptions {
    QString title;
    QString initialDir;
    QString initialName;
    QString filter; // Qt filter text
    bool confirmOverwrite = true;
};

class UserInteraction {
public:
    virtual ~UserInteraction() = default;
    // A message box titled "Velmora".
    virtual MessageAnswer messageBox(const QString& text, int style) = 0;
    // The chosen file's full path, or nullopt when cancelled.
    virtual std::optional<QString> getOpenFileName(const QString& filter, const QString& title) = 0;
    virtual std::optional<QString> getSaveFileName(const SaveDialogOptions& options) = 0;
    // The box of kOfficeNotAnsweringMessage, titled "Velmora", shown while the windows keep
    // painting: it closes by itself (Ok) once `waiting` returns false; Ok when the user waits
    // on, Cancel when the user gives up.
    virtual MessageAnswer officeNotAnswering(const std::function<bool()>& waiting) = 0;
    // Lets pending window events run once.
    virtual void processEvents() = 0;
    virtual void openUrl(const QString& url) = 0;
};

} // namespace velmora
