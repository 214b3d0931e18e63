#include "DownloadList.h"
#include "DownloadListModel.h"
#include "DuplicateNames.h"
#include "FakeDownloadView.h"
#include "Inet.h"
#include "LiveSettings.h"
#include "LocalHttpServer.h"
#include "PartialFile.h"
#include "RecordingMessageSink.h"
#include "SingleConnectionEngine.h"
#include "SystemClock.h"
#include "TestFiles.h"
#include "TestNetwork.h"
#include "WorkScope.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

using Response = LocalHttpServer::Response;

template <typename ClockType> struct Fixtures {
    Fixtures() {
        live.MaxFileSizeMB = 10;
        folder = dir.filePath(u"files"_qs);
        QDir().mkpath(folder);
    }
    // A waiting row for address, handed over as the scheduler does.
    void add(const QString& address, const QString& name, const QString& type = u"pdf"_qs,
             const QString& referer = {}) {
        加入下载列表(list, {folder, false}, address, name, type, folder, referer);
        list.modify(list.count(), [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
    }
    void start(int position = 1) {
        scope.start([this, position] { return engine.Inet下载当前文件(scope, position); });
    }
    // Runs the download to its end on the local server.
    bool run(int position = 1) {
        start(position);
        return QTest::qWaitFor(
            [&] {
                clock.advance(10);
                return !scope.running();
            },
            10000);
    }
    const DownloadRow& row(int position = 1) const { return list.row(position); }
    QString path(const QString& file) const { return folder + u'/' + file; }
    QStringList files() const {
        return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }

    ClockType clock;
    QNetworkAccessManager network;
    DownloadListModel list;
    DownloadWindowState state;
    LiveSettings live;
    FakeDownloadView view;
    RecordingMessageSink messages;
    DownloadEnvironment environment{clock, network, list, state, live, view, messages};
    SingleConnectionEngine engine{environment};
    LocalHttpServer server{clock};
    QTemporaryDir dir;
    QString folder;
    WorkScope scope{clock};
};
using Fixture = Fixtures<VirtualClock>;

Response pdf(const QByteArray& body) {
    return {200, {{"Content-Type", "application/pdf"}}, body};
}

QByteArray pdfBody(int size) {
    return "%PDF-1.4\n" + LocalHttpServer::generated(0, size - 9);
}

const QByteArray Etag("\"doc-1\"");
const QByteArray Date("Wed, 01 May 2024 10:00:00 GMT");

// The document on a server that answers ranges.
Response document(const QByteArray& body, const QByteArray& etag = Etag,
                  const QByteArray& lastModified = Date) {
    Response response = pdf(body);
    response.etag = etag;
    response.lastModified = lastModified;
    response.ranges = true;
    return response;
}

const QStringList KeptFiles{u"a.pdf.part"_qs, u"a.pdf.part.meta"_qs};

} // namespace

class tst_singleengine : public QObject {
    Q_OBJECT
private slots:
    void siteRoot_data();
    void siteRoot();
    void transferStateText_data();
    void transferStateText();
    void completeDownload();
    void failures_data();
    void failures();
    void connectionSettings_data();
    void connectionSettings();
    void referer_data();
    void referer();
    void statusLine_data();
    void statusLine();
    void errorPageBecomesHtm();
    void overwriteKeepsOldFileOnFailure();
    void overwriteReplacesOnlyWhenComplete();
    void renameNumbersTheNewFile();
    void headerTypeReplacesFileUnderSkip();
    void headerNameNeverLeavesTheFolder();
    void secondCallWhileRunningPutsRowBack();
    void cancelledScopeEndsTheFrame();
    void closingMidStreamOnTheRealClock();
    void resumesAfterAnInterruption_data();
    void resumesAfterAnInterruption();
    void stopThenStartResumes();
    void startsOverUnlessTheRestComes_data();
    void startsOverUnlessTheRestComes();
    void sizeLimitCountsTheWholeFile();
    void renamedRowResumesUnderItsNewName();
    void closedMidStreamResumesOnTheRealClock();
};

void tst_singleengine::siteRoot_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("root");
    QTest::newRow("path") << u"http://h.example/docs/a.pdf"_qs << u"http://h.example"_qs;
    QTest::newRow("host only") << u"https://h.example"_qs << u"https://h.example"_qs;
    QTest::newRow("slash right after scheme") << u"http:///x"_qs << u"http:///x"_qs;
    QTest::newRow("no scheme") << u"www.h.example/a"_qs << u"www.h.example"_qs;
    QTest::newRow("no scheme, early slash") << u"ab/c"_qs << u"ab/c"_qs;
}

void tst_singleengine::siteRoot() {
    QFETCH(QString, address);
    QFETCH(QString, root);
    QCOMPARE(SiteRoot(address), root);
}

void tst_singleengine::transferStateText_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << u"0 无状态可报告。"_qs;
    QTest::newRow("3") << 3 << u"3 正在与主机连接..."_qs;
    QTest::newRow("10") << 10 << u"10 已成功地与主机解除了连接。"_qs;
    QTest::newRow("11") << 11 << u"11 与主机通讯时出现了错误:12029:refused"_qs;
    QTest::newRow("12") << 12 << u"12 该请求已经完成，并且所有数据均已接收到。"_qs;
    QTest::newRow("other") << 13 << u"12029:refused"_qs;
    QTest::newRow("negative") << -1 << u"12029:refused"_qs;
}

void tst_singleengine::transferStateText() {
    QFETCH(int, state);
    QFETCH(QString, text);
    QCOMPARE(TransferStateText(state, 12029, u"refused"_qs), text);
}

void tst_singleengine::completeDownload() {
    Fixture f;
    const QByteArray body = pdfBody(700000);
    f.server.route("/a.pdf", pdf(body));
    f.add(f.server.url("/a.pdf"), u"report"_qs, u"PDF"_qs);
    f.view.soundPrompt = true;
    f.clock.advance(5000);
    QVERIFY(f.run());

    QCOMPARE(f.row().state, DownloadRow::Finished);
    QCOMPARE(f.row().type, u"pdf"_qs);
    QCOMPARE(f.row().size, QString::number(body.size()));
    QCOMPARE(f.row().downloaded, QString::number(body.size()));
    QCOMPARE(f.row().percent, u"100%"_qs);
    QCOMPARE(ReadFile(f.path(u"report.pdf"_qs)), body);
    QCOMPARE(f.files(), QStringList{u"report.pdf"_qs});
    QVERIFY(!f.state.busy);
    QCOMPARE(f.state.lastFinishTime, float(f.clock.secondsSinceMidnight()));
    QCOMPARE(f.view.panels.value(2), u"完成下载:report"_qs);
    QStringList stateTexts;
    for (int state = 0; state <= 12; ++state)
        stateTexts << TransferStateText(state, 0, {});
    QVERIFY2(stateTexts.contains(f.view.panels.value(3)), qPrintable(f.view.panels.value(3)));
    QVERIFY(f.view.prompts.isEmpty());
    QCOMPARE(f.view.logins, 0);
    QCOMPARE(WorkScope::suspendedWaits(), 0);
}

// How each failure leaves the row, the file and the disk.
void tst_singleengine::failures_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("downloaded");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QStringList>("files");

    const QStringList none;
    QTest::newRow("no headers in the wait")
        << u"silent"_qs << 4 << u""_qs << u""_qs << u""_qs << none;
    QTest::newRow("announced over the limit")
        << u"20 MB"_qs << 3 << u""_qs << u""_qs << u"大文件，跳过"_qs << none;
    QTest::newRow("cannot replace") << u"folder in the way"_qs << 4 << u"0"_qs << u"0"_qs
                                    << u"无法替换"_qs << QStringList{u"a.pdf"_qs};
    QTest::newRow("cannot create") << u"folder is a file"_qs << 4 << u"下载失败"_qs << u"0"_qs
                                   << u""_qs << QStringList{u"plain"_qs};
    QTest::newRow("stall 120 s") << u"stall"_qs << 4 << u"下载失败"_qs << u"1000"_qs << u"20%"_qs
                                 << none;
    QTest::newRow("stop mid-stream")
        << u"stop"_qs << 4 << u"下载取消"_qs << u"1000"_qs << u"20%"_qs << none;
    QTest::newRow("unknown length over the limit")
        << u"unknown too large"_qs << 3 << u"未知"_qs << u"*"_qs << u"大文件，跳过"_qs << none;
    QTest::newRow("whole-body fetch past the limit")
        << u"endless page"_qs << 3 << u"未知"_qs << u""_qs << u"大文件，跳过"_qs << none;
    QTest::newRow("whole-body fetch stalls")
        << u"page stalls"_qs << 4 << u""_qs << u""_qs << u""_qs << none;
    QTest::newRow("whole-body fetch under two bytes")
        << u"one byte"_qs << 4 << u""_qs << u""_qs << u""_qs << none;
    QTest::newRow("reset before the announced length")
        << u"reset"_qs << 4 << u"下载失败"_qs << u"1000"_qs << u"20%"_qs << none;
    QTest::newRow("server closes early")
        << u"short"_qs << 4 << u"下载失败"_qs << u"3000"_qs << u"60%"_qs << none;
    QTest::newRow("stop before the headers")
        << u"stop early"_qs << 4 << u"下载取消"_qs << u""_qs << u""_qs << none;
    QTest::newRow("busy when called")
        << u"busy"_qs << 1 << u"等待重新下载"_qs << u""_qs << u""_qs << none;
}

void tst_singleengine::failures() {
    QFETCH(QString, situation);
    QFETCH(int, state);
    QFETCH(QString, size);
    QFETCH(QString, downloaded);
    QFETCH(QString, percent);
    QFETCH(QStringList, files);

    Fixture f;
    f.view.policy = OverwritePolicy;
    const QByteArray body = pdfBody(5000);
    Response response = pdf(body);
    QString address = f.server.url("/a.pdf");
    if (situation == u"silent"_qs || situation == u"stop early"_qs) {
        response.noAnswer = true;
    } else if (situation == u"20 MB"_qs) {
        response.declaredLength = 20 * 1024 * 1024;
    } else if (situation == u"folder in the way"_qs) {
        QDir(f.folder).mkdir(u"a.pdf"_qs);
    } else if (situation == u"folder is a file"_qs) {
        WriteFile(f.path(u"plain"_qs), "x");
    } else if (situation == u"stall"_qs || situation == u"stop"_qs) {
        response.stallAfter = 1000;
    } else if (situation == u"unknown too large"_qs) {
        f.live.MaxFileSizeMB = 3000.0f / 1024 / 1024;
        response.body = pdfBody(50000);
        response.omitLength = true;
        response.dripBytes = 1000;
        response.dripEveryMs = 100;
    } else if (situation == u"endless page"_qs || situation == u"page stalls"_qs) {
        // An error page without a length: fetched whole, but never held past the limit or
        // waited on for ever.
        f.live.MaxFileSizeMB = 3000.0f / 1024 / 1024;
        response = {500, {{"Content-Type", "application/octet-stream"}}, {}};
        response.omitLength = true;
        response.generatedSize = 1 << 30;
        if (situation == u"page stalls"_qs)
            response.stallAfter = 1000;
    } else if (situation == u"one byte"_qs) {
        response = {404, {{"Content-Type", "text/plain"}}, "x"};
        response.omitLength = true;
    } else if (situation == u"reset"_qs) {
        response.resetAfter = 1000;
    } else if (situation == u"short"_qs) {
        response.body = body.left(3000);
        response.declaredLength = 5000;
    } else if (situation == u"busy"_qs) {
        f.state.busy = true;
    }
    f.server.route("/a.pdf", response);
    f.add(address, u"a"_qs);
    if (situation == u"folder is a file"_qs)
        f.list.modify(1, [&](DownloadRow& row) { row.saveFolder = f.path(u"plain/sub/"_qs); });
    f.view.soundPrompt = true;

    f.start();
    if (situation == u"silent"_qs) {
        QUENLIT_WAIT_FOR_IO(f.clock, f.server.requests.size() == 1);
        f.clock.advance(29000);
        QVERIFY(f.scope.running());
        f.clock.advance(2000);
    } else if (situation == u"stop early"_qs) {
        QUENLIT_WAIT_FOR_IO(f.clock, f.server.requests.size() == 1);
        f.engine.Inet1().Cancel();
        f.state.busy = false;
        f.engine.Inet1().Cancel();
    } else if (situation == u"page stalls"_qs) {
        QUENLIT_WAIT_FOR_IO(f.clock, f.server.requests.size() == 2);
        f.clock.advance(125000);
    } else if (situation == u"stall"_qs || situation == u"stop"_qs) {
        QUENLIT_WAIT_FOR_IO(f.clock, f.row().downloaded == u"1000"_qs);
        if (situation == u"stall"_qs) {
            f.clock.advance(110000);
            QVERIFY(f.scope.running());
            f.clock.advance(12000);
        } else {
            // As the stop command does it.
            f.engine.Inet1().Cancel();
            f.state.busy = false;
            f.engine.Inet1().Cancel();
            f.clock.advance(1000);
        }
    }
    QUENLIT_WAIT_FOR_IO(f.clock, !f.scope.running());

    QCOMPARE(int(f.row().state), state);
    QCOMPARE(f.row().size, size);
    if (downloaded == u"*"_qs) // past the limit by one piece or more
        QVERIFY(f.row().downloaded.toLongLong() > 3000);
    else
        QCOMPARE(f.row().downloaded, downloaded);
    QCOMPARE(f.row().percent, percent);
    QCOMPARE(f.files(), files);
    QVERIFY(!f.state.busy || situation == u"busy"_qs);
    if (state == 4)
        QCOMPARE(f.view.prompts, QList<SoundPrompt>{SoundPrompt::Failed});
    if (situation != u"busy"_qs)
        QCOMPARE(f.view.panels.value(2), u"完成下载:a"_qs);
    QCOMPARE(WorkScope::suspendedWaits(), 0);
}

void tst_singleengine::connectionSettings_data() {
    QTest::addColumn<QString>("address"); // "PORT" stands for a port nothing listens on
    QTest::addColumn<int>("proxy");
    QTest::addColumn<int>("port"); // -1: the one in the address
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("accessType");
    QTest::newRow("http with port") << u"http://127.0.0.1:PORT/a.pdf"_qs << 0 << -1 << 4 << 0;
    QTest::newRow("http without port") << u"http://127.0.0.1/a.pdf"_qs << 0 << 80 << 4 << 0;
    QTest::newRow("host right after the scheme") << u"http://h/a.pdf"_qs << 0 << 80 << 4 << 0;
    QTest::newRow("port not a number") << u"http://127.0.0.1:x1/a"_qs << 0 << 80 << 4 << 0;
    QTest::newRow("port over 16 bits") << u"http://127.0.0.1:70000/a"_qs << 0 << 80 << 4 << 0;
    QTest::newRow("https ignores its port")
        << u"https://127.0.0.1:PORT/a.pdf"_qs << 0 << 443 << 5 << 0;
    QTest::newRow("HTTPS upper case") << u"HTTPS://127.0.0.1:PORT/a"_qs << 0 << 443 << 5 << 0;
    QTest::newRow("proxy, http") << u"http://127.0.0.1:PORT/a.pdf"_qs << 1 << 3128 << 4 << 2;
    QTest::newRow("proxy, https") << u"https://127.0.0.1:PORT/a.pdf"_qs << 1 << 443 << 5 << 2;
}

void tst_singleengine::connectionSettings() {
    QFETCH(QString, address);
    QFETCH(int, proxy);
    QFETCH(int, port);
    QFETCH(int, protocol);
    QFETCH(int, accessType);
    Fixture f;
    f.live.ProxyEnabled = qint16(proxy);
    // A proxy that refuses at once keeps the run short.
    f.live.ProxyAddress = u"127.0.0.1"_qs;
    f.live.ProxyPort = u"3128"_qs;
    const quint16 closed = LocalHttpServer::closedPort();
    address.replace(u"PORT"_qs, QString::number(closed));
    if (port < 0)
        port = closed;
    f.add(address, u"a"_qs);
    f.start();
    QCOMPARE(int(f.engine.Inet1().RemotePort), port);
    QCOMPARE(f.engine.Inet1().Protocol, protocol);
    QCOMPARE(f.engine.Inet1().AccessType, accessType);
    QCOMPARE(f.engine.Inet1().Proxy, proxy ? u"127.0.0.1:3128"_qs : QString());
    f.scope.cancel();
    QUENLIT_WAIT_FOR_IO(f.clock, !f.scope.running());
    QCOMPARE(f.row().state, DownloadRow::Failed);
}

void tst_singleengine::referer_data() {
    QTest::addColumn<QString>("tag");
    QTest::addColumn<bool>("siteRoot");
    QTest::newRow("tag") << u"http://pages.example/results?q=1"_qs << false;
    QTest::newRow("no tag: site root") << QString() << true;
}

void tst_singleengine::referer() {
    QFETCH(QString, tag);
    QFETCH(bool, siteRoot);
    Fixture f;
    f.server.route("/docs/a.pdf", pdf(pdfBody(100)));
    f.add(f.server.url("/docs/a.pdf"), u"a"_qs, u"pdf"_qs, tag);
    QVERIFY(f.run());
    QCOMPARE(f.server.requests.size(), 1);
    QCOMPARE(QString::fromUtf8(f.server.requests[0].headers.value("referer")),
             siteRoot ? f.server.base() : tag);
    QCOMPARE(f.row().state, DownloadRow::Finished);
}

// The status line and the length decide between streaming and the whole-body fetch.
void tst_singleengine::statusLine_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");
    QTest::addColumn<bool>("withLength");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("size");
    QTest::newRow("200 OK, unknown length: streamed")
        << 200 << QByteArray("OK") << false << 1 << u"1234"_qs;
    QTest::newRow("200 without OK, unknown length: fetched whole")
        << 200 << QByteArray("Fine") << false << 2 << u"1234"_qs;
    QTest::newRow("404 without length: fetched whole")
        << 404 << QByteArray("Not Found") << false << 2 << u"1234"_qs;
    QTest::newRow("404 with length: streamed")
        << 404 << QByteArray("Not Found") << true << 1 << u"1234"_qs;
}

void tst_singleengine::statusLine() {
    QFETCH(int, status);
    QFETCH(QByteArray, reason);
    QFETCH(bool, withLength);
    QFETCH(int, requests);
    QFETCH(QString, size);
    Fixture f;
    Response response = pdf(pdfBody(1234));
    response.status = status;
    response.reason = reason;
    response.omitLength = !withLength;
    f.server.route("/a.pdf", response);
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    QVERIFY(f.run());
    QCOMPARE(f.server.requests.size(), requests);
    QCOMPARE(f.row().state, DownloadRow::Finished);
    QCOMPARE(f.row().size, size);
    QCOMPARE(f.row().downloaded, u"1234"_qs);
    QCOMPARE(f.row().percent, u"100%"_qs);
    QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), response.body);
    QCOMPARE(f.files(), QStringList{u"a.pdf"_qs});
}

void tst_singleengine::errorPageBecomesHtm() {
    Fixture f;
    const QByteArray page = "<html ><head><title>Not here</title></head><body>gone</body></html>";
    f.server.route("/a.pdf", Response{200, {{"Content-Type", "application/octet-stream"}}, page});
    f.add(f.server.url("/a.pdf"), u"paper"_qs);
    f.view.soundPrompt = true;
    f.view.autoLoginOn = true;
    QVERIFY(f.run());
    QCOMPARE(f.row().state, DownloadRow::Finished);
    QCOMPARE(f.row().type, u"htm"_qs);
    QCOMPARE(f.files(), QStringList{u"paper.htm"_qs});
    QCOMPARE(ReadFile(f.path(u"paper.htm"_qs)), page);
    QCOMPARE(f.view.prompts, QList<SoundPrompt>{SoundPrompt::WebPage});
    QCOMPARE(f.view.logins, 1);
}

void tst_singleengine::overwriteKeepsOldFileOnFailure() {
    Fixture f;
    f.view.policy = OverwritePolicy;
    WriteFile(f.path(u"a.pdf"_qs), "old content");
    Response response = pdf(pdfBody(5000));
    response.resetAfter = 2000;
    f.server.route("/a.pdf", response);
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    QVERIFY(f.run());
    QCOMPARE(f.row().state, DownloadRow::Failed);
    QCOMPARE(f.row().size, u"下载失败"_qs);
    QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), QByteArray("old content"));
    QCOMPARE(f.files(), QStringList{u"a.pdf"_qs});
}

void tst_singleengine::overwriteReplacesOnlyWhenComplete() {
    Fixture f;
    f.view.policy = OverwritePolicy;
    WriteFile(f.path(u"a.pdf"_qs), "old content");
    const QByteArray body = pdfBody(5000);
    Response response = pdf(body);
    response.stallAfter = 1000;
    f.server.route("/a.pdf", response);
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    f.start();
    QUENLIT_WAIT_FOR_IO(f.clock, f.row().downloaded == u"1000"_qs);
    // Mid-stream the old file is still whole and the new bytes sit beside it.
    QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), QByteArray("old content"));
    QCOMPARE(ReadFile(PartialFile::tempPathFor(f.path(u"a.pdf"_qs))), body.left(1000));
    f.scope.cancel();
    QUENLIT_WAIT_FOR_IO(f.clock, !f.scope.running());

    f.server.route("/a.pdf", pdf(body));
    f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
    QVERIFY(f.run());
    QCOMPARE(f.row().state, DownloadRow::Finished);
    QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), body);
    QCOMPARE(f.files(), QStringList{u"a.pdf"_qs});
}

void tst_singleengine::renameNumbersTheNewFile() {
    Fixture f;
    WriteFile(f.path(u"a.pdf"_qs), "old content");
    const QByteArray body = pdfBody(300);
    f.server.route("/a.pdf", pdf(body));
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    QVERIFY(f.run());
    QCOMPARE(f.row().name, u"a[001]"_qs);
    QCOMPARE(ReadFile(f.path(u"a[001].pdf"_qs)), body);
    QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), QByteArray("old content"));
}

// The skip policy judged the row by its old type; the file of the type the server names is
// replaced.
void tst_singleengine::headerTypeReplacesFileUnderSkip() {
    Fixture f;
    f.view.policy = SkipPolicy;
    WriteFile(f.path(u"page.html"_qs), "old page");
    // Not recognisable as a page by its bytes, so the type check leaves it as it is.
    const QByteArray page = "new page";
    f.server.route("/p", Response{200, {{"Content-Type", "text/html; charset=utf-8"}}, page});
    f.add(f.server.url("/p"), u"page"_qs, u"pdf"_qs);
    QVERIFY(f.run());
    QCOMPARE(f.row().state, DownloadRow::Finished);
    QCOMPARE(f.row().type, u"html"_qs);
    QCOMPARE(f.row().name, u"page"_qs);
    QCOMPARE(ReadFile(f.path(u"page.html"_qs)), page);
    QCOMPARE(f.files(), QStringList{u"page.html"_qs});
}

void tst_singleengine::headerNameNeverLeavesTheFolder() {
    Fixture f;
    const QByteArray body = pdfBody(300);
    f.server.route("/get",
                   Response{200,
                            {{"Content-Type", "application/octet-stream"},
                             {"Content-Disposition", "attachment; filename=\"../../x.pdf\""}},
                            body});
    f.add(f.server.url("/get"), u"title"_qs, QString());
    QVERIFY(f.run());
    QCOMPARE(f.row().name, u"title"_qs);
    QCOMPARE(f.row().type, u"pdf"_qs);
    QCOMPARE(f.files(), QStringList{u"title.pdf"_qs});
    QVERIFY(!QFile::exists(f.dir.filePath(u"x.pdf"_qs)));
}

void tst_singleengine::secondCallWhileRunningPutsRowBack() {
    Fixture f;
    Response response = pdf(pdfBody(5000));
    response.stallAfter = 1000;
    f.server.route("/a.pdf", response);
    f.server.route("/b.pdf", pdf(pdfBody(100)));
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    f.add(f.server.url("/b.pdf"), u"b"_qs);
    f.start(1);
    QUENLIT_WAIT_FOR_IO(f.clock, f.row(1).downloaded == u"1000"_qs);
    f.start(2);
    f.clock.runPending();
    QCOMPARE(f.row(2).state, DownloadRow::Waiting);
    QCOMPARE(f.row(2).size, u"等待重新下载"_qs);
    QCOMPARE(f.server.requests.size(), 1);
    f.scope.cancel();
    QUENLIT_WAIT_FOR_IO(f.clock, !f.scope.running());
}

void tst_singleengine::cancelledScopeEndsTheFrame() {
    Fixture f;
    Response response = pdf(pdfBody(5000));
    response.stallAfter = 1000;
    f.server.route("/a.pdf", response);
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    f.view.soundPrompt = true;
    f.start();
    QUENLIT_WAIT_FOR_IO(f.clock, f.row().downloaded == u"1000"_qs);
    QVERIFY(QFile::exists(PartialFile::tempPathFor(f.path(u"a.pdf"_qs))));
    f.scope.cancel();
    QCOMPARE(WorkScope::suspendedWaits(), 0);
    QCOMPARE(WorkScope::liveRuns(), 0);
    QVERIFY(!f.scope.running());
    QCOMPARE(f.row().state, DownloadRow::Failed);
    QCOMPARE(f.row().size, u"下载取消"_qs);
    QVERIFY(f.files().isEmpty());
    QVERIFY(!f.state.busy);
    QVERIFY(!f.engine.Inet1().StillExecuting());
    QCOMPARE(f.view.panels.value(2), u"完成下载:a"_qs);
    QCOMPARE(f.view.prompts, QList<SoundPrompt>{SoundPrompt::Failed});
}

// The window goes while the body streams, on the real clock and event loop: its scope
// dies first, then the engine.
void tst_singleengine::closingMidStreamOnTheRealClock() {
    QTemporaryDir outside;
    auto f = std::make_unique<Fixtures<SystemClock>>();
    f->folder = outside.path();
    Response response = pdf(pdfBody(50000));
    response.stallAfter = 1000;
    f->server.route("/a.pdf", response);
    f->add(f->server.url("/a.pdf"), u"a"_qs);
    f->start();
    QVERIFY(QTest::qWaitFor([&] { return f->row().downloaded == u"1000"_qs; }, 10000));
    QVERIFY(QFile::exists(PartialFile::tempPathFor(f->path(u"a.pdf"_qs))));
    f.reset();
    QCOMPARE(WorkScope::suspendedWaits(), 0);
    QCOMPARE(WorkScope::liveRuns(), 0);
    QTest::qWait(50);
    QVERIFY(QDir(outside.path()).isEmpty());
}

// Interrupted in any way, the row's next run asks for the rest and the file is the same as
// if it had never stopped.
void tst_singleengine::resumesAfterAnInterruption_data() {
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QByteArray>("etag");
    QTest::addColumn<QString>("size"); // the size cell the interruption leaves
    QTest::addColumn<QByteArray>("ifRange");
    QTest::newRow("reset, ETag") << u"reset"_qs << Etag << u"下载失败"_qs << Etag;
    QTest::newRow("reset, Last-Modified") << u"reset"_qs << QByteArray() << u"下载失败"_qs << Date;
    QTest::newRow("weak ETag: Last-Modified")
        << u"reset"_qs << QByteArray("W/\"doc-1\"") << u"下载失败"_qs << Date;
    QTest::newRow("stall") << u"stall"_qs << Etag << u"下载失败"_qs << Etag;
    QTest::newRow("window closed") << u"closed"_qs << Etag << u"下载取消"_qs << Etag;
}

void tst_singleengine::resumesAfterAnInterruption() {
    QFETCH(QString, stop);
    QFETCH(QByteArray, etag);
    QFETCH(QString, size);
    QFETCH(QByteArray, ifRange);
    Fixture f;
    const QByteArray body = pdfBody(10000);
    Response first = document(body, etag);
    if (stop == u"reset"_qs)
        first.resetAfter = 3000;
    else
        first.stallAfter = 3000;
    f.server.route("/a.pdf", first);
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    f.start();
    QUENLIT_WAIT_FOR_IO(f.clock, f.row().downloaded == u"3000"_qs);
    if (stop == u"stall"_qs)
        f.clock.advance(121000);
    else if (stop == u"closed"_qs)
        f.scope.cancel();
    QUENLIT_WAIT_FOR_IO(f.clock, !f.scope.running());
    QCOMPARE(f.row().state, DownloadRow::Failed);
    QCOMPARE(f.row().size, size);
    QCOMPARE(f.files(), KeptFiles);
    QCOMPARE(ReadFile(f.path(u"a.pdf.part"_qs)), body.left(3000));

    f.server.route("/a.pdf", document(body, etag));
    f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
    QVERIFY(f.run());
    QCOMPARE(f.row().state, DownloadRow::Finished);
    QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), body);
    QCOMPARE(f.files(), QStringList{u"a.pdf"_qs});
    QCOMPARE(f.row().size, u"10000"_qs);
    QCOMPARE(f.row().downloaded, u"10000"_qs);
    QCOMPARE(f.row().percent, u"100%"_qs);
    QCOMPARE(f.server.requests.size(), 2);
    QCOMPARE(f.server.requests[1].headers.value("range"), QByteArray("bytes=3000-"));
    QCOMPARE(f.server.requests[1].headers.value("if-range"), ifRange);
    QVERIFY(f.server.requests[1].headers.contains("referer"));
}

// Stopped twice, the cells of each run show the whole file, and the old file under the
// overwrite policy stays whole until the last byte is in.
void tst_singleengine::stopThenStartResumes() {
    Fixture f;
    f.view.policy = OverwritePolicy;
    WriteFile(f.path(u"a.pdf"_qs), "old content");
    const QByteArray body = pdfBody(10000);
    auto stopWhen = [&](const QString& downloaded) {
        QUENLIT_WAIT_FOR_IO(f.clock, f.row().downloaded == downloaded);
        f.engine.Inet1().Cancel();
        f.state.busy = false;
        f.engine.Inet1().Cancel();
        QUENLIT_WAIT_FOR_IO(f.clock, !f.scope.running());
        QCOMPARE(f.row().size, u"下载取消"_qs);
        QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), QByteArray("old content"));
    };
    Response first = document(body);
    first.stallAfter = 3000;
    f.server.route("/a.pdf", first);
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    f.start();
    stopWhen(u"3000"_qs);

    Response second = document(body);
    second.stallAfter = 2000; // of the rest
    f.server.route("/a.pdf", second);
    f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
    f.start();
    QUENLIT_WAIT_FOR_IO(f.clock, f.row().downloaded == u"5000"_qs);
    QCOMPARE(f.row().size, u"10000"_qs);
    QCOMPARE(f.row().percent, u"50%"_qs);
    stopWhen(u"5000"_qs);

    f.server.route("/a.pdf", document(body));
    f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
    QVERIFY(f.run());
    QCOMPARE(f.row().state, DownloadRow::Finished);
    QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), body);
    QCOMPARE(f.files(), QStringList{u"a.pdf"_qs});
    QCOMPARE(f.server.requests.size(), 3);
    QCOMPARE(f.server.requests[1].headers.value("range"), QByteArray("bytes=3000-"));
    QCOMPARE(f.server.requests[2].headers.value("range"), QByteArray("bytes=5000-"));
}

// Whatever is not the rest of the same document starts from the first byte.
void tst_singleengine::startsOverUnlessTheRestComes_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("newSize");
    QTest::addColumn<int>("requests");
    QTest::newRow("changed ETag") << u"changed"_qs << 12000 << 2;
    QTest::newRow("200 answering a range") << u"ignores ranges"_qs << 10000 << 2;
    QTest::newRow("416") << u"shorter"_qs << 2000 << 3;
    QTest::newRow("206 from elsewhere") << u"wrong range"_qs << 10000 << 3;
    QTest::newRow("206 of another total") << u"wrong total"_qs << 10000 << 3;
    QTest::newRow("nothing kept without a validator") << u"no validator"_qs << 10000 << 2;
}

void tst_singleengine::startsOverUnlessTheRestComes() {
    QFETCH(QString, answer);
    QFETCH(int, newSize);
    QFETCH(int, requests);
    Fixture f;
    const bool validated = answer != u"no validator"_qs;
    Response first = validated ? document(pdfBody(10000)) : pdf(pdfBody(10000));
    first.resetAfter = 3000;
    f.server.route("/a.pdf", first);
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    QVERIFY(f.run());
    QCOMPARE(f.files(), validated ? KeptFiles : QStringList());

    // The new document differs from the old one at every offset past its header.
    const QByteArray newBody = "%PDF-1.5\n" + LocalHttpServer::generated(7, newSize - 9);
    f.server.route("/a.pdf", [&](const LocalHttpServer::Request& request) {
        Response next = document(newBody, answer == u"changed"_qs ? "\"doc-2\"" : Etag);
        const bool ranged = request.headers.contains("range");
        if (answer == u"ignores ranges"_qs) {
            next.ranges = false;
        } else if (ranged && (answer == u"wrong range"_qs || answer == u"wrong total"_qs)) {
            next.ranges = false;
            next.status = 206;
            const QByteArray range =
                answer == u"wrong range"_qs ? "bytes 0-9999/10000" : "bytes 3000-9999/12000";
            next.headers.append({QByteArray("Content-Range"), range});
            if (answer == u"wrong total"_qs)
                next.bodyOffset = 3000;
        }
        return next;
    });
    f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
    QVERIFY(f.run());
    QCOMPARE(f.row().state, DownloadRow::Finished);
    QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), newBody);
    QCOMPARE(f.files(), QStringList{u"a.pdf"_qs});
    QCOMPARE(f.row().size, QString::number(newSize));
    QCOMPARE(f.row().downloaded, QString::number(newSize));
    QCOMPARE(f.row().percent, u"100%"_qs);
    QCOMPARE(f.server.requests.size(), requests);
    QCOMPARE(f.server.requests[1].headers.contains("range"), validated);
    QVERIFY(!f.server.requests.last().headers.contains("range") || requests == 2);
}

// The limit is on the whole file, not on the rest that is still to come.
void tst_singleengine::sizeLimitCountsTheWholeFile() {
    Fixture f;
    const QByteArray body = pdfBody(10000);
    Response first = document(body);
    first.resetAfter = 3000;
    f.server.route("/a.pdf", first);
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    QVERIFY(f.run());
    QCOMPARE(f.files(), KeptFiles);

    f.live.MaxFileSizeMB = 8000.0f / 1024 / 1024;
    f.server.route("/a.pdf", document(body));
    f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
    QVERIFY(f.run());
    QCOMPARE(f.server.requests.last().headers.value("range"), QByteArray("bytes=3000-"));
    QCOMPARE(f.row().state, DownloadRow::Finished);
    QCOMPARE(f.row().percent, u"大文件，跳过"_qs);
    QVERIFY(f.files().isEmpty());
}

// Under the rename policy the row keeps the numbered name it was given, and the next run
// continues the file of that name.
void tst_singleengine::renamedRowResumesUnderItsNewName() {
    Fixture f;
    WriteFile(f.path(u"a.pdf"_qs), "someone else's");
    const QByteArray body = pdfBody(10000);
    Response first = document(body);
    first.resetAfter = 3000;
    f.server.route("/a.pdf", first);
    f.add(f.server.url("/a.pdf"), u"a"_qs);
    QVERIFY(f.run());
    QCOMPARE(f.row().name, u"a[001]"_qs);
    QCOMPARE(f.files(),
             (QStringList{u"a.pdf"_qs, u"a[001].pdf.part"_qs, u"a[001].pdf.part.meta"_qs}));

    f.server.route("/a.pdf", document(body));
    f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
    QVERIFY(f.run());
    QCOMPARE(f.server.requests.last().headers.value("range"), QByteArray("bytes=3000-"));
    QCOMPARE(f.row().name, u"a[001]"_qs);
    QCOMPARE(ReadFile(f.path(u"a[001].pdf"_qs)), body);
    QCOMPARE(ReadFile(f.path(u"a.pdf"_qs)), QByteArray("someone else's"));
    QCOMPARE(f.files(), (QStringList{u"a.pdf"_qs, u"a[001].pdf"_qs}));
}

// The window goes mid-stream on the real clock and event loop; the next window's run of the
// same row finishes the file.
void tst_singleengine::closedMidStreamResumesOnTheRealClock() {
    QTemporaryDir outside;
    const QByteArray body = pdfBody(50000);
    // The second window's server serves both, so that both ask the same address.
    Fixtures<SystemClock> g;
    g.folder = outside.path();
    Response first = document(body);
    first.stallAfter = 20000;
    g.server.route("/a.pdf", first);
    auto f = std::make_unique<Fixtures<SystemClock>>();
    f->folder = outside.path();
    f->add(g.server.url("/a.pdf"), u"a"_qs);
    f->start();
    QVERIFY(QTest::qWaitFor([&] { return f->row().downloaded == u"20000"_qs; }, 10000));
    f.reset();
    QCOMPARE(WorkScope::suspendedWaits(), 0);
    QTest::qWait(50);
    QCOMPARE(QDir(outside.path()).entryList(QDir::Files), KeptFiles);

    g.server.route("/a.pdf", document(body));
    g.add(g.server.url("/a.pdf"), u"a"_qs);
    g.start();
    QVERIFY(QTest::qWaitFor([&] { return !g.scope.running(); }, 10000));
    QCOMPARE(g.row().state, DownloadRow::Finished);
    QCOMPARE(g.server.requests.size(), 2);
    QCOMPARE(g.server.requests[1].headers.value("range"), QByteArray("bytes=20000-"));
    QCOMPARE(ReadFile(g.path(u"a.pdf"_qs)), body);
    QCOMPARE(QDir(outside.path()).entryList(QDir::Files), QStringList{u"a.pdf"_qs});
}

QTEST_GUILESS_MAIN(tst_singleengine)
#include "tst_singleengine.moc"
