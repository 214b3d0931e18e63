#pragma once

#include "Clock.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <coroutine>

namespace quenlit {

// co_await sleepFor(clock, ms): resumes the coroutine from the event loop after ms on the
// given clock. With 0 it only lets pending events run. With a context object, a coroutine
// whose context has been destroyed meanwhile is never resumed.
class SleepFor {
public:
    SleepFor(Clock& clock, int delayMs, QObject* context = nullptr)
        : m_clock(clock)
        , m_delayMs(delayMs)
        , m_context(context)
        , m_guarded(context != nullptr) {}
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) {
        m_clock.callAfter(m_delayMs, [handle, context = m_context, guarded = m_guarded] {
            if (!guarded || context)
                handle.resume();
        });
    }
    void await_resume() const noexcept {}

private:
    Clock& m_clock;
    int m_delayMs;
    QPointer<QObject> m_context;
    bool m_guarded;
};

inline SleepFor sleepFor(Clock& clock, int delayMs, QObject* context = nullptr) {
    return SleepFor(clock, delayMs, context);
}
inline SleepFor letEventsRun(Clock& clock, QObject* context = nullptr) {
    return SleepFor(clock, 0, context);
}

// Checks the condition after each turn of the event loop (every pollMs of the clock)
// until it holds (true) or timeoutMs have passed (false).
template <typename Condition>
QCoro::Task<bool> waitUntil(Clock& clock, Condition condition, int timeoutMs, int pollMs = 10) {
    const double deadline = clock.elapsedSeconds() + timeoutMs / 1000.0;
    while (!condition()) {
        if (clock.elapsedSeconds() >= deadline)
            co_return false;
        co_await sleepFor(clock, pollMs);
    }
    co_return true;
}

} // namespace quenlit
