#pragma once

#include <QCoroTask>
#include <QObject>
#include <QSet>
#include <optional>

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
    // The save-folder dialog, modal.
    virtual void askSaveFolder() = 0;
};

enum class HandOffRule { NewRows, FailedRows, SelectedRows, AllRows };

// Hands rows of the results list over to the download list ("分析").
class ResultHandOff : public QObject {
    Q_OBJECT
public:
    ResultHandOff(Clock& clock, ResultListModel& results, LiveSettings& live, HandOffTarget& target,
                  QObject* parent = nullptr);

    // selected: positions of the selected rows, for the selected-rows rule. fromTimer: the
    // automatic hand-off, which never asks for a folder.
    void HandOff(HandOffRule rule, QSet<int> selected = {}, bool fromTimer = false);
    bool analysisIdle() const { return m_analysisIdle; }
    // "停止", and the window closing.
    void stop() { m_analysisIdle = true; }

signals:
    // The progress panel "正在分析,请稍候..." is shown or hidden.
    void busyChanged(bool busy);

private:
    QCoro::Task<> run(HandOffRule rule, QSet<int> selected, bool fromTimer);

    Clock& m_clock;
    ResultListModel& m_results;
    LiveSettings& m_live;
    HandOffTarget& m_target;
    bool m_analysisIdle = true;
    std::optional<QCoro::Task<>> m_task;
};

} // namespace quenlit
