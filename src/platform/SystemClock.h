#pragma once

#include "Clock.h"

#include <QElapsedTimer>
#include <QHash>

class QTimer;

namespace quenlit {

// Wall-clock time and Qt's event-loop timers.
class SystemClock final : public Clock {
public:
    SystemClock();
    ~SystemClock() override;

    double secondsSinceMidnight() const override;
    double elapsedSeconds() const override;
    CallbackId callAfter(int delayMs, std::function<void()> callback) override;
    void cancel(CallbackId id) override;

private:
    QElapsedTimer m_elapsed;
    QHash<CallbackId, QTimer*> m_pending;
    CallbackId m_nextId = 1;
};

} // namespace quenlit
