#pragma once

#include "Harvester.h"
#include "QueryBuilder.h"
#include "WorkScope.h"

#include <QCoroTask>
#include <QObject>
#include <QSet>
#include <memory>

namespace quenlit {

class Browser;
class Clock;
class HtmlDocument;
class MessageSink;
class ResultListModel;
class SearchForm;
struct LiveSettings;

// Walks the browser through result pages: one search per keyword line and ticked type,
// each followed by a walk over its next-page links, harvesting every page.
class BatchSearch : public QObject {
    Q_OBJECT
public:
    BatchSearch(Browser& browser, Clock& clock, SearchForm& form, ResultListModel& results,
                LiveSettings& live, SearchHosts hosts, MessageSink& messages,
                QObject* parent = nullptr);
    ~BatchSearch() override;

    // Command1: starts a batch, or asks the running one to stop.
    void RunBatchSearch();
    // Command4: starts a walk over the current page's results, or asks it to stop.
    void WalkAllPages();
    // "加入本页到列表": harvests the page on show, read afresh.
    void HarvestCurrentPage(const QString& saveFolder);
    // The window closes: every loop ends now, through its clean-up.
    void stopAll();
    bool working() const { return m_scope.running(); }

    bool batchRunning() const { return m_batchRunning; }
    bool walkRunning() const { return m_walkRunning; }
    bool haltFlag() const { return m_haltFlag; }
    qint32 lastResultOffset() const { return m_lastResultOffset; }
    // The folder every harvested row carries.
    QString harvestFolder() const;

signals:
    void batchRunningChanged(bool running);
    void walkRunningChanged(bool running);
    void batchButtonEnabledChanged(bool enabled);
    void walkButtonEnabledChanged(bool enabled);

private:
    QCoro::Task<> runBatch();
    QCoro::Task<> walk();
    QCoro::Task<> 打开搜索网页(QString address);
    QCoro::Task<bool> 下一页();
    bool walkMustStop() const;
    double now() const;
    void harvest(const HtmlDocument& page, const QString& saveFolder);
    // Reads the live page and harvests it; the page, or none when it could not be read.
    QCoro::Task<std::shared_ptr<const HtmlDocument>> harvestLivePage(QString saveFolder);

    Browser& m_browser;
    Clock& m_clock;
    SearchForm& m_form;
    ResultListModel& m_results;
    LiveSettings& m_live;
    SearchHosts m_hosts;
    MessageSink& m_messages;
    Harvester m_harvester;

    bool m_loadingFlag = false;
    bool m_walkIdle = true;
    bool m_batchIdle = true;
    bool m_haltFlag = false;
    qint32 m_lastResultOffset = 0;
    bool m_batchRunning = false;
    bool m_walkRunning = false;
    // The page and next link of the walk's last step: met again, the walk would go round.
    // Every (page, next link) the walk has taken: a pager that cycles ends the walk.
    QSet<QString> m_walkSteps;
    WorkScope m_scope;
};

} // namespace quenlit
