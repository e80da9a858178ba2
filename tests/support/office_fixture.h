#pragma once

// A private office for tests and benches: own profile, own pipe, stopped by its PID. Also the
// Calc side of the shared spreadsheet test world.

#include "calc_admin.h"
#include "calc_link.h"
#include "spreadsheet.h"
#include "spreadsheet_world.h"
#include "test_photos.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace velmora::testing {

class OfficeProcess {
public:
    // Headless draws into memory with its own backend; Visible opens windows on $DISPLAY and
    // paints as a user's office does.
    enum class Display { Headless, Visible };

    // Starts the office and waits until its pipe answers; throws std::runtime_error.
    // An empty pipe name picks a unique one.
    explicit OfficeProcess(const QString& pipeName = QString(),
                           Display display = Display::Headless);
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    QString pipeName() const { return pipeName_; }
    QString profileUrl() const;
    // A directory for the workbooks and photos of this office's tests.
    QString workDir() const { return work_.path(); }
    qint64 pid() const { return officePid_; }

    // Direct access to the office, beside any link.
    CalcAdmin& admin();
    // A link attached to this office's pipe, without hand-off to other offices.
    std::unique_ptr<ExcelLink> makeLink(CalcLinkOptions options = {}) const;

    // A new workbook saved as workDir()/name, active, with A1 selected.
    void createWorkbook(const QString& name);

    // SIGSTOP and SIGCONT to the office process; suspend throws when it is not running.
    void suspend();
    void resume();
    // Ends the office at once, as a crash would; may be called from another thread.
    void kill();
    bool running() const;

    static QString unusedPipeName();

private:
    void stop();
    bool isOurOffice() const;
    void signal(int number);

    QString pipeName_;
    QTemporaryDir profile_;
    QTemporaryDir work_;
    QProcess launcher_;
    qint64 launcherPid_ = 0;
    qint64 officePid_ = 0;
    bool ownsPipe_ = false;
    std::unique_ptr<CalcAdmin> admin_;
};

// Benches: a visible office when VELMORA_BENCH_OFFICE is "visible" (run under a display, such
// as xvfb-run), else a headless one.
OfficeProcess::Display benchOfficeDisplay();
// "headless" or "visible", for the bench's heading.
const char* displayName(OfficeProcess::Display display);

// The office every Calc test of one binary shares, started on first use, stopped at exit.
OfficeProcess& sharedOffice();

class CalcWorld : public SpreadsheetWorld {
public:
    explicit CalcWorld(OfficeProcess& office);
    ~CalcWorld() override;

    ExcelLink& link() override { return *link_; }
    void addWorkbook(const QString& name) override;
    void closeAllWorkbooks() override;
    void setColumnWidth(int column, double points) override;
    void setRowHeight(int row, double points) override;
    void merge(const QString& address) override;
    void addRectangle(const QString& name, double left, double top, double width,
                      double height) override;
    QStringList shapeNamesBackToFront() override;

    OfficeProcess& office() { return office_; }

private:
    OfficeProcess& office_;
    std::unique_ptr<ExcelLink> link_;
};

} // namespace velmora::testing
