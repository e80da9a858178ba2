// The folder button's run: listing, order, row pattern, progress, cancel and failures.

#include "folder_paste.h"
#include "paste_fixture.h"

#include <QDir>

#include <functional>

namespace velmora::testing {
namespace {

// The progress window's life as a list: "show", each caption, "close".
struct RecordingProgress : ProgressView {
    void show() override { events << QStringLiteral("show"); }
    void setCaption(const QString& text) override { events << text; }
    void close() override { events << QStringLiteral("close"); }
    QStringList events;
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

struct FolderWorld : FolderPaste {
    void TestBody() override {}
};

TEST(FolderPasteRows, TheGapsAfterEachPhotoAndEachThirdPhoto) {
    using Cells = std::vector<std::pair<int, int>>; // row, column
    const struct {
        const char* gap;
        const char* pageGap;
        const char* start;
        int photos;
        Cells cells;
    } cases[] = {
        {"1", "3", "B3", 7, {{3, 2}, {5, 2}, {7, 2}, {11, 2}, {13, 2}, {15, 2}, {19, 2}}},
        {"0", " 0 ", "C2", 5, {{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}},
        // The row is a whole number only when the cell is addressed: 5.5 rounds to even 6.
        {"1.5", "0", "B3", 3, {{3, 2}, {6, 2}, {8, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("gaps ") + c.gap + " and " + c.pageGap);
        FolderWorld world;
        world.holders.setText(Holder::Text25, QString::fromLatin1(c.gap));
        world.holders.setText(Holder::Text26, QString::fromLatin1(c.pageGap));
        world.makeFolder(world.numbered(c.photos));
        world.fake.selectCell(QString::fromLatin1(c.start));
        world.run();
        EXPECT_TRUE(world.ui.messages.empty());
        EXPECT_EQ(world.cellsOfPictures(), c.cells);
        world.expectRunClosed();
        // One paste run for the whole folder.
        EXPECT_EQ(world.fake.screenUpdatingHistory, (std::vector<bool>{false, true}));
    }
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

TEST_F(FolderPaste, OrdinaryJpgFilesInAnyCaseSortedByCodeUnits) {
    for (const char* other : {".hidden.jpg", "a.jpeg", "b.jpg.txt", "c.png"}) {
        photo(QString::fromLatin1(other));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
    makeFolder({QStringLiteral("IMG_2.jpg"), QStringLiteral("img_1.JPG"),
                QStringLiteral("IMG_10.jpg"), QStringLiteral("photo.Jpg")});
    const QStringList expected{QStringLiteral("IMG_10.jpg"), QStringLiteral("IMG_2.jpg"),
                               QStringLiteral("img_1.JPG"), QStringLiteral("photo.Jpg")};
    EXPECT_EQ(listJpgNames(dir.path()), expected);
    run();
    EXPECT_EQ(fileNamesOfPictures(), expected);
}

TEST_F(FolderPaste, ProgressShowsBeforeEachPhotoThenPaintsThenCountsAndClosesAfterwards) {
    makeFolder(numbered(5));
    ui.onProcessEvents = [&] {
        progress.events << QStringLiteral("paint");
    };
    run();
    EXPECT_EQ(progress.events,
              (QStringList{"show", "paint", "1/5", "show", "paint", "2/5", "show", "paint", "3/5",
                           "show", "paint", "4/5", "show", "paint", "5/5", "close"}));
    EXPECT_EQ(fake.pictures().size(), 5u);
}

TEST(FolderPasteNothing, CancelOrAFolderWithoutJpgLeavesTheWorkbookUntouched) {
    for (const bool cancelled : {true, false}) {
        SCOPED_TRACE(cancelled ? "cancelled" : "no JPG file");
        FolderWorld world;
        const QString text = world.photo(QStringLiteral("readme.txt"));
        if (!cancelled) {
            world.ui.openAnswers.push_back(text);
        }
        world.run();
        ASSERT_EQ(world.ui.openDialogs.size(), 1u);
        EXPECT_EQ(world.ui.openDialogs[0].second,
                  QStringLiteral("画像ディレクトリと適当なファイルを指定して下さい"));
        EXPECT_TRUE(world.ui.messages.empty());
        EXPECT_TRUE(world.fake.activeSheet()->shapes.empty());
        EXPECT_TRUE(world.progress.events.isEmpty());
        EXPECT_EQ(world.fake.screenUpdatingHistory, (std::vector<bool>{false, true}));
        world.expectRunClosed();
    }
}

TEST(FolderPasteFailures, EndInTheOneMessageKeepingWhatWasPasted) {
    const struct {
        const char* name;
        int photos;
        std::function<void(FolderWorld&)> setUp;
        std::size_t kept;
        std::size_t dialogs;
        qsizetype shown; // the progress window
    } cases[] = {
        {"the fourth of seven fails", 7,
         [](FolderWorld& w) { w.fake.failCall(QStringLiteral("Worksheet.addPicture"), 4); }, 3, 1,
         4},
        {"gap \"a\"", 4, [](FolderWorld& w) { w.holders.setText(Holder::Text25, "a"); }, 1, 1, 1},
        {"rows 1 and 4 fit, row 7 is beyond the last", 3,
         [](FolderWorld& w) {
             w.fake.maxRows = 6;
             w.holders.setText(Holder::Text25, "2");
         },
         2, 1, 3},
        {"no workbook", 2, [](FolderWorld& w) { w.holders.setText(Holder::Text1, ""); }, 0, 0, 0},
        {"no application", 2, [](FolderWorld& w) { w.fake.setRunning(false); }, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FolderWorld world;
        world.makeFolder(world.numbered(c.photos));
        c.setUp(world);
        world.run();
        world.expectOneErrorMessage();
        EXPECT_EQ(world.fake.pictures().size(), c.kept);
        EXPECT_EQ(world.ui.openDialogs.size(), c.dialogs);
        // Shown before each photo tried, and gone at the end.
        const QStringList& events = world.progress.events;
        EXPECT_EQ(events.count(QStringLiteral("show")), c.shown);
        EXPECT_TRUE(events.isEmpty() || events.last() == QLatin1String("close"))
            << events.join(' ').toStdString();
        world.expectRunClosed();
    }
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

TEST_F(FolderPaste, HundredThousandNamesFailBeforeAnythingIsPasted) {
    for (int i = 0; i < 100000; ++i) {
        QFile file(dir.filePath(QStringLiteral("%1.jpg").arg(i)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ui.openAnswers.push_back(dir.filePath(QStringLiteral("0.jpg")));
    run();
    expectOneErrorMessage();
    EXPECT_EQ(fake.callCount(QStringLiteral("Worksheet.addPicture")), 0);
    EXPECT_TRUE(progress.events.isEmpty());
    expectRunClosed();

    // One fewer fits.
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("0.jpg"))));
    EXPECT_EQ(listJpgNames(dir.path()).size(), kMaxFolderNames);
}

} // namespace
} // namespace velmora::testing
