#pragma once

// Inside the Calc link: one UNO connection to an office, guarded by a watchdog that
// disposes the bridge when a call outlives the link's wait settings.

#include "spreadsheet.h"

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/XConnection.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
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
#include <optional>
#include <thread>
#include <vector>

#include <sys/types.h>

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

// What outlives one attach: the wait settings.
struct LinkState {
    std::atomic<int> timeoutMs{kIdleWaitSettings.pendingTimeoutMs};
    std::atomic<bool> busyRaisesError{kIdleWaitSettings.busyRaisesError};
    // Documents whose controllers a live session of this link holds locked.
    int locksHeld = 0;
};

// Arms a deadline while a call is under way; calls onExpire once if it passes. Every nested
// call that starts or ends moves the deadline on, so only a wait without any answer counts.
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
    int timeoutMs_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    bool stop_ = false;
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

// The one bridge of this process to one office process. The UNO runtime keeps one proxy per
// remote object for the whole process, whichever bridge brought it in, so a second bridge to
// the same office would carry none of the calls; every session to an office shares this one.
struct OfficeBridge {
    ~OfficeBridge();
    // Wakes the bridge's reader so that the bridge ends and calls in progress fail. Safe from
    // the watchdog thread.
    void close();
    // Drops the remote references, so that a later bridge gets fresh proxies, not dead ones.
    void releaseReferences();
    bool broken() const { return brokenFlag->load(); }

    pid_t pid = 0;
    std::mutex mutex; // guards bridge and connection against the watchdog thread
    Reference<css::bridge::XBridge> bridge;
    Reference<css::connection::XConnection> connection;
    Reference<css::uno::XComponentContext> context;
    Reference<css::lang::XMultiComponentFactory> serviceManager;
    Reference<css::frame::XDesktop2> desktop;
    // Set when the pipe closes: given up, or the office went away.
    std::shared_ptr<std::atomic<bool>> brokenFlag = std::make_shared<std::atomic<bool>>(false);
    // The wait setting that ran out when a watchdog gave the bridge up, else 0.
    std::atomic<int> givenUpAfterMs{0};
    // Calls of any session under way on it (user-interface thread only).
    int activeCalls = 0;
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
    const Reference<css::frame::XDesktop2>& desktop() const { return office_->desktop; }
    const Reference<css::uno::XComponentContext>& context() const { return office_->context; }
    Reference<css::uno::XInterface> createInstance(const OUString& service);

    // Spreadsheet documents open in the office, in the desktop's order.
    std::vector<Reference<css::frame::XModel>> spreadsheetDocuments();
    // LockAspectRatio has no counterpart in Calc; it lives as long as the attach.
    std::map<Reference<css::drawing::XShape>, bool> aspectLocks;
    // The shapes of a draw page and their names as last read, in the page's order; trusted
    // while the page holds count shapes and kept up to date by the link's own inserts,
    // renames and moves to the back. Looking a name up then costs no walk over the page.
    struct PageShapes {
        Reference<css::drawing::XDrawPage> page;
        sal_Int32 count = -1;
        std::vector<Reference<css::drawing::XShape>> shapes;
        std::vector<QString> names;
        // 1 a picture, 0 another shape, -1 not asked yet.
        std::vector<int> pictures;
    };
    std::vector<PageShapes> pageShapes;
    static QString documentName(const Reference<css::frame::XModel>& model);
    // Stable across attaches: the URL, or the title while unsaved.
    static QString documentKey(const Reference<css::frame::XModel>& model);

    // Screen updating as one application-wide switch over every spreadsheet document.
    void setScreenUpdating(bool on);
    bool screenUpdatingOff() const { return !locked_.empty(); }
    // A picture selected while screen updating is off. The view selects it only when updating
    // resumes: for a large photo, selecting costs the office more than inserting it (its bars
    // and panels read the picture), and a paste run mostly selects a cell right after.
    struct PendingSelection {
        Reference<css::frame::XModel> model;
        QString sheet;
        Reference<css::drawing::XShape> shape;
    };
    std::optional<PendingSelection> pendingSelection;
    // Unlocks documents a Velmora run left locked (for example one killed mid-run).
    void clearStaleLocks();

    // The office process on the other end of the pipe (0 when unknown).
    pid_t officePid() const { return office_->pid; }
    // True once the bridge is closed: given up by a watchdog, or the office went away.
    bool broken() const { return office_->broken(); }

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
    // Called by the watchdog thread.
    void giveUp();
    // Drops the remote references of a broken session (and of its bridge once no call is
    // under way), so that a later attach to the same office gets fresh proxies.
    void releaseReferences();

    std::shared_ptr<LinkState> state_;
    std::shared_ptr<OfficeBridge> office_;
    std::vector<Reference<css::frame::XModel>> locked_;
    int depth_ = 0;
    std::unique_ptr<Watchdog> watchdog_;
};

} // namespace velmora::calc
