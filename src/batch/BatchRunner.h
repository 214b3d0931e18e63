#pragma once

#include "BatchArguments.h"
#include "BatchSearch.h"
#include "DownloadEnvironment.h"
#include "DownloadList.h"
#include "DownloadListModel.h"
#include "DownloadScheduler.h"
#include "ParallelEngine.h"
#include "ResultHandOff.h"
#include "ResultListModel.h"
#include "SearchForm.h"
#include "SingleConnectionEngine.h"
#include "WorkScope.h"

#include <QObject>
#include <QSet>
#include <functional>

class QNetworkAccessManager;

namespace quenlit {

class Browser;
class Clock;
class MessageSink;
class SettingsStore;
struct LiveSettings;

// Where a batch run writes: progress lines (standard error), the summary (standard output).
struct BatchOutput {
    std::function<void(const QString&)> progress;
    std::function<void(const QString&)> summary;
    // Standard error is a terminal: a progress bar is drawn under the lines.
    bool progressBar = false;
};

// How a batch run ended, as the exit code tells it.
enum BatchExit {
    AllDone = 0,
    SomeFailed = 1,
    BadArguments = 2,
    VerificationAsked = 3,
    Interrupted = 130
};

// A batch search and download without windows: the search window's batch over the given
// browser, the hand-off of every result, then the download window's scheduler and engines,
// with the options of the command line standing in for the windows' controls.
class BatchRunner : public QObject,
                    private SearchForm,
                    private HandOffTarget,
                    private DownloadView {
    Q_OBJECT
public:
    BatchRunner(Clock& clock, QNetworkAccessManager& network, Browser& browser,
                MessageSink& messages, LiveSettings& live, const SettingsStore& store,
                BatchSettings settings, QStringList keywordLines, BatchOutput output,
                QObject* parent = nullptr);
    ~BatchRunner() override;

    // Starts the run; finished(exit code) follows once the summary is written.
    void start();
    // Ctrl+C: the search and the downloads stop, the summary is still written.
    void interrupt();
    bool running() const { return m_scope.running(); }

    const ResultListModel& results() const { return m_results; }
    const DownloadListModel& downloads() const { return m_downloads; }

signals:
    void finished(int exitCode);

private:
    QCoro::Task<> run();
    void reportRow(int position);
    bool transfersLoaded() const;
    void drawBar();
    void writeSummary(double seconds);
    void progressLine(const QString& text);

    // SearchForm
    QString keywordText() const override;
    bool wholePhrase() const override;
    TimeRange timeRange() const override;
    bool typeTicked(DocumentType type) const override;
    QString pauseText() const override;
    TitleOptions titleOptions() const override;
    QCoro::Task<> askSaveFolder(WorkScope& scope) override;
    void clearProgress() override {}
    void appendProgress(const QString&) override {}
    void resultsChanged() override {}
    void sizeResultColumns() override {}

    // HandOffTarget
    DownloadListModel& downloadList() override { return m_downloads; }
    void 显示下载窗口(bool) override {}
    bool automaticHandOffOn() const override { return false; }

    // DownloadView
    void setStatusPanel(int, const QString&) override {}
    void scrollToRow(int) override {}
    bool soundPromptTicked() const override { return false; }
    bool autoLoginTicked() const override { return false; }
    QString duplicateNamePolicy() const override { return m_settings.clashPolicy; }
    void playPrompt(SoundPrompt) override {}
    void autoLogin() override {}
    bool loginRunning() const override { return false; }

    Clock& m_clock;
    Browser& m_browser;
    LiveSettings& m_live;
    BatchSettings m_settings;
    QStringList m_lines;
    BatchOutput m_output;
    TitleOptions m_titleOptions;

    ResultListModel m_results;
    DownloadListModel m_downloads;
    DownloadWindowState m_state;
    DownloadEnvironment m_environment;
    SingleConnectionEngine m_single;
    ParallelEngine m_parallel;
    DownloadScheduler m_scheduler;
    SearchHosts m_hosts;
    BatchSearch m_search;
    ResultHandOff m_handOff;

    int m_pagesSearched = 0;
    QSet<int> m_reported;
    bool m_interrupted = false;
    bool m_barShown = false;
    WorkScope m_scope;
};

} // namespace quenlit
