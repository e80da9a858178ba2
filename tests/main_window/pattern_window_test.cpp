// The pattern window (row gaps of the folder paste) and the progress window.

#include "fake_main_window.h"
#include "form3.h"
#include "form99.h"
#include "units.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

class Form3Test : public ::testing::Test {
protected:
    void SetUp() override {
        main.texts.setText(Holder::Text25, QStringLiteral("2"));
        main.texts.setText(Holder::Text26, QStringLiteral("5"));
        window = new Form3(main.texts);
    }
    void TearDown() override { delete window.data(); }

    bool windowDestroyed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }
    void retype(QLineEdit* box, const QString& keys) {
        box->clear();
        QTest::keyClicks(box, keys);
    }

    FakeMainWindow main;
    QPointer<Form3> window;
};

TEST_F(Form3Test, DesignState) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("連続貼り付け"));
    const double dpi = window->logicalDpiY();
    EXPECT_EQ(window->size(), QSize(twipsToPixels(4680, dpi), twipsToPixels(6705, dpi)));
    EXPECT_EQ(window->Text4->geometry(), QRect(twipsToPixels(3015, dpi), twipsToPixels(1515, dpi),
                                               twipsToPixels(615, dpi), twipsToPixels(270, dpi)));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    for (QLineEdit* photo : {window->Text1, window->Text2, window->Text3, window->Text5}) {
        EXPECT_FALSE(photo->isEnabled());
        EXPECT_EQ(photo->palette().color(QPalette::Base), QColor(224, 224, 224));
    }
    EXPECT_EQ(window->Text5->text(), QStringLiteral("4番目の写真"));
    EXPECT_EQ(window->Label1->text(), QStringLiteral("←　最初に貼り付けるセルを"));
    EXPECT_EQ(window->Label9->palette().color(QPalette::WindowText), QColor(128, 128, 255));
    EXPECT_EQ(window->Label8[2]->text(), QStringLiteral("・"));
    EXPECT_FALSE(window->Text4->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(window->Command1->text(), QStringLiteral("OK"));
}

TEST_F(Form3Test, LoadShowsTheHeldGaps) {
    window->Form_Load();
    EXPECT_EQ(window->Text4->text(), QStringLiteral("2"));
    EXPECT_EQ(window->Text6->text(), QStringLiteral("5"));
}

TEST_F(Form3Test, OkCopiesTheTypedGapsAndCloses) {
    window->Form_Load();
    retype(window->Text4, QStringLiteral("0"));
    retype(window->Text6, QStringLiteral("3"));

    window->Command1->click();

    EXPECT_EQ(main.texts.text(Holder::Text25), QStringLiteral("0"));
    EXPECT_EQ(main.texts.text(Holder::Text26), QStringLiteral("3"));
    EXPECT_TRUE(windowDestroyed());
}

TEST_F(Form3Test, OkAcceptsAnythingAsTyped) {
    window->Form_Load();
    retype(window->Text4, QStringLiteral("a"));
    window->Text6->clear();
    window->Command1_Click();
    EXPECT_EQ(main.texts.text(Holder::Text25), QStringLiteral("a"));
    EXPECT_EQ(main.texts.text(Holder::Text26), QString());
}

TEST_F(Form3Test, CloseBoxDiscardsTheEdits) {
    window->Form_Load();
    window->show();
    retype(window->Text4, QStringLiteral("9"));
    retype(window->Text6, QStringLiteral("8"));

    window->close();

    EXPECT_EQ(main.texts.text(Holder::Text25), QStringLiteral("2"));
    EXPECT_EQ(main.texts.text(Holder::Text26), QStringLiteral("5"));
    EXPECT_TRUE(windowDestroyed());
}

TEST_F(Form3Test, ConfirmingAFreshHiddenWindowLeavesTheGapsAsTheyWere) {
    window->Form_Load();
    window->Command1_Click();
    EXPECT_EQ(main.texts.text(Holder::Text25), QStringLiteral("2"));
    EXPECT_EQ(main.texts.text(Holder::Text26), QStringLiteral("5"));
    EXPECT_FALSE(window.isNull() ? false : window->isVisible());
    EXPECT_TRUE(windowDestroyed());
}

TEST(Form99Test, ProgressWindowDesign) {
    QPointer<Form99> window = new Form99();
    window->Form_Load();

    EXPECT_EQ(window->windowTitle(), QStringLiteral("進行状況"));
    EXPECT_EQ(window->Label1->text(), QStringLiteral("999/999"));
    EXPECT_EQ(window->Label1->font().pointSizeF(), 11.25);
    EXPECT_EQ(window->windowType(), Qt::Tool);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const double dpi = window->logicalDpiY();
    EXPECT_EQ(window->size(), QSize(twipsToPixels(1590, dpi), twipsToPixels(765, dpi)));

    window->Label1->setText(QStringLiteral("1/12"));
    window->show();
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

} // namespace
} // namespace velmora::testing
