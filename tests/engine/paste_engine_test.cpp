// The paste engine on the in-memory spreadsheet: where, how big and under which name a dropped
// or folder-pasted photo lands, and that every run, however it ends, leaves the application
// as it found it.

#include "fake_spreadsheet.h"
#include "folder_paste.h"
#include "map_holders.h"
#include "recording_interaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

namespace velmora::testing {
namespace {

// One workbook "Book1.xlsx" (columns 48 pt wide, rows 13.5 pt high) and the holders as after a
// normal start: 9 cm, 100 %, no offsets, the selected cell, gaps 1 and 3. Also the progress
// window the folder paste drives.
struct Paste : ProgressView {
    Paste() {
        fake.addWorkbook(QStringLiteral("Book1.xlsx"));
        const std::pair<Holder, const char*> start[] = {
            {Holder::Text1, "Book1.xlsx"}, {Holder::Text2, "Option1"}, {Holder::Text3, "0"},
            {Holder::Text4, "0"},          {Holder::Text5, "100"},     {Holder::Combo1, "9"},
            {Holder::Text6, "Option5"},    {Holder::Text22, "0"},      {Holder::Text25, "1"},
            {Holder::Text26, "3"}};
        for (const auto& [holder, text] : start) {
            set(holder, text);
        }
    }
    void set(Holder holder, const char* text) { holders.setText(holder, QString::fromUtf8(text)); }
    // A file the fake reads as a picture of width x height points.
    QString photo(const QString& name, double width = 640, double height = 480) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        fake.registerPicture(file.fileName(), width, height);
        return file.fileName();
    }
    void drop(const QString& file, const QString& address = {}) {
        engine.PictureFile = file;
        engine.PasteAddress = address;
        engine.DragDrop();
    }
    // Photos of 64 x 48 pt; the file dialog answers with the first.
    void pasteFolder(const QStringList& names) {
        for (const QString& name : names) {
            photo(name, 64, 48);
        }
        ui.openAnswers.push_back(dir.filePath(names.front()));
        PasteFolder(engine, *this);
    }
    // The run is over: the one error message if it failed and none else, the wait settings
    // back, nothing held, no progress window, screen updating on where it still can be.
    void expectEnded(bool failed, bool stillRunning = true) {
        ASSERT_EQ(ui.messages.size(), failed ? 1u : 0u);
        if (failed) {
            EXPECT_EQ(ui.messages[0].text, kPasteErrorMessage);
            EXPECT_EQ(ui.messages[0].style, kStyleCritical);
        }
        EXPECT_EQ(fake.waitSettings(), kIdleWaitSettings);
        EXPECT_EQ(fake.liveObjects(), 0);
        EXPECT_FALSE(engine.isPasting() || shown);
        EXPECT_TRUE(fake.screenUpdating || !stillRunning);
    }
    const FakeShapeData& only() {
        EXPECT_EQ(fake.activeSheet()->shapes.size(), 1u);
        return *fake.activeSheet()->shapes.back();
    }
    void show() override { shown = true; }
    void setCaption(const QString& text) override { caption = text; }
    void close() override { shown = false; }

    QTemporaryDir dir;
    FakeSpreadsheet fake;
    MapHolders holders;
    RecordingInteraction ui;
    PasteEngine engine{fake, holders, ui};
    bool shown = false;
    QString caption;
};

// "left top width height", as exact as the worked figures are given.
std::string box(double left, double top, double width = 0, double height = 0) {
    return QStringLiteral("%1 %2 %3 %4").arg(left).arg(top).arg(width).arg(height).toStdString();
}

QStringList numbered(int count) {
    QStringList names;
    for (int i = 1; i <= count; ++i) {
        names << QStringLiteral("P%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
    }
    return names;
}

// A 640 x 480 pt photo dropped on B3: 48 pt from the left, 27 from the top, 48 pt wide.
TEST(PasteEngine, SizesCentresAndOffsetsThePictureInTheCellArea) {
    const struct {
        const char *sizing, *cm, *percent, *down, *right;
        double rowHeight;
        bool mergeB3C4;
        double width, height, left, top;
        bool failed;
    } cases[] = {
        {"Option1", "9", "100", "2", "-3", 13.5, false, 255.15, 191.3625, 45, 29, false},
        {"Option1", "9", "100", " 1.5 ", "0", 13.5, false, 255.15, 191.3625, 48, 28.5, false},
        {"Option7", "2", "100", "0", "0", 13.5, false, 56.7, 42.525, 48, 27, false},
        // Centred in the whole of B3:C4, 48 to 144 across and 27 to 54 down.
        {"Option2", "1", "100", "0", "0", 13.5, true, 28.35, 21.2625, 81.825, 29.86875, false},
        {"Option3", "9", "50", "0", "0", 13.5, false, 24, 6.75, 60, 30.375, false},
        {"Option4", "9", "100", "0", "0", 13.5, false, 18, 13.5, 63, 27, false},
        {"Option4", "9", "100", "0", "0", 48, false, 48, 36, 48, 33, false},
        {"Option4", "9", "50", "0", "0", 36, false, 24, 18, 60, 36, false}, // equal proportions
        {"Option11", "9", "100", "0", "0", 30, false, 40, 30, 52, 27, false},
        {"Option12", "9", "100", "0", "0", 30, false, 48, 36, 48, 24, false},
        {"Option12", "", "", "0", "0", 13.5, false, 48, 36, 48, 15.75, false}, // 9 cm, 100 %
        // Unusable settings end the paste, keeping the picture as far as it got.
        {"Option12", "nine", "100", "0", "0", 13.5, false, 640, 480, 48, 27, true},
        {"Option12", "9", "x", "0", "0", 13.5, false, 255.15, 191.3625, 48, 27, true},
        {"Option12", "9", "100", "", "0", 13.5, false, 48, 36, 48, 15.75, true},
        {"Option12", "9", "100", "0", "1pt", 13.5, false, 48, 36, 48, 15.75, true},
        {"Option4", "9", "100", "0", "0", 0, false, 255.15, 191.3625, 48, 27, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 \"%2\" \"%3\" \"%4\" \"%5\" row %6")
                         .arg(c.sizing, c.cm, c.percent, c.down, c.right)
                         .arg(c.rowHeight)
                         .toStdString());
        Paste run;
        for (const auto& [holder, text] : {std::pair{Holder::Text2, c.sizing},
                                           {Holder::Combo1, c.cm},
                                           {Holder::Text5, c.percent},
                                           {Holder::Text3, c.down},
                                           {Holder::Text4, c.right}}) {
            run.set(holder, text);
        }
        run.fake.setRowHeight(3, c.rowHeight);
        if (c.mergeB3C4) {
            run.fake.merge(QStringLiteral("B3:C4"));
        }
        run.fake.selectCell(QStringLiteral("B3"));
        run.drop(run.photo(QStringLiteral("p.jpg")));
        run.expectEnded(c.failed);
        const FakeShapeData& picture = run.only();
        EXPECT_EQ(box(picture.left, picture.top, picture.width, picture.height),
                  box(c.left, c.top, c.width, c.height));
        if (!c.failed) {
            EXPECT_EQ(run.holders.text(Holder::Combo1), *c.cm ? c.cm : "9");
            EXPECT_EQ(run.holders.text(Holder::Text5), *c.percent ? c.percent : "100");
        }
    }
}

// C4 (96, 40.5) selected in a window zoomed to 75 %, where version 12 puts pictures 5 pt right
// and 7 pt down of their place.
TEST(PasteEngine, GoesToTheSelectedCellOrTheGivenAddressAndOnlyVersion12IsReanchored) {
    const struct {
        const char *version, *place, *file, *address;
        double left, top;
        bool failed;
    } cases[] = {
        {"12.0", "Option5", "a.jpg", "", 96, 40.5, false},
        {"12", "Option6", "a.jpg", "B2", 48, 13.5, false},
        {"16.0", "Option5", "a.jpg", "", 101, 47.5, false},
        {"16.0", "Option6", "a.jpg", "$B$2:D9", 53, 20.5, false},
        {"11.0", "Option5", "a.jpg", "", 101, 47.5, false},
        {"14.0", "Option5", "a.jpg", "", 101, 47.5, false},
        {"7.4.7.2", "Option5", "a.jpg", "", 101, 47.5, false},
        {"16.0", "Option5", "notes.jpg", "", 0, 0, true},
        {"16.0", "Option5", "missing.jpg", "", 0, 0, true},
        {"16.0", "Option6", "a.jpg", "", 0, 0, true},
        {"16.0", "Option6", "a.jpg", "C", 0, 0, true},
        {"16.0", "Option6", "a.jpg", "A0", 0, 0, true},
        {"16.0", "Option6", "a.jpg", "Z9999999", 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2 %3 at \"%4\"")
                         .arg(c.version, c.place, c.file, c.address)
                         .toStdString());
        Paste run;
        run.fake.version = QString::fromLatin1(c.version);
        run.fake.zoom = 75;
        run.fake.zoomedDrift = QPointF(5, 7);
        run.set(Holder::Text6, c.place);
        run.fake.selectCell(QStringLiteral("C4"));
        run.photo(QStringLiteral("a.jpg"));
        QFile text(run.dir.filePath(QStringLiteral("notes.jpg")));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("just some text\n") > 0);
        text.close();
        run.drop(run.dir.filePath(QString::fromLatin1(c.file)), QString::fromLatin1(c.address));
        run.expectEnded(c.failed);
        EXPECT_EQ(run.fake.zoom, 75);
        ASSERT_EQ(run.fake.pictures().size(), c.failed ? 0u : 1u);
        if (!c.failed) {
            EXPECT_EQ(box(run.only().left, run.only().top), box(c.left, c.top));
        }
    }
}

TEST(PasteEngine, NamesThePictureWithTheFirstFreeNumberAfterTheShapeCountAndSelectsIt) {
    const QString p = kPictureNamePrefix;
    for (const auto& [existing, name] : {std::pair{QStringList(), p + "1"},
                                         {QStringList({"Rect A", "Rect B", "Oval"}), p + "4"},
                                         {QStringList({"Rect A", p + "4", p + "5"}), p + "6"},
                                         {QStringList({p + "2"}), p + "3"}}) {
        SCOPED_TRACE(name.toStdString());
        Paste run;
        for (const QString& other : existing) {
            run.fake.addRectangle(other, 0, 0, 1, 1);
        }
        run.drop(run.photo(QStringLiteral("a.jpg")));
        run.expectEnded(false);
        EXPECT_EQ(run.fake.pictures().at(0).name, name);
        const auto selected = run.fake.activeSheet()->selected.lock();
        EXPECT_EQ(selected ? selected->name : QString(), name);
    }
}

TEST(PasteEngine, OnlyTheExactOneSendsThePictureBehindEveryShape) {
    for (const char* order : {"1", "0", "", " 1", "01"}) {
        SCOPED_TRACE(order);
        Paste run;
        run.fake.addRectangle(QStringLiteral("A"), 0, 0, 10, 10);
        run.set(Holder::Text22, order);
        run.drop(run.photo(QStringLiteral("a.jpg")));
        const QString picture = kPictureNamePrefix + "2";
        EXPECT_EQ(run.fake.shapeNamesBackToFront(), QString(order) == "1"
                                                        ? QStringList({picture, "A"})
                                                        : QStringList({"A", picture}));
    }
}

TEST(PasteEngine, Option10PutsThePhotoOnANewSheetNamedAfterItsFileUnlessOneIsThere) {
    const struct {
        const char *existing, *file; // a second sheet before the drop
        QString message;
        QStringList sheets;
    } cases[] = {
        {nullptr, "IMG_0012.JPG", {}, {"Sheet1", "IMG_0012.JPG"}},
        {"IMG_0012.JPG", "IMG_0012.JPG", kDuplicateSheetMessage, {"Sheet1", "IMG_0012.JPG"}},
        // Refused once the sheet was added: its own name in another case, or a bracket.
        {"img_0012.jpg", "IMG_0012.JPG", kPasteErrorMessage, {"Sheet1", "img_0012.jpg", "Sheet2"}},
        {nullptr, "photo[1].jpg", kPasteErrorMessage, {"Sheet1", "Sheet2"}},
        // No sheet for anything but an ordinary file: a folder, a missing file, a device.
        {nullptr, "folder.jpg", kPasteErrorMessage, {"Sheet1"}},
        {nullptr, "missing.jpg", kPasteErrorMessage, {"Sheet1"}},
        {nullptr, "/dev/null", kPasteErrorMessage, {"Sheet1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Paste run;
        run.set(Holder::Text6, "Option10");
        const auto book = run.fake.book(QStringLiteral("Book1.xlsx"));
        if (c.existing) {
            book->sheets.push_back(std::make_shared<FakeSheetData>());
            book->sheets.back()->name = QString::fromLatin1(c.existing);
        }
        run.photo(QStringLiteral("IMG_0012.JPG"));
        run.photo(QStringLiteral("photo[1].jpg"));
        ASSERT_TRUE(QDir(run.dir.path()).mkdir(QStringLiteral("folder.jpg")));
        run.drop(QDir(run.dir.path()).absoluteFilePath(QString::fromLatin1(c.file)));

        EXPECT_EQ(run.ui.messages.empty() ? QString() : run.ui.messages.back().text, c.message);
        QStringList sheets;
        std::size_t pictures = 0;
        for (const auto& sheet : book->sheets) {
            sheets << sheet->name;
            pictures += sheet->shapes.size();
        }
        EXPECT_EQ(sheets, c.sheets);
        EXPECT_EQ(pictures, c.message.isEmpty() ? 1u : 0u);
        if (c.message.isEmpty()) { // on the new, active sheet's A1
            EXPECT_EQ(box(run.only().left, run.only().top), box(0, 0));
        }
        EXPECT_TRUE(run.fake.liveObjects() == 0 && run.fake.screenUpdating);
    }
    EXPECT_EQ(kDuplicateSheetMessage, QStringLiteral("すでに写真があります。"));
}

TEST(PasteEngine, PastesIntoTheLockedWorkbookWithScreenUpdatingOffAndIgnoresDropsMeanwhile) {
    Paste run;
    run.fake.addWorkbook(QStringLiteral("Other.ods")); // now the active one
    const QString second = run.photo(QStringLiteral("b.jpg"));
    int inserts = 0;
    run.fake.beforeCall(QStringLiteral("Worksheet.addPicture"), 1, [&] {
        EXPECT_FALSE(run.fake.screenUpdating);
        EXPECT_EQ(run.fake.waitSettings(), kPasteWaitSettings);
        run.drop(second);
        ++inserts;
    });
    run.drop(run.photo(QStringLiteral("a.jpg")));
    run.expectEnded(false);
    EXPECT_EQ(inserts, 1);
    EXPECT_EQ(run.fake.activeBook()->name, QStringLiteral("Book1.xlsx"));
    EXPECT_EQ(run.fake.pictures().size(), 1u);
    EXPECT_TRUE(run.fake.book(QStringLiteral("Other.ods"))->activeSheet->shapes.empty());
}

// Every call of a paste that uses every step fails in turn, once or (the application gone)
// from then on: each time the one message, the run ended, the zoom as the user had it.
TEST(PasteEngine, AFailureAtAnyCallEndsInTheOneMessage) {
    EXPECT_EQ(kPasteErrorMessage,
              QStringLiteral("エラーがでました。\r\n\r\n"
                             "●貼り付けるエクセルファイルは起動してますか？\r\n"
                             "●画像ファイルを選択されましたか？\r\n"
                             "●他にはー･･･貼り付けるセルの場所がわかりません。"));
    for (const char* place : {"Option5", "Option6", "Option10"}) {
        const auto paste = [place](Paste& run, int from, int to) {
            run.fake.failCalls(from, to);
            run.fake.version = QStringLiteral("12.0");
            run.fake.zoom = 80;
            run.set(Holder::Text6, place);
            run.set(Holder::Text2, "Option4");
            run.set(Holder::Text22, "1");
            run.drop(run.photo(QStringLiteral("IMG_0001.JPG")), QStringLiteral("C3"));
        };
        Paste clean;
        paste(clean, 0, 0);
        clean.expectEnded(false);
        for (int nth = 1; nth <= clean.fake.calls.size(); ++nth) {
            const QString call = clean.fake.calls[nth - 1];
            SCOPED_TRACE(
                QStringLiteral("%1 call %2 %3").arg(place).arg(nth).arg(call).toStdString());
            Paste once, gone;
            paste(once, nth, nth);
            once.expectEnded(true);
            EXPECT_TRUE(once.fake.zoom == 80 || call == "Application.setZoom");
            paste(gone, nth, INT_MAX);
            gone.expectEnded(true, false);
        }
    }
}

TEST(FolderPaste, GoesDownTheColumnWithTheGapAfterEachPhotoAndThePageGapAfterEachThird) {
    const struct {
        const char *gap, *pageGap, *start;
        std::vector<int> rows;
        bool failed;
    } cases[] = {
        {"1", "3", "B3", {3, 5, 7, 11, 13, 15, 19}, false},
        {"0", " 0 ", "C2", {2, 3, 4, 5, 6, 7, 8}, false},
        // A row is a whole number only when its cell is addressed: 5.5 rounds to even 6.
        {"1.5", "0", "B3", {3, 6, 8, 9, 12, 14, 15}, false},
        // The gaps are converted after each photo; the next row would lie beyond the sheet.
        {"a", "0", "B3", {3}, true},
        {"1", "3", "B1048575", {1048575}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("gaps ") + c.gap + " and " + c.pageGap + " from " + c.start);
        Paste run;
        run.set(Holder::Text25, c.gap);
        run.set(Holder::Text26, c.pageGap);
        run.fake.selectCell(QString::fromLatin1(c.start));
        run.pasteFolder(numbered(7));
        run.expectEnded(c.failed);
        std::vector<int> rows;
        for (const FakeShapeData& picture : run.fake.pictures()) {
            rows.push_back(int(picture.top / 13.5) + 1);
            EXPECT_EQ(picture.left, QString(c.start).startsWith('B') ? 48 : 96);
        }
        EXPECT_EQ(rows, c.rows);
    }
}

TEST(FolderPaste, PastesTheOrdinaryJpgFilesInCodeUnitOrderEachLikeADrop) {
    Paste run;
    for (const char* other : {".hidden.jpg", "a.jpeg", "b.jpg.txt", "c.png"}) {
        run.photo(QString::fromLatin1(other));
    }
    ASSERT_TRUE(QDir(run.dir.path()).mkdir(QStringLiteral("folder.jpg")));
    run.fake.addRectangle(kPictureNamePrefix + "2", 0, 0, 1, 1);
    run.set(Holder::Text2, "Option12");
    run.set(Holder::Text22, "1");
    run.pasteFolder({"IMG_2.jpg", "img_1.JPG", "IMG_10.jpg", "photo.Jpg"});
    run.expectEnded(false);
    // Each went behind the ones before, the rectangle's name skipped.
    QStringList files;
    for (const FakeShapeData& picture : run.fake.pictures()) {
        EXPECT_EQ(QSizeF(picture.width, picture.height), QSizeF(48, 36));
        files.prepend(QFileInfo(picture.fileName).fileName() + " " + picture.name);
    }
    const QString p = kPictureNamePrefix;
    EXPECT_EQ(files, QStringList({"IMG_10.jpg " + p + "3", "IMG_2.jpg " + p + "4",
                                  "img_1.JPG " + p + "5", "photo.Jpg " + p + "6"}));
}

TEST(FolderPaste, ShowsEachPhotosNumberAfterTheWindowsPaintedAndIgnoresDropsMeanwhile) {
    Paste run;
    int paints = 0;
    const QString dropped = run.photo(QStringLiteral("dropped.png"));
    run.ui.onProcessEvents = [&] {
        ++paints;
        run.drop(dropped);
        PasteFolder(run.engine, run);
    };
    for (int k = 1; k <= 5; ++k) {
        run.fake.beforeCall(QStringLiteral("Worksheet.addPicture"), k, [&run, &paints, k] {
            EXPECT_TRUE(run.shown);
            EXPECT_EQ(run.caption, QStringLiteral("%1/5").arg(k));
            EXPECT_EQ(paints, k);
        });
    }
    run.pasteFolder(numbered(5));
    run.expectEnded(false);
    EXPECT_EQ(run.fake.pictures().size(), 5u);
    EXPECT_EQ(run.ui.openDialogs.size(), 1u);
}

TEST(FolderPaste, AFailureEndsTheRunKeepingWhatWasPastedAndCancelPastesNothing) {
    const struct {
        const char* name;
        std::function<void(Paste&)> setUp;
        std::size_t kept;
        bool failed, asked;
    } cases[] = {
        {"the fourth of seven fails",
         [](Paste& r) { r.fake.failCalls(4, 4, QStringLiteral("Worksheet.addPicture")); }, 3, true,
         true},
        {"no workbook", [](Paste& r) { r.set(Holder::Text1, ""); }, 0, true, false},
        {"no application", [](Paste& r) { r.fake.setRunning(false); }, 0, true, false},
        {"cancelled", [](Paste& r) { r.ui.openAnswers = {std::nullopt}; }, 0, false, true},
        {"a folder without JPG files",
         [](Paste& r) {
             QDir(r.dir.path()).mkdir(QStringLiteral("docs"));
             r.ui.openAnswers = {r.photo(QStringLiteral("docs/readme.txt"))};
         },
         0, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Paste run;
        for (const QString& name : numbered(7)) {
            run.photo(name, 64, 48);
        }
        run.ui.openAnswers = {run.dir.filePath(QStringLiteral("P01.jpg"))};
        c.setUp(run);
        PasteFolder(run.engine, run);
        run.expectEnded(c.failed);
        EXPECT_EQ(run.fake.pictures().size(), c.kept);
        ASSERT_EQ(run.ui.openDialogs.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(run.ui.openDialogs[0].second,
                      QStringLiteral("画像ディレクトリと適当なファイルを指定して下さい"));
        }
    }
}

TEST(FolderPaste, AHundredThousandNamesFailBeforeAnythingIsPasted) {
    Paste run;
    // In memory where there is a tmpfs: a disk under load takes a minute for 100,000 files.
    const QTemporaryDir shm(QStringLiteral("/dev/shm/velmora-XXXXXX"));
    const QDir folder(shm.isValid() ? shm.path() : run.dir.path());
    for (int i = 0; i < 100000; ++i) {
        const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("%1.jpg").arg(i)));
        ASSERT_EQ(::close(::open(path.constData(), O_CREAT | O_WRONLY, 0600)), 0);
    }
    run.ui.openAnswers.push_back(folder.filePath(QStringLiteral("0.jpg")));
    PasteFolder(run.engine, run);
    run.expectEnded(true);
    EXPECT_TRUE(run.caption.isEmpty());
    ASSERT_TRUE(QFile::remove(folder.filePath(QStringLiteral("0.jpg"))));
    EXPECT_EQ(listJpgNames(folder.path()).size(), 99999);
}

} // namespace
} // namespace velmora::testing
