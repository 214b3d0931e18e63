#include "ResultHandOff.h"

#include "Async.h"
#include "DownloadList.h"
#include "LiveSettings.h"
#include "ResultListModel.h"

namespace quenlit {

namespace {
const QString Succeeded = QStringLiteral("成功");
const QString Failed = QStringLiteral("分析失败");

bool matches(HandOffRule rule, const ResultRow& row, bool selected) {
    switch (rule) {
    case HandOffRule::NewRows:
        return row.status.isEmpty();
    case HandOffRule::FailedRows:
        return row.status == Failed;
    case HandOffRule::SelectedRows:
        return selected;
    case HandOffRule::AllRows:
        return true;
    }
    return false;
}
} // namespace

ResultHandOff::ResultHandOff(Clock& clock, ResultListModel& results, LiveSettings& live,
                             HandOffTarget& target, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_results(results)
    , m_live(live)
    , m_target(target) {}

void ResultHandOff::HandOff(HandOffRule rule, QSet<int> selected, bool fromTimer) {
    // The automatic hand-off waits for a running one instead of overlapping it.
    if (!m_analysisIdle)
        return;
    m_task.emplace(run(rule, std::move(selected), fromTimer));
}

QCoro::Task<> ResultHandOff::run(HandOffRule rule, QSet<int> selected, bool fromTimer) {
    emit busyChanged(true);
    m_analysisIdle = false;
    co_await letEventsRun(m_clock, this);

    bool proceed = m_results.count() > 0;
    if (proceed && !(rule == HandOffRule::NewRows && fromTimer)) {
        if (m_live.SaveFolderPromptFlag == 1)
            m_live.SaveFolderCancelled = false;
        else
            m_target.askSaveFolder();
        proceed = !m_live.SaveFolderCancelled;
    }
    if (proceed) {
        const int count = m_results.count();
        for (int position = 1; position <= count && position <= m_results.count(); ++position) {
            const ResultRow row = m_results.row(position);
            if (!matches(rule, row, selected.contains(position)))
                continue;
            // Asked each time: the download window may have been closed meanwhile.
            加入下载列表(m_target.downloadList(), {m_live.DownloadFolder, m_live.UseSourceFileName},
                         row.key, row.title, row.type, row.saveFolder, row.tag);
            m_results.modify(position, [](ResultRow& changed) { changed.status = Succeeded; });
            co_await letEventsRun(m_clock, this);
            if (m_analysisIdle)
                break;
        }
    }
    emit busyChanged(false);
    m_analysisIdle = true;
    m_target.显示下载窗口(false);
}

} // namespace quenlit
