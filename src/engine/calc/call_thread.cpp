#include "call_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace velmora::calc {

namespace {

using std::chrono::milliseconds;

// Most calls answer within a fraction of a millisecond; waiting this long without an event
// loop keeps them cheap, and the windows still paint without a visible pause.
constexpr milliseconds kQuietWait{20};
// How often a wait looks at the clock (deadline, notice) while it waits.
constexpr milliseconds kTick{50};
// How long a thread looks for what it waits for before it sleeps: about a round trip.
constexpr std::chrono::microseconds kSpin{150};

template <class Ready> void spinUntil(Ready ready) {
    const auto until = SteadyClock::now() + kSpin;
    while (!ready() && SteadyClock::now() < until) {
        std::this_thread::yield();
    }
}

// Since when the office has been silent for a call started at `start`.
SteadyClock::time_point silentSince(const WaitPolicy& policy, SteadyClock::time_point start) {
    if (policy.lastAnswer == nullptr) {
        return start;
    }
    return std::max(start,
                    SteadyClock::time_point(SteadyClock::duration(policy.lastAnswer->load())));
}

} // namespace

CallThread::CallThread() : thread_([shared = shared_] { serve(*shared); }), id_(thread_.get_id()) {}

CallThread::~CallThread() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
    }
    shared_->work.notify_all();
    if (current()) {
        // The last owner let go inside a call: the thread ends by itself after it.
        thread_.detach();
    } else {
        thread_.join();
    }
}

void CallThread::serve(Shared& shared) {
    std::unique_lock lock(shared.mutex);
    for (;;) {
        if (shared.queue.empty() && !shared.stop) {
            // The next call of a run mostly follows within microseconds: looking for it a
            // moment saves the thread a sleep and a wake-up.
            lock.unlock();
            spinUntil([&] { return shared.queued.load(std::memory_order_acquire) > 0; });
            lock.lock();
        }
        shared.work.wait(lock, [&] { return shared.stop || !shared.queue.empty(); });
        if (shared.queue.empty()) {
            return;
        }
        const std::shared_ptr<Call> call = shared.queue.front();
        shared.queue.pop_front();
        shared.queued.fetch_sub(1, std::memory_order_relaxed);
        call->started = true;
        lock.unlock();
        try {
            call->work();
        } catch (...) {
            call->error = std::current_exception();
        }
        lock.lock();
        call->finished = true;
        call->done.store(true, std::memory_order_release);
        if (call->loop != nullptr) {
            QMetaObject::invokeMethod(call->loop, &QEventLoop::quit, Qt::QueuedConnection);
        }
        shared.done.notify_all();
    }
}

bool CallThread::finished(const Call& call) const {
    std::lock_guard lock(shared_->mutex);
    return call.finished;
}

std::shared_ptr<CallThread::Call> CallThread::post(std::function<void()> work) {
    auto call = std::make_shared<Call>();
    call->work = std::move(work);
    {
        std::lock_guard lock(shared_->mutex);
        shared_->queue.push_back(call);
        shared_->queued.fetch_add(1, std::memory_order_release);
    }
    shared_->work.notify_one();
    return call;
}

WaitEnd CallThread::await(const std::shared_ptr<Call>& call, const WaitPolicy& policy,
                          const std::function<void(WaitEnd)>& stop) {
    const auto start = SteadyClock::now();
    // Most answers come within a round trip: looking for one a moment saves this thread a
    // sleep and a wake-up.
    spinUntil([&] { return call->done.load(std::memory_order_acquire); });
    std::unique_lock lock(shared_->mutex);
    WaitEnd end = WaitEnd::Answered;
    if (!shared_->done.wait_for(lock, kQuietWait, [&] { return call->finished; })) {
        lock.unlock();
        end = wait(*call, policy, start);
        lock.lock();
    }
    if (end == WaitEnd::TimedOut && call->finished) {
        // The answer came as the time ran out.
        end = WaitEnd::Answered;
    }
    if (end == WaitEnd::Answered) {
        if (call->error) {
            std::rethrow_exception(call->error);
        }
        return end;
    }
    if (!call->started) {
        std::erase(shared_->queue, call);
        shared_->queued.fetch_sub(1, std::memory_order_relaxed);
        return end;
    }
    if (!call->finished) {
        lock.unlock();
        stop(end);
        lock.lock();
        shared_->done.wait(lock, [&] { return call->finished; });
    }
    // Given up: whatever the call did or failed with no longer counts.
    return end;
}

WaitEnd CallThread::wait(Call& call, const WaitPolicy& policy, SteadyClock::time_point start) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && QThread::currentThread() == app->thread()) {
        if (const auto end = waitPainting(call, policy, start)) {
            return *end;
        }
    }
    std::unique_lock lock(shared_->mutex);
    for (;;) {
        if (call.finished) {
            return WaitEnd::Answered;
        }
        const auto deadline = silentSince(policy, start) + milliseconds(policy.timeoutMs);
        const auto now = SteadyClock::now();
        if (now >= deadline) {
            return WaitEnd::TimedOut;
        }
        shared_->done.wait_until(lock, std::min(deadline, now + kTick));
    }
}

std::optional<WaitEnd> CallThread::waitPainting(Call& call, const WaitPolicy& policy,
                                                SteadyClock::time_point start) {
    QEventLoop loop;
    {
        std::lock_guard lock(shared_->mutex);
        if (call.finished) {
            return WaitEnd::Answered;
        }
        call.loop = &loop;
    }
    const milliseconds timeout(policy.timeoutMs);
    const milliseconds notice(policy.noticeMs);
    const bool mayAsk = policy.askGiveUp && policy.timeoutMs > policy.noticeMs;
    const auto stillWaiting = [&] {
        return !finished(call) && SteadyClock::now() < silentSince(policy, start) + timeout;
    };
    std::optional<WaitEnd> end;
    bool asking = false;
    SteadyClock::time_point askAgainAt;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (finished(call)) {
            loop.quit();
            return;
        }
        const auto silent = silentSince(policy, start);
        const auto now = SteadyClock::now();
        if (now >= silent + timeout) {
            end = WaitEnd::TimedOut;
            loop.quit();
            return;
        }
        // The box runs an event loop of its own, in which this timer goes on ticking.
        if (!mayAsk || asking || now < std::max(silent + notice, askAgainAt)) {
            return;
        }
        asking = true;
        const bool giveUp = policy.askGiveUp(stillWaiting);
        asking = false;
        askAgainAt = SteadyClock::now() + notice;
        if (giveUp) {
            end = WaitEnd::GivenUp;
            loop.quit();
        }
    });
    tick.start(kTick);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    {
        std::lock_guard lock(shared_->mutex);
        call.loop = nullptr;
    }
    if (end == WaitEnd::GivenUp) {
        return end;
    }
    if (finished(call)) {
        return WaitEnd::Answered;
    }
    return end;
}

} // namespace velmora::calc
