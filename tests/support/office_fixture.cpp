#include "office_fixture.h"

#include "calc_objects.h"
#include "uno_session.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include <signal.h>
#include <unistd.h>

namespace velmora::testing {

using calc::Reference;
using calc::toOU;
using calc::toQ;
using css::uno::Any;
using rtl::OUString;

namespace {

// `object` as the UNO interface I.
template <class I, class T> Reference<I> as(const T& object) {
    return Reference<I>(object, css::uno::UNO_QUERY_THROW);
}

// "pid (comm) S ppid ...": the command, the state letter and the parent.
struct Stat {
    QByteArray command;
    char state = 0;
    qint64 parent = 0;
};

Stat statOf(const QString& path) {
    QFile file(path);
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const auto open = text.indexOf('('), close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (open < 0 || close < open || fields.size() < 2) {
        return {};
    }
    return {text.mid(open + 1, close - open - 1), fields[0].at(0), fields[1].toLongLong()};
}

} // namespace

// The tests' own UNO connection to the office, beside the link under test.
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
    // The workbook of that name, or the active one.
    Reference<css::frame::XModel> model(const QString& book = {}) {
        for (const auto& m : session->spreadsheetDocuments()) {
            if (calc::Session::documentName(m) == book) {
                return m;
            }
        }
        if (!book.isEmpty()) {
            throw SpreadsheetError(QStringLiteral("No workbook ") + book);
        }
        return calc::activeModel(*session);
    }
    Reference<css::sheet::XSpreadsheet> sheet(const QString& book = {}) {
        return calc::activeSheetOf(model(book));
    }
    Reference<css::table::XCellRange> cells(const QString& address) {
        return sheet()->getCellRangeByName(toOU(address));
    }
    Reference<css::container::XIndexAccess> page(const QString& book = {}) {
        return as<css::container::XIndexAccess>(
            as<css::drawing::XDrawPageSupplier>(sheet(book))->getDrawPage());
    }
    Reference<css::view::XSelectionSupplier> view() {
        return as<css::view::XSelectionSupplier>(model()->getCurrentController());
    }
    Reference<css::document::XUndoManager> undo(const QString& book) {
        return as<css::document::XUndoManagerSupplier>(model(book))->getUndoManager();
    }
    Reference<css::uno::XInterface> create(const char* service) {
        return as<css::lang::XMultiServiceFactory>(model())->createInstance(
            OUString::createFromAscii(service));
    }
};

QString OfficeProcess::unusedPipeName() {
    return QStringLiteral("velmora-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

OfficeProcess::OfficeProcess(const QString& pipeName, bool headless)
    : pipeName_(pipeName.isEmpty() ? unusedPipeName() : pipeName), uno_(std::make_unique<Uno>()) {
    uno_->pipe = pipeName_;
    QStringList arguments = {
        QStringLiteral("--norestore"), QStringLiteral("--nologo"), QStringLiteral("--nodefault"),
        QStringLiteral("-env:UserInstallation=") + profileUrl(),
        QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipeName_)};
    if (headless) {
        arguments << QStringLiteral("--headless") << QStringLiteral("--invisible");
    }
    // An office outlives a test program that crashes: it must not hold the test runner's output
    // open, or the runner waits for it as long as the office runs.
    launcher_.setStandardOutputFile(QProcess::nullDevice());
    launcher_.setStandardErrorFile(QProcess::nullDevice());
    // A group of its own, so that a launcher that never reached the pipe ends with all it
    // started.
    launcher_.setChildProcessModifier([] { ::setpgid(0, 0); });
    launcher_.start(QStringLiteral("/usr/lib/libreoffice/program/soffice"), arguments);
    if (!profile_.isValid() || !work_.isValid() || !launcher_.waitForStarted(10000)) {
        throw std::runtime_error("the office did not start");
    }
    launcherPid_ = launcher_.processId();
    // A fresh profile makes the first soffice.bin restart itself: the one that answers is the
    // one to signal.
    QElapsedTimer clock;
    clock.start();
    while (officePid_ == 0) {
        try {
            officePid_ = uno_->live().officePid();
        } catch (const SpreadsheetError&) {
            QThread::msleep(100);
        }
        if (officePid_ == 0 &&
            (clock.elapsed() > 60000 || launcher_.state() != QProcess::Running)) {
            stop();
            throw std::runtime_error("the office did not open its pipe");
        }
    }
    if (!isOurs()) {
        stop();
        throw std::runtime_error("another office answers on the pipe " + pipeName_.toStdString());
    }
    link_ = makeLink();
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

// Signals go only to the soffice.bin our launcher started, never to a process that took over
// its PID.
bool OfficeProcess::isOurs() const {
    const Stat stat = statOf(QStringLiteral("/proc/%1/stat").arg(officePid_));
    return officePid_ > 0 && stat.command == "soffice.bin" && stat.parent == launcherPid_;
}

void OfficeProcess::signal(int number) const {
    if (!isOurs()) {
        throw std::runtime_error("the office is not running");
    }
    ::kill(static_cast<pid_t>(officePid_), number);
}

void OfficeProcess::suspend() {
    signal(SIGSTOP);
    // A stop takes hold thread by thread; on a busy machine a call sent right after kill(2)
    // could still be answered.
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(officePid_));
    QElapsedTimer clock;
    clock.start();
    for (bool stopped = false; !stopped; QThread::msleep(1)) {
        const QStringList ids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        stopped = std::all_of(ids.begin(), ids.end(), [&](const QString& id) {
            const char state = statOf(tasks.filePath(id + QStringLiteral("/stat"))).state;
            return state == 'T' || state == 0; // 0: the thread ended
        });
        if (clock.elapsed() > 10000) {
            throw std::runtime_error("the office did not stop");
        }
    }
}

void OfficeProcess::resume() {
    if (isOurs()) {
        signal(SIGCONT);
    }
}

void OfficeProcess::stop() {
    const bool ours = isOurs();
    if (ours) {
        ::kill(static_cast<pid_t>(officePid_), SIGCONT);
        ::kill(static_cast<pid_t>(officePid_), SIGKILL);
    } else if (launcher_.state() != QProcess::NotRunning) {
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
    while (uno_->session && !uno_->session->broken() && clock.elapsed() < 5000) {
        QThread::msleep(10);
    }
    QThread::msleep(200);
    link_.reset();
    uno_->session.reset();
    if (ours) {
        // The stale socket of our killed office.
        QFile::remove(QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(getuid()).arg(pipeName_));
    }
    officePid_ = 0;
}

void OfficeProcess::addWorkbook(const QString& name) {
    uno_->call([&] {
        const auto component = as<css::frame::XComponentLoader>(uno_->session->desktop())
                                   ->loadComponentFromURL("private:factory/scalc", "_blank", 0, {});
        // Its title is its name while it has no file (saving it would take longer than the rest).
        as<css::frame::XTitle>(component)->setTitle(toOU(name));
        const auto grid = as<css::table::XColumnRowRange>(uno_->sheet());
        as<css::beans::XPropertySet>(grid->getColumns())
            ->setPropertyValue("Width", Any(calc::pointsToHmm(48)));
        as<css::beans::XPropertySet>(grid->getRows())
            ->setPropertyValue("Height", Any(calc::pointsToHmm(13.5)));
    });
}

void OfficeProcess::closeAllWorkbooks() {
    uno_->call([&] {
        for (const auto& model : uno_->session->spreadsheetDocuments()) {
            as<css::util::XCloseable>(model)->close(true);
        }
    });
}

void OfficeProcess::setRowHeight(int row, double points) {
    uno_->call([&] {
        as<css::beans::XPropertySet>(
            as<css::table::XColumnRowRange>(uno_->sheet())->getRows()->getByIndex(row - 1))
            ->setPropertyValue("Height", Any(calc::pointsToHmm(points)));
    });
}

void OfficeProcess::insertRows(int row, int count) {
    uno_->call([&] {
        as<css::table::XColumnRowRange>(uno_->sheet())->getRows()->insertByIndex(row - 1, count);
    });
}

void OfficeProcess::merge(const QString& address) {
    uno_->call([&] { as<css::util::XMergeable>(uno_->cells(address))->merge(true); });
}

void OfficeProcess::select(const QString& address, const QString& cursor) {
    uno_->call([&] {
        // Two ranges, the cursor cell first: the view puts its cursor on the first range's
        // corner and marks their union, the range itself.
        const auto ranges = as<css::sheet::XSheetCellRangeContainer>(
            uno_->create("com.sun.star.sheet.SheetCellRanges"));
        for (const QString& part : {cursor.isEmpty() ? address : cursor, address}) {
            ranges->addRangeAddress(
                as<css::sheet::XCellRangeAddressable>(uno_->cells(part))->getRangeAddress(), false);
        }
        uno_->view()->select(Any(ranges));
    });
}

void OfficeProcess::selectShape(const QString& name) {
    uno_->call([&] {
        const auto page = uno_->page();
        for (sal_Int32 i = 0; i < page->getCount(); ++i) {
            if (toQ(as<css::container::XNamed>(page->getByIndex(i))->getName()) == name) {
                uno_->view()->select(page->getByIndex(i));
            }
        }
    });
}

void OfficeProcess::addRectangle(const QString& name, double left, double top) {
    uno_->call([&] {
        const auto shape =
            as<css::drawing::XShape>(uno_->create("com.sun.star.drawing.RectangleShape"));
        as<css::drawing::XShapes>(uno_->page())->add(shape);
        shape->setSize({calc::pointsToHmm(40), calc::pointsToHmm(40)});
        shape->setPosition({calc::pointsToHmm(left), calc::pointsToHmm(top)});
        as<css::container::XNamed>(shape)->setName(toOU(name));
    });
}

QList<ShapeInfo> OfficeProcess::shapes(const QString& book) {
    return uno_->call([&] {
        QList<ShapeInfo> found; // the page's order is the stacking order
        const auto page = uno_->page(book);
        for (sal_Int32 i = 0; i < page->getCount(); ++i) {
            const auto shape = as<css::drawing::XShape>(page->getByIndex(i));
            const Reference<css::sheet::XCellRangeAddressable> anchor(
                as<css::beans::XPropertySet>(shape)->getPropertyValue("Anchor"),
                css::uno::UNO_QUERY);
            const auto corner =
                anchor.is() ? anchor->getRangeAddress() : css::table::CellRangeAddress();
            found.push_back(
                {toQ(as<css::container::XNamed>(shape)->getName()),
                 calc::hmmToPoints(shape->getPosition().X),
                 calc::hmmToPoints(shape->getPosition().Y),
                 calc::hmmToPoints(shape->getSize().Width),
                 calc::hmmToPoints(shape->getSize().Height),
                 anchor.is() ? calc::cellAddress(corner.StartColumn, corner.StartRow) : QString()});
        }
        return found;
    });
}

void OfficeProcess::save(const QString& path, const QString& book) {
    uno_->call([&] {
        as<css::frame::XStorable>(uno_->model(book))
            ->storeToURL(toOU(QUrl::fromLocalFile(path).toString()), {});
    });
}

QImage OfficeProcess::picture(int index) {
    const QString file =
        QDir(work_.path())
            .filePath(QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".png"));
    uno_->call([&] {
        const Reference<css::graphic::XGraphic> graphic(
            as<css::beans::XPropertySet>(uno_->page()->getByIndex(index))
                ->getPropertyValue("Graphic"),
            css::uno::UNO_QUERY_THROW);
        css::uno::Sequence<css::beans::PropertyValue> target(2);
        target.getArray()[0].Name = "URL";
        target.getArray()[0].Value <<= toOU(QUrl::fromLocalFile(file).toString());
        target.getArray()[1].Name = "MimeType";
        target.getArray()[1].Value <<= OUString("image/png");
        css::graphic::GraphicProvider::create(uno_->session->context())
            ->storeGraphic(graphic, target);
    });
    QImage image(file);
    QFile::remove(file);
    return image;
}

QStringList OfficeProcess::sheetNames(const QString& book) {
    return uno_->call([&] {
        QStringList names;
        for (const auto& name : as<css::sheet::XSpreadsheetDocument>(uno_->model(book))
                                    ->getSheets()
                                    ->getElementNames()) {
            names << toQ(name);
        }
        return names;
    });
}

QString OfficeProcess::selectedShape() {
    return uno_->call([&] {
        const Reference<css::drawing::XShapes> shapes(uno_->view()->getSelection(),
                                                      css::uno::UNO_QUERY);
        return shapes.is() && shapes->getCount() == 1
                   ? toQ(as<css::container::XNamed>(shapes->getByIndex(0))->getName())
                   : QString();
    });
}

bool OfficeProcess::picturesShown(const QString& book) {
    return uno_->call([&] {
        return as<css::beans::XPropertySet>(uno_->model(book)->getCurrentController())
                   ->getPropertyValue("ShowObjects") == Any(sal_Int16(0));
    });
}

void OfficeProcess::showPictures(const QString& book, bool shown) {
    uno_->call([&] {
        as<css::beans::XPropertySet>(uno_->model(book)->getCurrentController())
            ->setPropertyValue("ShowObjects", Any(sal_Int16(shown ? 0 : 1)));
    });
}

bool OfficeProcess::locked(const QString& book) {
    return uno_->call([&] { return bool(uno_->model(book)->hasControllersLocked()); });
}

void OfficeProcess::undo(const QString& book) {
    uno_->call([&] { uno_->undo(book)->undo(); });
}

bool OfficeProcess::inUndoContext(const QString& book) {
    return uno_->call([&] {
        return !uno_->undo(book)->isUndoPossible() &&
               uno_->undo(book)->getAllUndoActionTitles().hasElements();
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

OfficeProcess& sharedOffice() {
    static std::unique_ptr<OfficeProcess> office;
    if (!office) {
        office = std::make_unique<OfficeProcess>();
        // Stopped before static destruction tears down Qt.
        std::atexit([] { office.reset(); });
    }
    return *office;
}

OfficeProcess& freshWorld() {
    OfficeProcess& office = sharedOffice();
    office.closeAllWorkbooks();
    office.link().setWaitSettings(kIdleWaitSettings);
    return office;
}

} // namespace velmora::testing
