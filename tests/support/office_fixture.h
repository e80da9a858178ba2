#pragma once

// A private office for tests, benches and tools (own profile, own pipe, stopped by its PID),
// prepared and read back over a UNO connection of its own beside any link. Preparing and reading
// back act on the active sheet of the named (or the active) workbook.

#include "calc_link.h"
#include "test_photos.h"

#include <QImage>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <memory>

namespace velmora::testing {

struct ShapeInfo {
    QString name;
    double left = 0, top = 0, width = 0, height = 0;
    QString anchor; // the cell it moves with, "$B$3"
};

class OfficeProcess {
public:
    // Starts it and waits until its pipe answers (an empty name picks a unique one); throws
    // std::runtime_error, also when another office answers there. Not headless, it paints
    // windows on $DISPLAY as a user's office does.
    explicit OfficeProcess(const QString& pipeName = {}, bool headless = true);
    ~OfficeProcess();

    QString pipeName() const { return pipeName_; }
    QString profileUrl() const;
    // A link to this office's pipe alone, never handed off to another office.
    std::unique_ptr<ExcelLink> makeLink(CalcLinkOptions options = {}) const;
    // SIGSTOP (returning once every thread stopped) and SIGCONT; kill() as a crash would.
    void suspend();
    void resume();
    void kill() { signal(SIGKILL); }
    static QString unusedPipeName();

    ExcelLink& link() { return *link_; }
    // A new empty workbook of that name, unsaved, now the active one: one sheet, A1 active,
    // columns 48 pt wide and rows 13.5 pt high.
    void addWorkbook(const QString& name);
    void setRowHeight(int row, double points);
    // `count` empty rows before `row`: the cells from there on move down.
    void insertRows(int row, int count);
    void merge(const QString& address);
    // As the user clicks: `address` selected with the cell cursor on `cursor` (a drag started
    // there; by default its first cell), or the shape of that name.
    void select(const QString& address, const QString& cursor = {});
    void selectShape(const QString& name);
    void addRectangle(const QString& name, double left, double top);
    QList<ShapeInfo> shapes(const QString& book = {}); // back to front
    QStringList sheetNames(const QString& book = {});
    // The picture at `index` of the active sheet (back to front) exported as the office holds it.
    QImage picture(int index);
    QString selectedShape();
    // Whether the view of the workbook (by default the active one) shows its pictures, as the
    // user sets it in the view options.
    bool picturesShown(const QString& book = {});
    void showPictures(const QString& book, bool shown);
    QString workDir() const { return work_.path(); }

    void closeAllWorkbooks();
    // Saves the workbook (by default the active one) as `path` in the office's own format.
    void save(const QString& path, const QString& book = {});
    // Whether the workbook (by default the active one) has screen updating off.
    bool locked(const QString& book = {});
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

// The office every test of one program shares, started on first use, stopped at exit.
OfficeProcess& sharedOffice();
// The shared office with no workbook open and the idle wait settings.
OfficeProcess& freshWorld();

} // namespace velmora::testing
