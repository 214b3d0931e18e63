#include "WorkScope.h"

namespace quenlit {

namespace {
int s_suspendedWaits = 0;
int s_liveRuns = 0;
} // namespace

PendingWait::PendingWait(WorkScope& scope, int timeoutMs, bool timeoutFires, Arm arm)
    : m_scope(&scope)
    , m_timeoutMs(timeoutMs)
    , m_timeoutFires(timeoutFires)
    , m_arm(std::move(arm)) {}

PendingWait::~PendingWait() {
    // A frame destroyed while it waits must not be resumed later.
    if (m_suspended)
        disarm();
}

bool PendingWait::await_ready() const noexcept {
    return m_scope->m_cancelled;
}

void PendingWait::await_suspend(std::coroutine_handle<> handle) {
    m_handle = handle;
    m_suspended = true;
    ++s_suspendedWaits;
    m_position = m_scope->m_pending.insert(m_scope->m_pending.end(), this);
    m_self = std::make_shared<PendingWait*>(this);
    if (m_timeoutMs >= 0)
        m_timer = m_scope->m_clock.callAfter(m_timeoutMs, [this] {
            m_timer = 0;
            finish(m_timeoutFires);
        });
    // Last: an answer given at once resumes the frame, which may end it.
    if (m_arm) {
        auto fire = [self = m_self] {
            if (*self)
                (*self)->finish(true);
        };
        const std::shared_ptr<PendingWait*> self = m_self;
        QMetaObject::Connection connection = m_arm(fire);
        if (*self)
            m_connection = connection;
    }
}

void PendingWait::disarm() {
    m_suspended = false;
    --s_suspendedWaits;
    *m_self = nullptr;
    m_scope->m_pending.erase(m_position);
    if (m_timer)
        m_scope->m_clock.cancel(std::exchange(m_timer, 0));
    QObject::disconnect(m_connection);
}

void PendingWait::finish(bool fired) {
    if (!m_suspended)
        return;
    disarm();
    m_fired = fired;
    // Resuming may end the frame that holds this wait: nothing may follow.
    m_handle.resume();
}

WorkScope::WorkScope(Clock& clock)
    : m_clock(clock) {}

WorkScope::~WorkScope() {
    m_queued.clear();
    cancel();
    *m_alive = false;
}

int WorkScope::suspendedWaits() {
    return s_suspendedWaits;
}

int WorkScope::liveRuns() {
    return s_liveRuns;
}

PendingWait WorkScope::sleep(int ms) {
    return PendingWait(*this, qMax(0, ms), true);
}

void WorkScope::start(std::function<QCoro::Task<>()> work) {
    if (m_cancelled && running()) {
        m_queued.push_back(std::move(work));
        return;
    }
    m_cancelled = false;
    m_runs.remove_if([](const QCoro::Task<>& run) { return run.isReady(); });
    m_runs.push_back(track(std::move(work)));
}

void WorkScope::cancel() {
    m_cancelled = true;
    // A run that ends here must not start queued work whose waits this loop would cancel.
    m_cancelling = true;
    const std::shared_ptr<bool> alive = m_alive;
    while (!m_pending.empty()) {
        m_pending.front()->finish(false);
        if (!*alive)
            return;
    }
    m_cancelling = false;
    if (m_running == 0)
        startQueued();
}

QCoro::Task<> WorkScope::track(std::function<QCoro::Task<>()> work) {
    const std::shared_ptr<bool> alive = m_alive;
    ++s_liveRuns;
    ++m_running;
    co_await work();
    --s_liveRuns;
    if (*alive)
        runEnded();
}

void WorkScope::runEnded() {
    if (--m_running == 0 && !m_cancelling)
        startQueued();
}

void WorkScope::startQueued() {
    if (m_queued.empty())
        return;
    m_cancelled = false;
    std::list<std::function<QCoro::Task<>()>> queued;
    queued.swap(m_queued);
    for (auto& work : queued)
        start(std::move(work));
}

} // namespace quenlit
