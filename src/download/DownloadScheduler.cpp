#include "DownloadScheduler.h"

#include "DownloadList.h"
#include "DownloadListModel.h"
#include "Inet.h"
#include "LiveSettings.h"
#include "NextRow.h"
#include "ParallelEngine.h"
#include "SingleConnectionEngine.h"

#include <cmath>

namespace quenlit {

DownloadScheduler::DownloadScheduler(DownloadEnvironment& environment,
                                     SingleConnectionEngine& single, ParallelEngine& parallel,
                                     QObject* parent)
    : QObject(parent)
    , m_environment(environment)
    , m_single(single)
    , m_parallel(parallel)
    , m_timerDown(environment.clock, 1000)
    , m_timer1(environment.clock, 1000)
    , m_work(environment.clock) {
    connect(&m_timerDown, &ClockTimer::timeout, this, &DownloadScheduler::schedulingTick);
    connect(&m_timer1, &ClockTimer::timeout, this, &DownloadScheduler::supervisionTick);
    m_timer1.start();
}

DownloadScheduler::~DownloadScheduler() {
    shutDown();
}

void DownloadScheduler::setScheduling(bool on) {
    if (on == m_timerDown.isActive())
        return;
    m_timerDown.setEnabled(on);
    emit schedulingChanged(on);
}

void DownloadScheduler::start() {
    setScheduling(true);
}

void DownloadScheduler::stop() {
    controls.autoStart = false;
    controls.autoRedownload = false;
    emit automaticRulesCleared();
    m_single.Inet1().Cancel();
    setScheduling(false);
    m_environment.state.busy = false;
    m_single.Inet1().Cancel();
    m_parallel.unloadSlots();
    DownloadListModel& list = m_environment.list;
    for (int position = 1; position <= list.count(); ++position) {
        if (list.row(position).state == DownloadRow::Downloading)
            list.modify(position, [](DownloadRow& row) { row.state = DownloadRow::Failed; });
    }
    m_environment.state.busy = false;
}

void DownloadScheduler::shutDown() {
    m_timer1.stop();
    setScheduling(false);
    stop();
    // The running method-1 download returns through its clean-up now, not at its next piece.
    m_work.cancel();
}

void DownloadScheduler::playListDone() {
    if (m_environment.view.soundPromptTicked())
        m_environment.view.playPrompt(SoundPrompt::ListDone);
}

int DownloadScheduler::takeNextRow() {
    return NextRowToDownload(m_environment.list, m_environment.view.duplicateNamePolicy(), false,
                             m_environment.messages);
}

void DownloadScheduler::schedulingTick() {
    DownloadListModel& list = m_environment.list;
    if (list.count() == 0) {
        setScheduling(false);
        return;
    }
    // Downloads started during a login would fetch the login page instead of the document.
    if (m_environment.view.loginRunning())
        return;
    const double now = m_environment.clock.secondsSinceMidnight();
    // Past midnight the difference is large, so the pause counts as over.
    if (std::fabs(double(m_environment.state.lastFinishTime) - now) <= controls.pauseSeconds)
        return;
    if (m_environment.live.DownloadMethod != 1) {
        m_parallel.dispatchPass(controls.threadCount);
        return;
    }
    // A download that was stopped may still be unwinding: a new one starts only after it.
    if (m_environment.state.busy || m_work.running())
        return;
    const int position = takeNextRow();
    if (position == 0)
        return;
    list.modify(position, [](DownloadRow& row) {
        row.state = DownloadRow::Downloading;
        row.size.clear();
        row.downloaded.clear();
        row.percent.clear();
    });
    if (m_environment.state.follow)
        m_environment.view.scrollToRow(position);
    m_work.start([this, position]() -> QCoro::Task<> {
        co_await m_single.Inet下载当前文件(m_work, position);
    });
}

void DownloadScheduler::supervisionTick() {
    DownloadListModel& list = m_environment.list;
    DownloadWindowState& state = m_environment.state;
    if (检测是否下载列表完毕(list)) {
        if (m_timerDown.isActive()) {
            setScheduling(false);
            playListDone();
        }
    }
    if (m_environment.live.DownloadMethod == 1) {
        if (!m_single.Inet1().StillExecuting() && !m_timerDown.isActive())
            state.busy = false;
    } else {
        state.busy = m_timerDown.isActive();
    }
    emit countersDue();
    if (controls.autoStart && 统计未下载项数目(list) >= 1)
        setScheduling(true);
    if (controls.autoRedownload && !m_timerDown.isActive()) {
        if (controls.redownload != RedownloadChoice::WebRows)
            RequeueFailedRows(list);
        if (controls.redownload != RedownloadChoice::FailedRows)
            RequeueWebRows(list);
        setScheduling(true);
    }
    if (controls.stopRule && CountFailedOrWebRows(list) >= 5 && m_timerDown.isActive()) {
        setScheduling(false);
        playListDone();
    }
}

} // namespace quenlit
