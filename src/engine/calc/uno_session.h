#pragma once

// Inside the Calc link: one UNO connection to an office, guarded by a watchdog that
// disposes the bridge when a call outlives the link's wait settings.

#include "spreadsheet.h"

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/XConnection.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::calc {

using css::uno::Reference;
using rtl::OUString;

OUString toOU(const QString& text);
QString toQ(const OUString& text);

constexpr double kHmmPerPoint = 2540.0 / 72.0;
inline double hmmToPoints(sal_Int32 hmm) {
    return hmm / kHmmPerPoint;
}
sal_Int32 pointsToHmm(double points);

// What outlives one attach: the wait settings and the cell each document had active before
// a picture was selected.
struct LinkState {
    std::atomic<int> timeoutMs{kIdleWaitSettings.pendingTimeoutMs};
    std::atomic<bool> busyRaisesError{kIdleWaitSettings.busyRaisesError};
    struct Cell {
        QString sheet;
        int row = 0;
        int column = 0;
    };
    std::map<QString, Cell> activeCells;
    // Documents whose controllers a live session of this link holds locked.
    int locksHeld = 0;
};

// Arms a deadline while a call is under way; calls onExpire once if it passes.
class Watchdog {
public:
    explicit Watchdog(std::function<void()> onExpire);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void enter(int timeoutMs);
    void leave();
    bool fired() const { return fired_; }

private:
    void run();

    std::function<void()> onExpire_;
    std::mutex mutex_;
    std::condition_variable wake_;
    int depth_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    bool stop_ = false;
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

class Session : public std::enable_shared_from_this<Session> {
public:
    // Throws SpreadsheetError when nothing answers on the pipe.
    static std::shared_ptr<Session> connect(std::shared_ptr<LinkState> state,
                                            const QString& pipeName);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs f under the watchdog; every UNO failure becomes a SpreadsheetError.
    template <class F> auto call(const char* what, F&& f) -> decltype(f()) {
        Scope scope(*this);
        try {
            return f();
        } catch (const css::lang::DisposedException& e) {
            fail(what, e, true);
        } catch (const css::uno::Exception& e) {
            fail(what, e, false);
        }
    }

    LinkState& state() { return *state_; }
    const Reference<css::frame::XDesktop2>& desktop() const { return desktop_; }
    const Reference<css::uno::XComponentContext>& context() const { return context_; }
    Reference<css::uno::XInterface> createInstance(const OUString& service);

    // Spreadsheet documents open in the office, in the desktop's order.
    std::vector<Reference<css::frame::XModel>> spreadsheetDocuments();
    // LockAspectRatio has no counterpart in Calc; it lives as long as the attach.
    std::map<Reference<css::drawing::XShape>, bool> aspectLocks;
    static QString documentName(const Reference<css::frame::XModel>& model);
    // Stable across attaches: the URL, or the title while unsaved.
    static QString documentKey(const Reference<css::frame::XModel>& model);

    // Screen updating as one application-wide switch over every spreadsheet document.
    void setScreenUpdating(bool on);
    // Unlocks documents a Velmora run left locked (for example one killed mid-run).
    void clearStaleLocks();

private:
    struct Scope {
        explicit Scope(Session& s);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        Session& session;
    };

    Session(std::shared_ptr<LinkState> state);
    [[noreturn]] void fail(const char* what, const css::uno::Exception& e, bool disposed);
    void disposeBridge(bool dispose);

    std::shared_ptr<LinkState> state_;
    std::mutex bridgeMutex_;
    Reference<css::bridge::XBridge> bridge_;
    Reference<css::connection::XConnection> connection_;
    Reference<css::uno::XComponentContext> context_;
    Reference<css::lang::XMultiComponentFactory> serviceManager_;
    Reference<css::frame::XDesktop2> desktop_;
    std::vector<Reference<css::frame::XModel>> locked_;
    std::unique_ptr<Watchdog> watchdog_;
};

} // namespace velmora::calc
