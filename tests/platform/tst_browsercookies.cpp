// Downloads carry what the browser's logins left in its cookie store.
#include "BrowserCookieBridge.h"
#include "LocalHttpServer.h"
#include "TestNetwork.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

using namespace quenlit;
using namespace quenlit::testing;
using Response = LocalHttpServer::Response;

class tst_browsercookies : public QObject {
    Q_OBJECT

    static QStringList names(QNetworkAccessManager& network, const QString& url) {
        QStringList list;
        for (const QNetworkCookie& cookie : network.cookieJar()->cookiesForUrl(QUrl(url)))
            list << QString::fromLatin1(cookie.name() + '=' + cookie.value());
        list.sort();
        return list;
    }

private slots:
    void loginInTheBrowserCountsForDownloads() {
        VirtualClock clock;
        LocalHttpServer server{clock};
        routeLogin(server);
        QWebEngineProfile profile; // off the record: nothing is left on disk
        QNetworkAccessManager network;
        BrowserCookieBridge bridge{profile, network};
        QWebEnginePage page{&profile};
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl(server.url("/login")));
        QUENLIT_WAIT_FOR_IO(clock, loaded.count() == 1);
        QVERIFY(loaded.first().first().toBool());
        QUENLIT_WAIT_FOR_IO(clock, names(network, server.url("/")).size() == 2);
        QCOMPARE(names(network, server.url("/")),
                 QStringList({u"session=abc123"_qs, u"theme=dark"_qs}));

        QNetworkReply* reply = network.get(QNetworkRequest(QUrl(server.url("/file.pdf"))));
        QUENLIT_WAIT_FOR_IO(clock, reply->isFinished());
        reply->deleteLater();
        const QByteArray sent = server.requests.last().headers.value("cookie");
        QVERIFY2(sent.contains("session=abc123"), sent.constData());
        QVERIFY2(sent.contains("theme=dark"), sent.constData());

        // A cookie the page removes is no longer sent.
        page.runJavaScript(
            u"document.cookie = 'theme=; expires=Thu, 01 Jan 1970 00:00:00 GMT; path=/';"_qs);
        QUENLIT_WAIT_FOR_IO(clock, names(network, server.url("/")).size() == 1);
        QCOMPARE(names(network, server.url("/")), QStringList({u"session=abc123"_qs}));
    }

private:
    static void routeLogin(LocalHttpServer& server) {
        server.route("/login", Response{200,
                                        {{"Content-Type", "text/html"},
                                         {"Set-Cookie", "session=abc123; Path=/; HttpOnly"}},
                                        "<html><body><script>document.cookie = 'theme=dark; "
                                        "path=/';</script>signed in</body></html>",
                                        0});
        server.route("/file.pdf", Response{200, {}, "%PDF-", 0});
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    tst_browsercookies test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_browsercookies.moc"
