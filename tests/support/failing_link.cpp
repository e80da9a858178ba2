#include "failing_link.h"

#include <algorithm>

namespace velmora::testing {

namespace {

// One object handed out; `in` gives the object it wraps once the call went through.
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
    RangePtr range(const QString& address) override {
        return link_.wrap<WrappedRange>(in(__func__).range(address));
    }
    int shapeCount() override { return in(__func__).shapeCount(); }
    ShapePtr addPicture(const QString& file, bool linked, bool saved, double left, double top,
                        double width, double height) override {
        const QPointF at = QPointF(left, top) + (link_.zoom != 100 ? link_.drift : QPointF());
        return link_.wrap<WrappedShape>(
            in(__func__).addPicture(file, linked, saved, at.x(), at.y(), width, height));
    }
    ShapePtr picture(const QString& name) override {
        return link_.wrap<WrappedShape>(in(__func__).picture(name));
    }
    ShapePtr evaluate(const QString& name) override {
        return link_.wrap<WrappedShape>(in(__func__).evaluate(name));
    }
};

class WrappedWorkbook : public Wrapped<Workbook> {
public:
    using Wrapped::Wrapped;
    QString name() override { return in(__func__).name(); }
    WorksheetPtr activeSheet() override {
        return link_.wrap<WrappedWorksheet>(in(__func__).activeSheet());
    }
    int worksheetCount() override { return in(__func__).worksheetCount(); }
    WorksheetPtr worksheet(int index) override {
        return link_.wrap<WrappedWorksheet>(in(__func__).worksheet(index));
    }
    WorksheetPtr addWorksheet() override {
        return link_.wrap<WrappedWorksheet>(in(__func__).addWorksheet());
    }
};

class WrappedApplication : public Wrapped<Application> {
public:
    using Wrapped::Wrapped;
    RangePtr activeCell() override { return link_.wrap<WrappedRange>(in(__func__).activeCell()); }
    RangePtr range(const QString& address) override {
        return link_.wrap<WrappedRange>(in(__func__).range(address));
    }
    RangePtr cells(int row, int column) override {
        return link_.wrap<WrappedRange>(in(__func__).cells(row, column));
    }
    int workbookCount() override { return in(__func__).workbookCount(); }
    WorkbookPtr workbook(int index) override {
        return link_.wrap<WrappedWorkbook>(in(__func__).workbook(index));
    }
    WorkbookPtr workbook(const QString& name) override {
        return link_.wrap<WrappedWorkbook>(in(__func__).workbook(name));
    }
    WorkbookPtr activeWorkbook() override {
        return link_.wrap<WrappedWorkbook>(in(__func__).activeWorkbook());
    }
    void setScreenUpdating(bool on) override { in(__func__).setScreenUpdating(on); }
    QString version() override { return posed(in(__func__).version(), link_.version); }
    double zoom() override { return posed(in(__func__).zoom(), link_.zoom); }
    void setZoom(double percent) override { in(__func__).setZoom(link_.zoom = percent); }

private:
    template <class T> T posed(const T& real, const T& pose) const {
        return link_.version.isEmpty() ? real : pose;
    }
};

} // namespace

ApplicationPtr FailingLink::attach() {
    enter(__func__);
    return wrap<WrappedApplication>(inner_.attach());
}

int FailingLink::liveObjects() const {
    return int(std::count_if(handedOut_.begin(), handedOut_.end(),
                             [](const auto& object) { return !object.expired(); }));
}

void FailingLink::enter(const char* method) {
    calls << QString::fromLatin1(method);
    if (calls.size() >= failing_.x() && calls.size() <= failing_.y()) {
        throw SpreadsheetError(QStringLiteral("injected failure of ") + calls.last());
    }
}

} // namespace velmora::testing
