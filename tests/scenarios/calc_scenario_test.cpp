// The real main window against a private office, started on a temporary store and driven as a
// user drives it (drops, the folder button, the workbook button); what landed is read back
// from Calc.

#include "drop_target.h"
#include "form1.h"
#include "form2.h"
#include "office_fixture.h"
#include "paste_engine.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "synthetic_drop.h"
#include "temp_store.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

namespace velmora::testing {
namespace {

constexpr double kTolerance = 0.05; // Calc rounds through twips
constexpr double kCm = 28.35;
// Columns and rows of the test grid, in whole twips so that Calc keeps them exactly.
constexpr double kColumn = 72, kRow = 36;

QString pictureName(int number) {
    return kPictureNamePrefix + QString::number(number);
}

struct Placement {
    double left = 0, top = 0, width = 0, height = 0; // all 0: a shape that is no picture
};

// A picture of width x height centred on the cell area from (column, row).
Placement centred(int column, int row, double width, double height, int columns = 1, int rows = 1) {
    return {(column - 1) * kColumn + (columns * kColumn - width) / 2,
            (row - 1) * kRow + (rows * kRow - height) / 2, width, height};
}

Placement atCorner(int column, int row, double width, double height) {
    return {(column - 1) * kColumn, (row - 1) * kRow, width, height};
}

class Scenario : public ::testing::Test {
protected:
    void SetUp() override {
        office().closeAllWorkbooks();
        link = office().makeLink();
        // 192 x 144 px at 96 dpi: 144 x 108 pt, 4:3. 96 x 144 px: 72 x 108 pt, 2:3.
        landscape = photo(QStringLiteral("landscape.jpg"), 192, 144);
        portrait = photo(QStringLiteral("portrait.jpg"), 96, 144);
    }
    void TearDown() override {
        office().resume(); // after a test that failed with the office stopped
        if (form) {
            form->close();
        }
    }
    static OfficeProcess& office() { return sharedOffice(); }

    // A new active workbook with the test grid.
    void workbook(const QString& name, int rows = 12) {
        office().addWorkbook(name);
        for (int column = 1; column <= 8; ++column) {
            office().setColumnWidth(column, kColumn);
        }
        for (int row = 1; row <= rows; ++row) {
            office().setRowHeight(row, kRow);
        }
    }
    // The main window started as the program starts it, on these stored settings.
    void start(std::initializer_list<std::pair<const char*, const char*>> settings) {
        for (const auto& [name, value] : settings) {
            ASSERT_TRUE(store.SaveSetting(QString::fromLatin1(name), QString::fromUtf8(value)));
        }
        form = std::make_unique<Form1>(*link, store, ui, nullptr);
        ASSERT_TRUE(form->Form_Load());
    }
    QString photo(const QString& name, int widthPx, int heightPx) {
        return writeJpeg(QDir(office().workDir()).filePath(name), widthPx, heightPx);
    }
    // The shapes of `book` from back to front, each picture in its place and anchored to the
    // cell under its corner.
    static void expectShapes(const QString& book,
                             const QList<std::pair<QString, Placement>>& expected) {
        const QList<CalcShapeInfo> shapes = office().shapes(book);
        ASSERT_EQ(shapes.size(), expected.size());
        for (qsizetype i = 0; i < shapes.size(); ++i) {
            const auto& [name, place] = expected[i];
            SCOPED_TRACE(name.toStdString());
            EXPECT_EQ(shapes[i].name, name);
            EXPECT_EQ(shapes[i].picture, place.width > 0);
            if (place.width > 0) {
                EXPECT_NEAR(shapes[i].left, place.left, kTolerance);
                EXPECT_NEAR(shapes[i].top, place.top, kTolerance);
                EXPECT_NEAR(shapes[i].width, place.width, kTolerance);
                EXPECT_NEAR(shapes[i].height, place.height, kTolerance);
                EXPECT_EQ(shapes[i].anchorCell,
                          cellAddress(int(place.left / kColumn) + 1, int(place.top / kRow) + 1));
            }
        }
        EXPECT_FALSE(office().locked(book));
    }
    void expectErrors(std::size_t count) {
        ASSERT_EQ(ui.messages.size(), count);
        for (const ShownMessage& message : ui.messages) {
            EXPECT_EQ(message.text, kPasteErrorMessage);
            EXPECT_EQ(message.style, kStyleCritical);
        }
    }

    TempStore tempStore;
    SettingsStore store;
    RecordingInteraction ui;
    std::unique_ptr<ExcelLink> link;
    std::unique_ptr<Form1> form;
    QString landscape, portrait;
};

TEST_F(Scenario, NumberedTargetsPasteIntoTheLockedWorkbookWhileAnotherIsActive) {
    workbook(QStringLiteral("Targets.ods"));
    office().merge(QStringLiteral("C5:D6"));
    office().addRectangle(QStringLiteral("Frame"), 10, 10, 300, 200);
    start({{"Option", "Option2"},
           {"Combo1", "1"},
           {"paste-check", "Option6"},
           {"paste-url-1", "B2"},
           {"paste-url-2", "C5:D6"},
           {"paste-url-3", "E8"},
           {"junjo", "0"}});
    ASSERT_EQ(form->Text1->text(), QStringLiteral("Targets.ods"));
    EXPECT_FALSE(form->Picture0->isVisibleTo(form.get()));
    office().addWorkbook(QStringLiteral("Other.ods"));
    office().select(QStringLiteral("E6"));

    // The first of two files, centred on the merged C5:D6.
    ASSERT_TRUE(dragAndDrop(form->Picture2, {landscape, portrait}));
    form->Text2->setText(QStringLiteral("Option1"));
    ASSERT_TRUE(dragAndDrop(form->Picture1, {portrait}));
    // Half the row's height, sent behind every shape.
    form->Text2->setText(QStringLiteral("Option11"));
    form->Text5->setText(QStringLiteral("50"));
    form->Text22->setText(QStringLiteral("1"));
    ASSERT_TRUE(dragAndDrop(form->Picture3, {landscape}));
    // A text file, and one that only carries a photo's name.
    for (const QString& name : {QStringLiteral("notes.txt"), QStringLiteral("not a photo.jpg")}) {
        QFile file(QDir(office().workDir()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("not a picture\n") > 0);
        file.close();
        dragAndDrop(form->Picture1, {file.fileName()});
    }

    expectErrors(2);
    EXPECT_TRUE(office().shapes(QStringLiteral("Other.ods")).isEmpty());
    expectShapes(QStringLiteral("Targets.ods"),
                 {{pictureName(4), centred(5, 8, kRow / 2 * 4 / 3, kRow / 2)},
                  {QStringLiteral("Frame"), {}},
                  {pictureName(2), centred(3, 5, kCm, kCm * 3 / 4, 2, 2)},
                  {pictureName(3), atCorner(2, 2, kCm, kCm * 3 / 2)}});
}

TEST_F(Scenario, APhotoGoesToTheCellCursorWhateverIsSelected) {
    workbook(QStringLiteral("Cursor.ods"));
    start({{"Option", "Option1"}, {"Combo1", "2"}, {"paste-check", "Option5"}});
    ASSERT_TRUE(form->Picture0->isVisibleTo(form.get()));
    // The user clicks C3; drags over B2:D4 starting at D4; clicks E7 and then a picture.
    office().select(QStringLiteral("C3"));
    ASSERT_TRUE(dragAndDrop(form->Picture0, {landscape}));
    office().select(QStringLiteral("B2:D4"), QStringLiteral("D4"));
    ASSERT_TRUE(dragAndDrop(form->Picture0, {landscape}));
    office().select(QStringLiteral("E7"));
    office().selectShape(pictureName(1));
    ASSERT_TRUE(dragAndDrop(form->Picture0, {landscape}));

    expectErrors(0);
    const double w = 2 * kCm;
    expectShapes(QStringLiteral("Cursor.ods"), {{pictureName(1), atCorner(3, 3, w, w * 3 / 4)},
                                                {pictureName(2), atCorner(4, 4, w, w * 3 / 4)},
                                                {pictureName(3), atCorner(5, 7, w, w * 3 / 4)}});
    // Selected once the run let the view go, as the user sees it after a drop.
    EXPECT_EQ(office().selectedShapeNames(), QStringList{pictureName(3)});
}

TEST_F(Scenario, Option10NamesANewSheetAfterTheFileAndRefusesItTwice) {
    office().addWorkbook(QStringLiteral("Sheets.ods"));
    const QStringList sheets = office().sheetNames() << QStringLiteral("IMG_0012.JPG");
    start({{"Option", "Option1"},
           {"Combo1", "3"},
           {"paste-check", "Option10"},
           {"bityousei-tate", "6"},
           {"bityousei-yoko", "9"}});
    const QString file = photo(QStringLiteral("IMG_0012.JPG"), 192, 144);
    ASSERT_TRUE(dragAndDrop(form->Picture0, {file}));
    ASSERT_TRUE(dragAndDrop(form->Picture0, {file}));

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kDuplicateSheetMessage);
    EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
    QStringList after = office().sheetNames();
    EXPECT_EQ(after.size(), sheets.size());
    EXPECT_TRUE(after.contains(QStringLiteral("IMG_0012.JPG")));
    // On the new sheet, now the active one, at A1 moved by the offsets.
    expectShapes(QStringLiteral("Sheets.ods"),
                 {{pictureName(1), {9, 6, 3 * kCm, 3 * kCm * 3 / 4}}});
}

TEST_F(Scenario, TheFolderButtonPastesEveryJpgDownTheColumnAsOneUndoStep) {
    workbook(QStringLiteral("Album.ods"), 32);
    office().addRectangle(QStringLiteral("Frame"), 300, 10, 50, 50);
    // Holds the number the first picture would get, which is skipped.
    office().addRectangle(pictureName(3), 300, 100, 50, 50);
    office().select(QStringLiteral("B3"));
    // Names in code-unit order, each photo 160 px wide and taller than the one before: the
    // later ones overhang their row and anchor above it.
    QTemporaryDir folder(QDir(office().workDir()).filePath(QStringLiteral("folder-XXXXXX")));
    const QStringList names = {"IMG_1.jpg", "IMG_10.jpg", "IMG_11.jpg", "IMG_12.jpg", "IMG_2.jpg",
                               "IMG_3.jpg", "IMG_4.jpg",  "IMG_5.jpg",  "IMG_6.jpg",  "IMG_7.jpg",
                               "IMG_8.jpg", "IMG_9.jpg",  "photo.JPG"};
    for (int i = 0; i < names.size(); ++i) {
        writeJpeg(folder.filePath(names[i]), 160, 48 + 8 * i);
    }
    start({{"Option", "Option12"},
           {"Text5", "75"},
           {"paste-check", "Option9"},
           {"renzoku-no1-no2", "1"},
           {"renzoku-p1-p2", "2"}});
    ASSERT_TRUE(form->Command2->isVisibleTo(form.get()));
    ui.openAnswers.push_back(folder.filePath(QStringLiteral("IMG_7.jpg")));
    form->Command2->click();

    expectErrors(0);
    EXPECT_EQ(form->progressWindow(), nullptr);
    QList<std::pair<QString, Placement>> expected = {{QStringLiteral("Frame"), {}},
                                                     {pictureName(3), {}}};
    const int rows[] = {3, 5, 7, 10, 12, 14, 17, 19, 21, 24, 26, 28, 31};
    const double width = 0.75 * kColumn;
    for (int i = 0; i < names.size(); ++i) {
        expected.append(
            {pictureName(4 + i), centred(2, rows[i], width, width * (48 + 8 * i) / 160)});
    }
    expectShapes(QStringLiteral("Album.ods"), expected);
    office().undo();
    EXPECT_EQ(office().shapes().size(), 2);
}

TEST_F(Scenario, TheWorkbookButtonListsTheOpenWorkbooksAndLocksTheChosenOne) {
    office().addWorkbook(QStringLiteral("Zeta.ods"));
    office().addWorkbook(QStringLiteral("Alpha.ods"));
    start({});
    ASSERT_EQ(form->Text1->text(), QStringLiteral("Alpha.ods")); // the active one at start
    form->Command1_Click();
    Form2* settings = form->form2();
    ASSERT_EQ(settings->List1->count(), 2);
    EXPECT_EQ(settings->List1->itemText(0), QStringLiteral("Zeta.ods"));
    EXPECT_EQ(settings->List1->currentText(), QStringLiteral("Alpha.ods"));
    EXPECT_FALSE(settings->isList1Locked());
    EXPECT_TRUE(settings->isVisible());
    settings->List1->setCurrentIndex(0);
    settings->決定ボタン();
    EXPECT_EQ(form->Text1->text(), QStringLiteral("Zeta.ods"));

    // With none open the list is empty and unlocked, and the lock stays.
    office().closeAllWorkbooks();
    form->Command1_Click();
    EXPECT_EQ(form->form2()->List1->count(), 0);
    EXPECT_EQ(form->form2()->List1->currentText(), QStringLiteral("Zeta.ods"));
    EXPECT_FALSE(form->form2()->isList1Locked());
}

// Counts the paint events of every widget.
struct PaintCounter : QObject {
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

// A folder paste of three photos from B3 during which the office stops at the second photo.
// A run waits 20 s at most here, and the user is asked after 0.3 s.
class StoppedOffice : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        for (int i = 1; i <= 3; ++i) {
            writeJpeg(folder.filePath(QStringLiteral("IMG_%1.jpg").arg(i)), 160, 120);
        }
        office().addWorkbook(book);
        office().select(QStringLiteral("B3"));
        CalcLinkOptions options;
        options.notAnsweringNoticeMs = 300;
        options.longestWaitMs = 20000;
        link = office().makeLink(options);
        start({{"Option", "Option1"},
               {"Combo1", "2"},
               {"paste-check", "Option9"},
               {"renzoku-no1-no2", "0"},
               {"renzoku-p1-p2", "0"}});
        ui.onProcessEvents = [this] {
            if (++photos == 2) {
                office().suspend();
                paints.emplace();
            }
        };
    }
    void pasteTheFolder() {
        ui.openAnswers.push_back(folder.filePath(QStringLiteral("IMG_1.jpg")));
        form->Command2->click();
    }

    const QString book = QStringLiteral("Stopped.ods");
    QTemporaryDir folder{QDir(office().workDir()).filePath(QStringLiteral("folder-XXXXXX"))};
    int photos = 0;
    std::optional<PaintCounter> paints;
};

TEST_F(StoppedOffice, TheWindowsPaintWhileItWaitsAndTheBoxGoesWhenTheOfficeAnswers) {
    ui.onNotAnswering = [this] {
        ASSERT_TRUE(paints);
        EXPECT_GT(paints->paints, 0) << "no window painted while the office was stopped";
        paints.reset();
        office().resume();
    };
    pasteTheFolder();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kOfficeNotAnsweringMessage);
    EXPECT_EQ(office().shapes(book).size(), 3);
    EXPECT_FALSE(office().locked(book));
    EXPECT_EQ(form->progressWindow(), nullptr);
}

TEST_F(StoppedOffice, GivingUpEndsTheRunAndTheWorkbookIsLeftAsItWasFound) {
    ui.notAnsweringAnswers.push_back(MessageAnswer::Cancel);
    QElapsedTimer clock;
    clock.start();
    pasteTheFolder();
    EXPECT_LT(clock.elapsed(), 10000) << "the run waited for its timeout";
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, kOfficeNotAnsweringMessage);
    EXPECT_EQ(ui.messages[1].text, kPasteErrorMessage);
    EXPECT_EQ(form->progressWindow(), nullptr);

    // Velmora tidies up the moment the office answers again, keeping no connection of its own
    // alive but the given-up one; the user's edit comes later.
    office().disconnect();
    office().resume();
    clock.restart();
    while (office().locked(book) && clock.elapsed() < 10000) {
        QThread::msleep(50);
    }
    ASSERT_FALSE(office().locked(book));
    ASSERT_EQ(office().shapes(book).size(), 1);
    office().setCellText(book, QStringLiteral("A1"), QStringLiteral("edit"));
    office().undo(book);
    EXPECT_EQ(office().cellText(book, QStringLiteral("A1")), QString());
    EXPECT_EQ(office().shapes(book).size(), 1);

    // The next run is one undo step of its own, and undoing both leaves the office alive.
    ui.onProcessEvents = nullptr;
    pasteTheFolder();
    EXPECT_EQ(ui.messages.size(), 2u);
    ASSERT_EQ(office().shapes(book).size(), 4);
    office().undo(book);
    office().undo(book);
    EXPECT_TRUE(office().running());
    EXPECT_TRUE(office().shapes(book).isEmpty());
}

} // namespace
} // namespace velmora::testing
