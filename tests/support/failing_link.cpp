#include "failing_link.h"

namespace velmora::testing {

namespace {

// One object handed out; `in` is the object it wraps, once the call went through.
template <class Object> class Wrapped : public Object {
public:
    Wrapped(FailingLink& link, std::shared_ptr<Object> inner)
        : link_(link), inner_(std::move(inner)) {}

protected:
    Object& in(const char* method) const {
        link_.enter(method);
        return *inner_;
    }
    FailingLink& link_;
    std::shared_ptr<Object> inner_;
};

class WrappedRange : public Wrapped<Range> {
public:
    using Wrapped::Wrapped;
    QString address() override { return in(__func__).address(); }
    int row() override { return in(__func__).row(); }
    int column() override { return in(__func__).column(); }
    int mergeAreaRows() override { return in(__func__).mergeAreaRows(); }
    int mergeAreaColumns() override { return in(__func__).mergeAreaColumns(); }
    double left() override { return in(__func__).left(); }
    double top() override { return in(__func__).top(); }
    double width() override { return in(__func__).width(); }
    double height() override { return in(__func__).height(); }
    void select() override { in(__func__).select(); }
};

class WrappedShape : public Wrapped<Shape> {
public:
    using Wrapped::Wrapped;
    QString name() override { return in(__func__).name(); }
    void setName(const QString& name) override { in(__func__).setName(name); }
    void select() override { in(__func__).select(); }
    void scaleHeight(float f, bool original) override { in(__func__).scaleHeight(f, original); }
    void scaleWidth(float f, bool original) override { in(__func__).scaleWidth(f, original); }
    bool lockAspectRatio() override { return in(__func__).lockAspectRatio(); }
    void setLockAspectRatio(bool on) override { in(__func__).setLockAspectRatio(on); }
    double width() override { return in(__func__).width(); }
    void setWidth(double points) override { in(__func__).setWidth(points); }
    double height() override { return in(__func__).height(); }
    void setHeight(double points) override { in(__func__).setHeight(points); }
    double left() override { return in(__func__).left(); }
    void setLeft(double points) override { in(__func__).setLeft(points); }
    double top() override { return in(__func__).top(); }
    void setTop(double points) override { in(__func__).setTop(points); }
    void incrementLeft(double points) override { in(__func__).incrementLeft(points); }
    void incrementTop(double points) override { in(__func__).incrementTop(points); }
    void sendToBack() override { in(__func__).sendToBack(); }
};

class WrappedWorksheet : public Wrapped<Worksheet> {
public:
    using Wrapped::Wrapped;
    void activate() override { in(__func__).activate(); }
    QString name() override { return in(__func__).name(); }
    void setName(const QString& name) override { in(__func__).setName(name); }
    RangePtr range(const QString& a) override { return link_.wrap(in(__func__).range(a)); }
    int shapeCount() override { return in(__func__).shapeCount(); }
    ShapePtr addPicture(const QString& file, bool linked, bool saved, double left, double top,
                        double width, double height) override {
        const QPointF at = QPointF(left, top) + (link_.zoom != 100 ? link_.drift : QPointF());
        return link_.wrap(
            in(__func__).addPicture(file, linked, saved, at.x(), at.y(), width, height));
    }
    ShapePtr evaluate(const QString& n) override { return link_.wrap(in(__func__).evaluate(n)); }
};

class WrappedWorkbook : public Wrapped<Workbook> {
public:
    using Wrapped::Wrapped;
    QString name() override { return in(__func__).name(); }
    WorksheetPtr activeSheet() override { return link_.wrap(in(__func__).activeSheet()); }
    int worksheetCount() override { return in(__func__).worksheetCount(); }
    WorksheetPtr worksheet(int i) override { return link_.wrap(in(__func__).worksheet(i)); }
    WorksheetPtr addWorksheet() override { return link_.wrap(in(__func__).addWorksheet()); }
};

class WrappedApplication : public Wrapped<Application> {
public:
    using Wrapped::Wrapped;
    RangePtr activeCell() override { return link_.wrap(in(__func__).activeCell()); }
    int workbookCount() override { return in(__func__).workbookCount(); }
    WorkbookPtr workbook(int i) override { return link_.wrap(in(__func__).workbook(i)); }
    WorkbookPtr workbook(const QString& n) override { return link_.wrap(in(__func__).workbook(n)); }
    WorkbookPtr activeWorkbook() override { return link_.wrap(in(__func__).activeWorkbook()); }
    void setScreenUpdating(bool on) override { in(__func__).setScreenUpdating(on); }
    QString version() override { return link_.version.value_or(in(__func__).version()); }
    double zoom() override { return link_.zoom.value_or(in(__func__).zoom()); }
    void setZoom(double percent) override { in(__func__).setZoom(*(link_.zoom = percent)); }
};

// The wrapper of each kind of object, by overload (declared for its type only).
struct Wrappers {
    static WrappedApplication* of(Application*);
    static WrappedWorkbook* of(Workbook*);
    static WrappedWorksheet* of(Worksheet*);
    static WrappedRange* of(Range*);
    static WrappedShape* of(Shape*);
};

} // namespace

template <class Object> std::shared_ptr<Object> FailingLink::wrap(std::shared_ptr<Object> object) {
    if (!object) {
        return nullptr;
    }
    using Wrapper = std::remove_pointer_t<decltype(Wrappers::of(object.get()))>;
    return std::make_shared<Wrapper>(*this, std::move(object));
}

ApplicationPtr FailingLink::attach() {
    enter(__func__);
    return wrap(inner_.attach());
}

void FailingLink::enter(const char* method) {
    calls << QString::fromLatin1(method);
    if (onEnter) {
        onEnter(method);
    }
    if (calls.size() >= failing_.x() && calls.size() <= failing_.y()) {
        throw SpreadsheetError(QStringLiteral("injected failure of ") + calls.last());
    }
}

} // namespace velmora::testing
