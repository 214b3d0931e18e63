#pragma once

#include <QCoroTask>
#include <QObject>
#include <QSet>

#include "WorkScope.h"

namespace quenlit {

class Clock;
class DownloadListModel;
class ResultListModel;
struct LiveSettings;

// Where handed-over rows go: the download window's list.
class HandOffTarget {
public:
    virtual ~HandOffTarget() = default;
    // The download list, loading the download window when it is not loaded yet.
    virtual DownloadListModel& downloadList() = 0;
    // Shows the download window when it is loaded.
    virtual void 显示下载窗口(bool restore) = 0;
    // The save-folder dialog, awaited.
    virtual QCoro::Task<> askSaveFolder(WorkScope& scope) = 0;
    // "自动分析未分析项" runs: its hand-off of new rows never asks for a folder.
    virtual bool automaticHandOffOn() const = 0;
};

enum class HandOffRule { NewRows, FailedRows, SelectedRows, AllRows };

// Hands rows of the results list over to the download list ("分析").
class ResultHandOff : public QObject {
    Q_OBJECT
public:
    ResultHandOff(Clock& clock, ResultListModel& results, LiveSettings& live, HandOffTarget& target,
                  QObject* parent = nullptr);

    // selected: positions of the selected rows, for the selected-rows rule. A hand-off that
    // runs already is not doubled.
    void HandOff(HandOffRule rule, QSet<int> selected = {});
    // Until the last step of a run has been taken.
    bool analysisIdle() const { return !m_scope.running(); }
    // "停止", and the window closing: the run ends now and takes its last step.
    void stop() { m_scope.cancel(); }

signals:
    // The progress panel "正在分析,请稍候..." is shown or hidden.
    void busyChanged(bool busy);

private:
    QCoro::Task<> run(HandOffRule rule, QSet<int> selected);

    Clock& m_clock;
    ResultListModel& m_results;
    LiveSettings& m_live;
    HandOffTarget& m_target;
    WorkScope m_scope;
};

} // namespace quenlit
