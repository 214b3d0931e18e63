#include "LocalHttpServer.h"
#include "RecordingMessageSink.h"
#include "RecordingShell.h"
#include "TestNetwork.h"
#include "VersionNotice.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

class tst_versionnotice : public QObject {
    Q_OBJECT

    struct Fixture {
        VirtualClock clock;
        QNetworkAccessManager network;
        RecordingMessageSink messages;
        RecordingShell shell;
        LocalHttpServer primary{clock};
        LocalHttpServer alternate{clock};
        std::unique_ptr<VersionNotice> notice;
        std::unique_ptr<QSignalSpy> found;

        void start(VersionNotice::Sites sites, VersionNumbers running = {2, 1, 5}) {
            notice = std::make_unique<VersionNotice>(network, clock, messages, shell, sites,
                                                     u"quenlit"_qs, running);
            found = std::make_unique<QSignalSpy>(notice.get(), &VersionNotice::newerVersionFound);
            notice->check();
        }
        void publish(LocalHttpServer& server, const QByteArray& body) {
            server.route("/quenlit/newver.txt", {200, {}, body, 0});
        }
    };

private slots:
    void versionValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value"); // -1: ignored
        QTest::newRow("plain") << u"2.1.6"_qs << 20010006.0f;
        QTest::newRow("spaces") << u" 2.1.6 "_qs << 20010006.0f;
        QTest::newRow("two parts") << u"2.1"_qs << -1.0f;
        QTest::newRow("four parts") << u"2.1.5.0"_qs << -1.0f;
        QTest::newRow("not a number") << u"2.x.1"_qs << -1.0f;
        QTest::newRow("eleven characters") << u"10.10.10000"_qs << -1.0f;
        QTest::newRow("empty") << QString() << -1.0f;
        QTest::newRow("error page") << u"<html>404</html>"_qs << -1.0f;
        QTest::newRow("single precision joins 728") << u"2.2.728"_qs << 20020728.0f;
        QTest::newRow("single precision joins 729") << u"2.2.729"_qs << 20020728.0f;
        QTest::newRow("730 stands apart") << u"2.2.730"_qs << 20020730.0f;
        QTest::newRow("small majors exact") << u"1.0.10"_qs << 10000010.0f;
    }
    void versionValues() {
        QFETCH(QString, text);
        QFETCH(float, value);
        const auto published = PublishedVersionValue(text);
        QCOMPARE(published.value_or(-1.0f), value);
    }

    void runningVersionInSinglePrecision() {
        QCOMPARE(VersionValue({2, 2, 727}), 20020728.0f);
        QCOMPARE(VersionValue({1, 0, 9}), 10000009.0f);
    }

    void announcement_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QList<int>>("running");
        QTest::addColumn<bool>("announced");
        QTest::newRow("newer with spaces") << QByteArray(" 2.1.6 ") << QList<int>{2, 1, 5} << true;
        QTest::newRow("equal") << QByteArray("2.1.5") << QList<int>{2, 1, 5} << false;
        QTest::newRow("older") << QByteArray("2.0.9") << QList<int>{2, 1, 5} << false;
        QTest::newRow("malformed") << QByteArray("2.1.5.0") << QList<int>{2, 1, 5} << false;
        QTest::newRow("lost in precision")
            << QByteArray("2.2.729") << QList<int>{2, 2, 727} << false;
        QTest::newRow("seen in precision")
            << QByteArray("2.2.730") << QList<int>{2, 2, 727} << true;
    }
    void announcement() {
        QFETCH(QByteArray, reply);
        QFETCH(QList<int>, running);
        QFETCH(bool, announced);
        Fixture f;
        f.publish(f.primary, reply);
        f.start({f.primary.base(), f.alternate.base()},
                {quint32(running[0]), quint32(running[1]), quint32(running[2])});
        // Done when the request was served and the poll timer has stopped.
        QUENLIT_WAIT_FOR_IO(f.clock, !f.primary.requests.isEmpty() && !f.clock.hasPending());
        QCOMPARE(f.found->count(), announced ? 1 : 0);
        QCOMPARE(f.primary.requests.first().path, QByteArray("/quenlit/newver.txt"));
        QCOMPARE(f.primary.requests.first().method, QByteArray("GET"));
        if (announced) {
            QCOMPARE(f.found->first().first().toString(), u"有最新版本：V"_qs +
                                                              QString::fromLatin1(reply.trimmed()) +
                                                              u"可以下载升级"_qs);
            QCOMPARE(f.shell.opened, QStringList{f.primary.base() + u"/quenlit/"_qs});
            QCOMPARE(f.messages.texts(), QStringList{u"有最新版本可以更新升级！！"_qs});
            QCOMPARE(f.messages.messages.first().icon, MessageIcon::Information);
        } else {
            QVERIFY(f.messages.messages.isEmpty());
            QVERIFY(f.shell.opened.isEmpty());
        }
        QVERIFY(f.alternate.requests.isEmpty());
    }

    void primaryDownAlternateUp() {
        Fixture f;
        f.publish(f.alternate, "2.1.6");
        f.start({QStringLiteral("http://127.0.0.1:%1/").arg(LocalHttpServer::closedPort()),
                 f.alternate.base()});
        QUENLIT_WAIT_FOR_IO(f.clock, f.found->count() == 1);
        QCOMPARE(f.messages.texts(),
                 (QStringList{u"请保持网络畅通-1！"_qs, u"有最新版本可以更新升级！！"_qs}));
        QCOMPARE(f.messages.messages.first().icon, MessageIcon::Error);
    }

    void bothDownShowsBothMessages() {
        Fixture f;
        f.start({f.primary.base(), f.alternate.base()}); // no version file anywhere: 404
        QUENLIT_WAIT_FOR_IO(f.clock, f.messages.messages.size() == 2);
        QCOMPARE(f.messages.texts(),
                 (QStringList{u"请保持网络畅通-1！"_qs, u"请保持网络畅通-2！"_qs}));
        QCOMPARE(f.found->count(), 0);
    }

    void noSiteConfiguredDoesNothing() {
        Fixture f;
        f.start({});
        f.clock.advance(60000);
        QVERIFY(f.messages.messages.isEmpty());
        QVERIFY(!f.clock.hasPending());
    }
};

QTEST_GUILESS_MAIN(tst_versionnotice)
#include "tst_versionnotice.moc"
