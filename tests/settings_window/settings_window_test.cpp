// The settings and pattern windows, opened from the real main window, and what they leave on it
// and in the store.

#include "form3.h"
#include "notice_strip.h"
#include "real_windows.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace velmora::testing {
namespace {

// The store as an earlier run left it: the record's choices and the five slot titles.
const StoreValues kEarlier = {{"Option", "Option4"},
                              {"paste-check", "Option5"},
                              {"junjo", "0"},
                              {"save1_title", "セーブデータ1"},
                              {"save2_title", "セーブデータ2"},
                              {"save3_title", "セーブデータ3"},
                              {"save4_title", "セーブデータ4"},
                              {"save5_title", "セーブデータ5"}};

// A first start fills every slot not yet saved with the design's choices (a backup restored
// before the first close brings slots, and titles, but no record), says so, and commits them.
TEST(SettingsFirstRun, FillsTheSlotsNotYetSavedAndSaysSo) {
    for (const QList<int>& saved : {QList<int>{}, {2, 4}, {1, 2, 3, 4, 5}}) {
        SCOPED_TRACE(saved.size());
        StoreValues backup{{"save5_title", "no slot behind it"}};
        for (const int slot : saved) {
            backup += {{slotTitleName(slot), "現場"}, {slotValueName(slot, "Option"), "Option2"}};
        }
        RealWindows w(backup, {"Book1.xls"});
        EXPECT_EQ(w.main.form2()->windowTitle(), "初回起動でしたのでレジストリへ保存しました。");
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            const auto stored = [&](const char* name) {
                return w.store.GetSetting(slotValueName(slot, name));
            };
            EXPECT_EQ(w.store.GetSetting(slotTitleName(slot)) + '|' + stored("Option") + '|' +
                          stored("paste-check") + '|' + stored("junjo"),
                      saved.contains(slot)
                          ? "現場|Option2||"
                          : QStringLiteral("セーブデータ%1|Option4|Option5|0").arg(slot));
        }
        // Titles and thirteen values of each slot filled; the record itself waits for the close.
        EXPECT_EQ(w.store.valueNames().size(), 70 - 12 * saved.size());
        EXPECT_EQ(w.shown(), "Picture0 Text5 %");
    }
}

// A later start shows the held choices; a name no button carries leaves the design's choice, an
// offset no bar can show leaves the bar at 0, and loading writes nothing. The link opens the home
// page; a failing handler is reported and the window lives on.
TEST(SettingsLoad, ShowsTheHeldChoicesAndWritesNothing) {
    RealWindows w({{"Option", "option4"},
                   {"paste-check", "Option7"},
                   {"junjo", "01"},
                   {"paste-url-1", " A1 "},
                   {"bityousei-tate", "2000"},
                   {"bityousei-yoko", "abc"},
                   {"save2_title", "現場A"}},
                  {}, false);
    const QByteArray before = fileBytes(w.store.location());
    Form2& s = w.settings();
    EXPECT_EQ(s.windowTitle(), "ファイル選択");
    EXPECT_TRUE((s.windowFlags() & w.main.windowFlags()).testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(s.Option4->isChecked() && s.Option5->isChecked() && s.Option7->isChecked());
    EXPECT_EQ(s.save1_title->text() + '|' + s.save2_title->text() + '|' + s.Text3->text() + '|' +
                  s.Text1->text() + '|' + s.Text2->text(),
              "|現場A| A1 |2000|abc");
    EXPECT_EQ(s.VScroll1->value() + s.HScroll2->value(), 0);
    EXPECT_EQ(fileBytes(w.store.location()), before);

    QTest::mouseClick(s.Label13, Qt::LeftButton);
    EXPECT_EQ(w.ui.openedUrls, QStringList{"https://github.com/velmora/velmora"});
    w.ui.onOpenUrl = [] {
        throw std::runtime_error("no browser");
    };
    QTest::mouseClick(s.Label13, Qt::LeftButton);
    EXPECT_EQ(w.ui.messages, Messages({{"no browser", kStyleCritical}}));
    EXPECT_TRUE(s.isVisible());
}

// The option groups switch the main window at once; the choices themselves wait for 決定, which
// counts neither order button (no click leaves both off) as send to the back.
TEST(SettingsOptions, SwitchTheMainWindowAtOnce) {
    RealWindows w(kEarlier, {"Book1.xls"});
    Form2& s = w.settings();
    const std::pair<QRadioButton*, const char*> steps[] = {
        {s.Option6, "Picture1 Picture2 Picture3 Text5 %"},
        {s.Option1, "Picture1 Picture2 Picture3 Combo1 ㎝"},
        {s.Option9, "Command2 Combo1 ㎝"},
        {s.Option3, "Command2 Text5 %"},
        {s.Option8, "Command2 Text5 %"},
        {s.Option10, "Picture0 Text5 %"},
        {s.Option2, "Picture0 Combo1 ㎝"},
        {s.Option11, "Picture0 Text5 %"},
        {s.Option5, "Picture0 Text5 %"},
        {s.Option2, "Picture0 Combo1 ㎝"},
        {s.Option12, "Picture0 Text5 %"},
        {s.Option4, "Picture0 Text5 %"}};
    for (const auto& [option, shown] : steps) {
        option->click();
        EXPECT_EQ(w.shown(), shown) << option->objectName().toStdString();
        // The pattern button and the address boxes are in use only with their own choice.
        EXPECT_EQ(s.Command6->isEnabled(), s.Option9->isChecked());
        EXPECT_EQ(s.Text4->palette().color(QPalette::Base) ==
                      QApplication::palette().color(QPalette::Base),
                  s.Option6->isChecked());
    }
    EXPECT_EQ(w.held({Holder::Text2, Holder::Text6, Holder::Text22}), "Option4|Option5|0");
    for (QRadioButton* order : {s.Option7, s.Option8}) {
        order->setAutoExclusive(false);
        order->setChecked(false);
    }
    s.Command3->click();
    EXPECT_EQ(w.held({Holder::Text2, Holder::Text6, Holder::Text22}), "Option4|Option5|1");
}

// The fine-adjustment pairs: a text becomes the bar's value as a 16-bit whole number in range
// (blanks allowed, halves to even), a bar step writes the plain number.
TEST(SettingsFineAdjustment, TextAndBarKeepInStep) {
    RealWindows w(kEarlier, {"Book1.xls"});
    Form2& s = w.settings();
    const struct {
        bool vertical; // Text1 and VScroll1, else Text2 and HScroll2
        int barBefore;
        bool typed; // key by key into the emptied box, else set at once
        const char* text;
        const char* textAfter;
        int barAfter;
    } cases[] = {
        {true, 5, true, "-", "-", 5},           // a lone minus is no error
        {true, 0, true, "1500", "1500", 150},   // "150" was the last text the bar could take
        {false, 0, false, "65541", "65541", 0}, // beyond 16 bits, not wrapped round to 5
        {true, 0, false, " 12 ", "12", 12},     // blanks accepted, the plain number written
        {true, 12, false, " 12 ", " 12 ", 12},  // already the bar's value: kept as typed
        {true, 12, false, "12.0", "12.0", 12},  {true, 0, true, "7.6", "8", 8}, // to the nearest
        {true, 0, false, "2.5", "2", 2}, // exact halves to the even neighbour
        {true, 0, false, "3.5", "4", 4},        {false, 0, false, "-2.5", "-2", -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.vertical ? "Text1 " : "Text2 ") + '"' + c.text + '"');
        QLineEdit* box = c.vertical ? s.Text1 : s.Text2;
        QScrollBar* bar = c.vertical ? s.VScroll1 : s.HScroll2;
        s.VScroll1->setValue(0);
        s.HScroll2->setValue(0);
        bar->setValue(c.barBefore);
        if (c.typed) {
            box->clear();
            QTest::keyClicks(box, c.text);
        } else {
            box->setText(c.text);
        }
        EXPECT_EQ(box->text(), c.textAfter);
        EXPECT_EQ(bar->value(), c.barAfter);
        EXPECT_EQ(s.VScroll1->value() + s.HScroll2->value(), c.barAfter) << "the pairs are apart";
    }
    s.VScroll1->setValue(0);
    const std::pair<QAbstractSlider::SliderAction, const char*> steps[] = {
        {QAbstractSlider::SliderSingleStepSub, "-1"},
        {QAbstractSlider::SliderPageStepSub, "-2"},
        {QAbstractSlider::SliderToMaximum, "1000"},
        {QAbstractSlider::SliderToMinimum, "-1000"}};
    for (const auto& [action, text] : steps) {
        s.VScroll1->triggerAction(action);
        EXPECT_EQ(s.Text1->text(), text);
    }
}

// Both 決定 buttons copy every choice into the main window (fields edited elsewhere stay) and
// write the titles, the record waiting for the close; the close box copies nothing. Without a
// workbook the main window takes the no-workbook layout, with one it keeps what the window
// showed. The window is gone afterwards.
TEST(SettingsClose, EachWayOutCommitsOrNotAndLeavesTheMatchingLayout) {
    const struct {
        const char* way;
        const char* workbook;
        bool commits;
        const char* held; // Text1 to Text9 as the user chose, Text25 and Combo1 as left
        const char* shown;
    } cases[] = {{"Command1", "Book 2.ods", true,
                  "Book 2.ods|Option2|Option6|1|A1| B2|C3 |-3|x|4|9",
                  "Picture1 Picture2 Picture3 Combo1 ㎝"},
                 {"Command3", "", true, "|Option2|Option6|1|A1| B2|C3 |-3|x|4|9", "Combo1 ㎝"},
                 {"close box", "Book 2.ods", false, "Book1.xls|Option4|Option5|0||||0|0|4|9",
                  "Picture1 Picture2 Picture3 Combo1 ㎝"},
                 {"close box", "", false, "Book1.xls|Option4|Option5|0||||0|0|4|9", "Combo1 ㎝"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.way) + " " + c.workbook);
        RealWindows w(kEarlier, {"Book1.xls"});
        const QPointer<Form2> s = &w.settings();
        s->List1->setEditText(c.workbook);
        for (QRadioButton* option : {s->Option2, s->Option6, s->Option8}) {
            option->click();
        }
        for (const auto& [box, text] : {std::pair{s->Text3, "A1"},
                                        {s->Text4, " B2"},
                                        {s->Text5, "C3 "},
                                        {s->Text1, "-3"},
                                        {s->Text2, "x"}}) {
            box->setText(text);
        }
        s->save4_title->setText("夜");
        w.main.Text25->setText("4");
        if (auto* button = s->findChild<QPushButton*>(c.way)) {
            button->click();
        } else {
            s->close();
        }
        settle();
        EXPECT_TRUE(s.isNull());
        EXPECT_EQ(w.held({Holder::Text1, Holder::Text2, Holder::Text6, Holder::Text22,
                          Holder::Text7, Holder::Text8, Holder::Text9, Holder::Text3, Holder::Text4,
                          Holder::Text25, Holder::Combo1}),
                  c.held);
        EXPECT_EQ(w.shown(), c.shown);
        EXPECT_EQ(w.main.WebBrowser1->notice(), w.main.Text1->text() + "　にロックしました。");
        EXPECT_EQ(w.store.GetSetting("save4_title"), c.commits ? "夜" : "セーブデータ4");
        EXPECT_EQ(w.store.GetSetting("paste-check"), "Option5");
    }
}

// Only the pattern window's own OK changes the held gaps, whichever 決定 follows; its close box,
// or a 決定 while it is open, leaves them as they were.
TEST(PatternWindow, OnlyItsOwnOkChangesTheGaps) {
    RealWindows w({{"Option", "Option4"}, {"paste-check", "Option9"}}, {"Book1.xls"});
    const struct {
        const char* typed[2]; // into the open pattern window; none: never opened
        const char* then;
        const char* held;
    } cases[] = {{{"0", "3"}, "OK", "0|3"},
                 {{"a", ""}, "OK", "a|"},
                 {{"9", "8"}, "close box", "2|5"},
                 {{"0", "3"}, "", "2|5"},
                 {{nullptr, nullptr}, "", "2|5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed[0] ? c.typed[0] : "unopened") + " " + c.then);
        w.main.Text25->setText("2");
        w.main.Text26->setText("5");
        Form2& s = w.settings();
        if (c.typed[0]) {
            s.Command6->click();
            Form3* pattern = openWindow<Form3>();
            ASSERT_NE(pattern, nullptr);
            EXPECT_EQ(pattern->Text4->text() + '|' + pattern->Text6->text(), "2|5");
            pattern->Text4->clear();
            QTest::keyClicks(pattern->Text4, c.typed[0]);
            pattern->Text6->clear();
            QTest::keyClicks(pattern->Text6, c.typed[1]);
            if (std::string(c.then) == "OK") {
                pattern->Command1->click();
            } else if (*c.then) {
                pattern->close();
            }
        }
        s.Command1->click();
        EXPECT_EQ(w.held({Holder::Text25, Holder::Text26}), c.held);
        settle();
        EXPECT_EQ(openWindow<Form3>(), nullptr);
    }
}

// A slot saves the thirteen values (committing first) and loads them all back, the check box
// included; the window shows the loaded slot and keeps its workbook. A slot never saved, or one
// that lost its choice, changes nothing and says so.
TEST(SettingsPresets, ASavedSlotLoadsBackEveryValueAndOneNeverSavedChangesNothing) {
    RealWindows w(kEarlier + StoreValues{{"save2_Option", ""}, {"save2_Combo1", "20"}},
                  {"Book1.xls"});
    Form2& s = w.settings();
    s.save4_title->setText("現場 \"B\"");
    for (QRadioButton* option : {s.Option11, s.Option9, s.Option8}) {
        option->click();
    }
    s.Text3->setText("A1");
    s.Text1->setText("1500");
    s.Text2->setText("-7");
    w.main.Combo1->setEditText("20");
    w.main.Check1->setChecked(true);
    w.main.Text25->setText("2");
    s.save4->click();
    EXPECT_EQ(s.windowTitle(), "現場 \"B\"　へ保存しました。");
    const QString saved = w.held();
    EXPECT_EQ(saved, "20|100|Option11|Option9|A1|||1500|-7|1|1|2|1");

    for (const RecordField& field : kRecordWriteOrder) {
        w.main.setText(field.holder, "other");
    }
    for (QRadioButton* option : {s.Option1, s.Option5, s.Option7}) {
        option->click();
    }
    s.Text3->setText("Z9");
    s.List1->setEditText("Book2.xls");
    s.load4->click();
    EXPECT_EQ(w.held(), saved);
    EXPECT_EQ(s.windowTitle(), "現場 \"B\"　を読み込みました。");
    EXPECT_TRUE(s.Option11->isChecked() && s.Option9->isChecked() && s.Option8->isChecked());
    EXPECT_EQ(s.Text3->text() + '|' + s.Text2->text() + '|' + s.List1->currentText(),
              "A1|-7|Book2.xls");
    EXPECT_EQ(s.HScroll2->value(), -7);
    EXPECT_EQ(w.shown(), "Command2 Text5 %");
    EXPECT_EQ(w.main.Text1->text(), "Book1.xls");

    const QByteArray stored = fileBytes(w.store.location());
    s.Text3->setText("typed");
    for (const auto& [load, title] :
         {std::pair{s.load3, "セーブデータ3"}, {s.load2, "セーブデータ2"}}) {
        load->click();
        EXPECT_EQ(s.windowTitle(), QString(title) + "　は保存されていません。");
        EXPECT_EQ(fileBytes(w.store.location()), stored);
        EXPECT_EQ(w.held(), saved);
        EXPECT_EQ(s.Text3->text(), "typed");
    }
}

// Each action is one write: on a full disk it fails whole, says so, and leaves the store as it
// was, byte for byte.
TEST(SettingsStore, AFailedWriteIsReportedAndLeavesTheStoreAsItWas) {
    const struct {
        const char* action;
        StoreValues stored;
        std::function<void(Form2&)> run;
        const char* caption; // or none for a message box
    } actions[] = {
        {"first-run fill", {}, [](Form2&) {}, "初回起動の設定をレジストリへ保存できませんでした。"},
        {"slot save", kEarlier, [](Form2& s) { s.save1->click(); },
         "セーブデータ1　へ保存できませんでした。"},
        {"plain 決定", kEarlier,
         [](Form2& s) {
             s.save3_title->setText(QString(30, QChar(u'長')));
             s.Command1->click();
         },
         nullptr}};
    for (const auto& a : actions) {
        SCOPED_TRACE(a.action);
        RealWindows w(a.stored, {}, false);
        const QString path = w.store.location();
        const QByteArray before = fileBytes(path);
        {
            const FileSizeLimit full(before.size() + 40);
            a.run(w.settings());
        }
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(QFile::exists(path), !before.isEmpty());
        if (a.caption) {
            EXPECT_EQ(w.main.form2()->windowTitle(), a.caption);
        } else {
            EXPECT_EQ(w.ui.messages,
                      Messages({{"設定を保存できませんでした。\r\n\r\n" + path, kStyleCritical}}));
        }
    }
}

// The backup closes the window unconfirmed, asks where to write (the overwrite prompt on), writes
// exactly the chosen file or says why, and leaves the main window in the no-workbook layout with
// the size input of the held sizing choice, not of the last click.
TEST(SettingsExport, WritesTheChosenFileOrSaysWhyAndShowsTheHeldSizeInput) {
    const QTemporaryDir target;
    const QString written = target.filePath("my settings");
    const QString unwritable = target.filePath("missing folder/Velmora.reg");
    const struct {
        const char* held;
        const char* clicked;
        std::optional<QString> answer;
        const char* shown;
        QString message; // its start; none when cancelled
        int style;
    } cases[] = {{"Option4", "Option1", std::nullopt, "Text5 %", {}, 0},
                 {"Option2", "Option11", written, "Combo1 ㎝",
                  written +
                      "\r\nに保存しました。\r\n\r\n設定を復元する場合は、このregファイルを実行"
                      "してください。",
                  kStyleInformation},
                 {"Option4", "Option2", unwritable, "Text5 %",
                  unwritable + "\r\nに保存できませんでした。\r\n\r\n", kStyleCritical}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        RealWindows w({{"Option", c.held}, {"paste-check", "Option9"}}, {"Book1.xls"});
        Form2& s = w.settings();
        s.findChild<QRadioButton*>(c.clicked)->click();
        w.ui.saveAnswers.push_back(c.answer);
        s.Command7->click();
        EXPECT_EQ(w.shown(), c.shown);
        ASSERT_EQ(w.ui.saveDialogs.size(), 1u);
        EXPECT_TRUE(w.ui.saveDialogs[0].confirmOverwrite);
        ASSERT_EQ(w.ui.messages.size(), c.message.isEmpty() ? 0u : 1u);
        if (!c.message.isEmpty()) {
            EXPECT_TRUE(w.ui.messages[0].text.startsWith(c.message));
            EXPECT_EQ(w.ui.messages[0].style, c.style);
        }
        EXPECT_EQ(QDir(target.path()).entryList(QDir::Files),
                  c.answer ? QStringList{"my settings"} : QStringList{});
    }
}

// The removal asks first; then the store is emptied (the main window's close writes the record
// once more, and that goes too) and the program ends.
TEST(SettingsDelete, AsksThenEmptiesTheStoreAndEndsTheProgramUnlessCancelled) {
    const struct {
        MessageAnswer answer;
        bool removedBehindOurBack;
        Messages replies;
    } cases[] = {{MessageAnswer::Cancel, false, {}},
                 {MessageAnswer::Ok, false, {{"削除しました。", kStyleInformation}}},
                 {MessageAnswer::Ok, true, {{"削除済みです。", kStyleOk}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.replies.size());
        RealWindows w(kEarlier, {"Book1.xls"});
        w.main.show();
        Form2& s = w.settings();
        const QStringList before = w.store.valueNames();
        if (c.removedBehindOurBack) {
            ASSERT_EQ(w.store.DeleteSetting(), SettingsStore::DeleteResult::Deleted);
        }
        w.ui.messageAnswers.push_back(c.answer);
        s.Command2->click();
        Messages shown{{"レジストリを削除しますか？", kStyleExclamationOkCancel}};
        shown.insert(shown.end(), c.replies.begin(), c.replies.end());
        EXPECT_EQ(w.ui.messages, shown);
        const bool removed = !c.replies.empty();
        EXPECT_EQ(w.store.valueNames(), removed ? QStringList() : before);
        EXPECT_EQ(QFile::exists(w.store.location()), !removed);
        EXPECT_EQ(w.main.isVisible(), !removed);
    }
}

// The CJK face is wider than the design face: a caption that does not fit is cut or wraps out
// of sight.
TEST(SettingsWindow, EveryCaptionFitsItsControl) {
    RealWindows w({}, {}, false);
    Form2& s = w.settings();
    for (QRadioButton* option : s.findChildren<QRadioButton*>()) {
        EXPECT_LE(option->sizeHint().width(), option->width())
            << option->objectName().toStdString();
    }
    for (QPushButton* button : s.findChildren<QPushButton*>()) {
        EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width())
            << button->objectName().toStdString();
    }
    // One pixel of the face's descent may overhang.
    for (QLabel* label : s.findChildren<QLabel*>()) {
        EXPECT_LE(label->heightForWidth(label->width()), label->height() + 1)
            << label->objectName().toStdString();
        EXPECT_GE(label->font().pointSizeF(), 7.5);
    }
}

} // namespace
} // namespace velmora::testing
