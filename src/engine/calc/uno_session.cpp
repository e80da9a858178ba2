#include "uno_session.h"

#include "calc_link.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/DispatchHelper.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>

#include <QUrl>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace velmora {

namespace {
std::atomic<std::uint64_t> messagesSent{0};
} // namespace

std::uint64_t unoMessagesSent() {
    return messagesSent.load(std::memory_order_relaxed);
}

} // namespace velmora

namespace velmora::calc {

namespace {

// The undo step a paste run leaves in Calc's undo list.
constexpr char kUndoTitle[] = "Velmora";
// A view's option for its pictures, and its values to show or hide them.
const OUString kShowObjects("ShowObjects");
constexpr sal_Int16 kShow = 0;
constexpr sal_Int16 kHide = 1;

// Switches the pictures of the workbook's view from `from` to `to`; the view's options when it
// did, none where the view shows them otherwise or has no such option.
Reference<css::beans::XPropertySet> switchPictures(const Reference<css::frame::XModel>& model,
                                                   sal_Int16 from, sal_Int16 to) {
    Reference<css::beans::XPropertySet> options(model->getCurrentController(), css::uno::UNO_QUERY);
    sal_Int16 mode = from;
    if (!options.is() || !(options->getPropertyValue(kShowObjects) >>= mode) || mode != from) {
        return {};
    }
    options->setPropertyValue(kShowObjects, css::uno::Any(to));
    return options;
}

// Inside a context undo is impossible, and the context is itself the newest undo action.
bool inUndoContext(const Reference<css::document::XUndoManager>& manager) {
    return !manager->isUndoPossible() && manager->getAllUndoActionTitles().hasElements();
}

Reference<css::uno::XComponentContext> localContext() {
    static std::once_flag once;
    static Reference<css::uno::XComponentContext> context;
    static QString failure;
    std::call_once(once, [] {
        // A write to an office that just died must end in an error, not in SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        // Without it the UNO runtime cannot find its types and the client aborts.
        setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" VELMORA_LO_PROGRAM "/fundamentalrc", 0);
        try {
            context = cppu::defaultBootstrap_InitialComponentContext();
        } catch (const css::uno::Exception& e) {
            failure = toQ(e.Message);
        }
    });
    if (!context.is()) {
        throw SpreadsheetError(QStringLiteral("The UNO runtime could not start: %1").arg(failure));
    }
    return context;
}

} // namespace

// The office's named pipe, opened here rather than through the UNO connector: closing the
// connector's pipe does not wake a read in progress, so a stuck office could not be given up.
class PipeConnection : public cppu::WeakImplHelper1<css::connection::XConnection> {
public:
    PipeConnection(const QString& pipeName, int connectTimeoutMs,
                   std::shared_ptr<std::atomic<bool>> broken)
        : broken_(std::move(broken)) {
        const QByteArray path =
            QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(getuid()).arg(pipeName).toLocal8Bit();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= static_cast<int>(sizeof(address.sun_path))) {
            throw css::connection::NoConnectException(OUString("pipe name too long"));
        }
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            throw css::connection::NoConnectException(OUString("no socket"));
        }
        wake_ = ::eventfd(0, EFD_CLOEXEC);
        // A stopped office stops accepting; once its backlog is full, connect would block.
        setSendTimeout(connectTimeoutMs);
        if (wake_ < 0 ||
            ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            closeDescriptors();
            throw css::connection::NoConnectException(OUString("nothing listens"));
        }
        setSendTimeout(0);
        ucred peer{};
        socklen_t size = sizeof(peer);
        if (::getsockopt(fd_, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0) {
            peerPid_ = peer.pid;
        }
    }
    ~PipeConnection() override {
        if (!abandoned_) {
            shutDown();
        }
        closeDescriptors();
    }

    pid_t peerPid() const { return peerPid_; }

    // Ends the bridge's reading at once: calls in progress fail. With `keep`, the socket stays
    // open, and a copy of it is returned to learn when the office answers again (-1 when
    // there is none); without, the socket is shut down.
    int abandon(bool keep) {
        broken_->store(true);
        if (abandoned_) {
            // Already watched: shutting the socket down now would end that watch early.
            return -1;
        }
        const int copy = keep ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1;
        if (copy < 0) {
            shutDown();
            return -1;
        }
        abandoned_ = true;
        const std::uint64_t one = 1;
        if (::write(wake_, &one, sizeof(one)) < 0) {
            // Cannot fail for a counter far from its limit.
        }
        return copy;
    }

    // Moves all `count` bytes with `step` (recv or send from offset `done`); a closed or
    // shut-down socket marks the connection broken.
    template <typename Step> void transfer(sal_Int32 count, Step step) {
        sal_Int32 done = 0;
        while (done < count) {
            const ssize_t n = abandoned_ ? -1 : step(done);
            if (n <= 0) {
                if (n < 0 && errno == EINTR && !abandoned_) {
                    continue;
                }
                broken_->store(true);
                throw css::io::IOException(OUString("the office closed the pipe"));
            }
            done += static_cast<sal_Int32>(n);
        }
    }

    sal_Int32 SAL_CALL read(css::uno::Sequence<sal_Int8>& bytes, sal_Int32 count) override {
        bytes.realloc(count);
        sal_Int8* data = bytes.getArray();
        transfer(count, [&](sal_Int32 done) -> ssize_t {
            for (;;) {
                const ssize_t n =
                    ::recv(fd_, data + done, static_cast<size_t>(count - done), MSG_DONTWAIT);
                if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                    return n;
                }
                // Nothing yet: wait for the office, or for the connection to be abandoned.
                pollfd wait[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
                if (::poll(wait, 2, -1) < 0 && errno != EINTR) {
                    return -1;
                }
                if (abandoned_) {
                    errno = ECONNABORTED;
                    return -1;
                }
            }
        });
        return count;
    }
    void SAL_CALL write(const css::uno::Sequence<sal_Int8>& bytes) override {
        messagesSent.fetch_add(1, std::memory_order_relaxed);
        const sal_Int8* data = bytes.getConstArray();
        const sal_Int32 count = bytes.getLength();
        transfer(count, [&](sal_Int32 done) {
            return ::send(fd_, data + done, static_cast<size_t>(count - done), MSG_NOSIGNAL);
        });
    }
    void SAL_CALL flush() override {}
    void SAL_CALL close() override {
        // An abandoned socket belongs to whoever watches it now.
        if (!abandoned_) {
            shutDown();
        }
    }
    OUString SAL_CALL getDescription() override { return OUString("velmora pipe"); }

private:
    void setSendTimeout(int ms) {
        timeval timeout{};
        timeout.tv_sec = ms / 1000;
        timeout.tv_usec = (ms % 1000) * 1000;
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    }
    // shutdown(2), unlike close(2), wakes the bridge's reader blocked in its wait.
    void shutDown() {
        broken_->store(true);
        if (!closed_.exchange(true)) {
            ::shutdown(fd_, SHUT_RDWR);
        }
    }
    void closeDescriptors() {
        ::close(fd_);
        if (wake_ >= 0) {
            ::close(wake_);
        }
    }

    int fd_ = -1;
    // Readable once the connection is abandoned.
    int wake_ = -1;
    pid_t peerPid_ = 0;
    std::atomic<bool> closed_{false};
    std::atomic<bool> abandoned_{false};
    std::shared_ptr<std::atomic<bool>> broken_;
};

namespace {

// Every live session and office bridge of this process.
std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}
std::vector<Session*>& liveSessions() {
    static std::vector<Session*> sessions;
    return sessions;
}
std::vector<std::weak_ptr<OfficeBridge>>& officeBridges() {
    static std::vector<std::weak_ptr<OfficeBridge>> bridges;
    return bridges;
}

} // namespace

OUString toOU(const QString& text) {
    return OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()),
                    static_cast<sal_Int32>(text.size()));
}

QString toQ(const OUString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getStr()), text.getLength());
}

sal_Int32 pointsToHmm(double points) {
    if (!std::isfinite(points) || std::abs(points) > 1.0e7) {
        throw SpreadsheetError(QStringLiteral("%1 pt is out of range").arg(points));
    }
    return static_cast<sal_Int32>(std::lround(points * kHmmPerPoint));
}

Session::Scope::Scope(Session& s) : session(s) {
    // Counted before the check: a session that drops the bridge's references once none is
    // under way then either sees this call or this call sees the bridge broken.
    ++session.office_->activeCalls;
    if (session.broken()) {
        --session.office_->activeCalls;
        if (session.depth_ == 0) {
            session.releaseReferences();
        }
        throw session.givenUpError(QStringLiteral("a call"));
    }
    ++session.depth_;
    session.office_->lastAnswer = SteadyClock::now().time_since_epoch().count();
}

Session::Scope::~Scope() {
    // A call inside a call that returns means the office answers.
    session.office_->lastAnswer = SteadyClock::now().time_since_epoch().count();
    --session.office_->activeCalls;
    if (--session.depth_ == 0 && session.broken()) {
        session.releaseReferences();
    }
}

OfficeBridge::~OfficeBridge() {
    releaseReferences();
    abandon(nullptr);
    if (bridge.is()) {
        try {
            Reference<css::lang::XComponent>(bridge, css::uno::UNO_QUERY_THROW)->dispose();
        } catch (const css::uno::Exception&) {
            // Already gone.
        }
    }
}

void OfficeBridge::abandon(const std::function<void(int)>& watch) {
    Reference<css::connection::XConnection> keep;
    PipeConnection* own = nullptr;
    {
        std::lock_guard lock(mutex);
        keep = connection;
        own = pipe;
    }
    brokenFlag->store(true);
    // The reader wakes, ends the bridge, and the bridge releases every blocked call. Dispose
    // would wait for those calls, so it is left to the destructor.
    if (own != nullptr) {
        const int fd = own->abandon(bool(watch));
        if (fd >= 0) {
            watch(fd);
        }
    }
}

void OfficeBridge::releaseReferences() {
    std::lock_guard lock(mutex);
    desktop.clear();
    serviceManager.clear();
    context.clear();
}

Session::Session(std::shared_ptr<LinkState> state) : state_(std::move(state)) {}

Session::~Session() {
    {
        std::lock_guard lock(registryMutex());
        std::erase(liveSessions(), this);
    }
    if (!locked_.empty()) {
        try {
            unlockDocuments();
        } catch (const SpreadsheetError&) {
            // The office is gone or stuck; the next attach clears its locks.
        }
    }
    holdLocks(false);
}

std::shared_ptr<Session> Session::connect(std::shared_ptr<LinkState> state,
                                          const QString& pipeName) {
    const auto local = localContext();
    std::shared_ptr<Session> session(new Session(std::move(state)));
    auto office = std::make_shared<OfficeBridge>();
    Reference<css::connection::XConnection> connection;
    PipeConnection* pipe = nullptr;
    try {
        pipe = new PipeConnection(pipeName, session->state_->timeoutMs.load(), office->brokenFlag);
        connection = pipe;
        office->pid = pipe->peerPid();
    } catch (const css::uno::Exception& e) {
        throw SpreadsheetError(
            QStringLiteral("Calc is not running (nothing answers on the pipe \"%1\": %2)")
                .arg(pipeName, toQ(e.Message)));
    }
    const auto attach = [&] {
        auto bridge = css::bridge::BridgeFactory::create(local)->createBridge(
            OUString(), OUString("urp"), connection, nullptr);
        {
            std::lock_guard officeLock(office->mutex);
            office->bridge = bridge;
        }
        office->context.set(bridge->getInstance(OUString("StarOffice.ComponentContext")),
                            css::uno::UNO_QUERY_THROW);
        office->serviceManager.set(office->context->getServiceManager(), css::uno::UNO_SET_THROW);
        office->desktop = css::frame::Desktop::create(office->context);
        // A proxy that a holder of a given-up bridge still keeps would stand in, dead, for
        // the desktop here: then this bridge is of no use.
        office->desktop->getCurrentComponent();
    };
    std::shared_ptr<CallThread::Call> attaching;
    {
        std::lock_guard lock(registryMutex());
        // A broken session or bridge that still held a proxy would hand that dead proxy to
        // the new bridge instead of a fresh one.
        for (Session* other : liveSessions()) {
            // Another thread's sessions are that thread's to drop.
            if (other->owner_ == session->owner_ && other->broken() && other->depth_ == 0) {
                other->releaseReferences();
            }
        }
        auto& bridges = officeBridges();
        std::erase_if(bridges, [](const auto& weak) { return weak.expired(); });
        for (const auto& weak : bridges) {
            auto existing = weak.lock();
            if (existing && !existing->broken() && office->pid > 0 &&
                existing->pid == office->pid) {
                // This office already has our bridge (maybe reached through another pipe).
                session->office_ = existing;
                liveSessions().push_back(session.get());
                return session;
            }
        }
        session->office_ = office;
        liveSessions().push_back(session.get());
        {
            std::lock_guard officeLock(office->mutex);
            office->connection = connection;
            office->pipe = pipe;
        }
        // Posted before the bridge is found by others: their calls queue up behind it.
        attaching = office->calls.post([&] {
            try {
                session->inside("attach", attach);
            } catch (...) {
                office->brokenFlag->store(true);
                throw;
            }
        });
        officeBridges().push_back(office);
    }
    session->awaitCall("attach", attaching);
    return session;
}

void Session::handOver(const char* what, std::function<void()> work) {
    if (broken()) {
        releaseReferences();
        throw givenUpError(QString::fromUtf8(what));
    }
    awaitCall(what, office_->calls.post(std::move(work)));
}

void Session::awaitCall(const char* what, const std::shared_ptr<CallThread::Call>& call) {
    WaitPolicy policy;
    policy.timeoutMs = state_->timeoutMs.load();
    policy.noticeMs = state_->noticeMs.load();
    policy.lastAnswer = &office_->lastAnswer;
    if (UserInteraction* interaction = state_->interaction.load()) {
        policy.askGiveUp = [interaction](const std::function<bool()>& waiting) {
            return interaction->officeNotAnswering(waiting) == MessageAnswer::Cancel;
        };
    }
    const WaitEnd end = office_->calls.await(call, policy, [this](WaitEnd why) { giveUp(why); });
    if (end != WaitEnd::Answered) {
        if (broken()) {
            // Dead proxies of this bridge would stand in for the objects of the next one.
            releaseReferences();
        }
        const int after =
            end == WaitEnd::TimedOut ? policy.timeoutMs : OfficeBridge::kGivenUpByUser;
        throw SpreadsheetError(
            after > 0 ? QStringLiteral("Calc did not answer within %1 ms (%2)")
                            .arg(after)
                            .arg(QString::fromUtf8(what))
                      : QStringLiteral("Calc did not answer, and waiting was given up (%1)")
                            .arg(QString::fromUtf8(what)));
    }
}

void Session::giveUp(WaitEnd why) {
    office_->givenUpAfterMs =
        why == WaitEnd::TimedOut ? state_->timeoutMs.load() : OfficeBridge::kGivenUpByUser;
    std::function<void(int)> watch;
    {
        std::lock_guard lock(state_->watchMutex);
        watch = state_->watchGivenUpPipe;
    }
    office_->abandon(watch);
}

SpreadsheetError Session::givenUpError(const QString& operation) const {
    const int after = office_->givenUpAfterMs.load();
    if (after > 0) {
        return SpreadsheetError(
            QStringLiteral("The connection to Calc was given up after a call got no answer "
                           "within %1 ms (%2)")
                .arg(after)
                .arg(operation));
    }
    if (after == OfficeBridge::kGivenUpByUser) {
        return SpreadsheetError(
            QStringLiteral("The connection to Calc was given up by the user (%1)").arg(operation));
    }
    return SpreadsheetError(QStringLiteral("The connection to Calc was lost (%1)").arg(operation));
}

void Session::releaseReferences() {
    if (!locked_.empty()) {
        // Left locked in the office; it is cleared once the office answers again, or at the
        // next attach.
        locked_.clear();
    }
    holdLocks(false);
    aspectLocks_.clear();
    shapes_.clear();
    windows_.clear();
    deferredSelection_.drop();
    shapePlace_.reset();
    dispatchHelper_.clear();
    if (office_->activeCalls == 0) {
        office_->releaseReferences();
    }
}

void Session::fail(const char* what, const css::uno::Exception& e, bool disposed) {
    const QString operation = QString::fromUtf8(what);
    if (disposed || broken()) {
        throw givenUpError(operation);
    }
    const QString detail = toQ(e.Message).section(QLatin1Char('\n'), 0, 0).trimmed();
    throw SpreadsheetError(detail.isEmpty()
                               ? QStringLiteral("Calc refused %1").arg(operation)
                               : QStringLiteral("Calc refused %1: %2").arg(operation, detail));
}

Reference<css::uno::XInterface> Session::createInstance(const OUString& service) {
    return call("create an object", [&] {
        Reference<css::uno::XInterface> object =
            office_->serviceManager->createInstanceWithContext(service, office_->context);
        if (!object.is()) {
            throw css::uno::RuntimeException(OUString("no such service: ") + service);
        }
        return object;
    });
}

const Reference<css::frame::XDispatchHelper>& Session::dispatchHelper() {
    if (!dispatchHelper_.is()) {
        dispatchHelper_ = call("make a dispatch helper",
                               [&] { return css::frame::DispatchHelper::create(context()); });
    }
    return dispatchHelper_;
}

std::vector<Reference<css::frame::XModel>> Session::spreadsheetDocuments() {
    return call("list the workbooks", [&] {
        std::vector<Reference<css::frame::XModel>> models;
        auto components = office_->desktop->getComponents()->createEnumeration();
        while (components->hasMoreElements()) {
            Reference<css::sheet::XSpreadsheetDocument> document(components->nextElement(),
                                                                 css::uno::UNO_QUERY);
            Reference<css::frame::XModel> model(document, css::uno::UNO_QUERY);
            if (model.is()) {
                models.push_back(model);
            }
        }
        // The desktop lists the newest first; workbooks count in the order they were opened.
        std::reverse(models.begin(), models.end());
        return models;
    });
}

QString Session::documentName(const Reference<css::frame::XModel>& model) {
    const QString url = toQ(model->getURL());
    if (!url.isEmpty()) {
        return QUrl(url).fileName(QUrl::FullyDecoded);
    }
    Reference<css::frame::XTitle> title(model, css::uno::UNO_QUERY);
    return title.is() ? toQ(title->getTitle()) : QString();
}

QString Session::documentKey(const Reference<css::frame::XModel>& model) {
    const QString url = toQ(model->getURL());
    if (!url.isEmpty()) {
        return url;
    }
    Reference<css::frame::XTitle> title(model, css::uno::UNO_QUERY);
    return title.is() ? QStringLiteral("untitled:") + toQ(title->getTitle()) : QString();
}

void Session::unlockDocuments() {
    if (locked_.empty()) {
        return;
    }
    // Before the selection: a hidden picture cannot be selected.
    for (const auto& view : std::exchange(pictureViews_, {})) {
        if (view.hidden.is()) {
            try {
                call("show the pictures again",
                     [&] { view.hidden->setPropertyValue(kShowObjects, css::uno::Any(kShow)); });
            } catch (const SpreadsheetError&) {
                // Its workbook closed meanwhile; the unlock below reports a lost office.
            }
        }
    }
    if (auto pending = deferredSelection_.take()) {
        try {
            call("select a picture", [&] {
                Reference<css::view::XSelectionSupplier>(pending->model->getCurrentController(),
                                                         css::uno::UNO_QUERY_THROW)
                    ->select(css::uno::Any(pending->shape));
            });
        } catch (const SpreadsheetError&) {
            // Removed meanwhile, or its workbook closed: nothing left to select.
        }
    }
    auto models = std::move(locked_);
    locked_.clear();
    holdLocks(false);
    std::optional<SpreadsheetError> failure;
    for (const auto& model : models) {
        // Each document is unlocked even when another one fails.
        try {
            call("switch screen updating on", [&] {
                Reference<css::document::XUndoManagerSupplier> undo(model, css::uno::UNO_QUERY);
                try {
                    if (undo.is()) {
                        undo->getUndoManager()->leaveUndoContext();
                    }
                } catch (const css::uno::Exception&) {
                    // The user or a macro already closed the context.
                }
                model->unlockControllers();
            });
        } catch (const SpreadsheetError& e) {
            if (!failure) {
                failure = e;
            }
        }
    }
    if (failure) {
        throw *failure;
    }
}

void Session::lockDocuments() {
    if (!locked_.empty()) {
        return;
    }
    const auto models = spreadsheetDocuments();
    holdLocks(true);
    try {
        for (const auto& model : models) {
            call("switch screen updating off", [&] {
                // The lock first: locked inside a context, Calc records the lock in it, and
                // undoing the run would unlock.
                model->lockControllers();
                locked_.push_back(model);
                Reference<css::document::XUndoManagerSupplier> undo(model, css::uno::UNO_QUERY);
                if (undo.is()) {
                    undo->getUndoManager()->enterUndoContext(OUString(kUndoTitle));
                }
            });
        }
    } catch (const SpreadsheetError&) {
        // Nothing locked holds nothing; what was locked is released with the run.
        holdLocks(!locked_.empty());
        throw;
    }
    holdLocks(!locked_.empty());
}

void Session::pictureInserted(const Reference<css::frame::XModel>& model) {
    if (locked_.empty()) {
        return;
    }
    auto view = std::find_if(pictureViews_.begin(), pictureViews_.end(),
                             [&](const PictureView& v) { return v.model == model; });
    if (view == pictureViews_.end()) {
        view = pictureViews_.insert(view, {model, 0, {}});
    }
    if (++view->inserted != 2) {
        return;
    }
    try {
        // Pictures the user hid stay hidden, and are not shown at the end.
        view->hidden = switchPictures(model, kShow, kHide);
    } catch (const css::uno::RuntimeException&) {
        throw;
    } catch (const css::uno::Exception&) {
        // A view without the option draws as before.
    }
}

void Session::placeShape(const Reference<css::drawing::XShape>& shape,
                         const std::optional<css::awt::Size>& size,
                         const std::optional<css::awt::Point>& position) {
    auto& waiting = shapePlace(shape);
    if (size) {
        waiting.size = size;
    }
    if (position) {
        waiting.position = position;
    }
    writeUnlessLocked("place a picture");
}

void Session::nameShape(const Reference<css::drawing::XShape>& shape,
                        const Reference<css::container::XNamed>& named, const OUString& name) {
    auto& waiting = shapePlace(shape);
    waiting.named = named;
    waiting.name = name;
    writeUnlessLocked("name a picture");
}

void Session::writeUnlessLocked(const char* what) {
    if (!screenUpdatingOff()) {
        call(what, [this] { writeShapePlace(); });
    }
}

std::optional<OUString> Session::takeShapeName(const Reference<css::drawing::XShape>& shape) {
    if (!shapePlace_ || shapePlace_->shape.get() != shape.get()) {
        return std::nullopt;
    }
    return std::exchange(shapePlace_->name, std::nullopt);
}

Session::ShapePlace& Session::shapePlace(const Reference<css::drawing::XShape>& shape) {
    if (shapePlace_ && shapePlace_->shape.get() != shape.get()) {
        // Another shape's first.
        call("place a picture", [this] { writeShapePlace(); });
    }
    if (!shapePlace_) {
        shapePlace_ = ShapePlace{shape, {}, {}, {}, {}};
    }
    return *shapePlace_;
}

void Session::forgetShape(const Reference<css::drawing::XShape>& shape) {
    if (shapePlace_ && shapePlace_->shape.get() == shape.get()) {
        shapePlace_.reset();
    }
}

void Session::settleShape(const Reference<css::drawing::XShape>& shape) noexcept {
    if (!shapePlace_ || shapePlace_->shape.get() != shape.get()) {
        return;
    }
    try {
        call("place a picture", [this] { writeShapePlace(); });
    } catch (...) {
        shapePlace_.reset();
    }
}

void Session::writeShapePlace() {
    if (const auto place = std::exchange(shapePlace_, std::nullopt)) {
        if (place->size) {
            place->shape->setSize(*place->size);
        }
        if (place->position) {
            place->shape->setPosition(*place->position);
        }
        if (place->name) {
            place->named->setName(*place->name);
        }
    }
}

void Session::holdLocks(bool hold) {
    if (hold != holdsLocks_) {
        holdsLocks_ = hold;
        *state_->locksHeld += hold ? 1 : -1;
    }
}

void Session::clearStaleLocks() {
    // One call: a run of this link that locks meanwhile cannot interleave with the sweep.
    call("clear stale locks", [&] {
        if (*state_->locksHeld > 0) {
            return;
        }
        for (const auto& model : spreadsheetDocuments()) {
            try {
                Reference<css::document::XUndoManagerSupplier> undo(model, css::uno::UNO_QUERY);
                if (!undo.is()) {
                    continue;
                }
                auto manager = undo->getUndoManager();
                // The outermost open context is the newest action of the list. Another
                // program's context, and its locks, stay.
                if (!inUndoContext(manager) ||
                    manager->getCurrentUndoActionTitle() != OUString(kUndoTitle)) {
                    continue;
                }
                for (int i = 0; i < 16 && inUndoContext(manager); ++i) {
                    manager->leaveUndoContext();
                }
                // A run locks just before it enters its context: the lock goes with it.
                if (model->hasControllersLocked()) {
                    model->unlockControllers();
                }
                // And so do the pictures it hid.
                switchPictures(model, kHide, kShow);
            } catch (const css::lang::DisposedException&) {
                throw;
            } catch (const css::uno::Exception&) {
                // An empty undo list, or a workbook closing meanwhile: nothing of ours.
            }
        }
    });
}

} // namespace velmora::calc
