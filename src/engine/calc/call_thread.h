#pragma once

// Inside the Calc link: the thread that makes the calls to one office, one at a time, and how
// the thread that asks waits for the answer. The user-interface thread keeps its windows
// painting while it waits (user input excluded, so nothing starts inside the wait), and asks
// the user whether to wait on once the office has been silent for a while.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class QEventLoop;

namespace velmora::calc {

using SteadyClock = std::chrono::steady_clock;

struct WaitPolicy {
    // Silent this long, the call is given up.
    int timeoutMs = 5000;
    // Silent this long (and allowed to wait longer), the user-interface thread asks askGiveUp,
    // passing a function that tells whether the call still waits; true gives up.
    int noticeMs = 5000;
    std::function<bool(const std::function<bool()>&)> askGiveUp;
    // When a call inside the one waited for last answered: the office is not silent then.
    const std::atomic<SteadyClock::rep>* lastAnswer = nullptr;
};

enum class WaitEnd { Answered, TimedOut, GivenUp };

class CallThread {
public:
    CallThread();
    ~CallThread();
    CallThread(const CallThread&) = delete;
    CallThread& operator=(const CallThread&) = delete;

    // Whether the caller runs on this thread (a call inside a call).
    bool current() const { return std::this_thread::get_id() == id_; }

    struct Call {
        std::function<void()> work;
        bool started = false;
        bool finished = false;
        // finished, for a look without the lock.
        std::atomic<bool> done{false};
        std::exception_ptr error;
        // The event loop the asking thread waits in, woken when the call finishes.
        QEventLoop* loop = nullptr;
    };

    // Queues `work` to run on this thread after the calls queued before.
    std::shared_ptr<Call> post(std::function<void()> work);
    // Waits for a posted call as `policy` says. Answered: the work ran, and its exception is
    // rethrown here. Given up or timed out: a call not started yet never runs; one under way
    // is ended by `stop`, which must make it return soon, and this returns once it has.
    WaitEnd await(const std::shared_ptr<Call>& call, const WaitPolicy& policy,
                  const std::function<void(WaitEnd)>& stop);

private:
    // What the thread shares with its owner; the thread keeps it should it outlive the owner
    // (the last owner letting go inside a call).
    struct Shared {
        std::mutex mutex;
        std::condition_variable work;
        std::condition_variable done;
        std::deque<std::shared_ptr<Call>> queue;
        // Calls queued, for a look without the lock.
        std::atomic<int> queued{0};
        bool stop = false;
    };

    static void serve(Shared& shared);
    WaitEnd wait(Call& call, const WaitPolicy& policy, SteadyClock::time_point start);
    // nullopt when the event loop cannot run (the application is quitting).
    std::optional<WaitEnd> waitPainting(Call& call, const WaitPolicy& policy,
                                        SteadyClock::time_point start);
    bool finished(const Call& call) const;

    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::thread thread_;
    std::thread::id id_;
};

} // namespace velmora::calc
