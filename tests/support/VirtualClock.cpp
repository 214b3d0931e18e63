#include "VirtualClock.h"

#include <cmath>

namespace quenlit::testing {

double VirtualClock::secondsSinceMidnight() const {
    return std::fmod(m_midnightOffset + m_nowMs / 1000.0, 86400.0);
}

Clock::CallbackId VirtualClock::callAfter(int delayMs, std::function<void()> callback) {
    const CallbackId id = m_nextId++;
    const qint64 due = m_nowMs + qMax(0, delayMs);
    m_queue.emplace(Key{due, id}, std::move(callback));
    m_dueById.emplace(id, due);
    return id;
}

void VirtualClock::cancel(CallbackId id) {
    const auto it = m_dueById.find(id);
    if (it == m_dueById.end())
        return;
    m_queue.erase(Key{it->second, id});
    m_dueById.erase(it);
}

void VirtualClock::advance(qint64 ms) {
    const qint64 target = m_nowMs + ms;
    while (!m_queue.empty() && m_queue.begin()->first.due <= target) {
        auto node = m_queue.extract(m_queue.begin());
        m_dueById.erase(node.key().id);
        m_nowMs = node.key().due;
        node.mapped()();
    }
    m_nowMs = target;
}

} // namespace quenlit::testing
