#include "calc_scenario.h"
#include "paste_engine.h"
#include "test_photos.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

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

// Counts the paint events of every widget.
class PaintCounter : public QObject {
public:
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
    int paints = 0;
};

// A folder paste of three photos from B3 during which the office stops at the second photo.
class StoppedOfficeScenario : public CalcScenario {
protected:
    void SetUp() override {
        CalcScenario::SetUp();
        ASSERT_TRUE(folder.isValid());
        for (int i = 1; i <= 3; ++i) {
            writeJpeg(folder.filePath(QStringLiteral("IMG_%1.jpg").arg(i)), 160, 120);
        }
        office().createWorkbook(book);
        admin().select({}, QStringLiteral("B3"));
        save({{"Option", "Option1"},
              {"Combo1", "2"},
              {"paste-check", "Option9"},
              {"renzoku-no1-no2", "0"},
              {"renzoku-p1-p2", "0"}});
        // A paste run waits 20 s at most here, and the user is asked after 0.3 s.
        CalcLinkOptions options;
        options.notAnsweringNoticeMs = 300;
        options.longestWaitMs = 20000;
        link = office().makeLink(options);
        start();
        ASSERT_EQ(form->Text1->text(), book);
        ASSERT_TRUE(form->Command2->isVisibleTo(form.get()));
        ui.onProcessEvents = [this] {
            if (++photo == 2) {
                office().suspend();
                paintsBeforeTheBox.emplace();
            }
        };
    }

    void pasteTheFolder() {
        ui.openAnswers.push_back(folder.filePath(QStringLiteral("IMG_1.jpg")));
        form->Command2->click();
    }

    const QString book = QStringLiteral("Stopped.ods");
    QTemporaryDir folder{QDir(office().workDir()).filePath(QStringLiteral("folder-XXXXXX"))};
    int photo = 0;
    std::optional<PaintCounter> paintsBeforeTheBox;
};

TEST_F(StoppedOfficeScenario, TheWindowsPaintWhileItWaitsAndTheBoxGoesWhenTheOfficeAnswers) {
    ui.onNotAnswering = [this] {
        ASSERT_TRUE(paintsBeforeTheBox);
        EXPECT_GT(paintsBeforeTheBox->paints, 0)
            << "no window painted while the office was stopped";
        paintsBeforeTheBox.reset();
        office().resume();
    };
    pasteTheFolder();

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kOfficeNotAnsweringMessage);
    EXPECT_EQ(admin().shapes(book).size(), 3);
    EXPECT_FALSE(admin().controllersLocked(book));
    EXPECT_EQ(form->progressWindow(), nullptr);
}

TEST_F(StoppedOfficeScenario, GivingUpEndsTheRunAndTheWorkbookIsLeftAsItWasFound) {
    ui.notAnsweringAnswers.push_back(MessageAnswer::Cancel);
    QElapsedTimer clock;
    clock.start();
    pasteTheFolder();
    EXPECT_LT(clock.elapsed(), 10000) << "the run waited for its timeout";
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, kOfficeNotAnsweringMessage);
    EXPECT_EQ(ui.messages[1].text, kPasteErrorMessage);
    EXPECT_EQ(ui.messages[1].style, kStyleCritical);
    EXPECT_EQ(form->progressWindow(), nullptr);

    // Nothing but the program's tidying up keeps the given-up connection.
    admin().disconnect();
    office().resume();
    // Velmora tidies up the moment the office answers again; the user's edit comes later.
    clock.restart();
    while (admin().controllersLocked(book) && clock.elapsed() < 10000) {
        QThread::msleep(50);
    }
    ASSERT_FALSE(admin().controllersLocked(book));
    const auto firstRun = admin().shapes(book);
    ASSERT_EQ(firstRun.size(), 1);
    admin().setCellText(book, QStringLiteral("A1"), QStringLiteral("edit"));
    admin().undo(book);
    EXPECT_EQ(admin().cellText(book, QStringLiteral("A1")), QString());
    EXPECT_EQ(admin().shapes(book).size(), firstRun.size());

    ui.onProcessEvents = nullptr;
    pasteTheFolder();
    EXPECT_EQ(ui.messages.size(), 2u);
    ASSERT_EQ(admin().shapes(book).size(), firstRun.size() + 3);
    admin().undo(book);
    admin().undo(book);
    EXPECT_TRUE(office().running());
    EXPECT_TRUE(admin().shapes(book).isEmpty());
    EXPECT_EQ(admin().cellText(book, QStringLiteral("A1")), QString());
}

} // namespace
} // namespace velmora::testing
