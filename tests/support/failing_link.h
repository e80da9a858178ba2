#pragma once

// A link wrapped around another (the Calc link): every call through the objects it hands out is
// counted, calls number from..to fail as the link fails (SpreadsheetError), and it can pose as
// another version of the application at another zoom, where a picture inserted while the zoom
// is not 100 % lands `drift` off its place (as version 12 put it).

#include "spreadsheet.h"

#include <QPointF>
#include <QStringList>

#include <climits>
#include <functional>
#include <optional>

namespace velmora::testing {

class FailingLink : public ExcelLink {
public:
    explicit FailingLink(ExcelLink& inner) : inner_(inner) {}
    ApplicationPtr attach() override;
    void setWaitSettings(const WaitSettings& settings) override {
        inner_.setWaitSettings(settings);
    }
    WaitSettings waitSettings() const override { return inner_.waitSettings(); }
    void setInteraction(UserInteraction* ui) override { inner_.setInteraction(ui); }
    void readAhead(const QString& fileName) override { inner_.readAhead(fileName); }

    void failCalls(int from, int to = INT_MAX) { failing_ = {from, to}; }

    QStringList calls; // the methods called, in turn
    // The pose, where set; the zoom follows what the engine sets.
    std::optional<QString> version;
    std::optional<double> zoom;
    QPointF drift;
    // Runs as each call is entered, before it may fail (benches attribute round trips with it).
    std::function<void(const char* method)> onEnter;

    // For the objects handed out: counts a call and fails it when its number is in the span,
    // and wraps the objects they hand out in turn.
    void enter(const char* method);
    template <class Object> std::shared_ptr<Object> wrap(std::shared_ptr<Object> object);

private:
    ExcelLink& inner_;
    QPoint failing_;
};

} // namespace velmora::testing
