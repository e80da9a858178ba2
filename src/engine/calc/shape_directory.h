#pragma once

// Inside the Calc link: the shapes of draw pages and their names as last read, in each page's
// order. A page is trusted while it holds as many shapes as when it was read, and the link's
// own inserts, renames and moves to the back keep it up to date: looking a name up then costs
// no walk over the page.

#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XShape.hpp>

#include <QString>

#include <cstdint>
#include <vector>

namespace velmora::calc {

class ShapeDirectory {
public:
    struct Known {
        css::uno::Reference<css::drawing::XShape> shape;
        QString name;
    };
    struct Page {
        css::uno::Reference<css::drawing::XDrawPage> page;
        // -1: to be read again at the next look.
        sal_Int32 count = -1;
        std::vector<Known> shapes;

        bool has(const QString& name) const;
    };

    // The page's shapes; read again (calls to the office) when its count has changed.
    Page& of(const css::uno::Reference<css::drawing::XDrawPage>& page);
    // How many shapes the page holds, its shapes read as by `of`. The next look at the page
    // takes that count as it is when nothing went to the office in between: a picture's name
    // is looked up right after the pictures are counted.
    sal_Int32 count(const css::uno::Reference<css::drawing::XDrawPage>& page);
    void renamed(const css::uno::Reference<css::drawing::XShape>& shape, const QString& name);
    void sentToBack(const css::uno::Reference<css::drawing::XShape>& shape);
    // `shape` went in at the end of `page`, which held `before` shapes.
    void appended(const css::uno::Reference<css::drawing::XDrawPage>& page, sal_Int32 before,
                  const css::uno::Reference<css::drawing::XShape>& shape, const QString& name);
    void clear() {
        pages_.clear();
        counted_ = {};
    }

private:
    std::vector<Page> pages_;
    // The page last counted, and the messages sent to offices by then.
    struct Counted {
        const css::drawing::XDrawPage* page = nullptr;
        std::uint64_t messages = 0;
    } counted_;
};

} // namespace velmora::calc
