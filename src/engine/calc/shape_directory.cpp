#include "shape_directory.h"

#include "calc_link.h"

#include <com/sun/star/container/XNamed.hpp>

#include <algorithm>
#include <utility>

namespace velmora::calc {

namespace {

// Pages remembered at most; the oldest goes first.
constexpr std::size_t kPagesKept = 16;

QString nameOf(const css::uno::Reference<css::drawing::XShape>& shape) {
    css::uno::Reference<css::container::XNamed> named(shape, css::uno::UNO_QUERY_THROW);
    const rtl::OUString name = named->getName();
    return QString(reinterpret_cast<const QChar*>(name.getStr()), name.getLength());
}

} // namespace

bool ShapeDirectory::Page::has(const QString& name) const {
    return std::any_of(shapes.begin(), shapes.end(),
                       [&](const Known& known) { return known.name == name; });
}

sal_Int32 ShapeDirectory::count(const css::uno::Reference<css::drawing::XDrawPage>& page) {
    const sal_Int32 count = of(page).count;
    counted_ = {page.get(), unoMessagesSent()};
    return count;
}

ShapeDirectory::Page& ShapeDirectory::of(const css::uno::Reference<css::drawing::XDrawPage>& page) {
    auto entry = std::find_if(pages_.begin(), pages_.end(),
                              [&](const Page& p) { return p.page.get() == page.get(); });
    const auto counted = std::exchange(counted_, {});
    const bool justCounted = counted.page == page.get() && counted.messages == unoMessagesSent();
    if (entry != pages_.end() && justCounted) {
        return *entry;
    }
    const sal_Int32 count = page->getCount();
    if (entry != pages_.end() && entry->count == count) {
        return *entry;
    }
    if (entry == pages_.end()) {
        if (pages_.size() >= kPagesKept) {
            pages_.erase(pages_.begin());
        }
        pages_.push_back({page, -1, {}});
        entry = pages_.end() - 1;
    }
    entry->shapes.clear();
    for (sal_Int32 i = 0; i < count; ++i) {
        css::uno::Reference<css::drawing::XShape> shape(page->getByIndex(i), css::uno::UNO_QUERY);
        entry->shapes.push_back({shape, shape.is() ? nameOf(shape) : QString()});
    }
    entry->count = count;
    return *entry;
}

void ShapeDirectory::renamed(const css::uno::Reference<css::drawing::XShape>& shape,
                             const QString& name) {
    for (Page& page : pages_) {
        for (Known& known : page.shapes) {
            if (known.shape.get() == shape.get()) {
                known.name = name;
            }
        }
    }
}

void ShapeDirectory::sentToBack(const css::uno::Reference<css::drawing::XShape>& shape) {
    for (Page& page : pages_) {
        const auto found =
            std::find_if(page.shapes.begin(), page.shapes.end(),
                         [&](const Known& k) { return k.shape.get() == shape.get(); });
        if (found != page.shapes.end()) {
            std::rotate(page.shapes.begin(), found, found + 1);
        }
    }
}

void ShapeDirectory::appended(const css::uno::Reference<css::drawing::XDrawPage>& page,
                              sal_Int32 before,
                              const css::uno::Reference<css::drawing::XShape>& shape,
                              const QString& name) {
    for (Page& entry : pages_) {
        if (entry.page.get() == page.get() && entry.count == before) {
            entry.shapes.push_back({shape, name});
            entry.count = before + 1;
        }
    }
}

} // namespace velmora::calc
