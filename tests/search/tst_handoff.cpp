#include "DownloadListModel.h"
#include "LiveSettings.h"
#include "ResultCommands.h"
#include "ResultHandOff.h"
#include "ResultListModel.h"
#include "VirtualClock.h"
#include "WorkScope.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {
struct FakeTarget final : HandOffTarget {
    DownloadListModel list;
    LiveSettings* live = nullptr;
    int shown = 0;
    int questions = 0;
    bool cancel = false;
    bool automatic = false;
    int appends = 0;
    DownloadListModel& downloadList() override {
        ++appends;
        return list;
    }
    void 显示下载窗口(bool) override { ++shown; }
    QCoro::Task<> askSaveFolder(WorkScope&) override {
        ++questions;
        live->SaveFolderCancelled = cancel;
        if (!cancel)
            live->DownloadFolder = u"/chosen/"_qs;
        co_return;
    }
    bool automaticHandOffOn() const override { return automatic; }
};

void addResult(ResultListModel& results, const QString& key, const QString& title,
               const QString& status = {}) {
    results.append(key, [&](ResultRow& row) {
        row.title = title;
        row.type = u"PDF"_qs;
        row.status = status;
        row.tag = u"http://search/page"_qs;
    });
}

struct Fixture {
    VirtualClock clock;
    ResultListModel results;
    LiveSettings live;
    FakeTarget target;
    ResultHandOff handOff{clock, results, live, target};
    Fixture() {
        target.live = &live;
        live.SaveFolderPromptFlag = 1;
        live.DownloadFolder = u"/default/"_qs;
        addResult(results, u"http://d/1.pdf"_qs, u"一"_qs);
        addResult(results, u"http://d/2.pdf"_qs, u"二"_qs, u"成功"_qs);
        addResult(results, u"http://d/3.pdf"_qs, u"三"_qs, u"分析失败"_qs);
    }
    void run(HandOffRule rule, QSet<int> selected = {}) {
        handOff.HandOff(rule, selected);
        for (int i = 0; i < 100 && !handOff.analysisIdle(); ++i)
            clock.advance(10);
    }
};
} // namespace

class tst_handoff : public QObject {
    Q_OBJECT
private slots:
    void rulesPickTheirRows_data() {
        QTest::addColumn<int>("rule");
        QTest::addColumn<QStringList>("handed");
        QTest::newRow("new rows") << int(HandOffRule::NewRows) << QStringList{u"http://d/1.pdf"_qs};
        QTest::newRow("failed rows")
            << int(HandOffRule::FailedRows) << QStringList{u"http://d/3.pdf"_qs};
        QTest::newRow("selected rows")
            << int(HandOffRule::SelectedRows) << QStringList{u"http://d/2.pdf"_qs};
        QTest::newRow("all rows") << int(HandOffRule::AllRows)
                                  << QStringList{u"http://d/1.pdf"_qs, u"http://d/2.pdf"_qs,
                                                 u"http://d/3.pdf"_qs};
    }
    void rulesPickTheirRows() {
        QFETCH(int, rule);
        QFETCH(QStringList, handed);
        Fixture f;
        QSignalSpy busy(&f.handOff, &ResultHandOff::busyChanged);
        f.run(HandOffRule(rule), {2});
        QStringList keys;
        for (int i = 1; i <= f.target.list.count(); ++i)
            keys << f.target.list.row(i).key;
        QCOMPARE(keys, handed);
        for (int i = 1; i <= f.results.count(); ++i) {
            if (handed.contains(f.results.row(i).key))
                QCOMPARE(f.results.row(i).status, u"成功"_qs);
        }
        const DownloadRow& first = f.target.list.row(1);
        QCOMPARE(first.saveFolder, u"/default/"_qs);
        QCOMPARE(first.tag, u"http://search/page"_qs);
        QCOMPARE(first.type, u"PDF"_qs);
        QCOMPARE(busy.count(), 2);
        QCOMPARE(f.target.shown, 1);
        QCOMPARE(f.target.questions, 0); // asked at harvest already
    }

    void newRowsTwiceHandsNothingTheSecondTime() {
        Fixture f;
        f.run(HandOffRule::NewRows);
        f.run(HandOffRule::NewRows);
        QCOMPARE(f.target.list.count(), 1);
    }

    void folderIsAskedAtHandOffWhenNotAtHarvest() {
        Fixture f;
        f.live.SaveFolderPromptFlag = 0;
        f.run(HandOffRule::AllRows);
        QCOMPARE(f.target.questions, 1);
        QCOMPARE(f.target.list.row(1).saveFolder, u"/chosen/"_qs);
        // While the automatic hand-off runs, new rows never ask, from its tick or the menu.
        f.target.automatic = true;
        addResult(f.results, u"http://d/4.pdf"_qs, u"四"_qs);
        f.run(HandOffRule::NewRows);
        QCOMPARE(f.target.questions, 1);
        QCOMPARE(f.target.list.count(), 4);
        f.run(HandOffRule::AllRows);
        QCOMPARE(f.target.questions, 2);
    }

    void cancelledFolderHandsNothing() {
        Fixture f;
        f.live.SaveFolderPromptFlag = 0;
        f.target.cancel = true;
        QSignalSpy busy(&f.handOff, &ResultHandOff::busyChanged);
        f.run(HandOffRule::AllRows);
        QCOMPARE(f.target.list.count(), 0);
        QCOMPARE(busy.count(), 2);
        QCOMPARE(f.target.shown, 1);
    }

    void stopEndsTheHandOff() {
        Fixture f;
        // "停止" pressed while the first row is handed over.
        connect(&f.target.list, &QAbstractItemModel::rowsInserted, &f.handOff,
                [&] { f.handOff.stop(); });
        f.run(HandOffRule::AllRows);
        QCOMPARE(f.target.list.count(), 1);
        QVERIFY(f.handOff.analysisIdle());
    }

    // A stop followed at once by a new start: the old run ends before the new one begins,
    // so the rows are handed over once each and no two runs interleave.
    void stopThenStartRunsOneAfterTheOther() {
        Fixture f;
        for (int i = 4; i <= 6; ++i)
            addResult(f.results, u"http://d/%1.pdf"_qs.arg(i), u"行"_qs);
        bool restarted = false;
        connect(&f.target.list, &QAbstractItemModel::rowsInserted, &f.handOff, [&] {
            if (restarted)
                return;
            restarted = true;
            f.handOff.stop();
            f.handOff.HandOff(HandOffRule::AllRows);
        });
        f.run(HandOffRule::AllRows);
        QVERIFY(f.handOff.analysisIdle());
        QCOMPARE(f.target.appends, 1 + 6);
        QCOMPARE(f.target.list.count(), 6);
        QCOMPARE(f.target.shown, 2);
    }

    // The owner going away mid-run still takes the last step: the download window is shown,
    // so the program never stays without a visible window.
    void destroyedMidRunShowsTheDownloadWindow() {
        VirtualClock clock;
        ResultListModel results;
        LiveSettings live;
        live.SaveFolderPromptFlag = 1;
        FakeTarget target;
        target.live = &live;
        for (int i = 1; i <= 50; ++i)
            addResult(results, u"http://d/%1.pdf"_qs.arg(i), u"行"_qs);
        auto handOff = std::make_unique<ResultHandOff>(clock, results, live, target);
        // Closed from the event loop while the fifth row is handed over.
        connect(&target.list, &QAbstractItemModel::rowsInserted, [&] {
            if (target.list.count() == 5)
                clock.callAfter(0, [&] {
                    QVERIFY(!handOff->analysisIdle());
                    handOff.reset();
                });
        });
        handOff->HandOff(HandOffRule::AllRows);
        clock.advance(10);
        QVERIFY(!handOff);
        QCOMPARE(target.shown, 1);
        QCOMPARE(target.list.count(), 5);
        QCOMPARE(WorkScope::suspendedWaits(), 0);
        QCOMPARE(WorkScope::liveRuns(), 0);
    }

    void removalCommands() {
        Fixture f;
        addResult(f.results, u"http://d/4.pdf"_qs, u"年度PDF报告"_qs);
        QCOMPARE(RemoveResultsByTitle(f.results, u"pdf"_qs, true), 1);
        QCOMPARE(RemoveResultsByTitle(f.results, QString(), false), 0);
        QCOMPARE(RemoveSucceededResults(f.results), 1);
        QCOMPARE(f.results.count(), 2);
        QCOMPARE(RemoveResultsByTitle(f.results, u"三"_qs, false), 1);
        QCOMPARE(f.results.row(1).title, u"三"_qs);
        QCOMPARE(RemoveSelectedResults(f.results, {1}), 1);
        QCOMPARE(f.results.count(), 0);
        QVERIFY(f.results.append(u"http://d/1.pdf"_qs, [](ResultRow&) {})); // the key is free again
        QCOMPARE(RemoveAllResults(f.results), 1);
    }

    void textCommands() {
        ResultListModel results;
        addResult(results, u"a"_qs, u"カタカナ"_qs);
        addResult(results, u"b"_qs, u"萬與專"_qs);
        addResult(results, u"c"_qs, u"普通"_qs);
        QCOMPARE(ResultsWithKana(results), QList<int>{1});
        QCOMPARE(ResultsWithTraditional(results), QList<int>{2});
        ConvertResultsToSimplified(results);
        QCOMPARE(results.row(2).title, u"万与专"_qs);
        QVERIFY(ResultsWithTraditional(results).isEmpty());
    }

    void exportWritesOneLinePerRow() {
        QTemporaryDir dir;
        ResultListModel results;
        addResult(results, u"a"_qs, u"年报"_qs, u"成功"_qs);
        results.append(u"b"_qs, [](ResultRow& row) { row.title = u"无类型"_qs; });
        const QString path = dir.filePath(u"list.txt"_qs);
        const auto size = ExportResults(results, path);
        QVERIFY(size);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), u"年报-【PDF】成功\r\n无类型-【】\r\n"_qs);
        QVERIFY(!ExportResults(results, dir.filePath(u"missing/x.txt"_qs)));
        QCOMPARE(ExportedMessage(1288908), u"保存文件完毕：1,258.7KB"_qs);
        QCOMPARE(ExportedMessage(100), u"保存文件完毕：0.1KB"_qs);
    }
};

QTEST_GUILESS_MAIN(tst_handoff)
#include "tst_handoff.moc"
