#pragma once

#include <QtGlobal>
#include <functional>

namespace quenlit {

// The one source of time. Windows and loops take it injected, so tests can drive
// minutes of timers in microseconds with a virtual clock.
class Clock {
public:
    using CallbackId = quint64;

    virtual ~Clock() = default;

    // Seconds since local midnight, with fractions (the timestamps of the download list).
    virtual double secondsSinceMidnight() const = 0;
    // Seconds since an arbitrary fixed start; never goes backwards.
    virtual double elapsedSeconds() const = 0;

    // Runs the callback once after delayMs; 0 means "after pending events have run".
    virtual CallbackId callAfter(int delayMs, std::function<void()> callback) = 0;
    // Forgets a pending callback; an unknown or fired id is ignored.
    virtual void cancel(CallbackId id) = 0;
};

} // namespace quenlit
