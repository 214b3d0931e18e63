#include "BatchSearch.h"

#include "Async.h"
#include "Browser.h"
#include "HtmlDocument.h"
#include "LiveSettings.h"
#include "MessageSink.h"
#include "ResultListModel.h"
#include "SearchForm.h"

namespace quenlit {

namespace {
constexpr int PumpMs = 10;
constexpr double SearchLoadTimeoutSeconds = 30;
constexpr double NextPageLoadTimeoutSeconds = 60;
} // namespace

BatchSearch::BatchSearch(Browser& browser, Clock& clock, SearchForm& form, ResultListModel& results,
                         LiveSettings& live, SearchHosts hosts, MessageSink& messages,
                         QObject* parent)
    : QObject(parent)
    , m_browser(browser)
    , m_clock(clock)
    , m_form(form)
    , m_results(results)
    , m_live(live)
    , m_hosts(std::move(hosts))
    , m_messages(messages)
    , m_harvester(results, m_haltFlag) {
    connect(&browser, &Browser::DocumentComplete, this, [this] { m_loadingFlag = false; });
}

BatchSearch::~BatchSearch() = default;

double BatchSearch::now() const {
    return m_clock.elapsedSeconds();
}

QString BatchSearch::harvestFolder() const {
    return m_live.SaveFolderPromptFlag == 1 ? m_live.DownloadFolder : QString();
}

void BatchSearch::HarvestCurrentPage(const QString& saveFolder) {
    m_harvester.ExtractPageLinks(m_browser.Document(), saveFolder, m_form.titleOptions());
    m_form.resultsChanged();
}

void BatchSearch::harvest() {
    HarvestCurrentPage(harvestFolder());
}

void BatchSearch::stopAll() {
    m_walkIdle = true;
    m_batchIdle = true;
}

bool BatchSearch::walkMustStop() const {
    return m_walkIdle || m_haltFlag || (m_batchRunning && m_batchIdle);
}

void BatchSearch::RunBatchSearch() {
    if (m_batchRunning) {
        m_batchIdle = true;
        emit batchButtonEnabledChanged(false);
        return;
    }
    if (!m_walkIdle) {
        m_messages.showMessage(u"正在提取网页信息，请停止以后使用该功能！"_qs, MessageIcon::Error);
        return;
    }
    m_batchTask.emplace(runBatch());
}

void BatchSearch::WalkAllPages() {
    if (m_walkRunning) {
        m_walkIdle = true;
        emit walkButtonEnabledChanged(false);
        m_form.sizeResultColumns();
        return;
    }
    m_walkTask.emplace(walk());
}

QCoro::Task<> BatchSearch::runBatch() {
    m_batchRunning = true;
    emit batchRunningChanged(true);
    m_batchIdle = false;
    m_haltFlag = false;
    m_form.clearProgress();
    if (m_live.SaveFolderPromptFlag == 1)
        m_form.askSaveFolder();

    const QStringList lines = SplitKeywordLines(m_form.keywordText());
    for (const QString& line : lines) {
        co_await letEventsRun(m_clock, this);
        if (m_batchIdle || m_haltFlag)
            break;
        for (DocumentType type : AllDocumentTypes) {
            if (!m_form.typeTicked(type))
                continue;
            const QString address =
                BuildSearchAddress(line, type, m_form.wholePhrase(), m_form.timeRange(),
                                   SearchScope(m_live.SearchScope), m_hosts);
            if (!m_haltFlag)
                co_await 打开搜索网页(u"about:blank"_qs);
            co_await 打开搜索网页(address);
            co_await walk();
            m_form.appendProgress(line + ProgressLabel(type) + u' ');
            co_await letEventsRun(m_clock, this);
            if (m_batchIdle || m_haltFlag)
                break;
        }
        m_form.appendProgress(u"\r\n"_qs);
        if (m_batchIdle || m_haltFlag)
            break;
        co_await letEventsRun(m_clock, this);
    }

    m_batchRunning = false;
    emit batchRunningChanged(false);
    emit batchButtonEnabledChanged(true);
    m_batchIdle = true;
}

QCoro::Task<> BatchSearch::打开搜索网页(QString address) {
    const double start = now();
    m_loadingFlag = true;
    m_browser.Navigate(address);
    do {
        co_await sleepFor(m_clock, PumpMs, this);
    } while (m_browser.Busy() && m_loadingFlag && now() - start <= SearchLoadTimeoutSeconds &&
             !m_batchIdle);
}

QCoro::Task<> BatchSearch::walk() {
    m_walkRunning = true;
    emit walkRunningChanged(true);
    m_walkIdle = false;
    if (!m_batchRunning) {
        if (m_live.SaveFolderPromptFlag == 1)
            m_form.askSaveFolder();
        m_haltFlag = false;
    }
    while (true) {
        co_await letEventsRun(m_clock, this);
        if (walkMustStop())
            break;
        const bool loaded = co_await 下一页();
        if (!loaded)
            break;
        harvest();
        co_await letEventsRun(m_clock, this);
    }
    harvest();
    m_walkRunning = false;
    emit walkRunningChanged(false);
    emit walkButtonEnabledChanged(true);
    m_walkIdle = true;
    m_lastResultOffset = 0;
    m_form.sizeResultColumns();
}

QCoro::Task<bool> BatchSearch::下一页() {
    harvest();
    const HtmlDocument* document = m_browser.Document();
    if (!document)
        co_return false;
    const qint32 offset = 从网址提取页码数(document->URL());
    if (offset > 0) {
        if (offset < m_lastResultOffset) {
            m_lastResultOffset = 0;
            co_return false;
        }
        m_lastResultOffset = offset;
    }
    const HtmlElement* next = nullptr;
    for (const HtmlElement* anchor : document->getElementsByTagName(u"a"_qs)) {
        const QString title = anchor->title().trimmed().toLower();
        if (title == u"下一页" || title == u"next page") {
            next = anchor;
            break;
        }
    }
    if (!next)
        co_return false;

    const double clicked = now();
    m_loadingFlag = true;
    m_browser.click(*next);
    co_await letEventsRun(m_clock, this);
    while (m_browser.Busy() && m_loadingFlag) {
        co_await sleepFor(m_clock, PumpMs, this);
        if (now() - clicked > NextPageLoadTimeoutSeconds || walkMustStop()) {
            harvest();
            co_return false;
        }
    }
    const double loaded = now();
    while (true) {
        co_await sleepFor(m_clock, PumpMs, this);
        const int pause = m_form.pauseText().trimmed().toInt();
        if (now() - loaded >= pause + 1) {
            harvest();
            co_return true;
        }
        if (walkMustStop()) {
            harvest();
            co_return false;
        }
    }
}

} // namespace quenlit
