// The message box both programs show, as the user meets it: the real QMessageBox, answered by
// the keyboard.

#include "message_box.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

struct Shown {
    QString title;
    QString label; // what the box's label shows
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    bool onTop = false;
};

// Shows the box and answers it with `key` once it is up; what it showed goes to `shown`.
MessageAnswer answer(const QString& text, int style, Qt::Key key, Shown& shown) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            ADD_FAILURE() << "no message box";
            return;
        }
        shown.title = box->windowTitle();
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        shown.label = label->text();
        shown.format = label->textFormat();
        shown.icon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            shown.buttons << box->standardButton(button);
        }
        shown.onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        QTest::keyClick(box, key);
    });
    return showMessageBox(text, style);
}

TEST(MessageBox, ShowsPlainTextWithThePlatformsButtonsAndIcons) {
    // A path that looks like mark-up, with the line breaks of the export message.
    const QString text = QStringLiteral("/home/a/<b>a</b>.reg\r\nに保存しました。\r\n\r\n&amp;");
    const struct {
        int style;
        QMessageBox::Icon icon;
        QList<QMessageBox::StandardButton> buttons;
    } styles[] = {
        {kStyleOk, QMessageBox::NoIcon, {QMessageBox::Ok}},
        {kStyleCritical, QMessageBox::Critical, {QMessageBox::Ok}},
        {kStyleExclamation, QMessageBox::Warning, {QMessageBox::Ok}},
        {kStyleExclamationOkCancel, QMessageBox::Warning, {QMessageBox::Ok, QMessageBox::Cancel}},
        {kStyleInformation, QMessageBox::Information, {QMessageBox::Ok}},
    };
    for (const auto& s : styles) {
        Shown shown;
        // Return presses the default button: OK, also in the OK and Cancel box.
        EXPECT_EQ(answer(text, s.style, Qt::Key_Return, shown), MessageAnswer::Ok) << s.style;
        EXPECT_EQ(shown.title, "Velmora");
        EXPECT_EQ(shown.label, text) << s.style;
        EXPECT_EQ(shown.format, Qt::PlainText) << s.style;
        EXPECT_EQ(shown.icon, s.icon) << s.style;
        std::sort(shown.buttons.begin(), shown.buttons.end());
        EXPECT_EQ(shown.buttons, s.buttons) << s.style;
        EXPECT_TRUE(shown.onTop) << s.style;
    }
    Shown shown;
    EXPECT_EQ(answer(text, kStyleExclamationOkCancel, Qt::Key_Escape, shown),
              MessageAnswer::Cancel);
}

} // namespace
} // namespace velmora
