#include "HttpStatusText.h"
#include "LocalHttpServer.h"
#include "TestNetwork.h"
#include "uXMLHTTP.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

class tst_xmlhttp : public QObject {
    Q_OBJECT

    struct Fixture {
        VirtualClock clock;
        QNetworkAccessManager network;
        LocalHttpServer server{clock};
        uXMLHTTP request{network, clock};
        QSignalSpy arrived{&request, &uXMLHTTP::OnDateArrived};
        QSignalSpy failed{&request, &uXMLHTTP::OnDateErr};
        QSignalSpy ticks{&request, &uXMLHTTP::OnReadyStateChange};
        int events() const { return arrived.count() + failed.count(); }
    };

private slots:
    void statusArrivesAsEvent_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("text");
        QTest::newRow("200") << 200 << true << QString();
        QTest::newRow("404") << 404 << false << u"没有发现文件?查询或URl"_qs;
        QTest::newRow("418 has no text") << 418 << false << QString();
        QTest::newRow("503") << 503 << false << u"服务器过载或暂停维修"_qs;
    }
    void statusArrivesAsEvent() {
        QFETCH(int, status);
        QFETCH(bool, success);
        QFETCH(QString, text);
        Fixture f;
        f.server.route("/v", {status,
                              {{"Content-Type", "text/plain; charset=utf-8"}, {"X-Tag", "a"}},
                              "版本 2.1.6",
                              0});
        f.request.Open_(u"get"_qs, f.server.url("/v"));
        f.request.SetRequestHeader(u"X-Asked"_qs, u"yes"_qs);
        f.request.Send_();
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.server.requests.first().method, QByteArray("GET"));
        QCOMPARE(f.server.requests.first().headers.value("x-asked"), QByteArray("yes"));
        QCOMPARE(f.arrived.count(), success ? 1 : 0);
        if (!success)
            QCOMPARE(f.failed.first().first().toString(), text);
        QVERIFY(f.request.DownOK());
        QCOMPARE(f.request.ReadyState(), 4);
        QCOMPARE(f.request.Status(), status);
        QCOMPARE(f.request.ResponseText(), u"版本 2.1.6"_qs);
        QCOMPARE(f.request.GetResponseHeader(u"x-tag"_qs), u"a"_qs);
        QVERIFY(f.request.GetAllResponseHeaders().contains(u"X-Tag: a\r\n"_qs));
        f.clock.advance(1000);
        QCOMPARE(f.events(), 1); // exactly one event
    }

    // A second send without a new open asks the server again and reports the new answer.
    void secondSendAsksAgain() {
        Fixture f;
        f.server.route("/v", {200, {}, "first", 0});
        f.request.Open_(u"GET"_qs, f.server.url("/v"));
        f.request.Send_();
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        f.server.route("/v", {200, {}, "second", 3000});
        f.request.Send_();
        f.clock.advance(100);
        QCOMPARE(f.events(), 1);
        QVERIFY(!f.request.DownOK());
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 2);
        QCOMPARE(f.server.requests.size(), 2);
        QCOMPARE(f.request.ResponseText(), u"second"_qs);
    }

    void pollTicksAHundredTimesASecondWhilePending() {
        Fixture f;
        f.server.route("/slow", {200, {}, "x", 5000});
        f.request.Open_(u"GET"_qs, f.server.url("/slow"));
        f.request.Send_();
        QUENLIT_WAIT_FOR_IO(f.clock, !f.server.requests.isEmpty());
        const int before = f.ticks.count();
        f.clock.advance(1000);
        QCOMPARE(f.ticks.count() - before, 100);
        QCOMPARE(f.events(), 0);
        QVERIFY(!f.request.DownOK());
    }

    void abortRaisesNoEvent() {
        Fixture f;
        f.server.route("/slow", {200, {}, "x", 2000});
        f.request.Open_(u"GET"_qs, f.server.url("/slow"));
        f.request.Send_();
        QUENLIT_WAIT_FOR_IO(f.clock, !f.server.requests.isEmpty());
        f.request.Abort_();
        const int ticks = f.ticks.count();
        f.clock.advance(5000);
        f.clock.advance(100);
        QCOMPARE(f.events(), 0);
        QCOMPARE(f.ticks.count(), ticks);
    }

    void sendWithoutOpenDoesNothing() {
        Fixture f;
        f.request.Send_();
        f.clock.advance(1000);
        QCOMPARE(f.ticks.count(), 0);
        QCOMPARE(f.events(), 0);
        QVERIFY(f.server.requests.isEmpty());
    }

    void refusedConnectionFailsWithEmptyText() {
        Fixture f;
        f.request.Open_(u"GET"_qs,
                        QStringLiteral("http://127.0.0.1:%1/").arg(LocalHttpServer::closedPort()));
        f.request.Send_();
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.failed.first().first().toString(), QString());
        QCOMPARE(f.request.Status(), 0);
    }

    void bodyIsSavedOverAnExistingFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"a.bin"_qs);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents that are longer");
        old.close();
        Fixture f;
        const QByteArray body("\x00\x01\x02 binary", 10);
        f.server.route("/a.bin", {200, {}, body, 0});
        // The address form of a local path names the same file.
        f.request.Open_(u"GET"_qs, f.server.url("/a.bin"), u"file://"_qs + path);
        f.request.Send_();
        QUENLIT_WAIT_FOR_IO(f.clock, f.arrived.count() == 1);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), body);
        QCOMPARE(f.request.ResponseBody(), body);
    }

    void unwritableSavePathStillArrives() {
        Fixture f;
        f.server.route("/a", {200, {}, "data", 0});
        f.request.Open_(u"GET"_qs, f.server.url("/a"), u"/nonexistent-folder/x/a.bin"_qs);
        f.request.Send_();
        QUENLIT_WAIT_FOR_IO(f.clock, f.arrived.count() == 1);
    }

    void statusTextTable() {
        QCOMPARE(HttpStatusText(200), u"交易成功"_qs);
        QCOMPARE(HttpStatusText(505), u"服务器不支持或拒绝支请求头中指定的HTTP版本"_qs);
        QCOMPARE(HttpStatusText(-1), QString());
        QCOMPARE(HttpStatusText(601), QString());
        QCOMPARE(HttpStatusText(299), QString());
    }
};

QTEST_GUILESS_MAIN(tst_xmlhttp)
#include "tst_xmlhttp.moc"
