#pragma once

#include "Clock.h"

#include <QCoroTask>
#include <QObject>
#include <coroutine>
#include <functional>
#include <list>
#include <memory>

namespace quenlit {

class WorkScope;

// One suspended wait of a scope. It ends in one of three ways: it fires (true), its time
// runs out (false) or its scope is cancelled (false); whichever comes first disarms the rest.
class PendingWait {
public:
    // What makes the wait fire besides its timer: connects fire to a signal, returns the
    // connection so that it can be undone.
    using Arm = std::function<QMetaObject::Connection(std::function<void()> fire)>;

    PendingWait(WorkScope& scope, int timeoutMs, bool timeoutFires, Arm arm = {});
    // Moved only before it is awaited.
    PendingWait(PendingWait&& other) noexcept
        : m_scope(other.m_scope)
        , m_timeoutMs(other.m_timeoutMs)
        , m_timeoutFires(other.m_timeoutFires)
        , m_arm(std::move(other.m_arm)) {}
    PendingWait& operator=(PendingWait&&) = delete;
    ~PendingWait();

    bool await_ready() const noexcept;
    void await_suspend(std::coroutine_handle<> handle);
    [[nodiscard]] bool await_resume() const noexcept { return m_fired; }

private:
    friend class WorkScope;
    void finish(bool fired);
    void disarm();

    WorkScope* m_scope;
    int m_timeoutMs;
    // A time-out of a plain sleep means "done", of a signal wait "not fired".
    bool m_timeoutFires;
    Arm m_arm;
    bool m_fired = false;
    bool m_suspended = false;
    // What fire() reaches: nulled when the wait ends, so a late call does nothing.
    std::shared_ptr<PendingWait*> m_self;
    QMetaObject::Connection m_connection;
    Clock::CallbackId m_timer = 0;
    std::coroutine_handle<> m_handle;
    std::list<PendingWait*>::iterator m_position;
};

// The long work one owner (a window, a loop's logic) starts. Cancelling it resumes every
// pending wait at once with false, so each coroutine returns through its normal clean-up;
// destroying the scope cancels. Every wait of a cancelled scope returns false at once.
// A run started while a cancelled one is still unwinding begins after it has ended.
class WorkScope {
public:
    explicit WorkScope(Clock& clock);
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;
    ~WorkScope();

    Clock& clock() const { return m_clock; }

    // Starts a piece of work; when the scope is cancelled and still unwinding, it waits.
    void start(std::function<QCoro::Task<>()> work);
    // Ends every run of the scope now. Steps after the waits still run, in order.
    void cancel();
    bool cancelled() const { return m_cancelled; }
    // Some work started through start() has not returned yet.
    bool running() const { return m_running > 0; }

    // Resumes after ms on the scope's clock: true, or false when cancelled.
    [[nodiscard]] PendingWait sleep(int ms);
    // Lets pending events run once.
    [[nodiscard]] PendingWait letEventsRun() { return sleep(0); }
    // Resumes when the sender emits the signal (true), after timeoutMs (-1: never) or on
    // cancel (false).
    template <typename Sender, typename Signal>
    [[nodiscard]] PendingWait signal(const Sender* sender, Signal signal, int timeoutMs = -1) {
        return PendingWait(*this, timeoutMs, false, [sender, signal](std::function<void()> fire) {
            return QObject::connect(sender, signal, sender, [fire] { fire(); });
        });
    }
    // Resumes when the function that arm receives is called (true); a call after the wait
    // has ended does nothing. For callbacks of prompts and other one-shot answers.
    [[nodiscard]] PendingWait called(std::function<void(std::function<void()> fire)> arm,
                                     int timeoutMs = -1) {
        return PendingWait(*this, timeoutMs, false,
                           [arm = std::move(arm)](std::function<void()> fire) {
                               arm(std::move(fire));
                               return QMetaObject::Connection();
                           });
    }
    // Polls the condition every pollMs until it holds (true), timeoutMs pass or the scope is
    // cancelled (false).
    template <typename Condition>
    QCoro::Task<bool> waitUntil(Condition condition, int timeoutMs, int pollMs = 10) {
        const double deadline = m_clock.elapsedSeconds() + timeoutMs / 1000.0;
        while (!condition()) {
            if (m_clock.elapsedSeconds() >= deadline)
                co_return false;
            const bool slept = co_await sleep(pollMs);
            if (!slept)
                co_return false;
        }
        co_return true;
    }

    // Across all scopes: waits that are suspended now, and runs not yet returned. Both are
    // zero when no coroutine frame is left behind.
    static int suspendedWaits();
    static int liveRuns();

private:
    friend class PendingWait;
    QCoro::Task<> track(std::function<QCoro::Task<>()> work);
    void runEnded();
    void startQueued();

    Clock& m_clock;
    bool m_cancelled = false;
    bool m_cancelling = false;
    int m_running = 0;
    std::list<PendingWait*> m_pending;
    std::list<QCoro::Task<>> m_runs;
    std::list<std::function<QCoro::Task<>()>> m_queued;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace quenlit
