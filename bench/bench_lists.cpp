// How the lists and the naming rules hold up at the sizes users reach: a download list of
// 100 000 rows, bare, shown in the download window, saved and read back, its speed
// sampling, and every harvested title cleaned and named.
#include "DownloadList.h"
#include "DownloadListModel.h"
#include "DownloadListStore.h"
#include "DownloadSpeeds.h"
#include "FileNames.h"
#include "HtmlDocument.h"
#include "ResultFilters.h"
#include "TestApp.h"
#include "VirtualClock.h"
#include "fFileDownload.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <memory>

using namespace quenlit;

static void AppendHundredThousandRows(benchmark::State& state) {
    const AppendSettings settings{QStringLiteral("/home/u/Quenlit文件目录"), false};
    for (auto _ : state) {
        DownloadListModel list;
        for (int i = 0; i < 100000; ++i)
            加入下载列表(list, settings, QStringLiteral("http://h.example/files/%1.pdf").arg(i),
                         QStringLiteral("2019年度报告 第%1篇").arg(i), QStringLiteral("PDF"), {},
                         {});
        benchmark::DoNotOptimize(list.count());
    }
}
BENCHMARK(AppendHundredThousandRows)->Unit(benchmark::kMillisecond);

// The hand-off's appends into the open download window, then one tick of its counters and
// one turn of the event loop so the view catches up.
static void HandOffToOpenDownloadWindow(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto app = std::make_unique<testing::TestApp>();
        auto window = std::make_unique<fFileDownload>(app->context);
        window->showRestored();
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QApplication::exec();
        const LiveSettings& live = app->context.live;
        state.ResumeTiming();

        for (int i = 0; i < 100000; ++i)
            加入下载列表(window->list(), {live.DownloadFolder, live.UseSourceFileName},
                         QStringLiteral("http://h.example/files/%1.pdf").arg(i),
                         QStringLiteral("2019年度报告 第%1篇").arg(i), QStringLiteral("PDF"), {},
                         {});
        app->clock.advance(1000);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QApplication::exec();
        benchmark::DoNotOptimize(window->list().count());

        state.PauseTiming();
        window.reset();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(HandOffToOpenDownloadWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// One second of six downloads: their progress cells written four times, then the speed
// sample. The time should not grow with the rows that do not download.
static void SampleSixDownloads(benchmark::State& state) {
    testing::VirtualClock clock;
    DownloadListModel list;
    const int rows = int(state.range(0));
    for (int i = 0; i < rows; ++i)
        list.append(QStringLiteral("http://h.example/files/%1.pdf").arg(i), QString::number(i));
    DownloadSpeeds speeds(clock, list);
    const int step = rows / 6;
    for (int i = 0; i < 6; ++i) {
        list.modify(1 + i * step, [](DownloadRow& row) {
            row.state = DownloadRow::Downloading;
            row.size = QStringLiteral("1000000000");
        });
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        for (int quarter = 0; quarter < 4; ++quarter) {
            bytes += 65536;
            for (int i = 0; i < 6; ++i) {
                list.modify(1 + i * step,
                            [&](DownloadRow& row) { row.downloaded = QString::number(bytes); });
            }
            clock.advance(DownloadSpeeds::SampleEveryMs / 4);
        }
        benchmark::DoNotOptimize(speeds.totalBytesPerSecond());
    }
}
BENCHMARK(SampleSixDownloads)->Arg(600)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The list kept between runs: a save comes once a second while rows change, a load when
// the download window opens.
static void FillFinishedRows(DownloadListModel& list, int rows) {
    const AppendSettings settings{QStringLiteral("/home/u/Quenlit文件目录/"), false};
    for (int i = 0; i < rows; ++i) {
        加入下载列表(list, settings, QStringLiteral("http://h.example/files/%1.pdf").arg(i),
                     QStringLiteral("2019年度报告 第%1篇").arg(i), QStringLiteral("pdf"), {},
                     QStringLiteral("http://search.example/?q=report"));
        list.modify(i + 1, [](DownloadRow& row) {
            row.size = row.downloaded = QStringLiteral("1048576");
            row.percent = QStringLiteral("100%");
            row.state = DownloadRow::Finished;
        });
    }
}

static void SaveDownloadList(benchmark::State& state) {
    QTemporaryDir dir;
    DownloadListModel list;
    FillFinishedRows(list, int(state.range(0)));
    const DownloadListStore store(DownloadListStore::pathIn(dir.path()));
    for (auto _ : state) {
        QString error;
        benchmark::DoNotOptimize(store.save(list, error));
    }
}
BENCHMARK(SaveDownloadList)->Arg(2000)->Arg(100000)->Unit(benchmark::kMillisecond);

static void LoadDownloadList(benchmark::State& state) {
    QTemporaryDir dir;
    DownloadListModel list;
    FillFinishedRows(list, int(state.range(0)));
    const DownloadListStore store(DownloadListStore::pathIn(dir.path()));
    QString error;
    store.save(list, error);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.load().rows.size());
}
BENCHMARK(LoadDownloadList)->Arg(2000)->Arg(100000)->Unit(benchmark::kMillisecond);

static void CleanChineseTitles(benchmark::State& state) {
    const QString title =
        QStringLiteral("关于印发《某某市2019年度国民经济和社会发展统计公报》的通知:*?");
    for (auto _ : state)
        benchmark::DoNotOptimize(CleanFileName(title));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(CleanChineseTitles);

static void JudgeTitles(benchmark::State& state) {
    TitleOptions options;
    options.skipJapanese = true;
    options.convertTraditional = true;
    const QString title = QStringLiteral("國民經濟和社會發展統計公報 … 全文&hellip; - 百科");
    for (auto _ : state)
        benchmark::DoNotOptimize(AcceptAndCleanTitle(title, QStringLiteral("PDF"), false, options));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(JudgeTitles);

static void ParseResultPage(benchmark::State& state) {
    QString html = QStringLiteral("<html><body><ol>");
    for (int i = 0; i < 50; ++i)
        html += QStringLiteral(
                    "<li class=\"b_algo\"><div class=\"b_title\"><h2><a href=\"http://h/%1.pdf\">"
                    "结果 %1 - www.example.com</a></h2></div><p>摘要摘要摘要摘要</p></li>")
                    .arg(i);
    html += QStringLiteral("</ol></body></html>");
    for (auto _ : state)
        benchmark::DoNotOptimize(
            HtmlDocument::parse(html, QUrl(QStringLiteral("http://h/search"))));
}
BENCHMARK(ParseResultPage)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The download window needs an application; no screen is needed to measure it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
