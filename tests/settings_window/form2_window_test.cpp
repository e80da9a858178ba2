// The settings window's design, its load and unload, and the workbook box lock.

#include "form2_fixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <stdexcept>

namespace velmora::testing {
namespace {

TEST_F(Form2Test, DesignStateBeforeLoading) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ファイル選択"));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    const double dpi = window->logicalDpiY();
    EXPECT_EQ(window->size(), QSize(twipsToPixels(10335, dpi), twipsToPixels(8220, dpi)));
    EXPECT_EQ(window->Frame4->geometry(),
              QRect(twipsToPixels(1440, dpi), twipsToPixels(2280, dpi), twipsToPixels(1935, dpi),
                    twipsToPixels(1095, dpi)));
    EXPECT_EQ(window->Frame4->parentWidget(), window->Frame1);

    EXPECT_TRUE(window->Option4->isChecked());
    EXPECT_TRUE(window->Option5->isChecked());
    EXPECT_TRUE(window->Option7->isChecked());
    EXPECT_FALSE(window->Command6->isEnabled());
    EXPECT_EQ(window->Text3->palette().color(QPalette::Base), QColor(224, 224, 224));
    EXPECT_EQ(window->Text1->text(), QStringLiteral("0"));
    EXPECT_EQ(window->VScroll1->minimum(), -1000);
    EXPECT_EQ(window->VScroll1->maximum(), 1000);
    EXPECT_EQ(window->save5_title->text(), QStringLiteral("セーブデータ5"));
    // Nothing reaches the main window before loading.
    EXPECT_TRUE(main.calls.isEmpty());
}

TEST_F(Form2Test, CaptionsKeepTheirExactSpacesAndQuotes) {
    const QString nineWideSpaces(9, QChar(0x3000));
    EXPECT_EQ(window->Label7->text(), QStringLiteral("\"1\"に貼り付ける") + nineWideSpaces +
                                          QStringLiteral("セルアドレス"));
    EXPECT_EQ(window->Label9->text(), QStringLiteral("\"3\"に貼り付ける") + nineWideSpaces +
                                          QStringLiteral("セルアドレス"));
    EXPECT_EQ(window->Option12->text(), QStringLiteral("セルの横幅で、\u3000  \u3000\u3000〃"));
    EXPECT_EQ(window->Option4->text(), QStringLiteral("セルの縦か横の小さい方の幅で、\u3000〃"));
    EXPECT_EQ(window->Label6->text(),
              QStringLiteral("設定の保存にはレジストリ\"quillmere\"を使用しています。"));
    EXPECT_EQ(window->Frame5->title(), QStringLiteral("起動中のエクセルファイル名"));
    EXPECT_EQ(window->Command2->text(), QStringLiteral("レジストリを削除して終了"));
    EXPECT_EQ(window->Label13->text(), QStringLiteral("github.com/velmora/velmora"));
}

TEST_F(Form2Test, FramesAreBoldAndColouredButTheirControlsAreNot) {
    EXPECT_TRUE(window->Frame1->font().bold());
    EXPECT_EQ(window->Frame1->font().family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(window->Frame1->palette().color(QPalette::WindowText), QColor(128, 128, 255));
    EXPECT_EQ(window->Frame2->palette().color(QPalette::WindowText), QColor(255, 128, 128));
    EXPECT_FALSE(window->Option7->font().bold());
    EXPECT_EQ(window->Option7->font().pointSizeF(), 9.0);
    EXPECT_NE(window->Option1->palette().color(QPalette::WindowText), QColor(128, 128, 255));
    EXPECT_NE(window->Label4->palette().color(QPalette::WindowText), QColor(128, 128, 255));
    EXPECT_EQ(window->Label12->palette().color(QPalette::WindowText), QColor(192, 192, 192));
    EXPECT_EQ(window->Label13->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST_F(Form2Test, EveryCaptionFitsItsControl) {
    for (QRadioButton* option : window->findChildren<QRadioButton*>()) {
        EXPECT_LE(option->sizeHint().width(), option->width())
            << option->objectName().toStdString();
    }
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width())
            << button->objectName().toStdString();
        EXPECT_EQ(button->font().pointSizeF(), 9.0) << button->objectName().toStdString();
    }
    // A caption too wide for its label wraps onto a line the label has no room for; one pixel
    // of the face's descent may overhang.
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
    for (int slot = 1; slot <= 5; ++slot) {
        SCOPED_TRACE(slot);
        const QString prefix = QStringLiteral("save%1_").arg(slot);
        EXPECT_EQ(stored(prefix + "title"), QStringLiteral("セーブデータ%1").arg(slot));
        EXPECT_EQ(stored(prefix + "Option"), QStringLiteral("Option4"));
        EXPECT_EQ(stored(prefix + "paste-check"), QStringLiteral("Option5"));
        EXPECT_EQ(stored(prefix + "junjo"), QStringLiteral("0"));
        EXPECT_EQ(stored(prefix + "bityousei-tate"), QStringLiteral("0"));
        EXPECT_EQ(stored(prefix + "bityousei-yoko"), QStringLiteral("0"));
        EXPECT_EQ(stored(prefix + "paste-url-1"), QString());
        EXPECT_EQ(stored(prefix + "zu-comp"), QStringLiteral("0"));
    }
    // Five titles and five times thirteen values; the record itself waits for the close.
    EXPECT_EQ(main.settings.valueNames().size(), 70);
    EXPECT_EQ(stored("Option"), QString());
    EXPECT_EQ(window->save1_title->text(), QStringLiteral("セーブデータ1"));
    EXPECT_EQ(window->save5_title->text(), QStringLiteral("セーブデータ5"));
    EXPECT_EQ(held(Holder::Text2), QStringLiteral("Option4"));
    EXPECT_EQ(held(Holder::Text6), QStringLiteral("Option5"));
}

TEST_F(Form2Test, LaterLoadWritesNothingAndShowsStoredTitles) {
    holdEarlierSettings();
    main.settings.SaveSetting(QStringLiteral("save2_title"), QStringLiteral("現場A"));

    loaded();

    EXPECT_EQ(window->windowTitle(), QStringLiteral("ファイル選択"));
    EXPECT_EQ(main.settings.valueNames(), QStringList{QStringLiteral("save2_title")});
    EXPECT_EQ(window->save2_title->text(), QStringLiteral("現場A"));
    // A missing title reads as empty, replacing the design text.
    EXPECT_EQ(window->save1_title->text(), QString());
}

TEST_F(Form2Test, HeldChoicesSelectTheirButtons) {
    holdEarlierSettings();
    main.texts.setText(Holder::Text2, QStringLiteral("Option11"));
    main.texts.setText(Holder::Text6, QStringLiteral("Option9"));
    main.texts.setText(Holder::Text22, QStringLiteral("1"));

    loaded();

    EXPECT_TRUE(window->Option11->isChecked());
    EXPECT_TRUE(window->Option9->isChecked());
    EXPECT_TRUE(window->Option8->isChecked());
    EXPECT_TRUE(window->Command6->isEnabled());
    EXPECT_TRUE(main.folderButtonShown);
    EXPECT_EQ(main.percentInput, std::optional<bool>(true));
}

TEST_F(Form2Test, NamesOfNoButtonKeepTheDesignSelection) {
    holdEarlierSettings();
    main.texts.setText(Holder::Text2, QStringLiteral("option4"));
    main.texts.setText(Holder::Text6, QStringLiteral("Option7"));
    main.texts.setText(Holder::Text22, QStringLiteral("01"));
    window->Option1->setChecked(true); // not the design; shows that load leaves it alone

    loaded();

    EXPECT_TRUE(window->Option1->isChecked());
    EXPECT_FALSE(window->Option4->isChecked());
    EXPECT_TRUE(window->Option5->isChecked());
    EXPECT_TRUE(window->Option7->isChecked());
    // Not a first run: the lower-case name is not empty.
    EXPECT_EQ(main.settings.valueNames().size(), 0);
}

TEST_F(Form2Test, HeldTextsFillTheBoxesAndOutOfRangeOffsetsLeaveTheBarsAlone) {
    holdEarlierSettings();
    main.texts.setText(Holder::Text7, QStringLiteral(" A1 "));
    main.texts.setText(Holder::Text8, QStringLiteral("B2"));
    main.texts.setText(Holder::Text9, QStringLiteral("C3"));
    main.texts.setText(Holder::Text3, QStringLiteral("2000"));
    main.texts.setText(Holder::Text4, QStringLiteral("-15"));

    loaded();

    EXPECT_EQ(window->Text3->text(), QStringLiteral(" A1 "));
    EXPECT_EQ(window->Text4->text(), QStringLiteral("B2"));
    EXPECT_EQ(window->Text5->text(), QStringLiteral("C3"));
    EXPECT_EQ(window->Text1->text(), QStringLiteral("2000"));
    EXPECT_EQ(window->VScroll1->value(), 0);
    EXPECT_EQ(window->Text2->text(), QStringLiteral("-15"));
    EXPECT_EQ(window->HScroll2->value(), -15);
}

TEST_F(Form2Test, LettersAsOffsetStayInTheBox) {
    holdEarlierSettings();
    main.texts.setText(Holder::Text3, QStringLiteral("abc"));
    loaded();
    EXPECT_EQ(window->Text1->text(), QStringLiteral("abc"));
    EXPECT_EQ(window->VScroll1->value(), 0);
}

TEST_F(Form2Test, ClosingWithoutWorkbookRestoresTheNoWorkbookLayout) {
    holdEarlierSettings();
    main.texts.setText(Holder::Text6, QStringLiteral("Option6"));
    loaded();
    ASSERT_EQ(main.heightTwips, 4450);

    window->close();

    EXPECT_EQ(main.noWorkbookLayouts, 1);
    EXPECT_EQ(main.heightTwips, 2550);
    EXPECT_EQ(main.check1TopTwips, 1930);
    EXPECT_EQ(main.targetShown, (std::array<bool, 4>{false, false, false, false}));
    EXPECT_EQ(main.patternCloses, 1);
    EXPECT_TRUE(windowDestroyed());
}

TEST_F(Form2Test, ClosingWithAWorkbookKeepsTheLayout) {
    holdEarlierSettings();
    main.texts.setText(Holder::Text6, QStringLiteral("Option6"));
    loaded();
    window->List1->setEditText(QStringLiteral("Book1.ods"));

    window->close();

    EXPECT_EQ(main.noWorkbookLayouts, 0);
    EXPECT_EQ(main.heightTwips, 4450);
    EXPECT_EQ(main.targetShown, (std::array<bool, 4>{false, true, true, true}));
    EXPECT_EQ(main.patternCloses, 1);
}

TEST_F(Form2Test, UnloadRunsOnceAlthoughClosedTwice) {
    holdEarlierSettings();
    loaded();
    window->close();
    window->close();
    EXPECT_EQ(main.patternCloses, 1);
}

TEST_F(Form2Test, LockedWorkbookBoxRefusesTypingAndPicking) {
    holdEarlierSettings();
    loaded();
    window->List1->addItem(QStringLiteral("Excel が起動してません。"));
    window->setList1Locked(true);
    ASSERT_TRUE(window->isList1Locked());

    QTest::keyClicks(window->List1, QStringLiteral("Book"));
    QTest::keyClick(window->List1, Qt::Key_Down);
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
    main.texts.setText(Holder::Text6, QStringLiteral("Option9"));
    loaded();
    main.onShowPattern = [] {
        throw std::runtime_error("pattern window failed");
    };

    window->Command6->click();

    ASSERT_EQ(main.dialogs.messages.size(), 1u);
    EXPECT_EQ(main.dialogs.messages[0].text, QStringLiteral("pattern window failed"));
    EXPECT_EQ(main.dialogs.messages[0].style, kStyleCritical);
    EXPECT_FALSE(windowDestroyed());
}

} // namespace
} // namespace velmora::testing
