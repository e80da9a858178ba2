#pragma once

// A private office for tests and benches (own profile, own pipe, stopped by its PID), prepared
// and read back directly over UNO beside any link: Calc's side of the contract suite's world.

#include "calc_link.h"
#include "spreadsheet_world.h"
#include "test_photos.h"

#include <QList>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace velmora::testing {

struct CalcShapeInfo {
    QString name;
    bool picture = false;
    double left = 0, top = 0, width = 0, height = 0;
    QString anchorCell; // "$B$3", empty when anchored to the page
};

class OfficeProcess : public SpreadsheetWorld {
public:
    // Headless draws into memory; Visible paints windows on $DISPLAY as a user's office does.
    enum class Display { Headless, Visible };
    // Starts it and waits until its pipe answers (an empty name picks a unique one); throws
    // std::runtime_error.
    explicit OfficeProcess(const QString& pipeName = {}, Display display = Display::Headless);
    ~OfficeProcess() override;
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    QString pipeName() const { return pipeName_; }
    QString profileUrl() const;
    // Where its workbooks and the tests' photos go.
    QString workDir() const { return work_.path(); }
    // A link to this office's pipe alone, never handed off to another office.
    std::unique_ptr<ExcelLink> makeLink(CalcLinkOptions options = {}) const;

    // SIGSTOP (returning once every thread stopped) and SIGCONT; kill() as a crash would.
    void suspend();
    void resume();
    void kill();
    bool running() const;
    static QString unusedPipeName();
    // Whether any office answers on the pipe.
    static bool answers(const QString& pipeName);

    ExcelLink& link() override { return *link_; }
    // Saved in workDir() under `name`.
    void addWorkbook(const QString& name) override;
    void closeAllWorkbooks() override;
    void setColumnWidth(int column, double points) override;
    void setRowHeight(int row, double points) override;
    void merge(const QString& address) override;
    void addRectangle(const QString& name, double left, double top, double width,
                      double height) override;
    QStringList shapeNamesBackToFront() override;

    // As the user clicks: selects `address` in the active workbook, with the cell cursor on
    // `cursorCell` (a drag started there), or the shape of that name.
    void select(const QString& address, const QString& cursorCell = {});
    void selectShape(const QString& name);
    // `book` names an open workbook; empty: the active one.
    QList<CalcShapeInfo> shapes(const QString& book = {}); // back to front
    QStringList sheetNames(const QString& book = {});
    QStringList selectedShapeNames();
    void setCellText(const QString& book, const QString& address, const QString& text);
    QString cellText(const QString& book, const QString& address);
    bool locked(const QString& book = {});
    void undo(const QString& book = {});
    bool inUndoContext(const QString& book);
    // Locks the workbook and, unless `undoTitle` is empty, opens an undo context: a killed
    // Velmora run leaves that with the title "Velmora", another program does it with its own.
    void beginWork(const QString& book, const QString& undoTitle);
    void endWork(const QString& book, bool undoContext);
    // Lets go of the UNO connection (the next use opens another), so that none of the program's
    // is kept alive from here.
    void disconnect();

private:
    bool isOurs() const;
    void signal(int number) const;
    void stop();

    struct Uno;
    QString pipeName_;
    std::unique_ptr<Uno> uno_;
    QTemporaryDir profile_, work_;
    QProcess launcher_;
    qint64 launcherPid_ = 0, officePid_ = 0;
    std::unique_ptr<ExcelLink> link_;
};

// The office every Calc test of one binary shares, started on first use, stopped at exit.
OfficeProcess& sharedOffice();

} // namespace velmora::testing
