#include "BatchSearch.h"

#include "Browser.h"
#include "HtmlDocument.h"
#include "LivePage.h"
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
    , m_harvester(results, m_haltFlag)
    , m_scope(clock) {
    connect(&browser, &Browser::DocumentComplete, this, [this] { m_loadingFlag = false; });
}

BatchSearch::~BatchSearch() {
    stopAll();
}

double BatchSearch::now() const {
    return m_clock.elapsedSeconds();
}

QString BatchSearch::harvestFolder() const {
    return m_live.SaveFolderPromptFlag == 1 ? m_live.DownloadFolder : QString();
}

void BatchSearch::harvest(const HtmlDocument& page, const QString& saveFolder) {
    m_harvester.ExtractPageLinks(&page, saveFolder, m_form.titleOptions());
    m_form.resultsChanged();
}

QCoro::Task<std::shared_ptr<const HtmlDocument>> BatchSearch::harvestLivePage(QString saveFolder) {
    std::shared_ptr<const HtmlDocument> page = co_await readLivePage(m_browser, m_scope);
    if (page)
        harvest(*page, saveFolder);
    co_return page;
}

void BatchSearch::HarvestCurrentPage(const QString& saveFolder) {
    m_scope.start([this, saveFolder]() -> QCoro::Task<> {
        co_await harvestLivePage(saveFolder);
        m_form.sizeResultColumns();
    });
}

void BatchSearch::stopAll() {
    m_walkIdle = true;
    m_batchIdle = true;
    m_scope.cancel();
}

bool BatchSearch::walkMustStop() const {
    return m_scope.cancelled() || m_walkIdle || m_haltFlag || (m_batchRunning && m_batchIdle);
}

void BatchSearch::RunBatchSearch() {
    if (m_batchRunning) {
        m_batchIdle = true;
        emit batchButtonEnabledChanged(false);
        m_scope.cancel();
        return;
    }
    if (!m_walkIdle || m_walkRunning) {
        m_messages.showMessage(u"正在提取网页信息，请停止以后使用该功能！"_qs, MessageIcon::Error);
        return;
    }
    m_scope.start([this] { return runBatch(); });
}

void BatchSearch::WalkAllPages() {
    if (m_walkRunning) {
        m_walkIdle = true;
        emit walkButtonEnabledChanged(false);
        m_form.sizeResultColumns();
        return;
    }
    // Between the searches of a batch there is no walk to stop, and a second walk beside
    // the batch's would click pages of its own.
    if (m_batchRunning)
        return;
    m_scope.start([this] { return walk(); });
}

QCoro::Task<> BatchSearch::runBatch() {
    m_batchRunning = true;
    emit batchRunningChanged(true);
    emit walkButtonEnabledChanged(false);
    m_batchIdle = false;
    m_haltFlag = false;
    m_form.clearProgress();
    if (m_live.SaveFolderPromptFlag == 1)
        co_await m_form.askSaveFolder(m_scope);

    const QStringList lines = SplitKeywordLines(m_form.keywordText());
    for (const QString& line : lines) {
        const bool ran = co_await m_scope.letEventsRun();
        if (!ran || m_batchIdle || m_haltFlag)
            break;
        for (DocumentType type : AllDocumentTypes) {
            if (!m_form.typeTicked(type))
                continue;
            const QString address =
                BuildSearchAddress(line, type, m_form.wholePhrase(), m_form.timeRange(),
                                   SearchScope(m_live.SearchScope), m_hosts);
            if (!m_haltFlag)
                co_await 打开搜索网页(u"about:blank"_qs);
            // Stopped or closed during the blank page: the next search is not opened.
            if (m_scope.cancelled() || m_batchIdle)
                break;
            co_await 打开搜索网页(address);
            if (m_scope.cancelled())
                break;
            co_await walk();
            m_form.appendProgress(line + ProgressLabel(type) + u' ');
            const bool more = co_await m_scope.letEventsRun();
            if (!more || m_batchIdle || m_haltFlag)
                break;
        }
        m_form.appendProgress(u"\r\n"_qs);
        if (m_scope.cancelled() || m_batchIdle || m_haltFlag)
            break;
    }

    m_batchRunning = false;
    emit batchRunningChanged(false);
    emit batchButtonEnabledChanged(true);
    emit walkButtonEnabledChanged(true);
    m_batchIdle = true;
}

QCoro::Task<> BatchSearch::打开搜索网页(QString address) {
    const double start = now();
    m_loadingFlag = true;
    m_browser.Navigate(address);
    do {
        const bool ran = co_await m_scope.sleep(PumpMs);
        if (!ran)
            co_return;
    } while (m_browser.Busy() && m_loadingFlag && now() - start <= SearchLoadTimeoutSeconds &&
             !m_batchIdle);
}

QCoro::Task<> BatchSearch::walk() {
    m_walkRunning = true;
    emit walkRunningChanged(true);
    emit walkButtonEnabledChanged(true);
    m_walkIdle = false;
    m_walkSteps.clear();
    if (!m_batchRunning) {
        if (m_live.SaveFolderPromptFlag == 1)
            co_await m_form.askSaveFolder(m_scope);
        m_haltFlag = false;
    }
    while (true) {
        const bool ran = co_await m_scope.letEventsRun();
        if (!ran || walkMustStop())
            break;
        const bool loaded = co_await 下一页();
        if (!loaded)
            break;
        co_await harvestLivePage(harvestFolder());
    }
    co_await harvestLivePage(harvestFolder());
    m_walkRunning = false;
    emit walkRunningChanged(false);
    emit walkButtonEnabledChanged(!m_batchRunning);
    m_walkIdle = true;
    m_lastResultOffset = 0;
    m_form.sizeResultColumns();
}

QCoro::Task<bool> BatchSearch::下一页() {
    const std::shared_ptr<const HtmlDocument> document = co_await harvestLivePage(harvestFolder());
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
        if ((title == u"下一页" || title == u"next page") && !anchor->insideNoscript()) {
            next = anchor;
            break;
        }
    }
    if (!next)
        co_return false;
    // A link back to the page on show, or a step taken before (pages that link in a
    // circle), would be clicked for ever.
    const QString step = document->URL() + u'\n' + next->href();
    if (QUrl(next->href()).adjusted(QUrl::RemoveFragment) ==
            document->url().adjusted(QUrl::RemoveFragment) ||
        m_walkSteps.contains(step))
        co_return false;
    m_walkSteps.insert(step);

    const double clicked = now();
    m_loadingFlag = true;
    const bool found = co_await clickLiveElement(m_browser, m_scope, ElementLocator::of(*next));
    if (!found) {
        co_await harvestLivePage(harvestFolder());
        co_return false;
    }
    while (m_browser.Busy() && m_loadingFlag) {
        const bool ran = co_await m_scope.sleep(PumpMs);
        if (!ran || now() - clicked > NextPageLoadTimeoutSeconds || walkMustStop()) {
            co_await harvestLivePage(harvestFolder());
            co_return false;
        }
    }
    const double loaded = now();
    while (true) {
        const bool ran = co_await m_scope.sleep(PumpMs);
        const int pause = m_form.pauseText().trimmed().toInt();
        if (ran && now() - loaded >= pause + 1) {
            co_await harvestLivePage(harvestFolder());
            co_return true;
        }
        if (!ran || walkMustStop()) {
            co_await harvestLivePage(harvestFolder());
            co_return false;
        }
    }
}

} // namespace quenlit
