// The message box both programs show, as the user meets it: the real QMessageBox, answered by
// the keyboard.

#include "message_box.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(MessageBox, ShowsPlainTextWithThePlatformsButtonsAndIcons) {
    // A path that looks like mark-up, with the line breaks of the export message.
    const QString text = QStringLiteral("/home/a/<b>a</b>.reg\r\nに保存しました。\r\n\r\n&amp;");
    using Box = QMessageBox;
    const struct {
        int style;
        Box::Icon icon;
        Box::StandardButtons buttons;
        Qt::Key key;
        MessageAnswer answer;
    } cases[] = {
        // clang-format off
        {kStyleOk, Box::NoIcon, Box::Ok, Qt::Key_Return, MessageAnswer::Ok},
        {kStyleCritical, Box::Critical, Box::Ok, Qt::Key_Return, MessageAnswer::Ok},
        {kStyleExclamation, Box::Warning, Box::Ok, Qt::Key_Return, MessageAnswer::Ok},
        {kStyleInformation, Box::Information, Box::Ok, Qt::Key_Return, MessageAnswer::Ok},
        // Return presses the default button, OK; Escape answers Cancel.
        {kStyleExclamationOkCancel, Box::Warning, Box::Ok | Box::Cancel, Qt::Key_Return, MessageAnswer::Ok},
        {kStyleExclamationOkCancel, Box::Warning, Box::Ok | Box::Cancel, Qt::Key_Escape, MessageAnswer::Cancel},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            EXPECT_TRUE(label->text() == text && label->textFormat() == Qt::PlainText);
            EXPECT_TRUE(box->windowTitle() == "Velmora" && box->icon() == c.icon &&
                        box->standardButtons() == c.buttons &&
                        box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QTest::keyClick(box, c.key);
        });
        EXPECT_EQ(showMessageBox(text, c.style), c.answer);
    }
}

} // namespace
} // namespace velmora
