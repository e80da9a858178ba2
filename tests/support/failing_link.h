#pragma once

// A link wrapped around another (the Calc link): every call through the objects it hands out is
// counted, calls number from..to fail as the link fails (SpreadsheetError), and it can pose as
// another version of the application at another zoom, where a picture inserted while the zoom
// is not 100 % lands `drift` off its place (as version 12 put it).

#include "spreadsheet.h"

#include <QPointF>
#include <QStringList>

#include <climits>
#include <memory>
#include <vector>

namespace velmora::testing {

class FailingLink : public ExcelLink {
public:
    explicit FailingLink(ExcelLink& inner) : inner_(inner) {}
    ApplicationPtr attach() override;
    void setWaitSettings(const WaitSettings& settings) override {
        inner_.setWaitSettings(settings);
    }
    WaitSettings waitSettings() const override { return inner_.waitSettings(); }
    void setInteraction(UserInteraction* interaction) override {
        inner_.setInteraction(interaction);
    }

    void failCalls(int from, int to = INT_MAX) { failing_ = {from, to}; }
    // Objects handed out and still held.
    int liveObjects() const;

    QStringList calls; // the methods called, in turn
    QString version;   // posed when not empty, with the zoom
    double zoom = 100;
    QPointF drift;

    // For the objects handed out: counts the call and fails it when its number is in the span.
    void enter(const char* method);
    template <class Wrapper, class Object>
    std::shared_ptr<Object> wrap(const std::shared_ptr<Object>& object) {
        if (!object) {
            return nullptr;
        }
        auto wrapped = std::make_shared<Wrapper>(*this, object);
        handedOut_.push_back(wrapped);
        return wrapped;
    }

private:
    ExcelLink& inner_;
    QPoint failing_;
    std::vector<std::weak_ptr<void>> handedOut_;
};

} // namespace velmora::testing
