#include "DownloadList.h"
#include "DownloadListModel.h"
#include "DuplicateNames.h"
#include "FakeDownloadView.h"
#include "LiveSettings.h"
#include "LocalHttpServer.h"
#include "ParallelEngine.h"
#include "PartialFile.h"
#include "RecordingMessageSink.h"
#include "TestFiles.h"
#include "TestNetwork.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

using Response = LocalHttpServer::Response;

const QByteArray Placeholder("\x01\x00", 2);
const QByteArray Document = "%PDF-1.4\n" + LocalHttpServer::generated(0, 300000 - 9);

// The document on a server that answers ranges, cut after 100000 bytes when asked.
Response Ranged(bool stall = false, bool reset = false) {
    Response response{200, {{"Content-Type", "application/pdf"}}, Document};
    response.etag = "\"p1\"";
    response.ranges = true;
    if (stall)
        response.stallAfter = 100000;
    if (reset)
        response.resetAfter = 100000;
    return response;
}

struct Fixture {
    Fixture() {
        live.MaxFileSizeMB = 10;
        folder = dir.filePath(u"files"_qs);
        QDir().mkpath(folder);
    }
    void add(int count, const QString& type = u"pdf"_qs) {
        // Addresses nobody answers: the handlers are driven by the test alone.
        Response silent;
        silent.noAnswer = true;
        for (int i = 0; i < count; ++i) {
            const int n = list.count() + 1;
            const QByteArray path = "/silent/" + QByteArray::number(n);
            if (n <= 10)
                server.route(path, silent);
            加入下载列表(list, {folder, false}, server.url(path), u"row"_qs + QString::number(n),
                         type, folder, {});
        }
    }
    const DownloadRow& row(int position) const { return list.row(position); }
    QString path(const QString& file) const { return folder + u'/' + file; }
    QStringList files() const { return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot); }
    QList<int> states() const {
        QList<int> all;
        for (int i = 1; i <= list.count(); ++i)
            all.append(list.row(i).state);
        return all;
    }

    VirtualClock clock;
    QNetworkAccessManager network;
    DownloadListModel list;
    DownloadWindowState state;
    LiveSettings live;
    FakeDownloadView view;
    RecordingMessageSink messages;
    DownloadEnvironment environment{clock, network, list, state, live, view, messages};
    LocalHttpServer server{clock};
    QTemporaryDir dir;
    QString folder;
    ParallelEngine engine{environment};
};

} // namespace

class tst_parallelengine : public QObject {
    Q_OBJECT
private slots:
    void dispatchFillsFreeSlotsInOrder();
    void dispatchAddsTrailingSeparator();
    void dispatchHonoursThePolicy();
    void sameTargetWaitsForTheSlotWritingIt();
    void progressWritesCells_data();
    void progressWritesCells();
    void sizeLimitAtFirstReport_data();
    void sizeLimitAtFirstReport();
    void completion_data();
    void completion();
    void errorFailsRowAndFreesSlot();
    void tooLargeUnknownLength();
    void elementZeroIsIgnored();
    void positionsBeyond16Bits();
    void completionForVanishedRowFreesSlot();
    void realDownloadIntoFolder();
    void tooLargeAnnouncedStopsInsideItsOwnSignal();
    void unloadSlotsMidDownload();
    void resumesInTheNextRun_data();
    void resumesInTheNextRun();
    void sizeLimitCountsTheWholeFile();
    void resumesWhatACrashLeft_data();
    void resumesWhatACrashLeft();
};

void tst_parallelengine::dispatchFillsFreeSlotsInOrder() {
    Fixture f;
    f.add(10);
    f.state.follow = true;
    QCOMPARE(f.engine.loadedInstanceCount(), 1);
    f.engine.dispatchPass(3);
    QCOMPARE(f.states(), (QList<int>{2, 2, 2, 1, 1, 1, 1, 1, 1, 1}));
    for (int s = 1; s <= 3; ++s)
        QVERIFY(f.engine.IsSlotLoaded(s));
    QVERIFY(!f.engine.IsSlotLoaded(4));
    QCOMPARE(f.engine.loadedInstanceCount(), 4);
    QVERIFY(f.state.busy);
    QCOMPARE(f.view.scrolled, (QList<int>{1, 1, 2, 2, 3, 3}));

    // Slot 2 ends; the next pass gives it the first row still waiting.
    f.engine.onDownloadComplete(2, 10, 10, f.path(u"row2.pdf"_qs));
    QVERIFY(!f.engine.IsSlotLoaded(2));
    QCOMPARE(f.engine.loadedInstanceCount(), 3);
    QCOMPARE(f.row(2).state, DownloadRow::Finished);
    f.engine.dispatchPass(3);
    QCOMPARE(f.states(), (QList<int>{2, 3, 2, 2, 1, 1, 1, 1, 1, 1}));
    f.engine.onDownloadProgress(2, 5, 10, {});
    QCOMPARE(f.row(4).percent, u"50%"_qs);
    QCOMPARE(f.row(2).percent, u"100%"_qs);

    // A full set of slots takes nothing more.
    f.engine.dispatchPass(3);
    QCOMPARE(f.states(), (QList<int>{2, 3, 2, 2, 1, 1, 1, 1, 1, 1}));
    f.engine.dispatchPass(0);
    QCOMPARE(f.engine.loadedInstanceCount(), 4);
}

void tst_parallelengine::dispatchAddsTrailingSeparator() {
    Fixture f;
    f.add(1);
    const QString deeper = f.folder + u"/new level"_qs;
    f.list.modify(1, [&](DownloadRow& row) { row.saveFolder = deeper; });
    f.engine.dispatchPass(1);
    QCOMPARE(f.row(1).saveFolder, deeper + u'/');
    QVERIFY(QFileInfo(deeper).isDir());
    QCOMPARE(f.row(1).state, DownloadRow::Downloading);
}

void tst_parallelengine::dispatchHonoursThePolicy() {
    Fixture f;
    f.add(3);
    WriteFile(f.path(u"row1.pdf"_qs), "12345");
    WriteFile(f.path(u"row2.pdf"_qs), "12345");
    f.view.policy = SkipPolicy;
    f.engine.dispatchPass(1);
    QCOMPARE(f.states(), (QList<int>{3, 3, 2}));
    QCOMPARE(f.row(1).percent, u"已存在，跳过"_qs);

    Fixture g;
    g.add(1);
    WriteFile(g.path(u"row1.pdf"_qs), "12345");
    g.engine.dispatchPass(1); // rename, the default
    QCOMPARE(g.row(1).name, u"row1[001]"_qs);
    QCOMPARE(g.row(1).state, DownloadRow::Downloading);
}

// Two rows of one name never write one file at once: under the overwrite policy the second
// waits until the first is done.
void tst_parallelengine::sameTargetWaitsForTheSlotWritingIt() {
    Fixture f;
    f.view.policy = OverwritePolicy;
    f.add(3);
    f.list.modify(2, [](DownloadRow& row) { row.name = u"row1"_qs; });
    f.engine.dispatchPass(3);
    QCOMPARE(f.states(), (QList<int>{2, 1, 2}));
    QVERIFY(!f.engine.IsSlotLoaded(3));
    f.engine.dispatchPass(3);
    QCOMPARE(f.states(), (QList<int>{2, 1, 2}));

    f.engine.onDownloadComplete(1, 8, 8, {});
    f.engine.dispatchPass(3);
    QCOMPARE(f.states(), (QList<int>{3, 2, 2}));
    QCOMPARE(f.row(2).name, u"row1"_qs);
}

void tst_parallelengine::progressWritesCells_data() {
    QTest::addColumn<qint64>("cur");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("downloaded");
    QTest::addColumn<QString>("percent");
    QTest::newRow("part") << qint64(2048) << qint64(4096) << u"4096"_qs << u"2048"_qs << u"50%"_qs;
    QTest::newRow("rounds down") << qint64(999) << qint64(1000) << u"1000"_qs << u"999"_qs
                                 << u"99%"_qs;
    QTest::newRow("past 2 GB") << qint64(3000000000) << qint64(4000000000) << u"4000000000"_qs
                               << u"3000000000"_qs << u"75%"_qs;
    QTest::newRow("no total") << qint64(10) << qint64(0) << u""_qs << u""_qs << u""_qs;
    QTest::newRow("negative total") << qint64(10) << qint64(-1) << u""_qs << u""_qs << u""_qs;
    QTest::newRow("more than the total") << qint64(11) << qint64(10) << u""_qs << u""_qs << u""_qs;
}

void tst_parallelengine::progressWritesCells() {
    QFETCH(qint64, cur);
    QFETCH(qint64, max);
    QFETCH(QString, size);
    QFETCH(QString, downloaded);
    QFETCH(QString, percent);
    Fixture f;
    f.live.MaxFileSizeMB = 1e6f;
    f.add(1);
    f.engine.dispatchPass(1);
    f.engine.onDownloadProgress(1, cur, max, {});
    QCOMPARE(f.row(1).size, size);
    QCOMPARE(f.row(1).downloaded, downloaded);
    QCOMPARE(f.row(1).percent, percent);
    QCOMPARE(f.row(1).state, DownloadRow::Downloading);
    QVERIFY(f.engine.IsSlotLoaded(1));
}

void tst_parallelengine::sizeLimitAtFirstReport_data() {
    QTest::addColumn<qint64>("max");
    QTest::addColumn<bool>("skipped");
    QTest::newRow("10.5 MB") << qint64(11010048) << true;
    QTest::newRow("exactly 10 MB") << qint64(10485760) << false;
    QTest::newRow("20 MB") << qint64(20971520) << true;
}

void tst_parallelengine::sizeLimitAtFirstReport() {
    QFETCH(qint64, max);
    QFETCH(bool, skipped);
    Fixture f;
    f.add(2);
    f.engine.dispatchPass(1);
    f.clock.advance(7000);
    f.engine.onDownloadProgress(1, 1000, max, {});
    QCOMPARE(f.row(1).size, QString::number(max));
    QCOMPARE(f.row(1).state, skipped ? DownloadRow::Finished : DownloadRow::Downloading);
    QCOMPARE(f.row(1).percent, skipped ? u"大文件，跳过"_qs : u"0%"_qs);
    QCOMPARE(f.engine.IsSlotLoaded(1), !skipped);
    QCOMPARE(f.state.lastFinishTime, skipped ? float(f.clock.secondsSinceMidnight()) : 0.0f);
    QCOMPARE(f.row(2).state, DownloadRow::Waiting);
}

// The row's end by its type and the bytes of the completion, with the prompts ticked.
void tst_parallelengine::completion_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<qint64>("cur");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QList<int>>("prompts");
    QTest::addColumn<int>("logins");
    QTest::newRow("pdf complete") << u"pdf"_qs << qint64(100) << qint64(100) << 3 << u"100%"_qs
                                  << QList<int>{} << 0;
    QTest::newRow("pdf at 99%") << u"pdf"_qs << qint64(99) << qint64(100) << 4 << u"99%"_qs
                                << QList<int>{103} << 0;
    QTest::newRow("htm complete") << u"htm"_qs << qint64(5) << qint64(5) << 3 << u"100%"_qs
                                  << QList<int>{101} << 1;
    QTest::newRow("HTML failed: 101 then 103")
        << u"HTML"_qs << qint64(1) << qint64(5) << 4 << u"20%"_qs << QList<int>{101, 103} << 1;
    QTest::newRow("xml is not a page here")
        << u"xml"_qs << qint64(5) << qint64(5) << 3 << u"100%"_qs << QList<int>{} << 0;
    QTest::newRow("no total and nothing before")
        << u"pdf"_qs << qint64(5) << qint64(0) << 4 << u""_qs << QList<int>{103} << 0;
}

void tst_parallelengine::completion() {
    QFETCH(QString, type);
    QFETCH(qint64, cur);
    QFETCH(qint64, max);
    QFETCH(int, state);
    QFETCH(QString, percent);
    QFETCH(QList<int>, prompts);
    QFETCH(int, logins);
    Fixture f;
    f.view.soundPrompt = true;
    f.view.autoLoginOn = true;
    f.add(1, type);
    f.engine.dispatchPass(1);
    f.clock.advance(3000);
    f.engine.onDownloadComplete(1, cur, max, {});
    QCOMPARE(int(f.row(1).state), state);
    QCOMPARE(f.row(1).percent, percent);
    QList<int> played;
    for (SoundPrompt prompt : f.view.prompts)
        played.append(int(prompt));
    QCOMPARE(played, prompts);
    QCOMPARE(f.view.logins, logins);
    QCOMPARE(f.view.panels.value(2), u"完成下载:row1"_qs);
    QCOMPARE(f.state.lastFinishTime, float(f.clock.secondsSinceMidnight()));
    QVERIFY(!f.engine.IsSlotLoaded(1));
}

void tst_parallelengine::errorFailsRowAndFreesSlot() {
    Fixture f;
    f.view.soundPrompt = true;
    f.add(2);
    f.engine.dispatchPass(2);
    f.clock.advance(2000);
    f.engine.onDownloadError(2, u"超时"_qs, {});
    QCOMPARE(f.states(), (QList<int>{2, 4}));
    QVERIFY(f.engine.IsSlotLoaded(1));
    QVERIFY(!f.engine.IsSlotLoaded(2));
    QCOMPARE(f.state.lastFinishTime, float(f.clock.secondsSinceMidnight()));
}

void tst_parallelengine::tooLargeUnknownLength() {
    Fixture f;
    f.add(1);
    f.engine.dispatchPass(1);
    f.engine.onDownloadTooLarge(1, 11 * 1024 * 1024, {});
    QCOMPARE(f.row(1).state, DownloadRow::Finished);
    QCOMPARE(f.row(1).percent, u"大文件，跳过"_qs);
    QVERIFY(!f.engine.IsSlotLoaded(1));
}

void tst_parallelengine::elementZeroIsIgnored() {
    Fixture f;
    f.view.soundPrompt = true;
    f.add(1);
    f.engine.dispatchPass(1);
    QVERIFY(f.engine.IsSlotLoaded(0));
    f.engine.onDownloadProgress(0, 5, 10, {});
    f.engine.onDownloadComplete(0, 10, 10, {});
    f.engine.onDownloadError(0, u"无法下载"_qs, {});
    f.engine.onDownloadTooLarge(0, 1 << 30, {});
    QCOMPARE(f.row(1).state, DownloadRow::Downloading);
    QVERIFY(f.row(1).percent.isEmpty());
    QVERIFY(f.view.prompts.isEmpty());
    QVERIFY(f.view.panels.isEmpty());
    QVERIFY(f.engine.IsSlotLoaded(0));
    QVERIFY(f.engine.IsSlotLoaded(1));
    QCOMPARE(f.engine.loadedInstanceCount(), 2);
    f.engine.unloadSlots();
    QCOMPARE(f.engine.loadedInstanceCount(), 1);
}

// Slot positions are kept in 32 bits: a row past 32767 is still found.
void tst_parallelengine::positionsBeyond16Bits() {
    Fixture f;
    f.list.changeAll([&] { f.add(40000); });
    f.list.changeAll([&] {
        for (int i = 1; i < 40000; ++i)
            f.list.modify(i, [](DownloadRow& row) { row.state = DownloadRow::Finished; });
    });
    f.engine.dispatchPass(1);
    QCOMPARE(f.row(40000).state, DownloadRow::Downloading);
    f.engine.onDownloadProgress(1, 5, 10, {});
    QCOMPARE(f.row(40000).percent, u"50%"_qs);
}

void tst_parallelengine::completionForVanishedRowFreesSlot() {
    Fixture f;
    f.add(2);
    f.engine.dispatchPass(2);
    f.list.remove(2);
    f.engine.onDownloadComplete(2, 10, 10, {});
    QVERIFY(!f.engine.IsSlotLoaded(2));
    QCOMPARE(f.row(1).state, DownloadRow::Downloading);
    QVERIFY(f.row(1).percent.isEmpty());
}

void tst_parallelengine::realDownloadIntoFolder() {
    Fixture f;
    const QByteArray body = "%PDF-1.4\n" + LocalHttpServer::generated(0, 300000);
    f.server.route("/a.pdf", Response{200, {{"Content-Type", "application/pdf"}}, body});
    const QByteArray page = "<html ><head><title>Sorry</title></head><body>no</body></html>";
    f.server.route("/b.pdf", Response{200, {{"Content-Type", "text/html"}}, page});
    加入下载列表(f.list, {f.folder, false}, f.server.url("/a.pdf"), u"first"_qs, u"pdf"_qs,
                 f.folder, {});
    加入下载列表(f.list, {f.folder, false}, f.server.url("/b.pdf"), u"second"_qs, u"pdf"_qs,
                 f.folder, {});
    f.view.soundPrompt = true;
    f.engine.dispatchPass(2);
    QUENLIT_WAIT_FOR_IO(f.clock, f.engine.loadedInstanceCount() == 1);
    QCOMPARE(f.states(), (QList<int>{3, 3}));
    QCOMPARE(f.row(1).percent, u"100%"_qs);
    QCOMPARE(f.row(1).size, QString::number(body.size()));
    QCOMPARE(ReadFile(f.path(u"first.pdf"_qs)), body);
    // The error page under .pdf is recognised and renamed.
    QCOMPARE(f.row(2).type, u"htm"_qs);
    QCOMPARE(ReadFile(f.path(u"second.htm"_qs)), page);
    QCOMPARE(f.files(), (QStringList{u"first.pdf"_qs, u"second.htm"_qs}));
    QCOMPARE(f.view.prompts, QList<SoundPrompt>{SoundPrompt::WebPage});
    // The freed elements go once their signals have returned.
    QTest::qWait(0);
}

void tst_parallelengine::tooLargeAnnouncedStopsInsideItsOwnSignal() {
    Fixture f;
    Response big{200, {{"Content-Type", "application/pdf"}}, {}};
    big.generatedSize = 20 * 1024 * 1024;
    big.dripBytes = 64 * 1024;
    big.dripEveryMs = 100;
    f.server.route("/big.pdf", big);
    加入下载列表(f.list, {f.folder, false}, f.server.url("/big.pdf"), u"big"_qs, u"pdf"_qs,
                 f.folder, {});
    f.engine.dispatchPass(1);
    QUENLIT_WAIT_FOR_IO(f.clock, !f.engine.IsSlotLoaded(1));
    QCOMPARE(f.row(1).state, DownloadRow::Finished);
    QCOMPARE(f.row(1).percent, u"大文件，跳过"_qs);
    QCOMPARE(f.row(1).size, QString::number(20 * 1024 * 1024));
    QTest::qWait(50);
    QVERIFY(!QFile::exists(PartialFile::tempPathFor(f.path(u"big.pdf"_qs))));
}

void tst_parallelengine::unloadSlotsMidDownload() {
    Fixture f;
    Response slow{200, {{"Content-Type", "application/pdf"}}, {}};
    slow.generatedSize = 100000;
    slow.stallAfter = 20000;
    f.server.route("/slow.pdf", slow);
    加入下载列表(f.list, {f.folder, false}, f.server.url("/slow.pdf"), u"slow"_qs, u"pdf"_qs,
                 f.folder, {});
    f.add(1);
    f.engine.dispatchPass(2);
    QUENLIT_WAIT_FOR_IO(f.clock, f.row(1).downloaded == u"20000"_qs);
    f.engine.unloadSlots();
    QCOMPARE(f.engine.loadedInstanceCount(), 1);
    QVERIFY(!f.engine.IsSlotLoaded(1));
    QVERIFY(!f.engine.IsSlotLoaded(2));
    // The rows are the stop command's to mark.
    QCOMPARE(f.states(), (QList<int>{2, 2}));
    QVERIFY(!QFile::exists(PartialFile::tempPathFor(f.path(u"slow.pdf"_qs))));
    QVERIFY(ReadFile(f.path(u"slow.pdf"_qs)).size() < 20000);
    // Nothing reports after the unload.
    QTest::qWait(50);
    f.clock.advance(400000);
    QCOMPARE(f.states(), (QList<int>{2, 2}));
}

// Cut short or stopped, the row put back continues its file in its next run.
void tst_parallelengine::resumesInTheNextRun_data() {
    QTest::addColumn<bool>("stopped");
    QTest::newRow("cut short") << false;
    QTest::newRow("stopped") << true;
}

void tst_parallelengine::resumesInTheNextRun() {
    QFETCH(bool, stopped);
    Fixture f;
    f.server.route("/big.pdf", Ranged(stopped, !stopped));
    加入下载列表(f.list, {f.folder, false}, f.server.url("/big.pdf"), u"big"_qs, u"pdf"_qs,
                 f.folder, {});
    f.engine.dispatchPass(1);
    if (stopped) {
        QUENLIT_WAIT_FOR_IO(f.clock, f.row(1).downloaded == u"100000"_qs);
        f.engine.unloadSlots();
        f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Failed; });
        QVERIFY(!QFile::exists(f.path(u"big.pdf"_qs)));
    } else {
        QUENLIT_WAIT_FOR_IO(f.clock, !f.engine.IsSlotLoaded(1));
        QCOMPARE(f.row(1).state, DownloadRow::Failed);
        QCOMPARE(f.row(1).percent, u"33%"_qs);
        QCOMPARE(ReadFile(f.path(u"big.pdf"_qs)), Placeholder);
    }
    QCOMPARE(ReadFile(PartialFile::tempPathFor(f.path(u"big.pdf"_qs))), Document.left(100000));

    // Put back as the re-download does it: the placeholder goes, the kept bytes stay.
    RequeueRow(f.list, 1);
    f.server.route("/big.pdf", Ranged());
    f.engine.dispatchPass(1);
    QCOMPARE(f.row(1).name, u"big"_qs);
    QUENLIT_WAIT_FOR_IO(f.clock, !f.engine.IsSlotLoaded(1));
    QCOMPARE(f.row(1).state, DownloadRow::Finished);
    QCOMPARE(f.row(1).size, u"300000"_qs);
    QCOMPARE(f.row(1).downloaded, u"300000"_qs);
    QCOMPARE(f.row(1).percent, u"100%"_qs);
    QVERIFY(ReadFile(f.path(u"big.pdf"_qs)) == Document);
    QCOMPARE(f.files(), QStringList{u"big.pdf"_qs});
    QCOMPARE(f.server.requests.size(), 2);
    QCOMPARE(f.server.requests[1].headers.value("range"), QByteArray("bytes=100000-"));
    QCOMPARE(f.server.requests[1].headers.value("if-range"), QByteArray("\"p1\""));
    QTest::qWait(0);
}

// The limit is on the whole file: a rest under the limit of a file over it is skipped, and
// nothing of the file is kept.
void tst_parallelengine::sizeLimitCountsTheWholeFile() {
    Fixture f;
    f.server.route("/big.pdf", Ranged(false, true));
    加入下载列表(f.list, {f.folder, false}, f.server.url("/big.pdf"), u"big"_qs, u"pdf"_qs,
                 f.folder, {});
    f.engine.dispatchPass(1);
    QUENLIT_WAIT_FOR_IO(f.clock, !f.engine.IsSlotLoaded(1));
    QVERIFY(QFile::exists(PartialFile::tempPathFor(f.path(u"big.pdf"_qs))));

    f.live.MaxFileSizeMB = 250000.0f / 1024 / 1024;
    RequeueRow(f.list, 1);
    f.server.route("/big.pdf", Ranged());
    f.engine.dispatchPass(1);
    QUENLIT_WAIT_FOR_IO(f.clock, !f.engine.IsSlotLoaded(1));
    QCOMPARE(f.server.requests.last().headers.value("range"), QByteArray("bytes=100000-"));
    QCOMPARE(f.row(1).state, DownloadRow::Finished);
    QCOMPARE(f.row(1).percent, u"大文件，跳过"_qs);
    QCOMPARE(f.row(1).size, u"300000"_qs);
    QTest::qWait(0);
    QVERIFY(!QFile::exists(PartialFile::tempPathFor(f.path(u"big.pdf"_qs))));
    QVERIFY(!QFile::exists(PartialFile::recordPathFor(f.path(u"big.pdf"_qs))));
}

// A crash leaves the placeholder under the document's name beside the kept bytes. Once the
// window's start has cleaned up, neither the rename nor the skip policy takes the
// placeholder for the document: the row continues its own file.
void tst_parallelengine::resumesWhatACrashLeft_data() {
    QTest::addColumn<QString>("policy");
    QTest::newRow("rename") << RenamePolicy;
    QTest::newRow("skip") << SkipPolicy;
}

void tst_parallelengine::resumesWhatACrashLeft() {
    QFETCH(QString, policy);
    Fixture f;
    f.view.policy = policy;
    f.server.route("/big.pdf", Ranged());
    加入下载列表(f.list, {f.folder, false}, f.server.url("/big.pdf"), u"big"_qs, u"pdf"_qs,
                 f.folder, {});
    const QString target = f.row(1).targetPath();
    WriteFile(target, Placeholder);
    {
        PartialFile kept(target);
        QVERIFY(kept.open());
        QVERIFY(kept.record({f.server.url("/big.pdf"), u"\"p1\""_qs, QString(), 300000}));
        QVERIFY(kept.append(Document.left(120000)));
    }
    RemoveStalePartials({f.folder}, {target});
    f.engine.dispatchPass(1);
    QCOMPARE(f.row(1).name, u"big"_qs);
    QUENLIT_WAIT_FOR_IO(f.clock, !f.engine.IsSlotLoaded(1));
    QCOMPARE(f.row(1).state, DownloadRow::Finished);
    QCOMPARE(f.row(1).percent, u"100%"_qs);
    QCOMPARE(f.server.requests.value(0).headers.value("range"), QByteArray("bytes=120000-"));
    QVERIFY(ReadFile(target) == Document);
    QCOMPARE(f.files(), QStringList{u"big.pdf"_qs});
    QTest::qWait(0);
}

QTEST_GUILESS_MAIN(tst_parallelengine)
#include "tst_parallelengine.moc"
