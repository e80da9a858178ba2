#include "calc_scenario.h"
#include "paste_engine.h"
#include "test_photos.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

namespace velmora::testing {
namespace {

using FolderScenario = CalcScenario;

TEST_F(FolderScenario, PastesEveryJpgOfTheFolderDownTheColumnInNameOrder) {
    // Rows of three heights, so some pictures overhang their row and anchor above it.
    QList<double> rows;
    for (int r = 0; r < 34; ++r) {
        rows << QList<double>{54, 72, 90}[r % 3];
    }
    const SheetGrid grid({54, 108, 72}, rows);
    office().createWorkbook(QStringLiteral("Album.ods"));
    grid.applyTo(admin());
    admin().addRectangle({}, QStringLiteral("Frame"), 300, 10, 50, 50);
    // Holds the number the first picture would get, which is skipped.
    admin().addRectangle({}, kPictureNamePrefix + QStringLiteral("3"), 300, 100, 50, 50);
    admin().select({}, QStringLiteral("B3"));

    // The names in code-unit order; each photo has its own proportions (160 px wide).
    QTemporaryDir folder(QDir(office().workDir()).filePath(QStringLiteral("folder-XXXXXX")));
    ASSERT_TRUE(folder.isValid());
    const QStringList names = {"IMG_1.jpg", "IMG_10.jpg", "IMG_11.jpg", "IMG_12.jpg", "IMG_2.jpg",
                               "IMG_3.jpg", "IMG_4.jpg",  "IMG_5.jpg",  "IMG_6.jpg",  "IMG_7.jpg",
                               "IMG_8.jpg", "IMG_9.jpg",  "photo.JPG"};
    QList<int> heightsPx;
    for (int i = 0; i < names.size(); ++i) {
        heightsPx << 48 + 8 * i;
        writeJpeg(folder.filePath(names[i]), 160, heightsPx.last());
    }
    save({{"Option", "Option12"},
          {"Text5", "75"},
          {"paste-check", "Option9"},
          {"renzoku-no1-no2", "1"},
          {"renzoku-p1-p2", "2"}});
    start();
    ASSERT_TRUE(form->Command2->isVisibleTo(form.get()));
    ui.openAnswers.push_back(folder.filePath(QStringLiteral("IMG_7.jpg")));

    form->Command2->click();

    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.openDialogs.size(), 1u);
    EXPECT_EQ(form->progressWindow(), nullptr);
    EXPECT_FALSE(admin().controllersLocked(QStringLiteral("Album.ods")));
    const auto shapes = admin().shapes(QStringLiteral("Album.ods"));
    ASSERT_EQ(shapes.size(), 2 + names.size());
    EXPECT_EQ(shapes[0].name, QStringLiteral("Frame"));
    EXPECT_EQ(shapes[1].name, kPictureNamePrefix + QStringLiteral("3"));
    // Gaps 1 and 2 from B3, three photos to a page.
    const int photoRows[] = {3, 5, 7, 10, 12, 14, 17, 19, 21, 24, 26, 28, 31};
    const double width = 0.75 * grid.width(2);
    for (int i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        const double height = width * heightsPx[i] / 160.0;
        const int row = photoRows[i];
        const Placement expected{grid.left(2) + (grid.width(2) - width) / 2,
                                 grid.top(row) + (grid.height(row) - height) / 2, width, height};
        expectPicture(shapes[2 + i], kPictureNamePrefix + QString::number(4 + i), expected,
                      grid.cellAt(expected.left, expected.top));
    }
}

} // namespace
} // namespace velmora::testing
