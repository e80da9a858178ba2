#include "drop_target.h"
#include "form1_fixture.h"
#include "form99.h"
#include "synthetic_drop.h"
#include "test_photos.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace velmora::testing {
namespace {

class Form1FolderTest : public Form1Test {
protected:
    void SetUp() override {
        excel.addWorkbook("Ledger.xls");
        store.SaveSetting("Option", "Option1");
        store.SaveSetting("paste-check", "Option9");
        start();
        form->Text25->setText("1");
        form->Text26->setText("3");
        for (int i = 1; i <= 7; ++i) {
            writeJpeg(dir.filePath(QStringLiteral("IMG_%1.jpg").arg(i)), 32, 24);
        }
        excel.selectCell("B3");
        ui.openAnswers.push_back(dir.filePath("IMG_4.jpg"));
    }

    QTemporaryDir dir;
};

TEST_F(Form1FolderTest, PastesTheFolderDownOneColumnAndCountsTheProgress) {
    int shown = 0;
    ui.onProcessEvents = [&] {
        ASSERT_NE(form->progressWindow(), nullptr);
        shown += form->progressWindow()->isVisible() ? 1 : 0;
    };
    QStringList captions;
    for (int n = 1; n <= 7; ++n) {
        excel.beforeCall("Worksheet.addPicture", n,
                         [&] { captions << form->progressWindow()->Label1->text(); });
    }
    form->Command2->click();

    EXPECT_EQ(shown, 7);
    EXPECT_EQ(captions, QStringList({"1/7", "2/7", "3/7", "4/7", "5/7", "6/7", "7/7"}));
    EXPECT_EQ(form->progressWindow(), nullptr);
    const auto pictures = excel.pictures();
    ASSERT_EQ(pictures.size(), 7u);
    const int rows[] = {3, 5, 7, 11, 13, 15, 19};
    for (int i = 0; i < 7; ++i) {
        EXPECT_DOUBLE_EQ(pictures[i].top, (rows[i] - 1) * 13.5) << i;
        EXPECT_DOUBLE_EQ(pictures[i].left, 48) << i;
        EXPECT_TRUE(pictures[i].fileName.endsWith(QStringLiteral("IMG_%1.jpg").arg(i + 1)));
    }
    EXPECT_TRUE(excel.screenUpdating);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Form1FolderTest, NoSecondPasteStartsWhileAFolderPasteRuns) {
    int nested = 0;
    ui.onProcessEvents = [&] {
        if (nested++ > 0) {
            return;
        }
        // The user presses the folder button again and drops a file meanwhile.
        form->Command2->click();
        form->Text6->setText("Option5");
        dragAndDrop(form->Picture0, {dir.filePath("IMG_1.jpg")});
        form->Text6->setText("Option9");
    };
    form->Command2->click();
    EXPECT_EQ(excel.pictures().size(), 7u);
    EXPECT_EQ(ui.openDialogs.size(), 1u);
}

} // namespace
} // namespace velmora::testing
