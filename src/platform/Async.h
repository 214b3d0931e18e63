#pragma once

#include "Clock.h"

#include <QCoroTask>
#include <coroutine>

namespace quenlit {

// co_await sleepFor(clock, ms): resumes the coroutine from the event loop after ms on the
// given clock. With 0 it only lets pending events run.
class SleepFor {
public:
    SleepFor(Clock& clock, int delayMs)
        : m_clock(clock)
        , m_delayMs(delayMs) {}
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) {
        m_clock.callAfter(m_delayMs, [handle] { handle.resume(); });
    }
    void await_resume() const noexcept {}

private:
    Clock& m_clock;
    int m_delayMs;
};

inline SleepFor sleepFor(Clock& clock, int delayMs) {
    return SleepFor(clock, delayMs);
}
inline SleepFor letEventsRun(Clock& clock) {
    return SleepFor(clock, 0);
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
