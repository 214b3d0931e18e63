#pragma once

#include "Clock.h"

#include <map>

namespace quenlit::testing {

// A clock that moves only when the test advances it. Callbacks run in time order, those
// of equal time in the order they were scheduled.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(double startSecondsSinceMidnight = 36000.0)
        : m_midnightOffset(startSecondsSinceMidnight) {}

    double secondsSinceMidnight() const override;
    double elapsedSeconds() const override { return m_nowMs / 1000.0; }
    CallbackId callAfter(int delayMs, std::function<void()> callback) override;
    void cancel(CallbackId id) override;

    // Runs everything due up to now + ms, including callbacks scheduled while running.
    void advance(qint64 ms);
    // Lets pending zero-delay work run without moving time.
    void runPending() { advance(0); }
    qint64 nowMs() const { return m_nowMs; }
    bool hasPending() const { return !m_queue.empty(); }

private:
    struct Key {
        qint64 due;
        CallbackId id;
        bool operator<(const Key& other) const {
            return due != other.due ? due < other.due : id < other.id;
        }
    };
    std::map<Key, std::function<void()>> m_queue;
    std::map<CallbackId, qint64> m_dueById;
    qint64 m_nowMs = 0;
    double m_midnightOffset;
    CallbackId m_nextId = 1;
};

} // namespace quenlit::testing
