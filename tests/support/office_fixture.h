#pragma once

// A private office for tests and benches (own profile, own pipe, stopped by its PID), prepared
// and read back over a UNO connection of its own beside any link: Calc's test world.

#include "calc_link.h"
#include "spreadsheet_world.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace velmora::testing {

class OfficeProcess : public SpreadsheetWorld {
public:
    // Starts it and waits until its pipe answers (an empty name picks a unique one); throws
    // std::runtime_error, also when another office answers there. Not headless, it paints
    // windows on $DISPLAY as a user's office does.
    explicit OfficeProcess(const QString& pipeName = {}, bool headless = true);
    ~OfficeProcess() override;
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    QString pipeName() const { return pipeName_; }
    QString profileUrl() const;
    // A link to this office's pipe alone, never handed off to another office.
    std::unique_ptr<ExcelLink> makeLink(CalcLinkOptions options = {}) const;
    // SIGSTOP (returning once every thread stopped) and SIGCONT; kill() as a crash would.
    void suspend();
    void resume();
    void kill();
    static QString unusedPipeName();

    ExcelLink& link() override { return *link_; }
    // Saved in workDir() under `name`.
    void addWorkbook(const QString& name) override;
    void setRowHeight(int row, double points) override;
    void merge(const QString& address) override;
    void select(const QString& address, const QString& cursor = {}) override;
    void selectShape(const QString& name) override;
    void addRectangle(const QString& name, double left, double top) override;
    QList<ShapeInfo> shapes(const QString& book = {}) override;
    QStringList sheetNames(const QString& book = {}) override;
    QString selectedShape() override;
    bool screenUpdating() override;
    QString workDir() const { return work_.path(); }

    void closeAllWorkbooks();
    bool locked(const QString& book);
    void undo(const QString& book);
    // Undo is impossible inside an undo context, which is itself the newest undo action.
    bool inUndoContext(const QString& book);
    // Locks the workbook and, unless `undoTitle` is empty, opens an undo context: a killed
    // Velmora run leaves that with the title "Velmora", another program does it with its own.
    void beginWork(const QString& book, const QString& undoTitle);
    void endWork(const QString& book, bool undoContext);
    // Lets go of the UNO connection (the next use opens another), so that none of the
    // program's is kept alive from here.
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

// The office every Calc test of one program shares, started on first use, stopped at exit.
OfficeProcess& sharedOffice();

} // namespace velmora::testing
