#include "drop_target.h"
#include "form1_fixture.h"
#include "synthetic_drop.h"
#include "test_photos.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>

#include <array>

namespace velmora::testing {
namespace {

class Form1DropTest : public Form1Test {
protected:
    void SetUp() override {
        excel.addWorkbook("Ledger.xls");
        store.SaveSetting("Option", "Option1");
        store.SaveSetting("paste-url-1", "B2");
        store.SaveSetting("paste-url-2", "C5");
        store.SaveSetting("paste-url-3", "D9");
        start();
        photo = writeJpeg(dir.filePath("photo one.jpg"), 64, 48);
        second = writeJpeg(dir.filePath("second.jpg"), 64, 48);
    }

    void choosePlace(const QString& option) {
        form->Text6->setText(option);
        form->setDropTargetVisible(0, option != "Option6");
        for (int i = 1; i <= 3; ++i) {
            form->setDropTargetVisible(i, option == "Option6");
        }
    }

    QTemporaryDir dir;
    QString photo;
    QString second;
};

TEST_F(Form1DropTest, EachNumberedTargetPastesAtItsOwnAddress) {
    choosePlace("Option6");
    ASSERT_TRUE(dragAndDrop(form->Picture2, {photo, second}));
    ASSERT_TRUE(dragAndDrop(form->Picture1, {second}));
    ASSERT_TRUE(dragAndDrop(form->Picture3, {photo}));
    const auto pictures = excel.pictures();
    ASSERT_EQ(pictures.size(), 3u);
    // Column B starts at 48 pt, row 2 at 13.5 pt; C5 and D9 likewise.
    EXPECT_EQ(pictures[0].fileName, photo); // only the first of the two dropped files
    EXPECT_DOUBLE_EQ(pictures[0].left, 96);
    EXPECT_DOUBLE_EQ(pictures[0].top, 4 * 13.5);
    EXPECT_EQ(pictures[1].fileName, second);
    EXPECT_DOUBLE_EQ(pictures[1].left, 48);
    EXPECT_DOUBLE_EQ(pictures[1].top, 13.5);
    EXPECT_DOUBLE_EQ(pictures[2].left, 144);
    EXPECT_DOUBLE_EQ(pictures[2].top, 8 * 13.5);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Form1DropTest, SingleTargetPastesAtTheSelectedCellWhateverTheAddressBoxHolds) {
    choosePlace("Option5");
    excel.selectCell("E7");
    ASSERT_TRUE(dragAndDrop(form->Picture0, {photo}));
    const auto pictures = excel.pictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_DOUBLE_EQ(pictures[0].left, 4 * 48);
    EXPECT_DOUBLE_EQ(pictures[0].top, 6 * 13.5);
}

TEST_F(Form1DropTest, DragsWithoutALocalFileAreRefusedWhileDragging) {
    choosePlace("Option5");
    EXPECT_FALSE(dragAndDrop(form->Picture0, {}, "some text"));
    EXPECT_FALSE(dragAndDrop(form->Picture0, {"https://example.org/a.jpg"}));
    EXPECT_TRUE(excel.pictures().empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Form1DropTest, TextFileDroppedEndsWithTheErrorMessage) {
    choosePlace("Option5");
    const QString text = dir.filePath("notes.txt");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("not a picture") > 0);
    file.close();
    dragAndDrop(form->Picture0, {text});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].style, 16);
    EXPECT_TRUE(excel.pictures().empty());
    EXPECT_TRUE(excel.screenUpdating);
}

// A Shift-drag from a file manager proposes Move; the source deletes the file when the
// target answers Move, so every answer must be Copy.
TEST_F(Form1DropTest, ADropProposedAsMoveIsAnsweredAsCopy) {
    choosePlace("Option5");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(photo)});
    const QPoint centre = form->Picture0->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(centre, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(enter.proposedAction(), Qt::MoveAction);
    QDragMoveEvent move(centre, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QDropEvent drop(QPointF(centre), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    for (QDropEvent* event : std::array<QDropEvent*, 3>{&enter, &move, &drop}) {
        SCOPED_TRACE(event->type());
        QCoreApplication::sendEvent(form->Picture0, event);
        EXPECT_TRUE(event->isAccepted());
        EXPECT_EQ(event->dropAction(), Qt::CopyAction);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(excel.pictures().size(), 1u);
    EXPECT_TRUE(QFile::exists(photo));
}

TEST_F(Form1DropTest, DropArrivingDuringAPasteIsNotStartedInsideIt) {
    choosePlace("Option5");
    // While the first picture is being inserted, a second drop comes in and its queued
    // handler gets to run.
    excel.beforeCall("Worksheet.addPicture", 1, [this] {
        dragAndDrop(form->Picture0, {second});
        QCoreApplication::processEvents();
    });
    ASSERT_TRUE(dragAndDrop(form->Picture0, {photo}));
    const auto pictures = excel.pictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].fileName, photo);
}

} // namespace
} // namespace velmora::testing
