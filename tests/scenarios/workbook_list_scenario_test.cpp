#include "calc_scenario.h"
#include "form2.h"

#include <QComboBox>
#include <QLineEdit>

namespace velmora::testing {
namespace {

QStringList items(const QComboBox* box) {
    QStringList names;
    for (int i = 0; i < box->count(); ++i) {
        names << box->itemText(i);
    }
    return names;
}

using WorkbookListScenario = CalcScenario;

TEST_F(WorkbookListScenario, ListsTheOpenWorkbooksInCalcsOrderWithTheLockAsText) {
    office().createWorkbook(QStringLiteral("Zeta.ods"));
    office().createWorkbook(QStringLiteral("Alpha.ods"));
    start();
    // Start-up locked the active workbook, the one opened last.
    ASSERT_EQ(form->Text1->text(), QStringLiteral("Alpha.ods"));

    form->Command1_Click();
    Form2* settings = form->form2();
    EXPECT_EQ(items(settings->List1), QStringList({"Zeta.ods", "Alpha.ods"}));
    EXPECT_EQ(settings->List1->currentText(), QStringLiteral("Alpha.ods"));
    EXPECT_FALSE(settings->isList1Locked());
    EXPECT_TRUE(settings->isVisible());

    // Locking the other one through the chooser; the next press shows it as the text.
    settings->List1->setCurrentIndex(0);
    settings->決定ボタン();
    ASSERT_EQ(form->Text1->text(), QStringLiteral("Zeta.ods"));
    form->Command1_Click();
    EXPECT_EQ(form->form2()->List1->currentText(), QStringLiteral("Zeta.ods"));
    EXPECT_EQ(items(form->form2()->List1), QStringList({"Zeta.ods", "Alpha.ods"}));
}

TEST_F(WorkbookListScenario, WithNoWorkbookOpenTheListIsEmptyUnlockedAndKeepsTheLock) {
    office().createWorkbook(QStringLiteral("Book1.ods"));
    start();
    ASSERT_EQ(form->Text1->text(), QStringLiteral("Book1.ods"));
    admin().closeAllWorkbooks();

    form->Command1_Click();
    Form2* settings = form->form2();
    EXPECT_EQ(settings->List1->count(), 0);
    EXPECT_EQ(settings->List1->currentText(), QStringLiteral("Book1.ods"));
    EXPECT_FALSE(settings->isList1Locked());
    EXPECT_TRUE(settings->isVisible());
}

} // namespace
} // namespace velmora::testing
