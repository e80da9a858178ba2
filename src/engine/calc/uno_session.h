#pragma once

// Inside the Calc link: one UNO connection to an office. Its calls run on the office's call
// thread while the asking thread waits, and a call that outlives the link's wait settings, or
// that the user gives up, ends the connection.

#include "call_thread.h"
#include "picture_checks.h"
#include "shape_directory.h"
#include "spreadsheet.h"
#include "user_interaction.h"

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/XConnection.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XDispatchHelper.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>
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

// What outlives one attach: the wait settings, and how a wait goes.
struct LinkState {
    std::atomic<int> timeoutMs{kIdleWaitSettings.pendingTimeoutMs};
    std::atomic<bool> busyRaisesError{kIdleWaitSettings.busyRaisesError};
    // Silent this long, the office is reported to the user (when the wait may go on).
    std::atomic<int> noticeMs{5000};
    // Who is asked whether to wait on; used on the user-interface thread only.
    std::atomic<UserInteraction*> interaction{nullptr};
    // Sessions of this link that hold documents locked; shared with the state the link tidies
    // up with after a give-up.
    std::shared_ptr<std::atomic<int>> locksHeld = std::make_shared<std::atomic<int>>(0);
    // Takes over the pipe of a connection given up while a call was under way (a file
    // descriptor to watch for the office's answer); none: the pipe just closes.
    std::mutex watchMutex;
    std::function<void(int)> watchGivenUpPipe;
    // Picture files read ahead of their insert.
    PictureChecks pictureChecks;
};

class PipeConnection;

// LockAspectRatio has no counterpart in Calc: the link keeps it per shape, for one attach.
class AspectLocks {
public:
    std::optional<bool> of(const Reference<css::drawing::XShape>& shape) const {
        const auto found = locks_.find(shape);
        return found != locks_.end() ? std::optional<bool>(found->second) : std::nullopt;
    }
    void set(const Reference<css::drawing::XShape>& shape, bool locked) { locks_[shape] = locked; }
    void clear() { locks_.clear(); }

private:
    std::map<Reference<css::drawing::XShape>, bool> locks_;
};

// A picture selected while screen updating is off. The view selects it only when updating
// resumes: for a large photo, selecting costs the office more than inserting it (its bars and
// panels read the picture), and a paste run mostly selects a cell right after.
class DeferredSelection {
public:
    struct Picture {
        Reference<css::frame::XModel> model;
        Reference<css::sheet::XSpreadsheet> sheet;
        Reference<css::drawing::XShape> shape;
    };
    void defer(Picture picture) { picture_ = std::move(picture); }
    void drop() { picture_.reset(); }
    // Another sheet in view drops the selection of a picture on the one before. Calc makes a
    // new object for a sheet each time it is asked: `sameSheet` tells whether the picture's
    // sheet is the one in view.
    template <class SameSheet>
    void dropUnlessOn(const Reference<css::frame::XModel>& model, SameSheet sameSheet) {
        if (picture_ && (picture_->model != model || !sameSheet(picture_->sheet))) {
            picture_.reset();
        }
    }
    std::optional<Picture> take() { return std::exchange(picture_, std::nullopt); }

private:
    std::optional<Picture> picture_;
};

// The window each workbook showed when the link last looked during a run (screen updating
// off): a paste run looks at its workbook's once per photo, to find the sheet in view, and
// reads the active cell of that workbook from the same window within the photo.
class Windows {
public:
    Reference<css::frame::XController> of(const Reference<css::frame::XModel>& model) const {
        for (const auto& [known, controller] : seen_) {
            if (known.get() == model.get()) {
                return controller;
            }
        }
        return {};
    }
    void seen(const Reference<css::frame::XModel>& model,
              const Reference<css::frame::XController>& controller) {
        for (auto& [known, window] : seen_) {
            if (known.get() == model.get()) {
                window = controller;
                return;
            }
        }
        seen_.emplace_back(model, controller);
    }
    void clear() { seen_.clear(); }

private:
    std::vector<std::pair<Reference<css::frame::XModel>, Reference<css::frame::XController>>> seen_;
};

// The one bridge of this process to one office process. The UNO runtime keeps one proxy per
// remote object for the whole process, whichever bridge brought it in, so a second bridge to
// the same office would carry none of the calls; every session to an office shares this one.
struct OfficeBridge {
    ~OfficeBridge();
    // Gives the connection up: every call under way fails at once. With `watch`, the pipe
    // stays open and `watch` takes it over, to learn when the office answers again.
    void abandon(const std::function<void(int)>& watch);
    // Drops the remote references, so that a later bridge gets fresh proxies, not dead ones.
    void releaseReferences();
    bool broken() const { return brokenFlag->load(); }

    pid_t pid = 0;
    std::mutex mutex; // guards bridge, connection and pipe against other threads
    Reference<css::bridge::XBridge> bridge;
    Reference<css::connection::XConnection> connection;
    PipeConnection* pipe = nullptr; // connection's own object
    Reference<css::uno::XComponentContext> context;
    Reference<css::lang::XMultiComponentFactory> serviceManager;
    Reference<css::frame::XDesktop2> desktop;
    // Set when the pipe closes: given up, or the office went away.
    std::shared_ptr<std::atomic<bool>> brokenFlag = std::make_shared<std::atomic<bool>>(false);
    // Why it was given up: the wait setting that ran out, kGivenUpByUser, or 0.
    static constexpr int kGivenUpByUser = -1;
    std::atomic<int> givenUpAfterMs{0};
    // When a call under way last got an answer from the office.
    std::atomic<SteadyClock::rep> lastAnswer{0};
    // Calls of any session under way on it.
    std::atomic<int> activeCalls{0};
    // Makes every call to this office; the last member, so it ends first.
    CallThread calls;
};

class Session : public std::enable_shared_from_this<Session> {
public:
    // Throws SpreadsheetError when nothing answers on the pipe.
    static std::shared_ptr<Session> connect(std::shared_ptr<LinkState> state,
                                            const QString& pipeName);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs f on the office's call thread and waits for it; every UNO failure becomes a
    // SpreadsheetError, and so does a call given up.
    template <class F> auto call(const char* what, F&& f) -> decltype(f()) {
        using Result = decltype(f());
        if (office_->calls.current()) {
            return inside(what, f);
        }
        if constexpr (std::is_void_v<Result>) {
            handOver(what, [&] { inside(what, f); });
        } else {
            std::optional<Result> result;
            handOver(what, [&] { result.emplace(inside(what, f)); });
            return std::move(*result);
        }
    }

    // A call that neither reads nor changes where a shape is or how big: the place and size
    // waiting to be written keep waiting.
    template <class F> auto callAside(const char* what, F&& f) -> decltype(f()) {
        const bool aside = std::exchange(aside_, true);
        struct Restore {
            bool& flag;
            bool value;
            ~Restore() { flag = value; }
        } restore{aside_, aside};
        return call(what, std::forward<F>(f));
    }

    LinkState& state() { return *state_; }
    const Reference<css::frame::XDesktop2>& desktop() const { return office_->desktop; }
    const Reference<css::uno::XComponentContext>& context() const { return office_->context; }
    Reference<css::uno::XInterface> createInstance(const OUString& service);
    // The office's dispatch helper, made once per attach.
    const Reference<css::frame::XDispatchHelper>& dispatchHelper();

    // Spreadsheet documents open in the office, in the desktop's order.
    std::vector<Reference<css::frame::XModel>> spreadsheetDocuments();
    AspectLocks& aspectLocks() { return aspectLocks_; }
    ShapeDirectory& shapes() { return shapes_; }
    DeferredSelection& deferredSelection() { return deferredSelection_; }
    Windows& windows() { return windows_; }
    static QString documentName(const Reference<css::frame::XModel>& model);
    // Stable across attaches: the URL, or the title while unsaved.
    static QString documentKey(const Reference<css::frame::XModel>& model);

    // Screen updating as one application-wide switch over every spreadsheet document: off locks
    // the controllers of every spreadsheet document and opens the run's undo step in each; on
    // selects a deferred picture, then closes and unlocks them all, each even when another fails.
    void lockDocuments();
    void unlockDocuments();
    bool screenUpdatingOff() const { return !locked_.empty(); }
    // A picture went into `model` while screen updating is off. From the second one on, the
    // pictures in that workbook's view are hidden until screen updating is on again: a visible
    // office would otherwise draw every picture in view again for each new one.
    void pictureInserted(const Reference<css::frame::XModel>& model);
    // Gives a shape a size, a place or both. While screen updating is off they are written at
    // the start of the next call to the office, the size and place together: a paste run sizes
    // and moves a picture several times.
    void placeShape(const Reference<css::drawing::XShape>& shape,
                    const std::optional<css::awt::Size>& size,
                    const std::optional<css::awt::Point>& position);
    // Names a shape the link has just made, the same way: a paste run renames it at once.
    void nameShape(const Reference<css::drawing::XShape>& shape,
                   const Reference<css::container::XNamed>& named, const OUString& name);
    // The name waiting to be given to `shape`, no longer waiting.
    std::optional<OUString> takeShapeName(const Reference<css::drawing::XShape>& shape);
    // A shape removed: what waits to be written to it is dropped.
    void forgetShape(const Reference<css::drawing::XShape>& shape);
    // The link lets go of a shape: what waits to be written to it is written now, before the
    // user can move its cells. Never throws; a lost office fails the next call.
    void settleShape(const Reference<css::drawing::XShape>& shape) noexcept;
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
    template <class F> auto inside(const char* what, F& f) -> decltype(f()) {
        Scope scope(*this);
        try {
            if (depth_ == 1 && !aside_) {
                writeShapePlace();
            }
            return f();
        } catch (const css::lang::DisposedException& e) {
            fail(what, e, true);
        } catch (const css::uno::Exception& e) {
            fail(what, e, false);
        }
    }
    void handOver(const char* what, std::function<void()> work);
    // Inside a call: writes the size and place waiting to be written.
    void writeShapePlace();
    // Outside a run what waits is written at once, by a call of its own.
    void writeUnlessLocked(const char* what);
    // Waits for a call posted to the office's call thread; a failure or a give-up throws.
    void awaitCall(const char* what, const std::shared_ptr<CallThread::Call>& call);
    [[noreturn]] void fail(const char* what, const css::uno::Exception& e, bool disposed);
    SpreadsheetError givenUpError(const QString& operation) const;
    // Ends the connection under a call that gets no answer.
    void giveUp(WaitEnd why);
    // Drops the remote references of a broken session (and of its bridge once no call is
    // under way), so that a later attach to the same office gets fresh proxies.
    void releaseReferences();

    std::shared_ptr<LinkState> state_;
    std::shared_ptr<OfficeBridge> office_;
    // Counts this session once in LinkState::locksHeld while it holds locks.
    void holdLocks(bool hold);

    AspectLocks aspectLocks_;
    ShapeDirectory shapes_;
    DeferredSelection deferredSelection_;
    Windows windows_;
    struct ShapePlace {
        Reference<css::drawing::XShape> shape;
        std::optional<css::awt::Size> size;
        std::optional<css::awt::Point> position;
        Reference<css::container::XNamed> named;
        std::optional<OUString> name;
    };
    // The shape's entry, another shape's written first.
    ShapePlace& shapePlace(const Reference<css::drawing::XShape>& shape);
    std::optional<ShapePlace> shapePlace_;
    bool aside_ = false;
    Reference<css::frame::XDispatchHelper> dispatchHelper_;
    std::vector<Reference<css::frame::XModel>> locked_;
    // Pictures put into each workbook during this lock, and its view once they are hidden.
    struct PictureView {
        Reference<css::frame::XModel> model;
        int inserted = 0;
        Reference<css::beans::XPropertySet> hidden;
    };
    std::vector<PictureView> pictureViews_;
    bool holdsLocks_ = false;
    // Calls of this session under way (on the call thread).
    int depth_ = 0;
    // The thread that made the session; only it drops the references of others it made.
    std::thread::id owner_ = std::this_thread::get_id();
};

} // namespace velmora::calc
