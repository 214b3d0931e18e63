#include "ClockTimer.h"

namespace quenlit {

ClockTimer::ClockTimer(Clock& clock, int intervalMs, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_intervalMs(intervalMs) {}

ClockTimer::~ClockTimer() {
    stop();
}

void ClockTimer::start() {
    stop();
    arm();
}

void ClockTimer::stop() {
    if (m_pending != 0) {
        m_clock.cancel(m_pending);
        m_pending = 0;
    }
}

void ClockTimer::arm() {
    m_pending = m_clock.callAfter(m_intervalMs, [this] {
        // Re-arm before the tick so a handler that stops the timer wins.
        arm();
        emit timeout();
    });
}

} // namespace quenlit
