// The settings and pattern windows, opened from the real main window, and what they leave on it
// and in the store.

#include "form3.h"
#include "notice_strip.h"
#include "real_windows.h"

#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

namespace velmora::testing {
namespace {

// A first start fills every slot not yet saved with the design's choices (a backup restored
// before the first close brings slots, and titles, but no record) and says so. A record that
// lacks only its sizing choice keeps every other value it holds.
TEST(SettingsFirstRun, FillsTheSlotsNotYetSavedAndSaysSo) {
    for (const QList<int>& saved : {QList<int>{2, 4}, {1, 2, 3, 4, 5}}) {
        SCOPED_TRACE(saved.size());
        QString backup = "save5_title=no slot behind it|paste-check=Option6|paste-url-1=B4|"
                         "bityousei-tate=5|junjo=1";
        for (const int slot : saved) {
            backup += QStringLiteral("|save%1_title=現場|save%1_Option=Option2").arg(slot);
        }
        RealWindows w(backup, {"Book1.xls"});
        EXPECT_EQ(w.main.form2()->windowTitle(), "初回起動でしたのでレジストリへ保存しました。");
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            EXPECT_EQ(w.store.GetSetting(slotTitleName(slot)) + '|' +
                          w.store.GetSetting(slotValueName(slot, "Option")),
                      saved.contains(slot) ? "現場|Option2"
                                           : QStringLiteral("セーブデータ%1|Option4").arg(slot));
        }
        // Titles and thirteen values of each slot filled; the record itself waits for the close.
        EXPECT_EQ(w.store.valueNames().size(), 74 - 12 * saved.size());
        EXPECT_EQ(w.held(), "9|100|Option4|Option6|B4|||5|0|0|1|1|1");
    }
}

// A later start shows the held choices; a name no button carries leaves the design's choice, an
// offset no bar can show leaves the bar at 0, and loading writes nothing. The link opens the home
// page; a failing handler is reported and the window lives on.
TEST(SettingsLoad, ShowsTheHeldChoicesAndWritesNothing) {
    RealWindows w("Option=option4|paste-check=Option7|junjo=01|paste-url-1= A1 |zu-comp=1|"
                  "bityousei-tate=2000|bityousei-yoko=abc|save2_title=現場A",
                  {}, false);
    const QByteArray before = fileBytes(w.store.location());
    Form2& s = w.settings();
    EXPECT_EQ(s.windowTitle(), "ファイル選択");
    EXPECT_TRUE((s.windowFlags() & w.main.windowFlags()).testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(checked(&s, "Option4|Option5|Option7|Check1"));
    EXPECT_EQ(shownIn(&s, "save1_title|save2_title|Text3|Text1|Text2|VScroll1|HScroll2"),
              "|現場A| A1 |2000|abc|0|0");
    EXPECT_EQ(fileBytes(w.store.location()), before);
    // A fine-adjustment bar writes its number into its box, which moves the bar back.
    control<QScrollBar>(&s, "VScroll1")->setValue(-12);
    EXPECT_EQ(shownIn(&s, "Text1|VScroll1"), "-12|-12");

    QLabel* link = control<QLabel>(&s, "Label13");
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(w.ui.openedUrls, QStringList{"https://github.com/velmora/velmora"});
    w.ui.onOpenUrl = [] {
        throw std::runtime_error("no browser");
    };
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(w.ui.messages, Messages({{"エラーがでました。", kStyleCritical}}));
    EXPECT_TRUE(s.isVisible());
}

// Both 決定 buttons copy every choice into the main window (fields edited elsewhere stay; neither
// order button on counts as send to the back) and write the titles, the record waiting for the
// close; the close box copies nothing. Without a workbook the main window takes the no-workbook
// layout, with one it keeps what the window showed. The pattern window, opened on the held gaps,
// changes them only by its own OK, whichever 決定 follows. Both windows are gone afterwards.
TEST(SettingsClose, EachWayOutCommitsOrNotAndLeavesTheMatchingLayout) {
    const struct {
        const char* pattern; // steps in the pattern window, opened first; none: never opened
        const char* steps;   // then in the settings window, the way out last
        const char* held;    // the record (Combo1 and Text5 as left), then Text1
        const char* shown;
    } cases[] = {
        {nullptr, "List1=Book 2.ods|Command1",
         "9|100|Option2|Option6|A1| B2|C3 |-3|x|1|1|4|5|Book 2.ods",
         "Picture1 Picture2 Picture3 Combo1 ㎝"},
        {nullptr, "List1=|Command3", "9|100|Option2|Option6|A1| B2|C3 |-3|x|1|1|4|5|", "Combo1 ㎝"},
        {nullptr, "List1=Book 2.ods|close", "9|100|Option4|Option5||||0|0|0|0|4|5|Book1.xls",
         "Picture1 Picture2 Picture3 Combo1 ㎝"},
        {"Text4=0|Text6=3|Command1", "Command1",
         "9|100|Option2|Option9|A1| B2|C3 |-3|x|1|1|0|3|Book1.xls", "Command2 Combo1 ㎝"},
        {"Text4=a|Text6=|Command1", "Command3",
         "9|100|Option2|Option9|A1| B2|C3 |-3|x|1|1|a||Book1.xls", "Command2 Combo1 ㎝"},
        {"Text4=0|Text6=3", "Command1", "9|100|Option2|Option9|A1| B2|C3 |-3|x|1|1|4|5|Book1.xls",
         "Command2 Combo1 ㎝"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern ? c.pattern : "") + " " + c.steps);
        RealWindows w("", {"Book1.xls"});
        w.main.Text25->setText("4");
        w.main.Text26->setText("5");
        const QPointer<Form2> s = &w.settings();
        act(s,
            "Option2|Option6|Text3=A1|Text4= B2|Text5=C3 |Text1=-3|Text2=x|save4_title=夜|Check1");
        for (const char* name : {"Option7", "Option8"}) {
            auto* order = control<QRadioButton>(s, name);
            order->setAutoExclusive(false);
            order->setChecked(false);
        }
        QPointer<Form3> pattern;
        if (c.pattern) {
            act(s, "Option9|Command6");
            QCoreApplication::processEvents(); // the window it raised is the active one
            pattern = dynamic_cast<Form3*>(QApplication::activeWindow());
            ASSERT_NE(pattern, nullptr);
            EXPECT_EQ(shownIn(pattern, "Text4|Text6"), "4|5");
            act(pattern, c.pattern);
            EXPECT_EQ(pattern->isHidden(), QString(c.pattern).endsWith("Command1"))
                << "its OK closes it";
        }
        act(s, c.steps);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // closed ones go
        EXPECT_TRUE(s.isNull() && pattern.isNull());
        EXPECT_EQ(w.held() + '|' + w.main.Text1->text(), c.held);
        EXPECT_EQ(w.shown(), c.shown);
        EXPECT_EQ(w.main.WebBrowser1->notice(), w.main.Text1->text() + "　にロックしました。");
        EXPECT_EQ(w.store.GetSetting("save4_title"),
                  QString(c.steps).endsWith("close") ? "セーブデータ4" : "夜");
        EXPECT_EQ(w.store.GetSetting("paste-check"), "");
    }
}

// A slot saves the thirteen values (committing first) and loads them all back, the check box
// included; the window shows the loaded slot and keeps its workbook. A slot never saved, or one
// that lost its choice, changes nothing and says so.
TEST(SettingsPresets, ASavedSlotLoadsBackEveryValueAndOneNeverSavedChangesNothing) {
    RealWindows w(
        "Option=Option4|save2_title=セーブデータ2|save2_Combo1=20|save3_title=セーブデータ3",
        {"Book1.xls"});
    Form2& s = w.settings();
    w.main.Combo1->setEditText("20");
    w.main.Text25->setText("2");
    act(&s, "save4_title=現場 \"B\"|Option11|Option9|Option8|Check1|Text3=A1|Text1=1500|Text2=-7|"
            "save4");
    EXPECT_EQ(s.windowTitle(), "現場 \"B\"　へ保存しました。");
    const QString saved = w.held();
    EXPECT_EQ(saved, "20|100|Option11|Option9|A1|||1500|-7|1|1|2|1");

    for (const RecordField& field : kRecordWriteOrder) {
        w.main.setText(field.holder, "other");
    }
    act(&s, "Option1|Option5|Option7|Check1|Text3=Z9|List1=Book2.xls|load4");
    EXPECT_EQ(w.held(), saved);
    EXPECT_EQ(s.windowTitle(), "現場 \"B\"　を読み込みました。");
    EXPECT_TRUE(checked(&s, "Option11|Option9|Option8|Check1"));
    EXPECT_EQ(shownIn(&s, "Text3|Text2|HScroll2|List1"), "A1|-7|-7|Book2.xls");
    EXPECT_EQ(w.shown(), "Command2 Text5 %");
    EXPECT_EQ(w.main.Text1->text(), "Book1.xls");

    const QByteArray stored = fileBytes(w.store.location());
    for (const QString slot : {"3", "2"}) {
        act(&s, "Text3=typed|load" + slot);
        EXPECT_EQ(s.windowTitle(), "セーブデータ" + slot + "　は保存されていません。");
        EXPECT_EQ(fileBytes(w.store.location()), stored);
        EXPECT_EQ(w.held(), saved);
        EXPECT_EQ(shownIn(&s, "Text3"), "typed");
    }
}

// Each action is one write: on a full disk it fails whole, says so, and leaves the store as it
// was, byte for byte. The main window still closes.
TEST(SettingsStore, AFailedWriteIsReportedAndLeavesTheStoreAsItWas) {
    const struct {
        QString steps; // in the settings window; none: the main window is closed
        const char* stored;
        const char* caption; // or none for a message box
    } actions[] = {{"", "", "初回起動の設定をレジストリへ保存できませんでした。"},
                   {"save1_title=朝|save1", "Option=Option4", "朝　へ保存できませんでした。"},
                   {"save3_title=" + QString(30, u'長') + "|Command1", "Option=Option4", {}},
                   {{}, "Option=Option4", nullptr}};
    for (const auto& a : actions) {
        SCOPED_TRACE(a.steps.isNull() ? "close" : a.steps.left(20).toStdString());
        RealWindows w(a.stored, {}, false);
        w.main.show();
        const QString path = w.store.location();
        const QByteArray before = fileBytes(path);
        {
            const FileSizeLimit full(before.size() + 40);
            if (a.steps.isNull()) {
                w.main.close();
            } else {
                act(&w.settings(), a.steps);
            }
        }
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(QFile::exists(path), !before.isEmpty());
        EXPECT_EQ(w.main.isVisible(), !a.steps.isNull());
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
        const char *held, *clicked;
        std::optional<QString> answer;
        const char* shown;
        const char* said; // after the path, at the start of the message; none when cancelled
        int style;
    } cases[] = {{"Option4", "Option1", std::nullopt, "Text5 %", nullptr, 0},
                 {"Option2", "Option11", written, "Combo1 ㎝",
                  "\r\nに保存しました。\r\n\r\n設定を復元する場合は、このregファイルを実行",
                  kStyleInformation},
                 {"Option4", "Option2", unwritable, "Text5 %",
                  "\r\nに保存できませんでした。\r\n\r\n", kStyleCritical}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clicked);
        RealWindows w(QStringLiteral("paste-check=Option9|Option=") + c.held, {"Book1.xls"});
        w.ui.saveAnswers.push_back(c.answer);
        act(&w.settings(), c.clicked + QStringLiteral("|Command7"));
        EXPECT_EQ(w.shown(), c.shown);
        EXPECT_TRUE(w.ui.saveDialogs.size() == 1 && w.ui.saveDialogs[0].confirmOverwrite);
        ASSERT_EQ(w.ui.messages.size(), c.said ? 1u : 0u);
        EXPECT_TRUE(!c.said || (w.ui.messages[0].text.startsWith(*c.answer + c.said) &&
                                w.ui.messages[0].style == c.style));
        EXPECT_EQ(QDir(target.path()).entryList(QDir::Files),
                  c.answer ? QStringList{"my settings"} : QStringList{});
    }
}

// The removal asks first; then the store is emptied (the main window's close writes the record
// once more, and that goes too) and the program ends.
TEST(SettingsDelete, AsksThenEmptiesTheStoreAndEndsTheProgramUnlessCancelled) {
    const Messages asked{{"レジストリを削除しますか？", kStyleExclamationOkCancel}};
    const struct {
        MessageAnswer answer;
        bool removedBehindOurBack;
        Messages replies;
    } cases[] = {{MessageAnswer::Cancel, false, {}},
                 {MessageAnswer::Ok, false, {{"削除しました。", kStyleInformation}}},
                 {MessageAnswer::Ok, true, {{"削除済みです。", kStyleOk}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.replies.size());
        RealWindows w("", {"Book1.xls"});
        w.main.show();
        Form2& s = w.settings();
        if (c.removedBehindOurBack) {
            ASSERT_TRUE(w.store.DeleteSetting());
        }
        w.ui.messageAnswers.push_back(c.answer);
        act(&s, "Command2");
        Messages shown = asked;
        shown.insert(shown.end(), c.replies.begin(), c.replies.end());
        EXPECT_EQ(w.ui.messages, shown);
        const bool removed = !c.replies.empty();
        EXPECT_EQ(w.store.valueNames().isEmpty(), removed);
        EXPECT_EQ(QFile::exists(w.store.location()), !removed);
        EXPECT_EQ(w.main.isVisible(), !removed);
    }
}

} // namespace
} // namespace velmora::testing
