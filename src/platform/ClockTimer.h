#pragma once

#include "Clock.h"

#include <QObject>

namespace quenlit {

// A window timer (interval, enabled, tick) that runs on the injected clock.
class ClockTimer : public QObject {
    Q_OBJECT
public:
    explicit ClockTimer(Clock& clock, int intervalMs = 0, QObject* parent = nullptr);
    ~ClockTimer() override;

    void setInterval(int ms) { m_intervalMs = ms; }
    int interval() const { return m_intervalMs; }
    void start();
    void stop();
    void setEnabled(bool on) { on ? start() : stop(); }
    bool isActive() const { return m_pending != 0; }

signals:
    void timeout();

private:
    void arm();

    Clock& m_clock;
    int m_intervalMs;
    Clock::CallbackId m_pending = 0;
};

} // namespace quenlit
