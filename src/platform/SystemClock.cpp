#include "SystemClock.h"

#include <QTime>
#include <QTimer>

namespace quenlit {

SystemClock::SystemClock() {
    m_elapsed.start();
}

SystemClock::~SystemClock() {
    qDeleteAll(m_pending);
}

double SystemClock::secondsSinceMidnight() const {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

double SystemClock::elapsedSeconds() const {
    return m_elapsed.nsecsElapsed() / 1e9;
}

Clock::CallbackId SystemClock::callAfter(int delayMs, std::function<void()> callback) {
    const CallbackId id = m_nextId++;
    auto* timer = new QTimer;
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [this, id, callback = std::move(callback)] {
        if (QTimer* fired = m_pending.take(id))
            fired->deleteLater();
        callback();
    });
    m_pending.insert(id, timer);
    timer->start(qMax(0, delayMs));
    return id;
}

void SystemClock::cancel(CallbackId id) {
    if (QTimer* timer = m_pending.take(id)) {
        timer->stop();
        timer->deleteLater();
    }
}

} // namespace quenlit
