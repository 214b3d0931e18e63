// A site that answers its documents only to a signed-in session: the login in the real
// browser, offscreen, lets the downloads through.
#include "BrowserCookieBridge.h"
#include "LocalHttpServer.h"
#include "RecordingMessageSink.h"
#include "SystemClock.h"
#include "WebEngineBrowser.h"
#include "WebLogin.h"
#include "WorkScope.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <QWebEngineProfile>
#include <QWidget>

using namespace quenlit;
using namespace quenlit::testing;
using Response = LocalHttpServer::Response;

namespace {

const QByteArray Document = "%PDF-1.4 the signed-in copy";
const QByteArray LoginForm = R"(<!DOCTYPE html><html><head><meta charset="utf-8">
<title>登录</title></head><body>
<form action="/search" method="get"><input name="q"><input type="submit" value="搜索"></form>
<form action="/auth" method="get">
<input type="text" name="UserName"><input type="password" name="PassWord">
<input type="submit" value="登录"></form></body></html>)";

void routeSite(LocalHttpServer& server) {
    const QList<std::pair<QByteArray, QByteArray>> html{{"Content-Type", "text/html"}};
    server.route("/login", Response{200, html, LoginForm});
    // Only the right account gets a session.
    server.route("/auth?UserName=alice&PassWord=s3cret",
                 Response{200,
                          {{"Content-Type", "text/html"},
                           {"Set-Cookie", "session=granted; Path=/; HttpOnly"}},
                          "<html><body>welcome</body></html>"});
    server.route("/doc.pdf", [html](const LocalHttpServer::Request& request) {
        if (request.headers.value("cookie").contains("session=granted"))
            return Response{200, {{"Content-Type", "application/pdf"}}, Document};
        return Response{200, html, LoginForm};
    });
}

QByteArray download(QNetworkAccessManager& network, const QString& address) {
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(address)));
    const bool finished = QTest::qWaitFor([reply] { return reply->isFinished(); }, 10000);
    reply->deleteLater();
    return finished ? reply->readAll() : QByteArray();
}

} // namespace

class tst_weblogin_site : public QObject {
    Q_OBJECT
private slots:
    void theLoginLetsTheDownloadThrough_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("right password") << u" s3cret "_qs << true;
        QTest::newRow("wrong password") << u"guess"_qs << false;
    }
    void theLoginLetsTheDownloadThrough() {
        QFETCH(QString, password);
        QFETCH(bool, signedIn);
        SystemClock clock;
        LocalHttpServer server{clock};
        routeSite(server);
        QWebEngineProfile profile; // off the record
        QNetworkAccessManager network;
        BrowserCookieBridge bridge{profile, network};
        QWidget holder;
        WebEngineBrowser browser{profile, &holder};
        WorkScope scope{clock};
        RecordingMessageSink messages;
        WebLogin login{browser, scope, messages};
        login.fields = {server.url("/login"), u"alice"_qs, password, LoginFields::Mode::Account};

        // Before the login the site answers with its login page.
        QCOMPARE(download(network, server.url("/doc.pdf")), LoginForm);

        scope.start([&login] { return login.autoLogin(true); });
        QVERIFY(!login.loginEnabled());
        QVERIFY(QTest::qWaitFor([&] { return !scope.running(); }, 30000));
        QVERIFY(login.loginEnabled());
        QVERIFY(messages.messages.isEmpty());
        // The form with the fields was sent, the search form beside it was not.
        QStringList paths;
        for (const LocalHttpServer::Request& request : server.requests)
            paths << QString::fromLatin1(request.path);
        QVERIFY2(!paths.filter(u"/search"_qs).size(), qPrintable(paths.join(u' ')));
        QVERIFY2(paths.contains(u"/auth?UserName=alice&PassWord="_qs + password.trimmed()),
                 qPrintable(paths.join(u' ')));

        QCOMPARE(download(network, server.url("/doc.pdf")), signedIn ? Document : LoginForm);
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    tst_weblogin_site test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_weblogin_site.moc"
