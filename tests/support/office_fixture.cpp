#include "office_fixture.h"

#include "calc_objects.h"
#include "uno_session.h"

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>

#include <signal.h>
#include <unistd.h>

namespace velmora::testing {

using calc::Reference;
using calc::toOU;
using calc::toQ;
using css::uno::Any;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace {

// "pid (comm) S ppid ...": the command, the state letter and the parent.
struct Stat {
    QByteArray command;
    char state = 0;
    qint64 parent = 0;
};

Stat statOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray text = file.readAll();
    const auto open = text.indexOf('('), close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (open < 0 || close < open || fields.size() < 2) {
        return {};
    }
    return {text.mid(open + 1, close - open - 1), fields[0].at(0), fields[1].toLongLong()};
}

} // namespace

// The test's own UNO connection to the office, beside the link under test.
struct OfficeProcess::Uno {
    QString pipe;
    std::shared_ptr<calc::Session> session;

    calc::Session& live() {
        if (!session || session->broken()) {
            auto state = std::make_shared<calc::LinkState>();
            state->timeoutMs = 60000;
            session = calc::Session::connect(state, pipe);
        }
        return *session;
    }
    template <class F> auto call(F&& f) { return live().call("prepare or read the office", f); }
    Reference<css::frame::XModel> model(const QString& book) {
        if (book.isEmpty()) {
            return calc::activeModel(*session);
        }
        for (const auto& m : session->spreadsheetDocuments()) {
            if (calc::Session::documentName(m) == book) {
                return m;
            }
        }
        throw SpreadsheetError(QStringLiteral("No workbook ") + book);
    }
    Reference<css::sheet::XSpreadsheet> sheet(const QString& book = {}) {
        return calc::activeSheetOf(model(book));
    }
    Reference<css::table::XCellRange> cells(const QString& address, const QString& book = {}) {
        return sheet(book)->getCellRangeByName(toOU(address));
    }
    Reference<css::container::XIndexAccess> page(const QString& book = {}) {
        return {
            Reference<css::drawing::XDrawPageSupplier>(sheet(book), UNO_QUERY_THROW)->getDrawPage(),
            UNO_QUERY_THROW};
    }
    Reference<css::view::XSelectionSupplier> view(const QString& book = {}) {
        return {model(book)->getCurrentController(), UNO_QUERY_THROW};
    }
    Reference<css::document::XUndoManager> undo(const QString& book) {
        return Reference<css::document::XUndoManagerSupplier>(model(book), UNO_QUERY_THROW)
            ->getUndoManager();
    }
    // Of a column or a row.
    template <class Axis>
    void setSize(const Reference<Axis>& all, int index, const char* name, double points) {
        Reference<css::beans::XPropertySet>(all->getByIndex(index - 1), UNO_QUERY_THROW)
            ->setPropertyValue(OUString::createFromAscii(name), Any(calc::pointsToHmm(points)));
    }
};

QString OfficeProcess::unusedPipeName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("velmora-test-%1-%2-%3")
        .arg(getpid())
        .arg(++counter)
        .arg(QDateTime::currentMSecsSinceEpoch() % 100000);
}

OfficeProcess::OfficeProcess(const QString& pipeName, Display display)
    : pipeName_(pipeName.isEmpty() ? unusedPipeName() : pipeName) {
    QStringList arguments = {
        QStringLiteral("--norestore"), QStringLiteral("--nologo"), QStringLiteral("--nodefault"),
        QStringLiteral("-env:UserInstallation=") + profileUrl(),
        QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipeName_)};
    if (display == Display::Headless) {
        arguments << QStringLiteral("--headless") << QStringLiteral("--invisible");
    }
    launcher_.setProgram(QStringLiteral("/usr/lib/libreoffice/program/soffice"));
    launcher_.setArguments(arguments);
    launcher_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    launcher_.setStandardOutputFile(QProcess::nullDevice());
    // A group of its own, so that a launcher that never reached the pipe ends with all it
    // started.
    launcher_.setChildProcessModifier([] { ::setpgid(0, 0); });
    launcher_.start();
    if (!profile_.isValid() || !work_.isValid() || !launcher_.waitForStarted(10000)) {
        throw std::runtime_error("the office did not start");
    }
    launcherPid_ = launcher_.processId();
    uno_ = std::make_unique<Uno>();
    uno_->pipe = pipeName_;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        try {
            // A fresh profile makes the first soffice.bin restart itself: the one that answers
            // is the one to signal.
            officePid_ = uno_->live().officePid();
            break;
        } catch (const SpreadsheetError&) {
            if (clock.elapsed() > 60000 || launcher_.state() == QProcess::NotRunning) {
                stop();
                throw std::runtime_error("the office did not open its pipe");
            }
            QThread::msleep(100);
        }
    }
    if (!isOurs()) {
        stop();
        throw std::runtime_error("another office answers on the pipe " + pipeName_.toStdString());
    }
}

OfficeProcess::~OfficeProcess() {
    stop();
}

QString OfficeProcess::profileUrl() const {
    return QUrl::fromLocalFile(profile_.path()).toString(QUrl::FullyEncoded);
}

std::unique_ptr<ExcelLink> OfficeProcess::makeLink(CalcLinkOptions options) const {
    options.pipeName = pipeName_;
    options.handOff = false;
    return makeCalcLink(options);
}

ExcelLink& OfficeProcess::link() {
    if (!link_) {
        link_ = makeLink();
    }
    return *link_;
}

// Signals go only to the soffice.bin our launcher started, never to a process that took over
// its PID.
bool OfficeProcess::isOurs() const {
    const Stat stat = statOf(QStringLiteral("/proc/%1/stat").arg(officePid_));
    return officePid_ > 0 && stat.command == "soffice.bin" && stat.parent == launcherPid_;
}

void OfficeProcess::suspend() {
    if (!isOurs()) {
        throw std::runtime_error("the office is not running");
    }
    ::kill(static_cast<pid_t>(officePid_), SIGSTOP);
    // A stop takes hold thread by thread; on a busy machine a call sent right after kill(2)
    // could still be answered.
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(officePid_));
    const auto allStopped = [&] {
        const QStringList ids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return std::all_of(ids.begin(), ids.end(), [&](const QString& id) {
            const char state = statOf(tasks.filePath(id + QStringLiteral("/stat"))).state;
            return state == 'T' || state == 0; // 0: the thread ended
        });
    };
    QElapsedTimer clock;
    clock.start();
    while (!allStopped()) {
        if (clock.elapsed() > 10000) {
            throw std::runtime_error("the office did not stop");
        }
        QThread::msleep(1);
    }
}

void OfficeProcess::resume() {
    if (isOurs()) {
        ::kill(static_cast<pid_t>(officePid_), SIGCONT);
    }
}

void OfficeProcess::kill() {
    if (isOurs()) {
        ::kill(static_cast<pid_t>(officePid_), SIGKILL);
    }
}

bool OfficeProcess::running() const {
    // A killed office stays a zombie until the launcher reaps it.
    return isOurs() && statOf(QStringLiteral("/proc/%1/stat").arg(officePid_)).state != 'Z';
}

void OfficeProcess::stop() {
    const bool ours = isOurs();
    if (ours) {
        ::kill(static_cast<pid_t>(officePid_), SIGCONT);
        ::kill(static_cast<pid_t>(officePid_), SIGKILL);
    } else if (launcherPid_ > 0 && launcher_.state() != QProcess::NotRunning) {
        // Still our unreaped child, so the group is nobody else's.
        ::kill(static_cast<pid_t>(-launcherPid_), SIGKILL);
    }
    if (!launcher_.waitForFinished(10000)) {
        launcher_.kill();
        launcher_.waitForFinished(5000);
    }
    // Our connection goes once it has seen the office gone: dropping the last reference to a
    // bridge while the office still answered, or while the bridge was ending, crashed UNO now
    // and then.
    QElapsedTimer clock;
    clock.start();
    while (uno_ && uno_->session && !uno_->session->broken() && clock.elapsed() < 5000) {
        QThread::msleep(10);
    }
    QThread::msleep(200);
    link_.reset();
    uno_.reset();
    if (ours) {
        // The stale socket of our killed office.
        QFile::remove(QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(getuid()).arg(pipeName_));
    }
    officePid_ = 0;
}

void OfficeProcess::addWorkbook(const QString& name) {
    uno_->call([&] {
        auto component =
            Reference<css::frame::XComponentLoader>(uno_->session->desktop(), UNO_QUERY_THROW)
                ->loadComponentFromURL("private:factory/scalc", "_blank", 0, {});
        css::beans::PropertyValue filter;
        filter.Name = "FilterName";
        filter.Value <<= OUString("calc8");
        Reference<css::frame::XStorable>(component, UNO_QUERY_THROW)
            ->storeAsURL(toOU(QUrl::fromLocalFile(QDir(workDir()).filePath(name))
                                  .toString(QUrl::FullyEncoded)),
                         css::uno::Sequence<css::beans::PropertyValue>(&filter, 1));
    });
}

void OfficeProcess::closeAllWorkbooks() {
    uno_->call([&] {
        for (const auto& model : uno_->session->spreadsheetDocuments()) {
            Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        }
    });
}

void OfficeProcess::setColumnWidth(int column, double points) {
    uno_->call([&] {
        uno_->setSize(
            Reference<css::table::XColumnRowRange>(uno_->sheet(), UNO_QUERY_THROW)->getColumns(),
            column, "Width", points);
    });
}

void OfficeProcess::setRowHeight(int row, double points) {
    uno_->call([&] {
        uno_->setSize(
            Reference<css::table::XColumnRowRange>(uno_->sheet(), UNO_QUERY_THROW)->getRows(), row,
            "Height", points);
    });
}

void OfficeProcess::merge(const QString& address) {
    uno_->call([&] {
        Reference<css::util::XMergeable>(uno_->cells(address), UNO_QUERY_THROW)->merge(true);
    });
}

void OfficeProcess::addRectangle(const QString& name, double left, double top, double width,
                                 double height) {
    uno_->call([&] {
        Reference<css::drawing::XShape> shape(
            Reference<css::lang::XMultiServiceFactory>(uno_->model({}), UNO_QUERY_THROW)
                ->createInstance("com.sun.star.drawing.RectangleShape"),
            UNO_QUERY_THROW);
        Reference<css::drawing::XShapes>(uno_->page(), UNO_QUERY_THROW)->add(shape);
        shape->setSize({calc::pointsToHmm(width), calc::pointsToHmm(height)});
        shape->setPosition({calc::pointsToHmm(left), calc::pointsToHmm(top)});
        Reference<css::container::XNamed>(shape, UNO_QUERY_THROW)->setName(toOU(name));
    });
}

QStringList OfficeProcess::shapeNamesBackToFront() {
    QStringList names;
    for (const CalcShapeInfo& shape : shapes()) {
        names << shape.name;
    }
    return names;
}

void OfficeProcess::select(const QString& address, const QString& cursorCell) {
    uno_->call([&] {
        if (cursorCell.isEmpty()) {
            uno_->view()->select(Any(uno_->cells(address)));
            return;
        }
        // Two ranges, the cursor cell first: the view puts its cursor on the first range's
        // corner and marks their union, the range itself.
        Reference<css::sheet::XSheetCellRangeContainer> ranges(
            Reference<css::lang::XMultiServiceFactory>(uno_->model({}), UNO_QUERY_THROW)
                ->createInstance("com.sun.star.sheet.SheetCellRanges"),
            UNO_QUERY_THROW);
        for (const QString& part : {cursorCell, address}) {
            ranges->addRangeAddress(
                Reference<css::sheet::XCellRangeAddressable>(uno_->cells(part), UNO_QUERY_THROW)
                    ->getRangeAddress(),
                false);
        }
        uno_->view()->select(Any(ranges));
    });
}

void OfficeProcess::selectShape(const QString& name) {
    uno_->call([&] {
        const auto page = uno_->page();
        for (sal_Int32 i = 0; i < page->getCount(); ++i) {
            Reference<css::container::XNamed> shape(page->getByIndex(i), UNO_QUERY_THROW);
            if (toQ(shape->getName()) == name) {
                uno_->view()->select(Any(shape));
            }
        }
    });
}

QList<CalcShapeInfo> OfficeProcess::shapes(const QString& book) {
    return uno_->call([&] {
        std::vector<std::pair<sal_Int32, CalcShapeInfo>> found;
        const auto page = uno_->page(book);
        for (sal_Int32 i = 0; i < page->getCount(); ++i) {
            Reference<css::drawing::XShape> shape(page->getByIndex(i), UNO_QUERY_THROW);
            Reference<css::beans::XPropertySet> props(shape, UNO_QUERY_THROW);
            CalcShapeInfo info{
                toQ(Reference<css::container::XNamed>(shape, UNO_QUERY_THROW)->getName()),
                bool(Reference<css::lang::XServiceInfo>(shape, UNO_QUERY_THROW)
                         ->supportsService("com.sun.star.drawing.GraphicObjectShape")),
                calc::hmmToPoints(shape->getPosition().X),
                calc::hmmToPoints(shape->getPosition().Y),
                calc::hmmToPoints(shape->getSize().Width),
                calc::hmmToPoints(shape->getSize().Height),
                {}};
            Reference<css::sheet::XCellRangeAddressable> anchor(props->getPropertyValue("Anchor"),
                                                                UNO_QUERY);
            if (anchor.is()) {
                const auto a = anchor->getRangeAddress();
                info.anchorCell = calc::cellAddress(a.StartColumn, a.StartRow);
            }
            sal_Int32 z = 0;
            props->getPropertyValue("ZOrder") >>= z;
            found.emplace_back(z, info);
        }
        std::stable_sort(found.begin(), found.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QList<CalcShapeInfo> result;
        for (const auto& [z, info] : found) {
            result << info;
        }
        return result;
    });
}

QStringList OfficeProcess::sheetNames(const QString& book) {
    return uno_->call([&] {
        QStringList names;
        for (const auto& name :
             Reference<css::sheet::XSpreadsheetDocument>(uno_->model(book), UNO_QUERY_THROW)
                 ->getSheets()
                 ->getElementNames()) {
            names << toQ(name);
        }
        return names;
    });
}

QStringList OfficeProcess::selectedShapeNames() {
    return uno_->call([&] {
        const Any selected = uno_->view()->getSelection();
        QStringList names;
        const auto add = [&](const Any& item) {
            Reference<css::drawing::XShape> shape(item, UNO_QUERY);
            if (shape.is()) {
                names << toQ(Reference<css::container::XNamed>(shape, UNO_QUERY_THROW)->getName());
            }
        };
        Reference<css::drawing::XShapes> shapes(selected, UNO_QUERY);
        for (sal_Int32 i = 0; shapes.is() && i < shapes->getCount(); ++i) {
            add(shapes->getByIndex(i));
        }
        add(selected);
        return names;
    });
}

void OfficeProcess::setCellText(const QString& book, const QString& address, const QString& text) {
    uno_->call(
        [&] { uno_->cells(address, book)->getCellByPosition(0, 0)->setFormula(toOU(text)); });
}

QString OfficeProcess::cellText(const QString& book, const QString& address) {
    return uno_->call(
        [&] { return toQ(uno_->cells(address, book)->getCellByPosition(0, 0)->getFormula()); });
}

bool OfficeProcess::locked(const QString& book) {
    return uno_->call([&] { return bool(uno_->model(book)->hasControllersLocked()); });
}

void OfficeProcess::undo(const QString& book) {
    uno_->call([&] { uno_->undo(book)->undo(); });
}

bool OfficeProcess::inUndoContext(const QString& book) {
    return uno_->call([&] {
        // Undo is impossible inside a context, which is itself the newest undo action.
        const auto manager = uno_->undo(book);
        return !manager->isUndoPossible() && manager->getAllUndoActionTitles().hasElements();
    });
}

void OfficeProcess::beginWork(const QString& book, const QString& undoTitle) {
    uno_->call([&] {
        uno_->model(book)->lockControllers();
        if (!undoTitle.isEmpty()) {
            uno_->undo(book)->enterUndoContext(toOU(undoTitle));
        }
    });
}

void OfficeProcess::endWork(const QString& book, bool undoContext) {
    uno_->call([&] {
        if (undoContext) {
            uno_->undo(book)->leaveUndoContext();
        }
        uno_->model(book)->unlockControllers();
    });
}

void OfficeProcess::disconnect() {
    uno_->session.reset();
}

bool OfficeProcess::answers(const QString& pipeName) {
    try {
        calc::Session::connect(std::make_shared<calc::LinkState>(), pipeName);
        return true;
    } catch (const SpreadsheetError&) {
        return false;
    }
}

OfficeProcess& sharedOffice() {
    static std::unique_ptr<OfficeProcess> office;
    if (!office) {
        office = std::make_unique<OfficeProcess>();
        // Stopped before static destruction tears down Qt.
        std::atexit([] { office.reset(); });
    }
    return *office;
}

} // namespace velmora::testing
