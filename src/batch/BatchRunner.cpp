#include "BatchRunner.h"

#include "Browser.h"
#include "Clock.h"
#include "LiveSettings.h"
#include "SettingKeys.h"
#include "Settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

namespace quenlit {

namespace {

SearchHosts HostsFrom(const SettingsStore& store) {
    return {settings::ReadText(store, settings::SearchHostChina),
            settings::ReadText(store, settings::SearchHostGlobal)};
}

// The search window's title options as its saved boxes leave them.
TitleOptions TitleOptionsFrom(const SettingsStore& store) {
    TitleOptions options;
    options.skipUnknownType = settings::ReadInt16(store, settings::SkipUnknownType) != 0;
    options.skipJapanese = settings::ReadInt16(store, settings::SkipJapanese) != 0;
    options.skipTraditional = settings::ReadInt16(store, settings::SkipTraditional) != 0;
    options.convertTraditional = settings::ReadInt16(store, settings::ConvertTraditional) != 0;
    // The window restores check14 after check13, and each unticks the other.
    if (options.convertTraditional)
        options.skipTraditional = false;
    options.portalDomain = settings::ReadText(store, settings::PortalDomain);
    return options;
}

bool Skipped(const DownloadRow& row) {
    return row.state == DownloadRow::Finished && row.percent.endsWith(u"跳过"_qs);
}

QString StateWord(const DownloadRow& row) {
    if (Skipped(row))
        return u"skipped"_qs;
    switch (row.state) {
    case DownloadRow::Finished:
        return u"finished"_qs;
    case DownloadRow::Failed:
        return u"failed"_qs;
    case DownloadRow::Downloading:
        return u"downloading"_qs;
    default:
        return u"waiting"_qs;
    }
}

} // namespace

BatchRunner::BatchRunner(Clock& clock, QNetworkAccessManager& network, Browser& browser,
                         MessageSink& messages, LiveSettings& live, const SettingsStore& store,
                         BatchSettings settings, QStringList keywordLines, BatchOutput output,
                         QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_browser(browser)
    , m_live(live)
    , m_settings(std::move(settings))
    , m_lines(std::move(keywordLines))
    , m_output(std::move(output))
    , m_titleOptions(TitleOptionsFrom(store))
    , m_environment{clock, network, m_downloads, m_state, live, *this, messages}
    , m_single(m_environment)
    , m_parallel(m_environment)
    , m_scheduler(m_environment, m_single, m_parallel)
    , m_hosts(HostsFrom(store))
    , m_search(browser, clock, *this, m_results, live, m_hosts, messages)
    , m_handOff(clock, m_results, live, *this)
    , m_scope(clock) {
    // The windows' shared preferences, then what the command line settles.
    m_live.loadSearchWindowValues(store);
    m_live.loadDownloadWindowValues(store);
    m_live.DownloadFolder = m_settings.saveFolder;
    m_live.SearchScope = qint32(m_settings.scope);
    m_live.DuplicateNamePolicy = m_settings.clashPolicy;
    m_live.DownloadMethod = qint16(m_settings.method);
    // No dialog asks for a folder: rows take the download folder.
    m_live.SaveFolderPromptFlag = 0;
    m_live.SaveFolderCancelled = false;
    m_scheduler.controls.threadCount = m_settings.method == 1 ? 1 : m_settings.threads;

    connect(&m_browser, &Browser::DocumentComplete, this, [this](const QString& address) {
        // Only result pages count, not the blank page and the start page before them.
        if (address.startsWith(u"about:"_qs) || !m_search.batchRunning())
            return;
        ++m_pagesSearched;
        progressLine(u"搜索第 "_qs + QString::number(m_pagesSearched) + u" 页："_qs + address);
    });
    connect(&m_downloads, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                for (int r = from.row(); r <= to.row(); ++r)
                    reportRow(r + 1);
            });
}

BatchRunner::~BatchRunner() {
    m_scope.cancel();
    m_search.stopAll();
    m_handOff.stop();
    m_scheduler.shutDown();
}

void BatchRunner::start() {
    m_scope.start([this]() -> QCoro::Task<> { co_await run(); });
}

void BatchRunner::interrupt() {
    if (m_interrupted)
        return;
    m_interrupted = true;
    progressLine(u"已中断，正在停止……"_qs);
    m_search.stopAll();
    m_handOff.stop();
    m_scheduler.stop();
}

QCoro::Task<> BatchRunner::run() {
    const double started = m_clock.elapsedSeconds();
    constexpr int Forever = std::numeric_limits<int>::max();

    // As the search window does when it opens: the engine's start page first.
    m_browser.Navigate(BuildStartPageAddress(m_settings.scope, m_hosts));
    const bool opened = co_await m_scope.signal(&m_browser, &Browser::DocumentComplete, 30000);
    Q_UNUSED(opened);
    // Ctrl+C while the start page loaded: no search begins.
    if (!m_interrupted)
        m_search.RunBatchSearch();
    const bool searched =
        co_await m_scope.waitUntil([this] { return !m_search.working(); }, Forever, 50);
    const bool halted = m_search.haltFlag();
    progressLine(u"搜索完成：找到 "_qs + QString::number(m_results.count()) + u" 个文档链接"_qs);

    if (searched && !m_interrupted && m_results.count() > 0) {
        m_handOff.HandOff(HandOffRule::NewRows);
        const bool handedOff =
            co_await m_scope.waitUntil([this] { return m_handOff.analysisIdle(); }, Forever, 20);
        if (handedOff && !m_interrupted && m_downloads.count() > 0) {
            drawBar();
            m_scheduler.start();
            co_await m_scope.waitUntil(
                [this] {
                    return !m_scheduler.schedulingOn() && !m_scheduler.singleDownloadRunning() &&
                           !transfersLoaded();
                },
                Forever, 50);
        }
    }
    // An interrupted run waits for its transfers to unwind before it counts them.
    co_await m_scope.waitUntil(
        [this] {
            return !m_search.working() && m_handOff.analysisIdle() &&
                   !m_scheduler.singleDownloadRunning() && !transfersLoaded();
        },
        30000, 20);
    m_scheduler.shutDown();

    writeSummary(m_clock.elapsedSeconds() - started);
    int failed = 0;
    bool allEnded = true;
    for (int p = 1; p <= m_downloads.count(); ++p) {
        const DownloadRow& row = m_downloads.row(p);
        failed += row.state == DownloadRow::Failed;
        allEnded =
            allEnded && (row.state == DownloadRow::Finished || row.state == DownloadRow::Failed);
    }
    int code = AllDone;
    if (m_interrupted)
        code = Interrupted;
    else if (halted)
        code = VerificationAsked;
    else if (failed > 0 || !allEnded)
        code = SomeFailed;
    emit finished(code);
}

bool BatchRunner::transfersLoaded() const {
    // Slot 0 holds the engine's own template instance, never a transfer.
    for (int slot = 1; slot <= 6; ++slot) {
        if (m_parallel.IsSlotLoaded(slot))
            return true;
    }
    return false;
}

void BatchRunner::reportRow(int position) {
    if (position < 1 || position > m_downloads.count() || m_reported.contains(position))
        return;
    const DownloadRow& row = m_downloads.row(position);
    if (row.state != DownloadRow::Finished && row.state != DownloadRow::Failed)
        return;
    m_reported.insert(position);
    const QString word = Skipped(row)                         ? u"跳过"_qs
                         : row.state == DownloadRow::Finished ? u"完成"_qs
                                                              : u"失败"_qs;
    progressLine(word + u"："_qs + row.targetPath() + u"  "_qs + row.percent + u"  "_qs +
                 选择url(row.key));
    drawBar();
}

void BatchRunner::progressLine(const QString& text) {
    if (!m_output.progress)
        return;
    // The bar sits on the last line: clear it, write the line, draw it again below.
    if (m_barShown)
        m_output.progress(u"\r\x1b[K"_qs);
    m_output.progress(text + u'\n');
    m_barShown = false;
    if (m_output.progressBar && m_downloads.count() > 0)
        drawBar();
}

void BatchRunner::drawBar() {
    if (!m_output.progressBar || !m_output.progress || m_downloads.count() == 0)
        return;
    const int total = m_downloads.count();
    const int done = int(m_reported.size());
    constexpr int Width = 30;
    const int filled = Width * done / total;
    m_output.progress(u"\r\x1b[K["_qs + QString(filled, u'#') + QString(Width - filled, u' ') +
                      u"] "_qs + QString::number(done) + u'/' + QString::number(total));
    m_barShown = true;
}

void BatchRunner::writeSummary(double seconds) {
    if (m_barShown && m_output.progress) {
        m_output.progress(u"\r\x1b[K"_qs);
        m_barShown = false;
    }
    int downloaded = 0;
    int skipped = 0;
    int failed = 0;
    QJsonArray rows;
    for (int p = 1; p <= m_downloads.count(); ++p) {
        const DownloadRow& row = m_downloads.row(p);
        if (Skipped(row))
            ++skipped;
        else if (row.state == DownloadRow::Finished)
            ++downloaded;
        else if (row.state == DownloadRow::Failed)
            ++failed;
        rows.append(QJsonObject{{u"address"_qs, 选择url(row.key)},
                                {u"referer"_qs, row.tag},
                                {u"file"_qs, row.targetPath()},
                                {u"state"_qs, StateWord(row)},
                                {u"size"_qs, row.size},
                                {u"status"_qs, row.percent}});
    }
    const int unfinished = m_downloads.count() - downloaded - skipped - failed;
    if (!m_output.summary)
        return;
    if (m_settings.json) {
        const QJsonObject summary{{u"found"_qs, m_results.count()},
                                  {u"downloaded"_qs, downloaded},
                                  {u"skipped"_qs, skipped},
                                  {u"failed"_qs, failed},
                                  {u"unfinished"_qs, unfinished},
                                  {u"seconds"_qs, qRound(seconds * 10) / 10.0},
                                  {u"verification"_qs, m_search.haltFlag()},
                                  {u"interrupted"_qs, m_interrupted},
                                  {u"rows"_qs, rows}};
        m_output.summary(QString::fromUtf8(QJsonDocument(summary).toJson(QJsonDocument::Indented)));
        return;
    }
    QString text = u"找到 "_qs + QString::number(m_results.count()) + u" 行，已下载 "_qs +
                   QString::number(downloaded) + u"，跳过 "_qs + QString::number(skipped) +
                   u"，失败 "_qs + QString::number(failed);
    if (unfinished > 0)
        text += u"，未完成 "_qs + QString::number(unfinished);
    text += u"，用时 "_qs + QString::number(seconds, 'f', 1) + u" 秒\n"_qs;
    if (m_search.haltFlag())
        text += u"搜索引擎要求验证，搜索提前结束\n"_qs;
    if (m_interrupted)
        text += u"已中断\n"_qs;
    m_output.summary(text);
}

QString BatchRunner::keywordText() const {
    return m_lines.join(u"\r\n"_qs);
}

bool BatchRunner::wholePhrase() const {
    return m_settings.wholePhrase;
}

TimeRange BatchRunner::timeRange() const {
    return m_settings.range;
}

bool BatchRunner::typeTicked(DocumentType type) const {
    return m_settings.types.contains(type);
}

QString BatchRunner::pauseText() const {
    return QString::number(m_settings.pause);
}

TitleOptions BatchRunner::titleOptions() const {
    return m_titleOptions;
}

QCoro::Task<> BatchRunner::askSaveFolder(WorkScope&) {
    // The folder comes from the command line or the settings.
    m_live.SaveFolderCancelled = false;
    co_return;
}

} // namespace quenlit
