// The folder button's run: listing, order, row pattern, progress, cancel and failures.

#include "folder_paste.h"
#include "paste_fixture.h"

#include <QDir>

namespace velmora::testing {
namespace {

struct RecordingProgress : ProgressView {
    void show() override {
        visible = true;
        ++shows;
    }
    void setCaption(const QString& text) override { captions << text; }
    void close() override {
        visible = false;
        ++closes;
    }
    bool visible = false;
    int shows = 0;
    int closes = 0;
    QStringList captions;
};

class FolderPaste : public PasteFixture {
public:
    // Photos of 64 x 48 pt named `names`; the dialog answers with the first of them.
    void makeFolder(const QStringList& names) {
        for (const QString& name : names) {
            photo(name, 64, 48);
        }
        ui.openAnswers.push_back(dir.filePath(names.front()));
    }
    QStringList numbered(int count) {
        QStringList names;
        for (int i = 1; i <= count; ++i) {
            names << QStringLiteral("P%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        }
        return names;
    }
    void run() { PasteFolder(engine, progress); }

    // Row and column of each picture's top-left corner, in insertion order.
    std::vector<std::pair<int, int>> cellsOfPictures() {
        std::vector<std::pair<int, int>> cells;
        for (const FakeShapeData& picture : fake.pictures()) {
            cells.emplace_back(static_cast<int>(picture.top / 13.5) + 1,
                               static_cast<int>(picture.left / 48) + 1);
        }
        return cells;
    }
    QStringList fileNamesOfPictures() {
        QStringList names;
        for (const FakeShapeData& picture : fake.pictures()) {
            names << QFileInfo(picture.fileName).fileName();
        }
        return names;
    }

    RecordingProgress progress;
};

TEST_F(FolderPaste, ThreePhotosToAPageDownTheStartColumn) {
    makeFolder(numbered(7));
    fake.selectCell(QStringLiteral("B3"));
    run();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(cellsOfPictures(), (std::vector<std::pair<int, int>>{
                                     {3, 2}, {5, 2}, {7, 2}, {11, 2}, {13, 2}, {15, 2}, {19, 2}}));
    expectRunClosed();
    // One paste run for the whole folder.
    EXPECT_EQ(fake.screenUpdatingHistory, (std::vector<bool>{false, true}));
}

TEST_F(FolderPaste, ZeroGapsGiveConsecutiveRows) {
    holders.setText(Holder::Text25, QStringLiteral("0"));
    holders.setText(Holder::Text26, QStringLiteral(" 0 "));
    makeFolder(numbered(5));
    fake.selectCell(QStringLiteral("C2"));
    run();
    EXPECT_EQ(cellsOfPictures(),
              (std::vector<std::pair<int, int>>{{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}));
}

TEST_F(FolderPaste, EachPhotoIsSizedNamedAndOrderedLikeADrop) {
    holders.setText(Holder::Text2, QStringLiteral("Option12"));
    holders.setText(Holder::Text22, QStringLiteral("1"));
    fake.addRectangle(kPictureNamePrefix + "2", 0, 0, 1, 1);
    makeFolder(numbered(3));
    run();
    const auto pictures = fake.pictures();
    ASSERT_EQ(pictures.size(), 3u);
    for (const FakeShapeData& picture : pictures) {
        EXPECT_DOUBLE_EQ(picture.width, 48);
        EXPECT_DOUBLE_EQ(picture.height, 36);
    }
    // The rectangle named with the next number is skipped; each picture goes to the back.
    EXPECT_EQ(fake.shapeNamesBackToFront(),
              (QStringList{kPictureNamePrefix + "5", kPictureNamePrefix + "4",
                           kPictureNamePrefix + "3", kPictureNamePrefix + "2"}));
    EXPECT_EQ(engine.PictureName, kPictureNamePrefix + "5");
}

TEST_F(FolderPaste, NamesSortByCodeUnitsAndMatchJpgInAnyCase) {
    makeFolder({QStringLiteral("IMG_2.jpg"), QStringLiteral("img_1.JPG"),
                QStringLiteral("IMG_10.jpg"), QStringLiteral("photo.Jpg")});
    run();
    EXPECT_EQ(fileNamesOfPictures(),
              (QStringList{QStringLiteral("IMG_10.jpg"), QStringLiteral("IMG_2.jpg"),
                           QStringLiteral("img_1.JPG"), QStringLiteral("photo.Jpg")}));
}

TEST_F(FolderPaste, OnlyOrdinaryVisibleJpgFilesAreListed) {
    const QStringList others{QStringLiteral(".hidden.jpg"), QStringLiteral("a.jpeg"),
                             QStringLiteral("b.jpg.txt"), QStringLiteral("c.png")};
    for (const QString& name : others) {
        photo(name);
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
    makeFolder({QStringLiteral("z.jpg"), QStringLiteral("y.JPG")});
    EXPECT_EQ(listJpgNames(dir.path()),
              (QStringList{QStringLiteral("y.JPG"), QStringLiteral("z.jpg")}));
    run();
    EXPECT_EQ(fileNamesOfPictures(),
              (QStringList{QStringLiteral("y.JPG"), QStringLiteral("z.jpg")}));
}

TEST_F(FolderPaste, ProgressCountsEachPhotoAndClosesAfterwards) {
    makeFolder(numbered(5));
    QStringList captionsAtEvents;
    ui.onProcessEvents = [&] {
        EXPECT_TRUE(progress.visible);
        captionsAtEvents << progress.captions.join(QLatin1Char(','));
    };
    run();
    EXPECT_EQ(progress.captions, (QStringList{"1/5", "2/5", "3/5", "4/5", "5/5"}));
    EXPECT_EQ(ui.processEventsCalls, 5);
    EXPECT_EQ(progress.shows, 5);
    EXPECT_EQ(progress.closes, 1);
    EXPECT_FALSE(progress.visible);
    // Events run after showing and before each photo's caption is set.
    EXPECT_EQ(captionsAtEvents.front(), QString());
    EXPECT_EQ(captionsAtEvents.back(), QStringLiteral("1/5,2/5,3/5,4/5"));
}

TEST_F(FolderPaste, DialogAsksWithTheFilterAndTitle) {
    run();
    ASSERT_EQ(ui.openDialogs.size(), 1u);
    EXPECT_EQ(ui.openDialogs[0].first, QStringLiteral("JPGファイル(*.jpg)"));
    EXPECT_EQ(ui.openDialogs[0].second,
              QStringLiteral("画像ディレクトリと適当なファイルを指定して下さい"));
}

TEST_F(FolderPaste, CancelLeavesTheWorkbookUntouched) {
    photo(QStringLiteral("a.jpg"));
    run(); // no answer queued: the dialog is cancelled
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(fake.activeSheet()->shapes.empty());
    EXPECT_EQ(progress.shows, 0);
    EXPECT_EQ(fake.screenUpdatingHistory, (std::vector<bool>{false, true}));
    expectRunClosed();
}

TEST_F(FolderPaste, FolderWithoutJpgClosesTheRunNormally) {
    const QString text = dir.filePath(QStringLiteral("readme.txt"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ui.openAnswers.push_back(text);
    run();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(progress.shows, 0);
    expectRunClosed();
}

TEST_F(FolderPaste, FailureAtTheFourthOfSevenKeepsThree) {
    makeFolder(numbered(7));
    fake.failCall(QStringLiteral("Worksheet.addPicture"), 4);
    run();
    expectOneErrorMessage();
    EXPECT_EQ(fake.pictures().size(), 3u);
    EXPECT_EQ(progress.closes, 1);
    EXPECT_FALSE(progress.visible);
    expectRunClosed();
}

TEST_F(FolderPaste, GapThatIsNoNumberFailsAfterTheFirstPhoto) {
    for (const char* gap : {"a", ""}) {
        SCOPED_TRACE(gap);
        fake.activeSheet()->shapes.clear();
        ui.messages.clear();
        holders.setText(Holder::Text25, QString::fromLatin1(gap));
        makeFolder(numbered(4));
        run();
        expectOneErrorMessage();
        EXPECT_EQ(fake.pictures().size(), 1u);
        EXPECT_FALSE(progress.visible);
        expectRunClosed();
    }
}

TEST_F(FolderPaste, RowBeyondTheLastRowFails) {
    fake.maxRows = 6;
    holders.setText(Holder::Text25, QStringLiteral("2"));
    makeFolder(numbered(3));
    run();
    expectOneErrorMessage();
    EXPECT_EQ(fake.pictures().size(), 2u); // rows 1 and 4; row 7 does not exist
}

TEST_F(FolderPaste, NoApplicationOrWorkbookOpensNoDialog) {
    makeFolder(numbered(2));
    holders.setText(Holder::Text1, QString());
    run();
    expectOneErrorMessage();
    EXPECT_TRUE(ui.openDialogs.empty());

    ui.messages.clear();
    holders.setText(Holder::Text1, QStringLiteral("Book1.xlsx"));
    fake.setRunning(false);
    run();
    expectOneErrorMessage();
    EXPECT_TRUE(ui.openDialogs.empty());
    expectRunClosed();
}

TEST_F(FolderPaste, NoSecondPasteStartsWhileEventsRun) {
    makeFolder(numbered(3));
    const QString dropped = photo(QStringLiteral("dropped.png"));
    ui.onProcessEvents = [&] {
        EXPECT_TRUE(engine.isPasting());
        engine.PictureFile = dropped;
        engine.DragDrop();
        PasteFolder(engine, progress);
    };
    run();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.openDialogs.size(), 1u);
    EXPECT_EQ(fake.callCount(QStringLiteral("Link.attach")), 1);
    EXPECT_EQ(fake.pictures().size(), 3u);
    expectRunClosed();
}

TEST_F(FolderPaste, ListingStopsAtTheNameLimit) {
    makeFolder(numbered(5));
    EXPECT_EQ(listJpgNames(dir.path(), 5).size(), 5);
    EXPECT_THROW(listJpgNames(dir.path(), 4), FolderListError);
}

TEST_F(FolderPaste, HundredThousandNamesFailBeforeAnythingIsPasted) {
    for (int i = 0; i < 100000; ++i) {
        QFile file(dir.filePath(QStringLiteral("%1.jpg").arg(i)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ui.openAnswers.push_back(dir.filePath(QStringLiteral("0.jpg")));
    run();
    expectOneErrorMessage();
    EXPECT_EQ(fake.callCount(QStringLiteral("Worksheet.addPicture")), 0);
    EXPECT_EQ(progress.shows, 0);
    expectRunClosed();

    // One fewer fits.
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("0.jpg"))));
    EXPECT_EQ(listJpgNames(dir.path()).size(), kMaxFolderNames);
}

} // namespace
} // namespace velmora::testing
