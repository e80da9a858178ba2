// The paste engine on Calc: where, how big and under which name a dropped or folder-pasted
// photo lands, and that every run, however it ends, leaves the application as it found it.

#include "camera_photos.h"
#include "failing_link.h"
#include "folder_paste.h"
#include "map_holders.h"
#include "office_fixture.h"
#include "recording_interaction.h"
#include "temp_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace velmora::testing {
namespace {

// One workbook "Book1.xlsx" and the holders as after a normal start (its name as typed, in
// another case): 9 cm, 100 %, no offsets, the selected cell, gaps 1 and 3. The engine reaches
// Calc through a link that counts, fails and poses on demand. Also the progress window the
// folder paste drives, which notes each caption with the number of pictures in by then.
struct Paste : ProgressView {
    Paste() {
        world.addWorkbook(QStringLiteral("Book1.xlsx"));
        const std::pair<Holder, const char*> start[] = {
            {Holder::Text1, "book1.XLSX"}, {Holder::Text2, "Option1"}, {Holder::Text3, "0"},
            {Holder::Text4, "0"},          {Holder::Text5, "100"},     {Holder::Combo1, "9"},
            {Holder::Text6, "Option5"},    {Holder::Text22, "0"},      {Holder::Text25, "1"},
            {Holder::Text26, "3"}};
        for (const auto& [holder, text] : start) {
            set(holder, text);
        }
    }
    void set(Holder holder, const char* text) { holders.setText(holder, QString::fromUtf8(text)); }
    // A photo of width x height px at 96 dpi: 0.75 pt a pixel.
    QString photo(const QString& name, int width = 640, int height = 480) {
        return writeJpeg(dir.filePath(name), width, height);
    }
    // The same 480 x 360 pt photo as a camera stores it, 2560 x 1920 px at 384 dpi.
    QString camera(const QString& name, int orientation) {
        return writeCameraJpeg(dir.filePath(name), 2560, 1920, {orientation, 1, 384, 384});
    }
    void drop(const QString& file, const QString& address = {}) { engine.DragDrop(file, address); }
    // The run is over: the one error message if it failed and none else, the wait settings
    // back, no progress window, screen updating on and pictures shown where it still can be.
    void expectEnded(bool failed, bool stillRunning = true) {
        EXPECT_EQ(ui.messages, Messages(failed, {kPasteErrorMessage, kStyleCritical}));
        EXPECT_EQ(calc.waitSettings(), kIdleWaitSettings);
        EXPECT_FALSE(engine.isPasting() || shown);
        EXPECT_TRUE(!stillRunning || (!world.locked() && world.picturesShown()));
    }
    void expectOnly(double left, double top, double width = -1, double height = -1) {
        const QList<ShapeInfo> shapes = world.shapes();
        ASSERT_EQ(shapes.size(), 1);
        EXPECT_NEAR(shapes[0].left, left, 0.05); // Calc rounds geometry through twips
        EXPECT_NEAR(shapes[0].top, top, 0.05);
        EXPECT_NEAR(shapes[0].width, width < 0 ? shapes[0].width : width, 0.05);
        EXPECT_NEAR(shapes[0].height, height < 0 ? shapes[0].height : height, 0.05);
    }
    void show() override { shown = true; }
    void setCaption(const QString& text) override {
        captions << text + QStringLiteral(":%1").arg(world.shapes().size());
    }
    // The window goes before the sheet shows again at the end of a run that went well.
    void close() override {
        shown = false;
        closedBeforeTheSheetShows = world.locked();
    }

    OfficeProcess& world = freshWorld();
    FailingLink calc{world.link()};
    QTemporaryDir dir;
    MapHolders holders;
    RecordingInteraction ui;
    PasteEngine engine{calc, holders, ui};
    bool shown = false, closedBeforeTheSheetShows = false;
    QStringList captions;
};

// A 480 x 360 pt photo dropped on B3: 48 pt from the left, 27 from the top, 48 pt wide. Alike
// whether it goes in as it is, as a light copy (図の圧縮), or stored turned or mirrored.
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
        {"Option12", "nine", "100", "0", "0", 13.5, false, 480, 360, 48, 27, true},
        {"Option12", "9", "x", "0", "0", 13.5, false, 255.15, 191.3625, 48, 27, true},
        {"Option12", "9", "-50", "0", "0", 13.5, false, 255.15, 191.3625, 48, 27, true},
        {"Option12", "9", "100", "", "0", 13.5, false, 48, 36, 48, 15.75, true},
        {"Option12", "9", "100", "0", "1pt", 13.5, false, 48, 36, 48, 15.75, true},
    };
    for (const auto& c : cases) {
        for (const auto& [compress, orientation] : {std::pair{"0", 0}, {"1", 8}, {"0", 7}}) {
            SCOPED_TRACE(QStringList({c.sizing, c.cm, c.percent, c.down, c.right, compress})
                             .join('|')
                             .toStdString() +
                         std::to_string(orientation));
            Paste run;
            run.set(Holder::Check1, compress);
            run.set(Holder::Text2, c.sizing);
            run.set(Holder::Combo1, c.cm);
            run.set(Holder::Text5, c.percent);
            run.set(Holder::Text3, c.down);
            run.set(Holder::Text4, c.right);
            run.world.setRowHeight(3, c.rowHeight);
            if (c.mergeB3C4) {
                run.world.merge(QStringLiteral("B3:C4"));
            }
            run.world.select(QStringLiteral("B3"));
            run.drop(orientation ? run.camera(QStringLiteral("p.jpg"), orientation)
                                 : run.photo(QStringLiteral("p.jpg")));
            run.expectEnded(c.failed);
            run.expectOnly(c.left, c.top, c.width, c.height);
            EXPECT_EQ(run.holders.text(Holder::Combo1), *c.cm ? c.cm : "9");
            EXPECT_EQ(run.holders.text(Holder::Text5), *c.percent ? c.percent : "100");
        }
    }
}

// A 2400 x 1800 px camera photo at 300 dpi (576 x 432 pt upright) dropped on B3, centred at 6 cm,
// stored in each orientation, with 図の圧縮 and without: placed like the untagged photo, and the
// picture the office holds shows the red corner at its upright top left.
TEST(PasteEngine, EveryOrientationLandsUprightWhereTheUntaggedPhotoLands) {
    ShapeInfo untagged;
    for (int orientation = 0; orientation <= 8; ++orientation) {
        for (const char* compress : {"0", "1"}) {
            SCOPED_TRACE(std::to_string(orientation) + " 図の圧縮 " + compress);
            Paste run;
            run.set(Holder::Check1, compress);
            run.set(Holder::Text2, "Option2");
            run.set(Holder::Combo1, "6");
            run.world.setRowHeight(3, 150);
            run.world.select(QStringLiteral("B3"));
            run.drop(writeCameraJpeg(run.dir.filePath(QStringLiteral("p.jpg")), 2400, 1800,
                                     {orientation, 1, 300, 300}));
            run.expectEnded(false);
            if (orientation == 0 && *compress == '0') {
                untagged = run.world.shapes().value(0);
            }
            run.expectOnly(untagged.left, untagged.top, 170.1, untagged.height);
            const QImage image = run.world.picture(0);
            EXPECT_GT(image.width(), image.height());
            EXPECT_EQ(redCorners(image), "TL");
        }
    }
}

// C4 (96, 40.5) selected, 9 cm wide. Rows with a version pose as that version with the window
// zoomed to 75 %, where version 12 put pictures 5 pt right and 7 pt down of their place. A photo
// cut short or scrambled goes in or fails with the message, the sheet consistent either way.
TEST(PasteEngine, GoesToTheSelectedCellOrTheGivenAddressAndOnlyVersion12IsReanchored) {
    enum Outcome { In, Fails, Either };
    const struct {
        const char *version, *place, *file, *address;
        double left, top;
        Outcome outcome;
    } cases[] = {
        {"12.0", "Option5", "a.jpg", "", 96, 40.5, In},
        {"12", "Option6", "a.jpg", "B2", 48, 13.5, In},
        {"16.0", "Option5", "a.jpg", "", 101, 47.5, In},
        {"16.0", "Option6", "a.jpg", "$B$2:D9", 53, 20.5, In},
        {"7.4.7.2", "Option5", "a.jpg", "", 101, 47.5, In},
        {nullptr, "Option5", "写真 #1; 100%.jpg", "", 96, 40.5, In},
        {nullptr, "Option6", "a.jpg", "$B$2:D9", 48, 13.5, In},
        {nullptr, "Option6", "a.jpg", "XFD2", 16383 * 48, 13.5, In},
        {nullptr, "Option5", "header.jpg", "", 96, 40.5, Either},
        {nullptr, "Option5", "cut.jpg", "", 96, 40.5, Either},
        {nullptr, "Option5", "notes.jpg", "", 0, 0, Fails},
        {nullptr, "Option5", "missing.jpg", "", 0, 0, Fails},
        {nullptr, "Option5", "", "", 0, 0, Fails}, // the folder
        {nullptr, "Option6", "a.jpg", "", 0, 0, Fails},
        {nullptr, "Option6", "a.jpg", "C", 0, 0, Fails},
        {nullptr, "Option6", "a.jpg", "A0", 0, 0, Fails},
        {nullptr, "Option6", "a.jpg", "XFE1", 0, 0, Fails},
        {nullptr, "Option6", "a.jpg", "A1048577", 0, 0, Fails},
    };
    QTemporaryDir dir;
    writeJpeg(dir.filePath(QStringLiteral("写真 #1; 100%.jpg")), 640, 480);
    const QByteArray jpeg = fileBytes(writeJpeg(dir.filePath(QStringLiteral("a.jpg")), 640, 480));
    for (const auto& [name, bytes] : {std::pair{"header.jpg", jpeg.left(400)},
                                      {"cut.jpg", jpeg.left(jpeg.size() / 2)},
                                      {"notes.jpg", QByteArray("not a photo\n")}}) {
        ASSERT_TRUE(writeFile(dir.filePath(QString::fromLatin1(name)), bytes));
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringList({c.version, c.place, c.file, c.address}).join('|').toStdString());
        Paste run;
        if (c.version) {
            run.calc.version = QString::fromLatin1(c.version);
            run.calc.zoom = 75;
            run.calc.drift = QPointF(5, 7);
        }
        run.set(Holder::Text6, c.place);
        run.world.select(QStringLiteral("C4"));
        run.drop(dir.filePath(QString::fromUtf8(c.file)), QString::fromLatin1(c.address));
        const bool in = c.outcome == In || (c.outcome == Either && !run.world.shapes().isEmpty());
        run.expectEnded(!in);
        EXPECT_EQ(run.calc.zoom.value_or(100), c.version ? 75 : 100);
        if (in) { // a photo cut short may show at another size
            run.expectOnly(c.left, c.top, c.outcome == In ? 255.15 : -1,
                           c.outcome == In ? 191.3625 : -1);
        } else {
            EXPECT_TRUE(run.world.shapes().isEmpty());
        }
    }
}

// The picture takes the first free number after the shape count and stays selected; only the
// exact "1" sends it behind every shape.
TEST(PasteEngine, NamesThePictureWithTheFirstFreeNumberAfterTheShapeCountAndStacksIt) {
    const QString p = kPictureNamePrefix;
    const struct {
        QStringList before;
        const char* order;
        QString after; // back to front
    } cases[] = {
        {{}, "0", p + "1 191*"},
        {{"Rect A", "Rect B", "Oval"}, "0", "Rect A 40, Rect B 40, Oval 40, " + p + "4 191*"},
        {{"Rect A", p + "4", p + "5"}, "1", p + "6 191*, Rect A 40, " + p + "4 40, " + p + "5 40"},
        {{p + "2"}, "", p + "2 40, " + p + "3 191*"},
        {{"A"}, "01", "A 40, " + p + "2 191*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after.toStdString());
        Paste run;
        for (const QString& other : c.before) {
            run.world.addRectangle(other, 200, 0);
        }
        run.set(Holder::Text22, c.order);
        run.drop(run.photo(QStringLiteral("a.jpg")));
        run.expectEnded(false);
        QStringList shapes; // "name height", the selected one marked "*"
        for (const ShapeInfo& s : run.world.shapes()) {
            shapes << s.name + QStringLiteral(" %1").arg(qRound(s.height)) +
                          (s.name == run.world.selectedShape() ? "*" : "");
        }
        EXPECT_EQ(shapes.join(", "), c.after);
    }
}

// Drops one after another on the single target: a new sheet named after each file, added
// before the active one, unless one of that name is there; no sheet for anything but an
// ordinary file; a name the application refuses leaves the sheet it added.
TEST(PasteEngine, Option10PutsThePhotoOnANewSheetNamedAfterItsFileUnlessOneIsThere) {
    Paste run;
    run.set(Holder::Text6, "Option10");
    run.set(Holder::Text3, "6");
    run.set(Holder::Text4, "9");
    ASSERT_TRUE(QDir(run.dir.path()).mkdir(QStringLiteral("folder.jpg")));
    const QString photo = QStringLiteral("a photo with a name of forty characters.jpg");
    const QString one = "IMG_0012.JPG Sheet1", three = "Sheet3 " + one, four = "Sheet4 " + three;
    const struct {
        QString file;
        int style; // of the message shown, if any
        QString sheets;
    } drops[] = {
        {run.photo(QStringLiteral("IMG_0012.JPG")), 0, one},
        {run.dir.filePath(QStringLiteral("IMG_0012.JPG")), kStyleExclamation, one},
        {run.photo(QStringLiteral("img_0012.jpg")), kStyleCritical, three},
        {run.dir.filePath(QStringLiteral("folder.jpg")), kStyleCritical, three},
        {QStringLiteral("/dev/null"), kStyleCritical, three},
        {run.photo(QStringLiteral("photo[1].jpg")), kStyleCritical, four},
        // Longer than the 31 characters other spreadsheets allow.
        {run.photo(photo), 0, photo + ' ' + four},
    };
    for (const auto& d : drops) {
        SCOPED_TRACE(d.file.toStdString());
        run.ui.messages.clear();
        run.drop(d.file);
        EXPECT_EQ(run.ui.messages,
                  Messages(d.style != 0,
                           {d.style == kStyleCritical ? kPasteErrorMessage : kDuplicateSheetMessage,
                            d.style}));
        EXPECT_EQ(run.world.sheetNames().join(' '), d.sheets);
        if (d.style == 0) { // on the new, active sheet, at A1 moved by the offsets
            run.expectOnly(9, 6);
        }
        EXPECT_FALSE(run.world.locked());
    }
}

// Every call of a paste that uses every step fails in turn, once or (the application gone)
// from then on: each time the one message, the run ended, the zoom as the user had it. A drop on
// a new sheet makes every call a drop on the selected cell makes, and the sheet's own.
TEST(PasteEngine, AFailureAtAnyCallEndsInTheOneMessage) {
    const auto paste = [](int from, int to) {
        Paste run;
        run.calc.failCalls(from, to);
        run.calc.version = QStringLiteral("12.0");
        run.calc.zoom = 80;
        run.set(Holder::Text6, "Option10");
        run.set(Holder::Text22, "1");
        run.drop(run.photo(QStringLiteral("IMG_0001.JPG"), 64, 48));
        run.expectEnded(from > 0, to < INT_MAX);
        // A picture kept is named, by the run or, before it could, as the link names it.
        for (const ShapeInfo& picture : run.world.shapes()) {
            EXPECT_TRUE(picture.name == kPictureNamePrefix + "1" || picture.name == "Picture 1")
                << picture.name.toStdString();
        }
        return std::pair{run.calc.calls, run.calc.zoom};
    };
    const QStringList calls = paste(0, 0).first;
    for (int nth = 1; nth <= calls.size(); ++nth) {
        SCOPED_TRACE(QStringLiteral("call %1, %2").arg(nth).arg(calls[nth - 1]).toStdString());
        EXPECT_TRUE(paste(nth, nth).second == 80 || calls[nth - 1] == "setZoom");
        paste(nth, INT_MAX);
    }
}

// Seven photos P01.jpg.. P07.jpg, the first chosen in the file dialog.
void numbered(Paste& run, int count = 7) {
    for (int i = 1; i <= count; ++i) {
        run.photo(QStringLiteral("P%1.jpg").arg(i, 2, 10, QLatin1Char('0')), 64, 48);
    }
    run.ui.openAnswers.push_back(run.dir.filePath(QStringLiteral("P01.jpg")));
}

// The window paints each photo's caption before that photo goes in, while screen updating is off.
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
        // The gaps are converted after each photo.
        {"a", "0", "B3", {3}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("gaps ") + c.gap + " and " + c.pageGap + " from " + c.start);
        Paste run;
        run.set(Holder::Text25, c.gap);
        run.set(Holder::Text26, c.pageGap);
        run.set(Holder::Text22, "1");
        run.world.select(QString::fromLatin1(c.start));
        numbered(run);
        // The caption the window paints: the photo about to go in, never the one before.
        QStringList paints;
        run.ui.onProcessEvents = [&] {
            paints << run.captions.value(paints.size());
            EXPECT_EQ(paints.last(),
                      QStringLiteral("%1/7:%2").arg(paints.size()).arg(paints.size() - 1));
            EXPECT_TRUE(run.shown);
            EXPECT_TRUE(run.world.locked());
            EXPECT_EQ(run.calc.waitSettings(), kPasteWaitSettings);
        };
        PasteFolder(run.engine, run);
        run.expectEnded(c.failed);
        EXPECT_EQ(run.captions, paints);
        EXPECT_EQ(run.closedBeforeTheSheetShows, !c.failed);
        std::vector<int> rows;
        for (const ShapeInfo& picture : run.world.shapes()) { // back to front
            rows.insert(rows.begin(), qRound(picture.top / 13.5) + 1);
            EXPECT_NEAR(picture.left, c.start[0] == 'B' ? 48 : 96, 0.05);
            EXPECT_NEAR(picture.width, 255.15, 0.05);
        }
        EXPECT_EQ(rows, c.rows);
        // The last picture selected, the cell cursor on its cell.
        EXPECT_EQ(run.world.selectedShape(), kPictureNamePrefix + QString::number(rows.size()));
        EXPECT_EQ(run.world.link().attach()->activeCell()->address(),
                  QStringLiteral("$%1$%2").arg(QLatin1Char(c.start[0])).arg(c.rows.back()));
    }
}

// What the user does in Calc between two photos is seen at the next one: a sheet added or
// turned to takes the next photos, in their rows; rows inserted above move the photos in with
// their cells, not the rows of those to come; another workbook turned to gives the active cell.
TEST(FolderPaste, WhatTheUserDoesBetweenTwoPhotosIsSeenAtTheNextOne) {
    const auto book = [](Paste& r) {
        return r.world.link().attach()->activeWorkbook();
    };
    const struct {
        const char* what;
        std::function<void(Paste&)> before, between;
        QStringList anchors; // on the sheet of Book1.xlsx in view at the end, back to front
        QStringList names;   // of those shapes, when asked
    } cases[] = {
        {"a sheet added", {}, [&](Paste& r) { book(r)->addWorksheet(); }, {"$B$7", "$B$11"}, {}},
        {"another sheet turned to",
         [&](Paste& r) {
             book(r)->addWorksheet();
             book(r)->worksheet(2)->activate();
         },
         [&](Paste& r) { book(r)->worksheet(1)->activate(); },
         {"$B$7", "$B$11"},
         {}},
        {"rows inserted above",
         {},
         [](Paste& r) { r.world.insertRows(1, 2); },
         {"$B$5", "$B$7", "$B$7", "$B$11"},
         {}},
        {"rows inserted above merged cells, each photo fitted into its cell",
         [](Paste& r) {
             r.set(Holder::Text2, "Option4");
             r.world.merge(QStringLiteral("B7:C8"));
         },
         [](Paste& r) { r.world.insertRows(1, 2); },
         {"$B$5", "$B$7", "$B$7", "$B$11"},
         {}},
        {"another workbook turned to",
         {},
         [](Paste& r) { r.world.addWorkbook(QStringLiteral("Other.ods")); },
         {"$B$3", "$B$5", "$A$1", "$A$1"},
         {}},
        {"a shape named like the next picture",
         {},
         [](Paste& r) { r.world.addRectangle(kPictureNamePrefix + "3", 0, 0); },
         {"$B$3", "$B$5", "$A$1", "$B$7", "$B$11"},
         {kPictureNamePrefix + "1", kPictureNamePrefix + "2", kPictureNamePrefix + "3",
          kPictureNamePrefix + "4", kPictureNamePrefix + "5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Paste run;
        if (c.before) {
            c.before(run);
        }
        run.world.select(QStringLiteral("B3"));
        numbered(run, 4);
        run.ui.onProcessEvents = [&] {
            if (run.captions.size() == 3) {
                c.between(run);
            }
        };
        PasteFolder(run.engine, run);
        run.expectEnded(false);
        const QList<ShapeInfo> shapes = run.world.shapes(QStringLiteral("Book1.xlsx"));
        QStringList anchors;
        QStringList names;
        for (const ShapeInfo& picture : shapes) {
            anchors << picture.anchor;
            names << picture.name;
            // Each at the top of its cell: two in one cell at the same height and width.
            for (const ShapeInfo& other : shapes) {
                if (other.anchor == picture.anchor) {
                    EXPECT_NEAR(other.top, picture.top, 0.05);
                    EXPECT_NEAR(other.width, picture.width, 0.05);
                }
            }
        }
        EXPECT_EQ(anchors, c.anchors);
        if (!c.names.isEmpty()) {
            EXPECT_EQ(names, c.names);
        }
    }
}

TEST(FolderPaste, AFailureEndsTheRunKeepingWhatWasPastedAndCancelPastesNothing) {
    const struct {
        const char* name;
        std::function<void(Paste&)> setUp;
        int kept;
        bool failed, asked;
    } cases[] = {
        {"the fourth is no photo",
         [](Paste& r) { QFile::resize(r.dir.filePath(QStringLiteral("P04.jpg")), 9); }, 3, true,
         true},
        {"compressed, the fourth is no photo",
         [](Paste& r) {
             r.set(Holder::Check1, "1");
             for (const char* name : {"P01.jpg", "P02.jpg", "P03.jpg"}) {
                 r.camera(QString::fromLatin1(name), 6);
             }
             QFile::resize(r.dir.filePath(QStringLiteral("P04.jpg")), 9);
         },
         3, true, true},
        {"the workbook closed", [](Paste& r) { r.set(Holder::Text1, "Closed.ods"); }, 0, true,
         false},
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
        numbered(run);
        c.setUp(run);
        // The run's light copies are gone with it, however it ended.
        const QTemporaryDir tmp;
        const QByteArray tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
        PasteFolder(run.engine, run);
        qputenv("TMPDIR", tmpdir);
        EXPECT_TRUE(QDir(tmp.path()).isEmpty());
        run.expectEnded(c.failed);
        EXPECT_EQ(run.world.shapes().size(), c.kept);
        ASSERT_EQ(run.ui.openDialogs.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(run.ui.openDialogs[0].second,
                      QStringLiteral("画像ディレクトリと適当なファイルを指定して下さい"));
        }
    }
}

// Ordinary files named *.jpg in any case, in code-unit order.
TEST(FolderPaste, ListsTheOrdinaryJpgFilesInCodeUnitOrder) {
    Paste run;
    for (const char* name : {".hidden.jpg", "a.jpeg", "b.jpg.txt", "c.png", "IMG_2.jpg",
                             "img_1.JPG", "IMG_10.jpg", "photo.Jpg"}) {
        run.photo(QString::fromLatin1(name), 8, 8);
    }
    ASSERT_TRUE(QDir(run.dir.path()).mkdir(QStringLiteral("folder.jpg")));
    EXPECT_EQ(listJpgNames(run.dir.path()),
              QStringList({"IMG_10.jpg", "IMG_2.jpg", "img_1.JPG", "photo.Jpg"}));
}

} // namespace
} // namespace velmora::testing
