#include "Inet.h"
#include "LocalHttpServer.h"
#include "TestNetwork.h"
#include "WorkScope.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;
using Response = LocalHttpServer::Response;

class tst_inet : public QObject {
    Q_OBJECT

    struct Fixture {
        VirtualClock clock;
        QNetworkAccessManager network;
        LocalHttpServer server{clock};
        WorkScope scope{clock};
        Inet inet{network};
        QSignalSpy states{&inet, &Inet::StateChanged};
        QByteArray body;
        bool done = false;

        void execute(const QByteArray& path) {
            inet.Execute(server.url(path), u"GET"_qs, QString(),
                         u"Referer: http://pages.test/list.html\r\nX-Two: b\r\n"_qs);
        }
        // Takes the body the way the engine does, piece by piece, until it has ended.
        void readBody(qint64 maxBytes = 2048) {
            done = false;
            scope.start([this, maxBytes]() -> QCoro::Task<> {
                while (!scope.cancelled()) {
                    const QByteArray piece = co_await inet.GetChunk(scope, maxBytes, 1000);
                    body += piece;
                    if (inet.BodyEnded())
                        break;
                }
                done = true;
            });
        }
        QList<int> stateList() const {
            QList<int> list;
            for (const auto& args : states)
                list << args.first().toInt();
            return list;
        }
    };

private slots:
    void headerBlockAndLookup() {
        Fixture f;
        QVERIFY(f.inet.GetHeader().isEmpty());
        f.server.route("/doc.pdf",
                       Response{200,
                                {{"Content-Type", "application/pdf"},
                                 {"Content-Disposition", "attachment; filename=\"a b.pdf\""}},
                                "%PDF-",
                                0});
        f.execute("/doc.pdf");
        QVERIFY(f.inet.StillExecuting());
        QCOMPARE(f.stateList().value(0), 5);
        f.readBody();
        QUENLIT_WAIT_FOR_IO(f.clock, f.done);
        QVERIFY(!f.inet.StillExecuting());
        const QStringList lines = f.inet.GetHeader().split(u"\r\n"_qs);
        QCOMPARE(lines.first(), u"HTTP/1.1 200 OK"_qs);
        QVERIFY(lines.contains(u"Content-Type: application/pdf"_qs));
        QVERIFY(lines.contains(u"Content-Length: 5"_qs));
        QVERIFY(lines.contains(u"Content-Disposition: attachment; filename=\"a b.pdf\""_qs));
        QCOMPARE(f.inet.GetHeader(u"content-TYPE"_qs), u"application/pdf"_qs);
        QCOMPARE(f.inet.GetHeader(u"Content-Length"_qs), u"5"_qs);
        QVERIFY(f.inet.GetHeader(u"X-Absent"_qs).isEmpty());
        QCOMPARE(f.body, QByteArray("%PDF-"));
        QVERIFY(f.inet.BodyComplete());

        const LocalHttpServer::Request& sent = f.server.requests.first();
        QCOMPARE(sent.method, QByteArray("GET"));
        QCOMPARE(sent.headers.value("referer"), QByteArray("http://pages.test/list.html"));
        QCOMPARE(sent.headers.value("x-two"), QByteArray("b"));
        QCOMPARE(sent.headers.value("accept-encoding"), QByteArray("identity"));

        const QList<int> states = f.stateList();
        QVERIFY(states.indexOf(8) > states.indexOf(7));
        QVERIFY(states.indexOf(7) > 0);
        QCOMPARE(states.last(), 12);
    }

    void statusLineKeepsReason() {
        Fixture f;
        Response response{206, {}, "xy", 0};
        response.reason = "Partial Bits";
        f.server.route("/p", response);
        f.execute("/p");
        f.readBody();
        QUENLIT_WAIT_FOR_IO(f.clock, f.done);
        QVERIFY(f.inet.GetHeader().startsWith(u"HTTP/1.1 206 Partial Bits\r\n"_qs));
    }

    void bodyArrivesAsSent_data() {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<qint64>("maxBytes");
        const QByteArray text = LocalHttpServer::generated(0, 50000);
        Response big;
        big.generatedSize = 3 * 1024 * 1024 + 17;
        QTest::newRow("big generated")
            << big << LocalHttpServer::generated(0, big.generatedSize) << true << qint64(2048);
        QTest::newRow("big in large pieces")
            << big << LocalHttpServer::generated(0, big.generatedSize) << true << qint64(1 << 20);
        QTest::newRow("empty") << Response{200, {}, "", 0} << QByteArray() << true << qint64(2048);
        QTest::newRow("one byte") << Response{200, {}, "A", 0} << QByteArray("A") << true
                                  << qint64(2048);
        Response chunked{200, {}, text, 0};
        chunked.chunked = true;
        QTest::newRow("chunked") << chunked << text << true << qint64(2048);
        Response noLength{200, {}, text, 0};
        noLength.omitLength = true;
        QTest::newRow("no length") << noLength << text << true << qint64(2048);
        Response drip{200, {}, text.left(3000), 0};
        drip.dripBytes = 700;
        drip.dripEveryMs = 50;
        QTest::newRow("drip") << drip << text.left(3000) << true << qint64(2048);
        Response longer{200, {}, text, 0};
        longer.declaredLength = 1000;
        QTest::newRow("body longer than its length")
            << longer << text.left(1000) << true << qint64(2048);
        Response shorter{200, {}, text, 0};
        shorter.declaredLength = text.size() + 500;
        QTest::newRow("body shorter than its length") << shorter << text << false << qint64(2048);
        Response reset{200, {}, text, 0};
        reset.resetAfter = 20000;
        QTest::newRow("reset") << reset << text.left(20000) << false << qint64(2048);
        Response chunkedReset = chunked;
        chunkedReset.resetAfter = 20000;
        QTest::newRow("chunked reset") << chunkedReset << text.left(20000) << false << qint64(2048);
        Response gzip{200, {{"Content-Type", "application/pdf"}}, text, 0};
        gzip.gzip = true;
        QTest::newRow("gzip delivered as sent")
            << gzip << LocalHttpServer::gzipped(text) << true << qint64(2048);
    }
    void bodyArrivesAsSent() {
        QFETCH(Response, response);
        QFETCH(QByteArray, expected);
        QFETCH(bool, complete);
        QFETCH(qint64, maxBytes);
        Fixture f;
        f.server.route("/b", response);
        f.execute("/b");
        f.readBody(maxBytes);
        QUENLIT_WAIT_FOR_IO(f.clock, f.done);
        QCOMPARE(f.body.size(), expected.size());
        QVERIFY(f.body == expected);
        QCOMPARE(f.inet.BodyComplete(), complete);
        QVERIFY(!f.inet.StillExecuting());
        QCOMPARE(f.stateList().last(), complete ? 12 : 11);
        if (!complete) {
            QVERIFY(f.inet.ResponseCode() != 0);
            QVERIFY(!f.inet.ResponseInfo().isEmpty());
        }
    }

    void errorStatusIsAResponse_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("statusLine");
        QTest::newRow("404") << 404 << u"HTTP/1.1 404 Not Found"_qs;
        QTest::newRow("500") << 500 << u"HTTP/1.1 500 Internal Server Error"_qs;
    }
    void errorStatusIsAResponse() {
        QFETCH(int, status);
        QFETCH(QString, statusLine);
        Fixture f;
        const QByteArray page = "<html><body>missing</body></html>";
        f.server.route("/e", Response{status, {{"Content-Type", "text/html"}}, page, 0});
        f.execute("/e");
        f.readBody();
        QUENLIT_WAIT_FOR_IO(f.clock, f.done);
        QCOMPARE(f.inet.GetHeader().split(u"\r\n"_qs).first(), statusLine);
        QCOMPARE(f.body, page);
        QVERIFY(f.inet.BodyComplete());
        QCOMPARE(f.stateList().last(), 12);
        QCOMPARE(f.inet.ResponseCode(), status);
    }

    void refusedConnectionIsAnError() {
        Fixture f;
        f.inet.Execute(u"http://127.0.0.1:%1/x"_qs.arg(LocalHttpServer::closedPort()), u"GET"_qs,
                       QString(), QString());
        f.readBody();
        QUENLIT_WAIT_FOR_IO(f.clock, f.done);
        QVERIFY(!f.inet.StillExecuting());
        QCOMPARE(f.stateList().last(), 11);
        QVERIFY(f.inet.ResponseCode() != 0);
        QVERIFY(!f.inet.ResponseInfo().isEmpty());
        QVERIFY(f.inet.GetHeader().isEmpty());
        QVERIFY(f.body.isEmpty());
        QVERIFY(!f.inet.BodyComplete());
    }

    void redirectsAreFollowed() {
        Fixture f;
        f.server.route("/a", LocalHttpServer::redirect("/b", 301));
        f.server.route("/b", LocalHttpServer::redirect(f.server.url("/c").toLatin1(), 302));
        f.server.route("/c", Response{200, {{"X-Final", "yes"}}, "final body", 0});
        f.execute("/a");
        f.readBody();
        QUENLIT_WAIT_FOR_IO(f.clock, f.done);
        QCOMPARE(f.body, QByteArray("final body"));
        QVERIFY(f.inet.BodyComplete());
        QVERIFY(f.inet.GetHeader().startsWith(u"HTTP/1.1 200 OK\r\n"_qs));
        QCOMPARE(f.inet.GetHeader(u"X-Final"_qs), u"yes"_qs);
        QCOMPARE(f.server.requests.size(), 3);
        QCOMPARE(f.server.requests.last().headers.value("accept-encoding"), QByteArray("identity"));
    }

    void redirectLoopIsBounded() {
        Fixture f;
        f.server.route("/loop", LocalHttpServer::redirect("/loop"));
        f.execute("/loop");
        f.readBody();
        QUENLIT_WAIT_FOR_IO(f.clock, f.done);
        QCOMPARE(f.stateList().last(), 11);
        QVERIFY(f.inet.GetHeader().isEmpty());
        QVERIFY(!f.inet.BodyComplete());
        QVERIFY(f.server.requests.size() <= Inet::MaxRedirects + 1);
        QVERIFY(f.server.requests.size() > 1);
    }

    void secureRedirects_data() {
        QTest::addColumn<bool>("toPlain");
        QTest::newRow("https to http is refused") << true;
        QTest::newRow("https to https is followed") << false;
    }
    void secureRedirects() {
        QFETCH(bool, toPlain);
        if (!QSslSocket::supportsSsl())
            QSKIP("no TLS backend");
        const QList<QSslCertificate> certificates =
            QSslCertificate::fromPath(QFINDTESTDATA("fixtures/localhost.crt"));
        QFile keyFile(QFINDTESTDATA("fixtures/localhost.key"));
        QVERIFY(!certificates.isEmpty() && keyFile.open(QIODevice::ReadOnly));
        QSslConfiguration serverSide = QSslConfiguration::defaultConfiguration();
        serverSide.setLocalCertificate(certificates.first());
        serverSide.setPrivateKey(QSslKey(&keyFile, QSsl::Rsa));
        // The client trusts the test's own certificate, for this test only.
        const QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
        QSslConfiguration trusting = saved;
        trusting.addCaCertificates(certificates);
        QSslConfiguration::setDefaultConfiguration(trusting);
        const auto restore =
            qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(saved); });

        Fixture f;
        f.server.route("/plain", Response{200, {}, "plain body", 0});
        QSslServer tls;
        tls.setSslConfiguration(serverSide);
        QVERIFY(tls.listen(QHostAddress::LocalHost));
        const QByteArray secureBase = "https://127.0.0.1:" + QByteArray::number(tls.serverPort());
        const QByteArray target =
            toPlain ? f.server.url("/plain").toLatin1() : secureBase + "/final";
        connect(&tls, &QTcpServer::pendingConnectionAvailable, &tls, [&] {
            while (QTcpSocket* socket = tls.nextPendingConnection()) {
                connect(socket, &QIODevice::readyRead, socket, [socket, target] {
                    const QByteArray request = socket->peek(4096);
                    if (!request.contains("\r\n\r\n"))
                        return;
                    socket->readAll();
                    const QByteArray answer =
                        request.startsWith("GET /start ")
                            ? "HTTP/1.1 302 Found\r\nLocation: " + target +
                                  "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                            : QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 11\r\n"
                                         "Connection: close\r\n\r\nsecure body");
                    socket->write(answer);
                    socket->disconnectFromHost();
                });
            }
        });
        f.inet.Execute(QString::fromLatin1(secureBase + "/start"), u"GET"_qs, QString(), QString());
        f.readBody();
        QUENLIT_WAIT_FOR_IO(f.clock, f.done);
        if (toPlain) {
            QCOMPARE(f.stateList().last(), 11);
            QCOMPARE(f.inet.ResponseCode(), qint32(QNetworkReply::InsecureRedirectError));
            QVERIFY(f.inet.GetHeader().isEmpty());
            QVERIFY(f.body.isEmpty());
            QVERIFY(f.server.requests.isEmpty());
        } else {
            QCOMPARE(f.stateList().last(), 12);
            QCOMPARE(f.body, QByteArray("secure body"));
            QVERIFY(f.inet.BodyComplete());
        }
    }

    void chunkWaitEndsOnTime() {
        Fixture f;
        Response silent;
        silent.noAnswer = true;
        f.server.route("/silent", silent);
        f.execute("/silent");
        QUENLIT_WAIT_FOR_IO(f.clock, f.server.requests.size() == 1);
        bool returned = false;
        QByteArray piece = "unset";
        f.scope.start([&]() -> QCoro::Task<> {
            piece = co_await f.inet.GetChunk(f.scope, 2048, 5000);
            returned = true;
        });
        f.clock.advance(4990);
        QTest::qWait(20);
        QVERIFY(!returned);
        f.clock.advance(20);
        QVERIFY(returned);
        QVERIFY(piece.isEmpty());
        QVERIFY(!f.inet.BodyEnded());
        QVERIFY(f.inet.StillExecuting());
        QVERIFY(f.inet.GetHeader().isEmpty());
        f.inet.Cancel();
        QVERIFY(!f.inet.StillExecuting());
    }

    void cancelMidBody() {
        Fixture f;
        Response stall;
        stall.generatedSize = 100000;
        stall.stallAfter = 5000;
        f.server.route("/s", stall);
        f.execute("/s");
        f.readBody();
        QUENLIT_WAIT_FOR_IO(f.clock, f.body.size() == 5000);
        QVERIFY(f.inet.StillExecuting());
        QVERIFY(!f.done);
        f.inet.Cancel();
        QVERIFY(!f.inet.StillExecuting());
        QCOMPARE(f.stateList().last(), 10);
        // The waiting reader wakes at once, not after its wait.
        f.clock.runPending();
        QVERIFY(QTest::qWaitFor([&] { return f.done; }, 2000));
        QVERIFY(f.inet.BodyEnded());
        QVERIFY(!f.inet.BodyComplete());
        QCOMPARE(f.body, LocalHttpServer::generated(0, 5000));
    }

    void destroyingAbortsTheRequest() {
        VirtualClock clock;
        QNetworkAccessManager network;
        LocalHttpServer server{clock};
        Response stall;
        stall.generatedSize = 100000;
        stall.stallAfter = 100;
        server.route("/s", stall);
        WorkScope scope{clock};
        auto inet = std::make_unique<Inet>(network);
        bool done = false;
        QByteArray body;
        inet->Execute(server.url("/s"), u"GET"_qs, QString(), QString());
        scope.start([&]() -> QCoro::Task<> {
            while (inet) {
                const QByteArray piece = co_await inet->GetChunk(scope, 2048, 60000);
                body += piece;
                if (piece.isEmpty() && body.size() == 100)
                    break;
            }
            done = true;
        });
        QUENLIT_WAIT_FOR_IO(clock, body.size() == 100);
        QVERIFY(QTest::qWaitFor([&] { return !done; }, 50));
        inet.reset();
        QVERIFY(QTest::qWaitFor([&] { return done; }, 2000));
        QCOMPARE(WorkScope::suspendedWaits(), 0);
    }

    void openUrlGivesWholeBody() {
        Fixture f;
        Response big;
        big.generatedSize = 2 * 1024 * 1024 + 3;
        f.server.route("/o", big);
        QByteArray got;
        bool done = false;
        f.scope.start([&]() -> QCoro::Task<> {
            got = co_await f.inet.OpenURL(f.scope, f.server.url("/o"));
            done = true;
        });
        QUENLIT_WAIT_FOR_IO(f.clock, done);
        QVERIFY(got == LocalHttpServer::generated(0, big.generatedSize));
        QVERIFY(f.inet.BodyComplete());
        QCOMPARE(f.server.requests.first().headers.value("accept-encoding"),
                 QByteArray("identity"));
    }

    void openUrlEndsOnCancel() {
        Fixture f;
        Response stall;
        stall.generatedSize = 100000;
        stall.stallAfter = 10;
        f.server.route("/o", stall);
        QByteArray got = "unset";
        bool done = false;
        f.scope.start([&]() -> QCoro::Task<> {
            got = co_await f.inet.OpenURL(f.scope, f.server.url("/o"));
            done = true;
        });
        QUENLIT_WAIT_FOR_IO(f.clock, f.server.requests.size() == 1);
        f.clock.advance(500);
        QVERIFY(!done);
        f.scope.cancel();
        QVERIFY(done);
        QVERIFY(got.isEmpty());
        QVERIFY(!f.inet.StillExecuting());
    }

    void namedProxyServesThisInstanceOnly() {
        Fixture f;
        f.server.route("http://files.invalid/doc.pdf", Response{200, {}, "via proxy", 0});
        f.network.cookieJar()->insertCookie([] {
            QNetworkCookie cookie("session", "42");
            cookie.setDomain(u"files.invalid"_qs);
            cookie.setPath(u"/"_qs);
            return cookie;
        }());
        f.inet.AccessType = Inet::NamedProxy;
        f.inet.Proxy = u"127.0.0.1:%1"_qs.arg(f.server.port());
        f.inet.Execute(u"http://files.invalid/doc.pdf"_qs, u"GET"_qs, QString(), QString());
        f.readBody();
        QUENLIT_WAIT_FOR_IO(f.clock, f.done);
        QCOMPARE(f.body, QByteArray("via proxy"));
        QCOMPARE(f.server.requests.first().headers.value("cookie"), QByteArray("session=42"));

        // The program's manager keeps going direct, and keeps its cookie jar.
        Inet plain{f.network};
        QVERIFY(f.network.cookieJar() != nullptr);
        f.server.route("/direct", Response{200, {}, "direct", 0});
        plain.Execute(f.server.url("/direct"), u"GET"_qs, QString(), QString());
        QUENLIT_WAIT_FOR_IO(f.clock, !plain.StillExecuting());
        QCOMPARE(f.server.requests.last().path, QByteArray("/direct"));
    }
};

QTEST_GUILESS_MAIN(tst_inet)
#include "tst_inet.moc"
