#pragma once

#include "ClockTimer.h"
#include "DownloadEnvironment.h"
#include "WorkScope.h"

#include <QObject>

namespace quenlit {

class ParallelEngine;
class SingleConnectionEngine;

// "自动重新下载：" choices, in the order of Combo4.
enum class RedownloadChoice { FailedRows, WebRows, FailedAndWebRows };

// What the scheduler reads of the window's controls; the window keeps it in step.
struct SchedulerControls {
    int pauseSeconds = 0;        // Combo2 "两个文件下载间隔："
    int threadCount = 1;         // Combo1 "线程数："
    bool autoStart = false;      // Check4
    bool autoRedownload = false; // Check3
    RedownloadChoice redownload = RedownloadChoice::FailedRows; // Combo4
    bool stopRule = false;                                      // Check5
};

// Drives the download list with the scheduling tick Timer_Down (picks the next row for the
// current method) and the supervision tick Timer1 (counters, busy flag, the automatic rules,
// the list-done prompt).
class DownloadScheduler : public QObject {
    Q_OBJECT
public:
    DownloadScheduler(DownloadEnvironment& environment, SingleConnectionEngine& single,
                      ParallelEngine& parallel, QObject* parent = nullptr);
    ~DownloadScheduler() override;

    SchedulerControls controls;

    // "开始下载": switches the scheduling tick on; rows are not re-queued.
    void start();
    // "停止下载": unticks the automatic rules, stops every transfer, fails downloading rows.
    void stop();
    // The window closes: stops, switches both ticks off and ends the running download.
    void shutDown();

    bool schedulingOn() const { return m_timerDown.isActive(); }
    // A method-1 download has not yet returned (it may still be unwinding after a stop).
    bool singleDownloadRunning() const { return m_work.running(); }

    void schedulingTick();
    void supervisionTick();

signals:
    // Shape1 and the enabling of "开始下载" follow the scheduling tick.
    void schedulingChanged(bool on);
    // The stop command unticked "当有待下载项时，自动启动下载" and "自动重新下载：".
    void automaticRulesCleared();
    // Panel 4 should be rewritten.
    void countersDue();

private:
    void setScheduling(bool on);
    void playListDone();
    // The first waiting row that is to be downloaded, its name and folder made ready; 0
    // when none.
    int takeNextRow();

    DownloadEnvironment& m_environment;
    SingleConnectionEngine& m_single;
    ParallelEngine& m_parallel;
    ClockTimer m_timerDown;
    ClockTimer m_timer1;
    WorkScope m_work;
};

} // namespace quenlit
