#include "ResultHandOff.h"

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
    , m_target(target)
    , m_scope(clock) {}

void ResultHandOff::HandOff(HandOffRule rule, QSet<int> selected) {
    // The automatic hand-off waits for a running one instead of overlapping it; after a
    // stop, the new run begins once the old one has ended.
    if (m_scope.running() && !m_scope.cancelled())
        return;
    m_scope.start([this, rule, selected = std::move(selected)] { return run(rule, selected); });
}

QCoro::Task<> ResultHandOff::run(HandOffRule rule, QSet<int> selected) {
    emit busyChanged(true);
    const bool ran = co_await m_scope.letEventsRun();

    bool proceed = ran && m_results.count() > 0;
    if (proceed && !(rule == HandOffRule::NewRows && m_target.automaticHandOffOn())) {
        if (m_live.SaveFolderPromptFlag == 1)
            m_live.SaveFolderCancelled = false;
        else
            co_await m_target.askSaveFolder(m_scope);
        proceed = !m_live.SaveFolderCancelled && !m_scope.cancelled();
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
            const bool more = co_await m_scope.letEventsRun();
            if (!more)
                break;
        }
    }
    emit busyChanged(false);
    m_target.显示下载窗口(false);
}

} // namespace quenlit
