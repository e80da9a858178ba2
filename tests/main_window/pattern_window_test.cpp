// The pattern window: the row gaps of the folder paste.

#include "form1_fixture.h"
#include "form2.h"
#include "form3.h"
#include "map_holders.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

TEST(Form3, OkCopiesTheGapsAsTypedAndTheCloseBoxDiscardsThem) {
    const struct {
        const char* gaps[2]; // typed into Text4 and Text6; none: left as loaded
        bool closeBox;       // else OK
        const char* held[2]; // Text25 and Text26 afterwards
    } cases[] = {
        {{"0", "3"}, false, {"0", "3"}},
        {{"a", ""}, false, {"a", ""}},           // anything, as typed
        {{nullptr, nullptr}, false, {"2", "5"}}, // confirmed unseen, as the settings window does
        {{"9", "8"}, true, {"2", "5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gaps[0] ? c.gaps[0] : "as loaded");
        MapHolders holders;
        holders.setText(Holder::Text25, QStringLiteral("2"));
        holders.setText(Holder::Text26, QStringLiteral("5"));
        const QPointer<Form3> window = new Form3(holders);
        window->Form_Load();
        EXPECT_EQ(window->Text4->text(), QStringLiteral("2"));
        EXPECT_EQ(window->Text6->text(), QStringLiteral("5"));
        if (c.gaps[0]) {
            window->show();
            window->Text4->clear();
            QTest::keyClicks(window->Text4, QString::fromLatin1(c.gaps[0]));
            window->Text6->clear();
            QTest::keyClicks(window->Text6, QString::fromLatin1(c.gaps[1]));
        }

        c.closeBox ? (void)window->close() : window->Command1->click();

        EXPECT_EQ(holders.text(Holder::Text25), QString::fromLatin1(c.held[0]));
        EXPECT_EQ(holders.text(Holder::Text26), QString::fromLatin1(c.held[1]));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull()) << "closing destroys the window";
        delete window.data();
    }
}

// Opened from the settings window of a running main window; only the pattern window's own OK
// reaches the holders, whichever 決定 follows.
TEST_F(Form1Test, SettingsConfirmKeepsTheGapsUnlessThePatternWindowConfirmedThem) {
    excel.addWorkbook(QStringLiteral("Book1.xls"));
    store.SaveSetting(QStringLiteral("Option"), QStringLiteral("Option4"));
    store.SaveSetting(QStringLiteral("paste-check"), QStringLiteral("Option9"));
    store.SaveSetting(QStringLiteral("renzoku-no1-no2"), QStringLiteral("2"));
    store.SaveSetting(QStringLiteral("renzoku-p1-p2"), QStringLiteral("5"));
    Form1& main = start();
    for (const bool patternOk : {false, true}) {
        SCOPED_TRACE(patternOk ? "pattern OK, then 決定" : "決定 only");
        main.Text25->setText(QStringLiteral("2"));
        main.Text26->setText(QStringLiteral("5"));
        main.Command1_Click();
        Form2* settings = main.form2();
        ASSERT_TRUE(settings->Command6->isEnabled());
        settings->Command6->click();
        Form3* pattern = main.form3IfOpen();
        ASSERT_NE(pattern, nullptr);
        ASSERT_TRUE(pattern->isVisible());
        pattern->Text4->clear();
        QTest::keyClicks(pattern->Text4, QStringLiteral("0"));
        pattern->Text6->clear();
        QTest::keyClicks(pattern->Text6, QStringLiteral("3"));
        if (patternOk) {
            pattern->Command1->click();
        }

        settings->Command1->click();

        EXPECT_EQ(main.Text25->text(), patternOk ? QStringLiteral("0") : QStringLiteral("2"));
        EXPECT_EQ(main.Text26->text(), patternOk ? QStringLiteral("3") : QStringLiteral("5"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(main.form3IfOpen(), nullptr);
    }
}

} // namespace
} // namespace velmora::testing
