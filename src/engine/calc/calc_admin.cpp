#include "calc_admin.h"

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
#include <com/sun/star/drawing/XShape.hpp>
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
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace velmora {

using calc::Reference;
using calc::toOU;
using calc::toQ;
using css::uno::Any;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

struct CalcAdmin::Impl {
    QString pipeName;
    int timeoutMs = 0;
    std::shared_ptr<calc::Session> session;

    calc::Session& live() {
        if (!session || session->broken()) {
            auto state = std::make_shared<calc::LinkState>();
            state->timeoutMs = timeoutMs;
            session = calc::Session::connect(state, pipeName);
        }
        return *session;
    }

    Reference<css::frame::XModel> model(const QString& workbook) {
        if (workbook.isEmpty()) {
            return calc::activeModel(*session);
        }
        for (const auto& m : session->spreadsheetDocuments()) {
            if (calc::Session::documentName(m) == workbook) {
                return m;
            }
        }
        throw SpreadsheetError(QStringLiteral("No workbook \"%1\"").arg(workbook));
    }
    Reference<css::sheet::XSpreadsheet> sheet(const QString& workbook) {
        return calc::activeSheetOf(model(workbook));
    }
    Reference<css::container::XIndexAccess> page(const QString& workbook) {
        Reference<css::drawing::XDrawPageSupplier> supplier(sheet(workbook), UNO_QUERY_THROW);
        return Reference<css::container::XIndexAccess>(supplier->getDrawPage(), UNO_QUERY_THROW);
    }
    Reference<css::document::XUndoManager> undoManager(const QString& workbook) {
        Reference<css::document::XUndoManagerSupplier> supplier(model(workbook), UNO_QUERY_THROW);
        return supplier->getUndoManager();
    }
};

CalcAdmin::CalcAdmin(const QString& pipeName, int timeoutMs) : impl_(std::make_unique<Impl>()) {
    impl_->pipeName = pipeName;
    impl_->timeoutMs = timeoutMs;
    auto state = std::make_shared<calc::LinkState>();
    state->timeoutMs = timeoutMs;
    impl_->session = calc::Session::connect(state, pipeName);
}

CalcAdmin::~CalcAdmin() = default;

void CalcAdmin::createWorkbook(const QString& path) {
    impl_->live().call("create a workbook", [&] {
        Reference<css::frame::XComponentLoader> loader(impl_->session->desktop(), UNO_QUERY_THROW);
        auto component = loader->loadComponentFromURL(OUString("private:factory/scalc"),
                                                      OUString("_blank"), 0, {});
        Reference<css::frame::XStorable> storable(component, UNO_QUERY_THROW);
        css::beans::PropertyValue filter;
        filter.Name = OUString("FilterName");
        filter.Value <<= OUString("calc8");
        storable->storeAsURL(toOU(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())
                                      .toString(QUrl::FullyEncoded)),
                             css::uno::Sequence<css::beans::PropertyValue>(&filter, 1));
    });
}

void CalcAdmin::closeAllWorkbooks() {
    for (const auto& m : impl_->live().spreadsheetDocuments()) {
        impl_->live().call("close a workbook", [&] {
            Reference<css::util::XCloseable>(m, UNO_QUERY_THROW)->close(true);
        });
    }
}

QStringList CalcAdmin::workbookNames() {
    QStringList names;
    for (const auto& m : impl_->live().spreadsheetDocuments()) {
        names << impl_->live().call("read a name", [&] { return calc::Session::documentName(m); });
    }
    return names;
}

void CalcAdmin::setColumnWidth(const QString& workbook, int column, double points) {
    impl_->live().call("set a column width", [&] {
        Reference<css::table::XColumnRowRange> range(impl_->sheet(workbook), UNO_QUERY_THROW);
        Reference<css::beans::XPropertySet> col(range->getColumns()->getByIndex(column - 1),
                                                UNO_QUERY_THROW);
        col->setPropertyValue(OUString("Width"), Any(calc::pointsToHmm(points)));
    });
}

void CalcAdmin::setRowHeight(const QString& workbook, int row, double points) {
    impl_->live().call("set a row height", [&] {
        Reference<css::table::XColumnRowRange> range(impl_->sheet(workbook), UNO_QUERY_THROW);
        Reference<css::beans::XPropertySet> r(range->getRows()->getByIndex(row - 1),
                                              UNO_QUERY_THROW);
        r->setPropertyValue(OUString("Height"), Any(calc::pointsToHmm(points)));
    });
}

void CalcAdmin::merge(const QString& workbook, const QString& address) {
    impl_->live().call("merge cells", [&] {
        Reference<css::util::XMergeable>(impl_->sheet(workbook)->getCellRangeByName(toOU(address)),
                                         UNO_QUERY_THROW)
            ->merge(true);
    });
}

void CalcAdmin::select(const QString& workbook, const QString& address) {
    impl_->live().call("select cells", [&] {
        auto m = impl_->model(workbook);
        Reference<css::view::XSelectionSupplier>(m->getCurrentController(), UNO_QUERY_THROW)
            ->select(Any(calc::activeSheetOf(m)->getCellRangeByName(toOU(address))));
    });
}

void CalcAdmin::selectWithCursor(const QString& workbook, const QString& address,
                                 const QString& cursorCell) {
    impl_->live().call("select cells", [&] {
        auto m = impl_->model(workbook);
        auto sheet = calc::activeSheetOf(m);
        // Two ranges, the cursor cell first: the view puts its cursor on the first range's
        // corner and marks their union, which is the range itself.
        Reference<css::sheet::XSheetCellRangeContainer> ranges(
            Reference<css::lang::XMultiServiceFactory>(m, UNO_QUERY_THROW)
                ->createInstance(OUString("com.sun.star.sheet.SheetCellRanges")),
            UNO_QUERY_THROW);
        for (const QString& part : {cursorCell, address}) {
            ranges->addRangeAddress(Reference<css::sheet::XCellRangeAddressable>(
                                        sheet->getCellRangeByName(toOU(part)), UNO_QUERY_THROW)
                                        ->getRangeAddress(),
                                    false);
        }
        Reference<css::view::XSelectionSupplier>(m->getCurrentController(), UNO_QUERY_THROW)
            ->select(Any(ranges));
    });
}

void CalcAdmin::selectShape(const QString& workbook, const QString& name) {
    impl_->live().call("select a shape", [&] {
        auto all = impl_->page(workbook);
        for (sal_Int32 i = 0; i < all->getCount(); ++i) {
            Reference<css::drawing::XShape> shape(all->getByIndex(i), UNO_QUERY_THROW);
            if (toQ(Reference<css::container::XNamed>(shape, UNO_QUERY_THROW)->getName()) == name) {
                Reference<css::view::XSelectionSupplier>(
                    impl_->model(workbook)->getCurrentController(), UNO_QUERY_THROW)
                    ->select(Any(shape));
                return;
            }
        }
        throw SpreadsheetError(QStringLiteral("No shape \"%1\"").arg(name));
    });
}

void CalcAdmin::setCellText(const QString& workbook, const QString& address, const QString& text) {
    impl_->live().call("edit a cell", [&] {
        Reference<css::table::XCell>(
            impl_->sheet(workbook)->getCellRangeByName(toOU(address))->getCellByPosition(0, 0),
            UNO_QUERY_THROW)
            ->setFormula(toOU(text));
    });
}

QString CalcAdmin::cellText(const QString& workbook, const QString& address) {
    return impl_->live().call("read a cell", [&] {
        return toQ(impl_->sheet(workbook)
                       ->getCellRangeByName(toOU(address))
                       ->getCellByPosition(0, 0)
                       ->getFormula());
    });
}

void CalcAdmin::addRectangle(const QString& workbook, const QString& name, double left, double top,
                             double width, double height) {
    impl_->live().call("add a rectangle", [&] {
        Reference<css::lang::XMultiServiceFactory> factory(impl_->model(workbook), UNO_QUERY_THROW);
        Reference<css::drawing::XShape> shape(
            factory->createInstance(OUString("com.sun.star.drawing.RectangleShape")),
            UNO_QUERY_THROW);
        Reference<css::drawing::XDrawPageSupplier> supplier(impl_->sheet(workbook),
                                                            UNO_QUERY_THROW);
        supplier->getDrawPage()->add(shape);
        shape->setSize(css::awt::Size(calc::pointsToHmm(width), calc::pointsToHmm(height)));
        shape->setPosition(css::awt::Point(calc::pointsToHmm(left), calc::pointsToHmm(top)));
        Reference<css::container::XNamed>(shape, UNO_QUERY_THROW)->setName(toOU(name));
    });
}

QList<CalcShapeInfo> CalcAdmin::shapes(const QString& workbook) {
    return impl_->live().call("read the shapes", [&] {
        std::vector<std::pair<sal_Int32, CalcShapeInfo>> found;
        auto page = impl_->page(workbook);
        for (sal_Int32 i = 0; i < page->getCount(); ++i) {
            Reference<css::drawing::XShape> shape(page->getByIndex(i), UNO_QUERY_THROW);
            Reference<css::beans::XPropertySet> props(shape, UNO_QUERY_THROW);
            CalcShapeInfo info;
            info.name = toQ(Reference<css::container::XNamed>(shape, UNO_QUERY_THROW)->getName());
            info.picture =
                Reference<css::lang::XServiceInfo>(shape, UNO_QUERY_THROW)
                    ->supportsService(OUString("com.sun.star.drawing.GraphicObjectShape"));
            info.left = calc::hmmToPoints(shape->getPosition().X);
            info.top = calc::hmmToPoints(shape->getPosition().Y);
            info.width = calc::hmmToPoints(shape->getSize().Width);
            info.height = calc::hmmToPoints(shape->getSize().Height);
            Reference<css::sheet::XCellRangeAddressable> anchor(
                props->getPropertyValue(OUString("Anchor")), UNO_QUERY);
            if (anchor.is()) {
                const auto a = anchor->getRangeAddress();
                info.anchorCell = calc::cellAddress(a.StartColumn, a.StartRow);
            }
            sal_Int32 z = 0;
            props->getPropertyValue(OUString("ZOrder")) >>= z;
            found.emplace_back(z, info);
        }
        std::stable_sort(found.begin(), found.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QList<CalcShapeInfo> result;
        for (auto& [z, info] : found) {
            result << info;
        }
        return result;
    });
}

QStringList CalcAdmin::sheetNames(const QString& workbook) {
    return impl_->live().call("read the sheet names", [&] {
        Reference<css::sheet::XSpreadsheetDocument> document(impl_->model(workbook),
                                                             UNO_QUERY_THROW);
        QStringList names;
        for (const auto& name : document->getSheets()->getElementNames()) {
            names << toQ(name);
        }
        return names;
    });
}

QStringList CalcAdmin::selectedShapeNames(const QString& workbook) {
    return impl_->live().call("read the selection", [&] {
        const Any selected = Reference<css::view::XSelectionSupplier>(
                                 impl_->model(workbook)->getCurrentController(), UNO_QUERY_THROW)
                                 ->getSelection();
        QStringList names;
        const auto add = [&](const Any& item) {
            Reference<css::drawing::XShape> shape(item, UNO_QUERY);
            if (shape.is()) {
                names << toQ(Reference<css::container::XNamed>(shape, UNO_QUERY_THROW)->getName());
            }
        };
        Reference<css::drawing::XShapes> shapes(selected, UNO_QUERY);
        if (shapes.is()) {
            for (sal_Int32 i = 0; i < shapes->getCount(); ++i) {
                add(shapes->getByIndex(i));
            }
        } else {
            add(selected);
        }
        return names;
    });
}

bool CalcAdmin::controllersLocked(const QString& workbook) {
    return impl_->live().call("read the lock",
                              [&] { return bool(impl_->model(workbook)->hasControllersLocked()); });
}

QStringList CalcAdmin::undoTitles(const QString& workbook) {
    return impl_->live().call("read the undo list", [&] {
        QStringList titles;
        for (const auto& title : impl_->undoManager(workbook)->getAllUndoActionTitles()) {
            titles << toQ(title);
        }
        return titles;
    });
}

void CalcAdmin::undo(const QString& workbook) {
    impl_->live().call("undo", [&] { impl_->undoManager(workbook)->undo(); });
}

void CalcAdmin::simulateAbandonedRun(const QString& workbook) {
    impl_->live().call("lock a workbook", [&] {
        impl_->model(workbook)->lockControllers();
        impl_->undoManager(workbook)->enterUndoContext(OUString("Velmora"));
    });
}

void CalcAdmin::beginForeignWork(const QString& workbook, const QString& undoContext) {
    impl_->live().call("lock a workbook", [&] {
        impl_->model(workbook)->lockControllers();
        if (!undoContext.isEmpty()) {
            impl_->undoManager(workbook)->enterUndoContext(toOU(undoContext));
        }
    });
}

void CalcAdmin::endForeignWork(const QString& workbook, bool undoContext) {
    impl_->live().call("unlock a workbook", [&] {
        if (undoContext) {
            impl_->undoManager(workbook)->leaveUndoContext();
        }
        impl_->model(workbook)->unlockControllers();
    });
}

bool CalcAdmin::inUndoContext(const QString& workbook) {
    return impl_->live().call("read the undo context", [&] {
        // Undo is impossible inside a context, which is itself the newest undo action.
        auto manager = impl_->undoManager(workbook);
        return !manager->isUndoPossible() && manager->getAllUndoActionTitles().hasElements();
    });
}

void CalcAdmin::disconnect() {
    impl_->session.reset();
}

qint64 CalcAdmin::officePid() {
    return impl_->live().officePid();
}

} // namespace velmora
