#include "calc_scenario.h"

#include "form2.h"
#include "test_photos.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>

#include <stdexcept>

namespace velmora::testing {

QString cellName(int column, int row) {
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26) {
        letters.prepend(QChar('A' + (c - 1) % 26));
    }
    return QStringLiteral("$%1$%2").arg(letters).arg(row);
}

SheetGrid::SheetGrid(QList<double> columnWidths, QList<double> rowHeights)
    : columns_(std::move(columnWidths)), rows_(std::move(rowHeights)) {}

void SheetGrid::applyTo(CalcAdmin& admin, const QString& workbook) const {
    for (int c = 0; c < columns_.size(); ++c) {
        admin.setColumnWidth(workbook, c + 1, columns_[c]);
    }
    for (int r = 0; r < rows_.size(); ++r) {
        admin.setRowHeight(workbook, r + 1, rows_[r]);
    }
}

namespace {

double sum(const QList<double>& sizes, int from, int count) {
    if (from < 1 || from - 1 + count > sizes.size()) {
        throw std::out_of_range("the grid does not reach that far");
    }
    double total = 0;
    for (int i = from - 1; i < from - 1 + count; ++i) {
        total += sizes[i];
    }
    return total;
}

int indexAt(const QList<double>& sizes, double position) {
    double edge = 0;
    for (int i = 0; i < sizes.size(); ++i) {
        edge += sizes[i];
        if (position < edge) {
            return i + 1;
        }
    }
    throw std::out_of_range("the point lies beyond the grid");
}

} // namespace

double SheetGrid::left(int column) const {
    return sum(columns_, 1, column - 1);
}
double SheetGrid::top(int row) const {
    return sum(rows_, 1, row - 1);
}
double SheetGrid::width(int column, int columns) const {
    return sum(columns_, column, columns);
}
double SheetGrid::height(int row, int rows) const {
    return sum(rows_, row, rows);
}
QString SheetGrid::cellAt(double x, double y) const {
    return cellName(indexAt(columns_, x), indexAt(rows_, y));
}

void CalcScenario::SetUp() {
    admin().closeAllWorkbooks();
    link = office().makeLink();
}

void CalcScenario::TearDown() {
    // A test that stopped the office and failed before resuming it.
    office().resume();
    if (form) {
        form->close();
        form.reset();
    }
    link.reset();
    admin().closeAllWorkbooks();
}

void CalcScenario::save(std::initializer_list<std::pair<const char*, const char*>> settings) {
    for (const auto& [key, value] : settings) {
        ASSERT_TRUE(store.SaveSetting(QString::fromLatin1(key), QString::fromUtf8(value)));
    }
}

Form1& CalcScenario::start() {
    form = std::make_unique<Form1>(*link, store, ui, nullptr);
    EXPECT_TRUE(form->Form_Load());
    return *form;
}

void CalcScenario::commitSettings(const std::function<void(Form2&)>& edit) {
    Form2& settings = *form->form2();
    edit(settings);
    settings.決定ボタン();
}

QString CalcScenario::photo(const QString& name, int widthPx, int heightPx) {
    return writeJpeg(QDir(office().workDir()).filePath(name), widthPx, heightPx);
}

void CalcScenario::expectPicture(const CalcShapeInfo& shape, const QString& name,
                                 const Placement& expected, const QString& anchorCell) {
    SCOPED_TRACE(name.toStdString());
    EXPECT_TRUE(shape.picture);
    EXPECT_EQ(shape.name, name);
    EXPECT_NEAR(shape.left, expected.left, kCalcTolerance);
    EXPECT_NEAR(shape.top, expected.top, kCalcTolerance);
    EXPECT_NEAR(shape.width, expected.width, kCalcTolerance);
    EXPECT_NEAR(shape.height, expected.height, kCalcTolerance);
    EXPECT_EQ(shape.anchorCell, anchorCell);
}

} // namespace velmora::testing
