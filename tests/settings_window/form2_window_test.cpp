// The settings window's design, its load and unload, and the workbook box lock.

#include "form2_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>

#include <stdexcept>

namespace velmora::testing {
namespace {

TEST_F(Form2Test, SizedInTwipsAndKeptOnTop) {
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const double dpi = window->logicalDpiY();
    EXPECT_EQ(window->size(), QSize(twipsToPixels(10335, dpi), twipsToPixels(8220, dpi)));
    EXPECT_TRUE(main.calls.isEmpty()) << "nothing reaches the main window before loading";
}

// The CJK face is wider than the design face: a caption that does not fit is cut or wraps
// out of sight.
TEST_F(Form2Test, EveryCaptionFitsItsControl) {
    for (QRadioButton* option : window->findChildren<QRadioButton*>()) {
        EXPECT_LE(option->sizeHint().width(), option->width())
            << option->objectName().toStdString();
    }
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width())
            << button->objectName().toStdString();
    }
    // One pixel of the face's descent may overhang.
    for (QLabel* label : window->findChildren<QLabel*>()) {
        EXPECT_LE(label->heightForWidth(label->width()), label->height() + 1)
            << label->objectName().toStdString();
        EXPECT_GE(label->font().pointSizeF(), 7.5);
    }
}

TEST_F(Form2Test, FirstStartFillsTheFiveSlotsFromTheDesign) {
    loaded();

    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("初回起動でしたのでレジストリへ保存しました。"));
    const std::pair<const char*, const char*> values[] = {
        {"Option", "Option4"},   {"paste-check", "Option5"}, {"junjo", "0"},
        {"bityousei-tate", "0"}, {"bityousei-yoko", "0"},    {"paste-url-1", ""},
        {"zu-comp", "0"}};
    for (int slot = 1; slot <= 5; ++slot) {
        const QString prefix = QStringLiteral("save%1_").arg(slot);
        EXPECT_EQ(stored(prefix + "title"), QStringLiteral("セーブデータ%1").arg(slot));
        for (const auto& [name, text] : values) {
            EXPECT_EQ(stored(prefix + name), text) << prefix.toStdString() << name;
        }
    }
    // Five titles and five times thirteen values; the record itself waits for the close.
    EXPECT_EQ(main.settings.valueNames().size(), 70);
    EXPECT_EQ(held(Holder::Text2), QStringLiteral("Option4"));
    EXPECT_EQ(held(Holder::Text6), QStringLiteral("Option5"));
}

// A backup made before the first close holds slots but no record: restored into an empty store,
// the next start is a first run, which fills only the slots that were never saved.
TEST(Form2FirstRun, KeepsEverySlotThatIsAlreadySavedWithItsTitle) {
    for (const QList<int>& savedSlots : {QList<int>{2, 4}, QList<int>{1, 2, 3, 4, 5}}) {
        FreshForm2 world;
        for (const int slot : savedSlots) {
            world.main.settings.SaveSetting(QStringLiteral("save%1_title").arg(slot), "現場");
            world.main.settings.SaveSetting(QStringLiteral("save%1_Option").arg(slot), "Option2");
            world.main.settings.SaveSetting(QStringLiteral("save%1_paste-url-1").arg(slot), "B5");
        }
        if (!savedSlots.contains(5)) {
            world.main.settings.SaveSetting(QStringLiteral("save5_title"), "no slot behind it");
        }

        world.loaded();

        EXPECT_EQ(world.window->windowTitle(),
                  QStringLiteral("初回起動でしたのでレジストリへ保存しました。"));
        for (int slot = 1; slot <= 5; ++slot) {
            const bool saved = savedSlots.contains(slot);
            const QString prefix = QStringLiteral("save%1_").arg(slot);
            EXPECT_EQ(world.stored(prefix + "title"),
                      saved ? QStringLiteral("現場") : QStringLiteral("セーブデータ%1").arg(slot))
                << slot;
            EXPECT_EQ(world.stored(prefix + "Option"), saved ? "Option2" : "Option4") << slot;
            EXPECT_EQ(world.stored(prefix + "paste-url-1"), saved ? "B5" : "") << slot;
        }
        // The holders take the design's choices as on every first run.
        EXPECT_EQ(world.held(Holder::Text2), QStringLiteral("Option4"));
    }
}

TEST_F(Form2Test, LaterLoadKeepsUnknownNamesAndOffsetsNoBarCanShowAndWritesNothing) {
    holdEarlierSettings();
    main.settings.SaveSetting(QStringLiteral("save2_title"), QStringLiteral("現場A"));
    hold({{Holder::Text2, "option4"}, {Holder::Text6, "Option7"}, {Holder::Text22, "01"}});
    hold({{Holder::Text7, " A1 "}, {Holder::Text3, "2000"}, {Holder::Text4, "abc"}});
    window->Option1->setChecked(true); // not the design; shows that load leaves it alone

    loaded();

    EXPECT_TRUE(window->Option1->isChecked());
    EXPECT_TRUE(window->Option5->isChecked());
    EXPECT_TRUE(window->Option7->isChecked());
    // Not a first run: the lower-case name is not empty.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ファイル選択"));
    EXPECT_EQ(main.settings.valueNames(), QStringList{QStringLiteral("save2_title")});
    EXPECT_EQ(window->save2_title->text(), QStringLiteral("現場A"));
    EXPECT_EQ(window->save1_title->text(), QString()) << "a missing title replaces the design's";
    EXPECT_EQ(window->Text3->text(), QStringLiteral(" A1 "));
    EXPECT_EQ(window->Text1->text(), QStringLiteral("2000"));
    EXPECT_EQ(window->VScroll1->value(), 0);
    EXPECT_EQ(window->Text2->text(), QStringLiteral("abc"));
    EXPECT_EQ(window->HScroll2->value(), 0);
}

TEST(Form2Close, AppliesTheNoWorkbookLayoutOnlyWithoutAWorkbook) {
    const struct {
        const char* workbook;
        int noWorkbookLayouts;
        int height;
        Targets targets;
    } cases[] = {{"", 1, 2550, {false, false, false, false}},
                 {"Book1.ods", 0, 4450, {false, true, true, true}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.workbook);
        Form2World world;
        world.window->Option6->click(); // three targets, not yet committed
        world.window->List1->setEditText(QString::fromUtf8(c.workbook));

        world.window->close();
        world.window->close(); // unloads once only

        EXPECT_EQ(world.main.noWorkbookLayouts, c.noWorkbookLayouts);
        EXPECT_EQ(world.main.heightTwips, c.height);
        EXPECT_EQ(world.main.targetShown, c.targets);
        EXPECT_EQ(world.main.patternCloses, 1);
        EXPECT_EQ(world.held(Holder::Text6), QStringLiteral("Option5"));
        EXPECT_TRUE(world.windowDestroyed());
    }
}

TEST_F(LoadedForm2Test, LockedWorkbookBoxRefusesTypingAndPicking) {
    // A second entry gives the arrow keys and the wheel something to pick.
    window->List1->addItems(
        {QStringLiteral("Excel が起動してません。"), QStringLiteral("Book1.ods")});
    window->setList1Locked(true);
    ASSERT_TRUE(window->isList1Locked());

    QTest::keyClicks(window->List1, QStringLiteral("Book"));
    QTest::keyClick(window->List1, Qt::Key_Down);
    QWheelEvent wheel(QPointF(5, 5), window->List1->mapToGlobal(QPointF(5, 5)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window->List1, &wheel);
    window->List1->showPopup();

    EXPECT_EQ(window->List1->currentText(), QStringLiteral("Excel が起動してません。"));
    EXPECT_FALSE(window->List1->view()->isVisible());
    EXPECT_TRUE(window->List1->isEnabled());

    window->setList1Locked(false);
    window->List1->setEditText(QString());
    QTest::keyClicks(window->List1, QStringLiteral("Book2.ods"));
    EXPECT_EQ(window->List1->currentText(), QStringLiteral("Book2.ods"));
}

TEST_F(Form2Test, AFailingHandlerIsReportedAndTheWindowLivesOn) {
    holdEarlierSettings();
    hold({{Holder::Text6, "Option9"}});
    loaded();
    main.onShowPattern = [] {
        throw std::runtime_error("pattern window failed");
    };

    window->Command6->click();

    expectOnlyMessage(QStringLiteral("pattern window failed"), kStyleCritical);
    EXPECT_FALSE(windowDestroyed());
}

} // namespace
} // namespace velmora::testing
