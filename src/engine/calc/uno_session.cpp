#include "uno_session.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>

#include <QUrl>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmora::calc {

namespace {

// The undo step a paste run leaves in Calc's undo list.
constexpr char kUndoTitle[] = "Velmora";

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

// The office's named pipe, opened here rather than through the UNO connector: closing the
// connector's pipe does not wake a read in progress, so a stuck office could not be given up.
class PipeConnection : public cppu::WeakImplHelper1<css::connection::XConnection> {
public:
    explicit PipeConnection(const QString& pipeName) {
        const QByteArray path =
            QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(getuid()).arg(pipeName).toLocal8Bit();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= static_cast<int>(sizeof(address.sun_path))) {
            throw css::connection::NoConnectException(OUString("pipe name too long"));
        }
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0 ||
            ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            if (fd_ >= 0) {
                ::close(fd_);
            }
            throw css::connection::NoConnectException(OUString("nothing listens"));
        }
    }
    ~PipeConnection() override {
        shutDown();
        ::close(fd_);
    }

    sal_Int32 SAL_CALL read(css::uno::Sequence<sal_Int8>& bytes, sal_Int32 count) override {
        bytes.realloc(count);
        sal_Int32 done = 0;
        while (done < count) {
            const ssize_t n =
                ::recv(fd_, bytes.getArray() + done, static_cast<size_t>(count - done), 0);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                throw css::io::IOException(OUString("the office closed the pipe"));
            }
            done += static_cast<sal_Int32>(n);
        }
        return done;
    }
    void SAL_CALL write(const css::uno::Sequence<sal_Int8>& bytes) override {
        sal_Int32 done = 0;
        while (done < bytes.getLength()) {
            const ssize_t n = ::send(fd_, bytes.getConstArray() + done,
                                     static_cast<size_t>(bytes.getLength() - done), MSG_NOSIGNAL);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                throw css::io::IOException(OUString("the office closed the pipe"));
            }
            done += static_cast<sal_Int32>(n);
        }
    }
    void SAL_CALL flush() override {}
    void SAL_CALL close() override { shutDown(); }
    OUString SAL_CALL getDescription() override { return OUString("velmora pipe"); }

private:
    void shutDown() {
        if (!closed_.exchange(true)) {
            ::shutdown(fd_, SHUT_RDWR);
        }
    }

    int fd_ = -1;
    std::atomic<bool> closed_{false};
};

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

Watchdog::Watchdog(std::function<void()> onExpire)
    : onExpire_(std::move(onExpire)), thread_([this] { run(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Watchdog::enter(int timeoutMs) {
    std::lock_guard lock(mutex_);
    if (depth_++ == 0) {
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        wake_.notify_all();
    }
}

void Watchdog::leave() {
    std::lock_guard lock(mutex_);
    --depth_;
    wake_.notify_all();
}

void Watchdog::run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (depth_ == 0 || fired_) {
            wake_.wait(lock);
            continue;
        }
        const auto deadline = deadline_;
        if (wake_.wait_until(lock, deadline) == std::cv_status::timeout && !stop_ && depth_ > 0 &&
            deadline_ == deadline) {
            fired_ = true;
            lock.unlock();
            onExpire_();
            lock.lock();
        }
    }
}

Session::Scope::Scope(Session& s) : session(s) {
    if (session.watchdog_->fired()) {
        throw SpreadsheetError(
            QStringLiteral("The connection to Calc was given up after a call did not answer"));
    }
    session.watchdog_->enter(session.state_->timeoutMs.load());
}

Session::Scope::~Scope() {
    session.watchdog_->leave();
}

Session::Session(std::shared_ptr<LinkState> state)
    : state_(std::move(state)),
      watchdog_(std::make_unique<Watchdog>([this] { disposeBridge(false); })) {}

Session::~Session() {
    if (!locked_.empty()) {
        try {
            setScreenUpdating(true);
        } catch (const SpreadsheetError&) {
            // The office is gone or stuck; the next attach clears its locks.
        }
    }
    watchdog_.reset();
    disposeBridge(true);
}

std::shared_ptr<Session> Session::connect(std::shared_ptr<LinkState> state,
                                          const QString& pipeName) {
    const auto local = localContext();
    std::shared_ptr<Session> session(new Session(std::move(state)));
    Reference<css::connection::XConnection> connection;
    try {
        connection = new PipeConnection(pipeName);
    } catch (const css::uno::Exception& e) {
        throw SpreadsheetError(
            QStringLiteral("Calc is not running (nothing answers on the pipe \"%1\": %2)")
                .arg(pipeName, toQ(e.Message)));
    }
    session->call("attach", [&] {
        auto bridge = css::bridge::BridgeFactory::create(local)->createBridge(
            OUString(), OUString("urp"), connection, nullptr);
        {
            std::lock_guard lock(session->bridgeMutex_);
            session->bridge_ = bridge;
            session->connection_ = connection;
        }
        session->context_.set(bridge->getInstance(OUString("StarOffice.ComponentContext")),
                              css::uno::UNO_QUERY_THROW);
        session->serviceManager_.set(session->context_->getServiceManager(),
                                     css::uno::UNO_SET_THROW);
        session->desktop_ = css::frame::Desktop::create(session->context_);
    });
    return session;
}

void Session::disposeBridge(bool dispose) {
    Reference<css::lang::XComponent> bridge;
    Reference<css::connection::XConnection> connection;
    {
        std::lock_guard lock(bridgeMutex_);
        bridge.set(bridge_, css::uno::UNO_QUERY);
        connection = connection_;
    }
    // Closing the pipe wakes the bridge's reader, which then ends the bridge and releases the
    // blocked call; dispose itself waits for calls in progress, so the watchdog never calls it.
    if (connection.is()) {
        try {
            connection->close();
        } catch (const css::uno::Exception&) {
            // Already closed.
        }
    }
    if (dispose && bridge.is()) {
        try {
            bridge->dispose();
        } catch (const css::uno::Exception&) {
            // Already gone.
        }
    }
}

void Session::fail(const char* what, const css::uno::Exception& e, bool disposed) {
    const QString operation = QString::fromUtf8(what);
    if (watchdog_->fired()) {
        throw SpreadsheetError(QStringLiteral("Calc did not answer within %1 ms (%2)")
                                   .arg(state_->timeoutMs.load())
                                   .arg(operation));
    }
    if (disposed) {
        throw SpreadsheetError(
            QStringLiteral("The connection to Calc was lost (%1)").arg(operation));
    }
    const QString detail = toQ(e.Message).section(QLatin1Char('\n'), 0, 0).trimmed();
    throw SpreadsheetError(detail.isEmpty()
                               ? QStringLiteral("Calc refused %1").arg(operation)
                               : QStringLiteral("Calc refused %1: %2").arg(operation, detail));
}

Reference<css::uno::XInterface> Session::createInstance(const OUString& service) {
    return call("create an object", [&] {
        Reference<css::uno::XInterface> object =
            serviceManager_->createInstanceWithContext(service, context_);
        if (!object.is()) {
            throw css::uno::RuntimeException(OUString("no such service: ") + service);
        }
        return object;
    });
}

std::vector<Reference<css::frame::XModel>> Session::spreadsheetDocuments() {
    return call("list the workbooks", [&] {
        std::vector<Reference<css::frame::XModel>> models;
        auto components = desktop_->getComponents()->createEnumeration();
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

void Session::setScreenUpdating(bool on) {
    if (on) {
        if (locked_.empty()) {
            return;
        }
        auto models = std::move(locked_);
        locked_.clear();
        --state_->locksHeld;
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
        return;
    }
    if (!locked_.empty()) {
        return;
    }
    const auto models = spreadsheetDocuments();
    ++state_->locksHeld;
    for (const auto& model : models) {
        call("switch screen updating off", [&] {
            model->lockControllers();
            locked_.push_back(model);
            Reference<css::document::XUndoManagerSupplier> undo(model, css::uno::UNO_QUERY);
            if (undo.is()) {
                undo->getUndoManager()->enterUndoContext(OUString(kUndoTitle));
            }
        });
    }
    if (locked_.empty()) {
        --state_->locksHeld;
    }
}

void Session::clearStaleLocks() {
    if (state_->locksHeld > 0) {
        return;
    }
    for (const auto& model : spreadsheetDocuments()) {
        call("clear stale locks", [&] {
            if (!model->hasControllersLocked()) {
                return;
            }
            for (int i = 0; i < 64 && model->hasControllersLocked(); ++i) {
                model->unlockControllers();
            }
            Reference<css::document::XUndoManagerSupplier> undo(model, css::uno::UNO_QUERY);
            if (!undo.is()) {
                return;
            }
            auto manager = undo->getUndoManager();
            for (int i = 0; i < 16; ++i) {
                try {
                    manager->leaveUndoContext();
                } catch (const css::uno::Exception&) {
                    break;
                }
            }
        });
    }
}

} // namespace velmora::calc
