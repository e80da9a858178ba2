#include "calc_scenario.h"
#include "drop_target.h"
#include "form2.h"
#include "paste_engine.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>

namespace velmora::testing {
namespace {

constexpr double kPointsPerCm = 28.35;

// Column and row sizes in whole twips, so Calc keeps them exactly.
const SheetGrid kGrid({54, 72, 90, 108, 72, 144, 72, 72}, {18, 36, 54, 72, 36, 90, 36, 36, 54, 36});

QString pictureName(int number) {
    return kPictureNamePrefix + QString::number(number);
}

// The picture of width x height centred in the area from (column, row) over the given cells.
Placement centred(const SheetGrid& grid, int column, int row, double width, double height,
                  int columns = 1, int rows = 1) {
    return {grid.left(column) + (grid.width(column, columns) - width) / 2,
            grid.top(row) + (grid.height(row, rows) - height) / 2, width, height};
}

class DropScenario : public CalcScenario {
protected:
    void SetUp() override {
        CalcScenario::SetUp();
        // 192 x 144 px at 96 dpi: 144 x 108 pt, 4:3. 96 x 144 px: 72 x 108 pt, 2:3.
        landscape = photo(QStringLiteral("landscape.jpg"), 192, 144);
        portrait = photo(QStringLiteral("portrait.jpg"), 96, 144);
    }

    QString landscape;
    QString portrait;
};

TEST_F(DropScenario, EachSizingModePlacesThePictureInTheSelectedCell) {
    office().createWorkbook(QStringLiteral("Sizes.ods"));
    kGrid.applyTo(admin());
    admin().merge({}, QStringLiteral("D4:E5"));
    // The first target's address box plays no part in a paste at the selected cell.
    save({{"Option", "Option1"},
          {"paste-check", "Option5"},
          {"paste-url-1", "H10"},
          {"junjo", "0"}});
    start();
    ASSERT_EQ(form->Text1->text(), QStringLiteral("Sizes.ods"));
    ASSERT_TRUE(form->Picture0->isVisibleTo(form.get()));

    struct Case {
        QRadioButton* Form2::*sizing;
        const char* width; // Combo1, cm
        const char* percent;
        const char* vertical; // fine offsets
        const char* horizontal;
        int column;
        int row;
        bool portrait;
        Placement expected;
    };
    const double w2 = 2 * kPointsPerCm;
    const Case cases[] = {
        // Top-left of C3, 2 cm wide, 4:3 kept.
        {&Form2::Option1, "2", "100", "0", "0", 3, 3, false,
         Placement{kGrid.left(3), kGrid.top(3), w2, w2 * 3 / 4}},
        // 2 cm wide, centred on the whole merged D4:E5.
        {&Form2::Option2, "2", "100", "0", "0", 4, 4, false,
         centred(kGrid, 4, 4, w2, w2 * 3 / 4, 2, 2)},
        // Half of F6's width and half its height: the portrait's 2:3 is not kept.
        {&Form2::Option3, "9", "50", "0", "0", 6, 6, true,
         centred(kGrid, 6, 6, kGrid.width(6) / 2, kGrid.height(6) / 2)},
        // 4:3 in the square B4: the width is set (80 %).
        {&Form2::Option4, "9", "80", "0", "0", 2, 4, false,
         centred(kGrid, 2, 4, 0.8 * kGrid.width(2), 0.8 * kGrid.width(2) * 3 / 4)},
        // D6's height, 2:3 kept.
        {&Form2::Option11, "9", "100", "0", "0", 4, 6, true,
         centred(kGrid, 4, 6, kGrid.height(6) * 2 / 3, kGrid.height(6))},
        // 75 % of F3's width; the picture is taller than the row, so its corner lies in F2.
        {&Form2::Option12, "9", "75", "0", "0", 6, 3, false,
         centred(kGrid, 6, 3, 0.75 * kGrid.width(6), 0.75 * kGrid.width(6) * 3 / 4)},
        // 6 pt down and 3 pt left of C5's corner: into column B.
        {&Form2::Option1, "2", "100", "6", "-3", 3, 5, false,
         Placement{kGrid.left(3) - 3, kGrid.top(5) + 6, w2, w2 * 3 / 4}},
    };

    for (const Case& c : cases) {
        commitSettings([&](Form2& settings) {
            (settings.*c.sizing)->click();
            settings.Text1->setText(QString::fromLatin1(c.vertical));
            settings.Text2->setText(QString::fromLatin1(c.horizontal));
        });
        form->Combo1->setEditText(QString::fromLatin1(c.width));
        form->Text5->setText(QString::fromLatin1(c.percent));
        admin().select({}, cellName(c.column, c.row));
        ASSERT_TRUE(dragAndDrop(form->Picture0, {c.portrait ? portrait : landscape}));
    }

    EXPECT_TRUE(ui.messages.empty());
    const auto shapes = admin().shapes(QStringLiteral("Sizes.ods"));
    ASSERT_EQ(shapes.size(), static_cast<qsizetype>(std::size(cases)));
    // Order "0": back to front in the order of pasting.
    for (int i = 0; i < shapes.size(); ++i) {
        const Placement& expected = cases[i].expected;
        expectPicture(shapes[i], pictureName(i + 1), expected,
                      kGrid.cellAt(expected.left, expected.top));
    }
    EXPECT_EQ(shapes[5].anchorCell, QStringLiteral("$F$2"));
    EXPECT_EQ(shapes[6].anchorCell, QStringLiteral("$B$5"));
    EXPECT_FALSE(admin().controllersLocked(QStringLiteral("Sizes.ods")));
}

TEST_F(DropScenario, APhotoGoesToTheCellCursorWhateverIsSelected) {
    office().createWorkbook(QStringLiteral("Cursor.ods"));
    kGrid.applyTo(admin());
    save({{"Option", "Option1"}, {"Combo1", "2"}, {"paste-check", "Option5"}});
    start();

    // The user clicks C3; drags over B2:D4 starting at D4; clicks E7 and then a picture.
    admin().select({}, QStringLiteral("C3"));
    ASSERT_TRUE(dragAndDrop(form->Picture0, {landscape}));
    admin().selectWithCursor({}, QStringLiteral("B2:D4"), QStringLiteral("D4"));
    ASSERT_TRUE(dragAndDrop(form->Picture0, {landscape}));
    admin().select({}, QStringLiteral("E7"));
    admin().selectShape({}, pictureName(1));
    ASSERT_TRUE(dragAndDrop(form->Picture0, {landscape}));

    EXPECT_TRUE(ui.messages.empty());
    const auto shapes = admin().shapes(QStringLiteral("Cursor.ods"));
    ASSERT_EQ(shapes.size(), 3);
    const double w = 2 * kPointsPerCm;
    const struct {
        int column;
        int row;
    } cursors[] = {{3, 3}, {4, 4}, {5, 7}};
    for (int i = 0; i < shapes.size(); ++i) {
        const auto [column, row] = cursors[i];
        expectPicture(shapes[i], pictureName(i + 1),
                      {kGrid.left(column), kGrid.top(row), w, w * 3 / 4}, cellName(column, row));
    }
}

TEST_F(DropScenario, NumberedTargetsPasteAtTheirAddressesAndOrderOneSendsToTheBack) {
    office().createWorkbook(QStringLiteral("Targets.ods"));
    kGrid.applyTo(admin());
    admin().merge({}, QStringLiteral("C5:D6"));
    admin().addRectangle({}, QStringLiteral("Frame"), 10, 10, 300, 200);
    save({{"Option", "Option2"},
          {"Combo1", "1"},
          {"paste-check", "Option6"},
          {"paste-url-1", "B2"},
          {"paste-url-2", "C5:D6"},
          {"paste-url-3", "E8"},
          {"junjo", "0"}});
    start();
    EXPECT_FALSE(form->Picture0->isVisibleTo(form.get()));
    for (DropTarget* target : {form->Picture1, form->Picture2, form->Picture3}) {
        EXPECT_TRUE(target->isVisibleTo(form.get()));
    }
    // The selected cell plays no part.
    admin().select({}, QStringLiteral("G9"));

    // Only the first of two dropped files, centred on the merged C5:D6.
    ASSERT_TRUE(dragAndDrop(form->Picture2, {landscape, portrait}));
    commitSettings([](Form2& settings) { settings.Option1->click(); });
    ASSERT_TRUE(dragAndDrop(form->Picture1, {portrait}));
    commitSettings([](Form2& settings) {
        settings.Option11->click();
        settings.Option8->click();
    });
    ASSERT_EQ(form->Text22->text(), QStringLiteral("1"));
    form->Text5->setText(QStringLiteral("50"));
    ASSERT_TRUE(dragAndDrop(form->Picture3, {landscape}));

    EXPECT_TRUE(ui.messages.empty());
    const auto shapes = admin().shapes(QStringLiteral("Targets.ods"));
    ASSERT_EQ(shapes.size(), 4);
    // Numbering counts the rectangle; the last picture went behind everything.
    const double w = kPointsPerCm;
    const double h = kGrid.height(8) / 2;
    expectPicture(shapes[0], pictureName(4), centred(kGrid, 5, 8, h * 4 / 3, h),
                  QStringLiteral("$E$8"));
    EXPECT_EQ(shapes[1].name, QStringLiteral("Frame"));
    EXPECT_FALSE(shapes[1].picture);
    // Centred on C5:D6, its corner lies in C6.
    expectPicture(shapes[2], pictureName(2), centred(kGrid, 3, 5, w, w * 3 / 4, 2, 2),
                  QStringLiteral("$C$6"));
    expectPicture(shapes[3], pictureName(3), {kGrid.left(2), kGrid.top(2), w, w * 3 / 2},
                  QStringLiteral("$B$2"));
}

TEST_F(DropScenario, NewSheetTargetNamesASheetAfterTheFileAndRefusesItTwice) {
    office().createWorkbook(QStringLiteral("Sheets.ods"));
    const QStringList sheetsBefore = admin().sheetNames(QStringLiteral("Sheets.ods"));
    save({{"Option", "Option1"},
          {"Combo1", "3"},
          {"paste-check", "Option10"},
          {"bityousei-tate", "6"},
          {"bityousei-yoko", "9"}});
    start();
    ASSERT_TRUE(form->Picture0->isVisibleTo(form.get()));
    const QString file = photo(QStringLiteral("IMG_0012.JPG"), 192, 144);

    ASSERT_TRUE(dragAndDrop(form->Picture0, {file}));
    EXPECT_TRUE(ui.messages.empty());
    const QStringList sheetsAfter = admin().sheetNames(QStringLiteral("Sheets.ods"));
    EXPECT_EQ(sheetsAfter.size(), sheetsBefore.size() + 1);
    EXPECT_TRUE(sheetsAfter.contains(QStringLiteral("IMG_0012.JPG")));
    // The new sheet is the active one and holds the picture at its A1, moved by the offsets.
    auto shapes = admin().shapes(QStringLiteral("Sheets.ods"));
    ASSERT_EQ(shapes.size(), 1);
    const double w = 3 * kPointsPerCm;
    expectPicture(shapes[0], pictureName(1), {9, 6, w, w * 3 / 4}, QStringLiteral("$A$1"));

    ASSERT_TRUE(dragAndDrop(form->Picture0, {file}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kDuplicateSheetMessage);
    EXPECT_EQ(ui.messages[0].style, 48);
    EXPECT_EQ(admin().sheetNames(QStringLiteral("Sheets.ods")), sheetsAfter);
    EXPECT_EQ(admin().shapes(QStringLiteral("Sheets.ods")).size(), 1);
    EXPECT_FALSE(admin().controllersLocked(QStringLiteral("Sheets.ods")));
}

TEST_F(DropScenario, TextFilesDroppedShowTheErrorAndLeaveTheDocumentAlone) {
    office().createWorkbook(QStringLiteral("Text.ods"));
    kGrid.applyTo(admin());
    admin().addRectangle({}, QStringLiteral("Frame"), 20, 20, 100, 50);
    save({{"Option", "Option2"}, {"paste-check", "Option5"}});
    start();
    admin().select({}, QStringLiteral("C3"));
    ASSERT_TRUE(dragAndDrop(form->Picture0, {landscape}));
    ASSERT_TRUE(ui.messages.empty());
    const auto before = admin().shapes(QStringLiteral("Text.ods"));
    ASSERT_EQ(before.size(), 2);
    const QStringList sheetsBefore = admin().sheetNames(QStringLiteral("Text.ods"));

    // A plain text file, and one that only carries a photo's extension.
    for (const QString& name : {QStringLiteral("notes.txt"), QStringLiteral("not a photo.jpg")}) {
        QFile file(QDir(office().workDir()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("not a picture\n") > 0);
        file.close();
        admin().select({}, QStringLiteral("E8"));
        dragAndDrop(form->Picture0, {file.fileName()});
    }

    ASSERT_EQ(ui.messages.size(), 2u);
    for (const ShownMessage& message : ui.messages) {
        EXPECT_EQ(message.text, kPasteErrorMessage);
        EXPECT_EQ(message.style, 16);
    }
    const auto after = admin().shapes(QStringLiteral("Text.ods"));
    ASSERT_EQ(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].name, before[i].name);
        EXPECT_DOUBLE_EQ(after[i].left, before[i].left);
        EXPECT_DOUBLE_EQ(after[i].top, before[i].top);
        EXPECT_DOUBLE_EQ(after[i].width, before[i].width);
        EXPECT_DOUBLE_EQ(after[i].height, before[i].height);
    }
    EXPECT_EQ(admin().sheetNames(QStringLiteral("Text.ods")), sheetsBefore);
    EXPECT_FALSE(admin().controllersLocked(QStringLiteral("Text.ods")));
}

TEST_F(DropScenario, APhotoGoesIntoTheLockedWorkbookWhileAnotherIsActive) {
    office().createWorkbook(QStringLiteral("Ledger.ods"));
    kGrid.applyTo(admin());
    save({{"Option", "Option2"}, {"Combo1", "2"}, {"paste-check", "Option5"}});
    start();
    ASSERT_EQ(form->Text1->text(), QStringLiteral("Ledger.ods"));
    admin().select(QStringLiteral("Ledger.ods"), QStringLiteral("C3"));

    // Another workbook, with other cell sizes and another selected cell, becomes active.
    office().createWorkbook(QStringLiteral("Other.ods"));
    SheetGrid({36, 36, 36, 36, 36, 36}, {90, 90, 90, 90, 90, 90, 90}).applyTo(admin());
    admin().select({}, QStringLiteral("E6"));

    ASSERT_TRUE(dragAndDrop(form->Picture0, {landscape}));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(admin().shapes(QStringLiteral("Other.ods")).isEmpty());
    const auto shapes = admin().shapes(QStringLiteral("Ledger.ods"));
    ASSERT_EQ(shapes.size(), 1);
    const double w = 2 * kPointsPerCm;
    expectPicture(shapes[0], pictureName(1), centred(kGrid, 3, 3, w, w * 3 / 4),
                  QStringLiteral("$C$3"));
}

} // namespace
} // namespace velmora::testing
