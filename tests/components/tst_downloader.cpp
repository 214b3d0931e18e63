#include "Downloader.h"
#include "LocalHttpServer.h"
#include "PartialFile.h"
#include "RangeResume.h"
#include "SystemClock.h"
#include "TestFiles.h"
#include "TestNetwork.h"
#include "WorkScope.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;
using Response = LocalHttpServer::Response;

namespace {

const QByteArray Placeholder("\x01\x00", 2);
const QByteArray Etag("\"body-1\"");
const QByteArray Date("Wed, 01 May 2024 10:00:00 GMT");
constexpr qint64 WholeSize = 100000;
constexpr qint64 FirstPart = 30000;

// One download of one instance, as the parallel engine runs each.
struct Attempt {
    Attempt(QNetworkAccessManager& network, Clock& clock)
        : downloader(std::make_unique<Downloader>(network, clock)) {}
    std::unique_ptr<Downloader> downloader;
    QSignalSpy progress{downloader.get(), &Downloader::DownloadProgress};
    QSignalSpy completed{downloader.get(), &Downloader::DownloadComplete};
    QSignalSpy failed{downloader.get(), &Downloader::DownloadError};
    int events() const { return completed.count() + failed.count(); }
};

// The document as a static file server has it, with the given validators.
Response Document(const QByteArray& etag, const QByteArray& lastModified, qint64 size = WholeSize) {
    Response response;
    response.generatedSize = size;
    response.etag = etag;
    response.lastModified = lastModified;
    response.ranges = true;
    return response;
}

} // namespace

class tst_downloader : public QObject {
    Q_OBJECT

    struct Fixture {
        QTemporaryDir dir;
        VirtualClock clock;
        QNetworkAccessManager network;
        LocalHttpServer server{clock};
        std::unique_ptr<Downloader> downloader = std::make_unique<Downloader>(network, clock);
        QSignalSpy progress{downloader.get(), &Downloader::DownloadProgress};
        QSignalSpy completed{downloader.get(), &Downloader::DownloadComplete};
        QSignalSpy failed{downloader.get(), &Downloader::DownloadError};
        QSignalSpy tooLarge{downloader.get(), &Downloader::DownloadTooLarge};
        QString target = dir.filePath(u"文档 一.pdf"_qs);

        int events() const { return completed.count() + failed.count() + tooLarge.count(); }
        void begin(const QByteArray& path) { downloader->BeginDownload(server.url(path), target); }
        bool partExists() const { return QFile::exists(target + u".part"_qs); }
    };

private slots:
    void addressIsCleaned() {
        Fixture f;
        f.server.route("/get?a=1&b=2&c=3", Response{200, {}, "%PDF-1.4 body", 0});
        f.downloader->BeginDownload(u"  "_qs + f.server.url("/get?a=1&AMP;b=2&amp;c=3") + u"  "_qs,
                                    f.target);
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.completed.count(), 1);
        QCOMPARE(f.server.requests.first().path, QByteArray("/get?a=1&b=2&c=3"));
        QCOMPARE(f.server.requests.first().headers.value("accept-encoding"),
                 QByteArray("identity"));
        QCOMPARE(ReadFile(f.target), QByteArray("%PDF-1.4 body"));
    }

    void placeholderUntilComplete() {
        Fixture f;
        WriteFile(f.target, "old content of the file");
        Response held;
        held.body = "%PDF-1.7 the new body";
        held.delayMs = 300;
        f.server.route("/doc", held);
        f.begin("/doc");
        // At once, before any answer: the first two bytes are 01 00, nothing else changed.
        QCOMPARE(ReadFile(f.target), Placeholder + QByteArray("d content of the file"));
        QUENLIT_WAIT_FOR_IO(f.clock, f.server.requests.size() == 1);
        QCOMPARE(ReadFile(f.target), Placeholder + QByteArray("d content of the file"));
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.completed.count(), 1);
        QCOMPARE(f.completed.first().value(0).toLongLong(), qint64(held.body.size()));
        QCOMPARE(f.completed.first().value(1).toLongLong(), qint64(held.body.size()));
        QCOMPARE(f.completed.first().value(2).toString(), f.target);
        QCOMPARE(ReadFile(f.target), held.body);
        QVERIFY(!f.partExists());
    }

    void unknownLengthIsFetchedTwice() {
        Fixture f;
        Response noLength{200, {}, LocalHttpServer::generated(0, 70000), 0};
        noLength.omitLength = true;
        f.server.route("/n", noLength);
        f.begin("/n");
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.completed.count(), 1);
        QCOMPARE(f.progress.count(), 0);
        QCOMPARE(f.server.requests.size(), 2);
        QCOMPARE(f.completed.first().value(0).toLongLong(), qint64(70000));
        QCOMPARE(f.completed.first().value(1).toLongLong(), qint64(70000));
        QVERIFY(ReadFile(f.target) == noLength.body);
        QVERIFY(!f.partExists());
    }

    void tinyBodyCannotBeDownloaded_data() {
        QTest::addColumn<Response>("response");
        QTest::newRow("empty") << Response{200, {}, "", 0};
        QTest::newRow("one byte") << Response{200, {}, "x", 0};
        Response oneNoLength{200, {}, "x", 0};
        oneNoLength.omitLength = true;
        QTest::newRow("one byte, no length") << oneNoLength;
        QTest::newRow("refused redirect loop") << LocalHttpServer::redirect("/t");
    }
    void tinyBodyCannotBeDownloaded() {
        QFETCH(Response, response);
        Fixture f;
        WriteFile(f.target, "earlier");
        f.server.route("/t", response);
        f.begin("/t");
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.failed.count(), 1);
        QCOMPARE(f.failed.first().value(0).toString(), u"无法下载"_qs);
        QCOMPARE(f.failed.first().value(1).toString(), f.target);
        QCOMPARE(ReadFile(f.target), Placeholder + QByteArray("rlier"));
        QVERIFY(!f.partExists());
        // Nothing else follows.
        f.clock.advance(400000);
        QTest::qWait(20);
        QCOMPARE(f.events(), 1);
    }

    void stallTimesOut_data() {
        QTest::addColumn<bool>("knownLength");
        QTest::newRow("known length") << true;
        QTest::newRow("unknown length") << false;
    }
    void stallTimesOut() {
        QFETCH(bool, knownLength);
        Fixture f;
        Response stall;
        stall.generatedSize = 100000;
        stall.stallAfter = 5000;
        stall.omitLength = !knownLength;
        f.server.route("/s", stall);
        f.begin("/s");
        QUENLIT_WAIT_FOR_IO(f.clock, QFile(f.target + u".part"_qs).size() == 5000);
        if (knownLength)
            QUENLIT_WAIT_FOR_IO(f.clock, !f.progress.isEmpty() &&
                                             f.progress.last().value(0).toLongLong() == 5000);
        else
            QCOMPARE(f.progress.count(), 0);
        const qint64 lastData = f.clock.nowMs();
        f.clock.advance(lastData + 299000 - f.clock.nowMs());
        QTest::qWait(10);
        QCOMPARE(f.events(), 0);
        f.clock.advance(2000);
        QTest::qWait(10);
        QVERIFY(QTest::qWaitFor([&] { return f.events() == 1; }, 1000));
        QCOMPARE(f.failed.count(), 1);
        QCOMPARE(f.failed.first().value(0).toString(), u"超时"_qs);
        QCOMPARE(ReadFile(f.target), Placeholder);
        QVERIFY(!f.partExists());
    }

    // The second fetch of an unknown length stalls: a time-out, not a failed fetch; and a
    // cancel during that fetch raises nothing.
    void theFallbackFetchStalls_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("watchdog") << false;
        QTest::newRow("cancelled") << true;
    }
    void theFallbackFetchStalls() {
        QFETCH(bool, cancel);
        Fixture f;
        int asked = 0;
        f.server.route("/f", [&asked](const LocalHttpServer::Request&) {
            Response answer;
            answer.generatedSize = 100000;
            answer.omitLength = true;
            if (++asked > 1)
                answer.stallAfter = 1000;
            return answer;
        });
        f.begin("/f");
        QUENLIT_WAIT_FOR_IO(f.clock, asked == 2);
        f.clock.advance(1000);
        if (cancel)
            f.downloader->CancelAsyncRead();
        f.clock.advance(302000);
        QTest::qWait(20);
        f.clock.advance(10);
        if (cancel) {
            QCOMPARE(f.events(), 0);
        } else {
            QVERIFY(QTest::qWaitFor([&] { return f.events() == 1; }, 1000));
            QCOMPARE(f.failed.first().value(0).toString(), u"超时"_qs);
        }
        QVERIFY(!f.partExists());
    }

    void slowButSteadyDoesNotTimeOut() {
        Fixture f;
        Response drip;
        drip.generatedSize = 5000;
        drip.dripBytes = 1000;
        drip.dripEveryMs = 200000; // under the 300 s limit between pieces
        drip.omitLength = true;
        f.server.route("/d", drip);
        f.begin("/d");
        QUENLIT_WAIT_FOR_IO(f.clock, QFile(f.target + u".part"_qs).size() == 1000);
        for (int piece = 2; piece <= 4; ++piece) {
            f.clock.advance(200000);
            QUENLIT_WAIT_FOR_IO(f.clock, QFile(f.target + u".part"_qs).size() == piece * 1000 ||
                                             f.events() > 0);
            QCOMPARE(f.events(), 0);
        }
    }

    void cutShortNeverReplacesTheTarget_data() {
        QTest::addColumn<Response>("response");
        QTest::addColumn<qint64>("expectedBytes");
        const QByteArray text = LocalHttpServer::generated(0, 30000);
        Response shorter{200, {}, text, 0};
        shorter.declaredLength = 40000;
        QTest::newRow("shorter than its length") << shorter << qint64(30000);
        Response reset{200, {}, text, 0};
        reset.resetAfter = 12000;
        QTest::newRow("reset") << reset << qint64(12000);
    }
    void cutShortNeverReplacesTheTarget() {
        QFETCH(Response, response);
        QFETCH(qint64, expectedBytes);
        Fixture f;
        f.server.route("/c", response);
        f.begin("/c");
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.completed.count(), 1);
        const qint64 max =
            response.declaredLength >= 0 ? response.declaredLength : qint64(response.body.size());
        QCOMPARE(f.completed.first().value(0).toLongLong(), expectedBytes);
        QCOMPARE(f.completed.first().value(1).toLongLong(), max);
        QCOMPARE(ReadFile(f.target), Placeholder);
        QVERIFY(!f.partExists());
    }

    void destroyedMidDownloadLeavesNoHalfFile_data() {
        QTest::addColumn<bool>("inFallback");
        QTest::newRow("reading") << false;
        QTest::newRow("fetching again") << true;
    }
    void destroyedMidDownloadLeavesNoHalfFile() {
        QFETCH(bool, inFallback);
        Fixture f;
        int answered = 0;
        f.server.route("/x", [&](const LocalHttpServer::Request&) {
            Response response;
            response.generatedSize = 100000;
            response.omitLength = inFallback;
            // Only the read that is to be interrupted stalls.
            if (!inFallback || answered++ > 0)
                response.stallAfter = 3000;
            return response;
        });
        f.begin("/x");
        QUENLIT_WAIT_FOR_IO(f.clock, f.server.requests.size() == (inFallback ? 2 : 1) &&
                                         QFile(f.target + u".part"_qs).size() == 3000);
        f.downloader.reset();
        QCOMPARE(WorkScope::suspendedWaits(), 0);
        QVERIFY(!f.partExists());
        // Its own placeholder goes: a later run must not take it for the document.
        QVERIFY(!QFile::exists(f.target));
        QTest::qWait(20);
        QCOMPARE(f.events(), 0);
    }

    // A file that was there before keeps its place when the download is stopped.
    void stoppedDownloadLeavesAnEarlierFile() {
        Fixture f;
        WriteFile(f.target, "earlier contents");
        Response stall;
        stall.generatedSize = 100000;
        stall.stallAfter = 3000;
        f.server.route("/x", stall);
        f.begin("/x");
        QUENLIT_WAIT_FOR_IO(f.clock, QFile(f.target + u".part"_qs).size() == 3000);
        f.downloader.reset();
        QVERIFY(QFile::exists(f.target));
        QVERIFY(!f.partExists());
    }

    // The virtual clock hides races of real timing: the same with the real clock and loop,
    // destroyed at random points of a download that keeps dripping.
    void destroyedAnyTimeWithTheRealClock() {
        QTemporaryDir dir;
        SystemClock clock;
        QNetworkAccessManager network;
        LocalHttpServer server{clock};
        Response drip;
        drip.generatedSize = 200000;
        drip.dripBytes = 4096;
        drip.dripEveryMs = 5;
        drip.omitLength = true;
        server.route("/d", drip);
        // Into the first read, and into the fallback fetch that follows it.
        const QList<int> waits = {5, 20, 60, 120, 300, 400};
        for (int round = 0; round < waits.size(); ++round) {
            const QString target = dir.filePath(u"r%1.pdf"_qs.arg(round));
            int events = 0;
            auto downloader = std::make_unique<Downloader>(network, clock);
            connect(downloader.get(), &Downloader::DownloadComplete, this, [&] { ++events; });
            connect(downloader.get(), &Downloader::DownloadError, this, [&] { ++events; });
            downloader->BeginDownload(server.url("/d"), target);
            QTest::qWait(waits[round]);
            downloader.reset();
            QCOMPARE(WorkScope::suspendedWaits(), 0);
            QVERIFY(!QFile::exists(target + u".part"_qs));
            QTest::qWait(20);
            QCOMPARE(events, 0);
        }
    }

    void sizeLimitStopsAnUnknownLength() {
        Fixture f;
        Response big;
        big.generatedSize = 400000;
        big.omitLength = true;
        big.stallAfter = 200000; // a read that did not stop would time out, not end
        f.server.route("/big", big);
        f.downloader->setSizeLimit(50000);
        f.begin("/big");
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.tooLarge.count(), 1);
        QVERIFY(f.tooLarge.first().value(0).toLongLong() > 50000);
        QCOMPARE(f.tooLarge.first().value(1).toString(), f.target);
        QCOMPARE(ReadFile(f.target), Placeholder);
        QVERIFY(!f.partExists());
        QCOMPARE(f.server.requests.size(), 1);
    }

    void sizeLimitLeavesAKnownLengthToTheOwner() {
        Fixture f;
        Response big;
        big.generatedSize = 80000;
        f.server.route("/big", big);
        f.downloader->setSizeLimit(50000);
        f.begin("/big");
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.completed.count(), 1);
        QCOMPARE(f.progress.last().value(1).toLongLong(), qint64(80000));
    }

    void bigBodyIsByteIdentical() {
        Fixture f;
        Response big;
        big.generatedSize = 6 * 1024 * 1024 + 13;
        f.server.route("/big.pdf", big);
        const qint64 start = f.clock.nowMs();
        f.begin("/big.pdf");
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.completed.count(), 1);
        QCOMPARE(f.completed.first().value(0).toLongLong(), big.generatedSize);
        QCOMPARE(f.completed.first().value(1).toLongLong(), big.generatedSize);
        QVERIFY(ReadFile(f.target) == LocalHttpServer::generated(0, big.generatedSize));
        // Progress is known, exact at the end, and paced.
        QVERIFY(!f.progress.isEmpty());
        QCOMPARE(f.progress.last().value(0).toLongLong(), big.generatedSize);
        QCOMPARE(f.progress.last().value(1).toLongLong(), big.generatedSize);
        QVERIFY(f.progress.count() <= (f.clock.nowMs() - start) / 250 + 2);
        qint64 previous = 0;
        for (const auto& args : f.progress) {
            QVERIFY(args.value(0).toLongLong() > previous);
            previous = args.value(0).toLongLong();
        }
        QVERIFY(!f.partExists());
    }

    // A download that stops part-way leaves its bytes and its record; the next instance asks
    // for the rest and the file is the same as if it had never stopped.
    void resumesWhereItStopped_data() {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QByteArray>("etag");
        QTest::addColumn<QByteArray>("lastModified");
        QTest::addColumn<QByteArray>("ifRange");
        for (const char* stop : {"reset", "time-out", "destroyed"}) {
            QTest::addRow("%s, ETag", stop) << QString::fromLatin1(stop) << Etag << Date << Etag;
            QTest::addRow("%s, Last-Modified", stop)
                << QString::fromLatin1(stop) << QByteArray() << Date << Date;
        }
    }
    void resumesWhereItStopped() {
        QFETCH(QString, stop);
        QFETCH(QByteArray, etag);
        QFETCH(QByteArray, lastModified);
        QFETCH(QByteArray, ifRange);
        Fixture f;
        Response first = Document(etag, lastModified);
        if (stop == u"reset"_qs)
            first.resetAfter = FirstPart;
        else
            first.stallAfter = FirstPart;
        f.server.route("/r", first);
        f.begin("/r");
        QUENLIT_WAIT_FOR_IO(f.clock, QFile(f.target + u".part"_qs).size() == FirstPart);
        if (stop == u"reset"_qs) {
            QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
            QCOMPARE(f.completed.first().value(0).toLongLong(), FirstPart);
            QCOMPARE(f.completed.first().value(1).toLongLong(), WholeSize);
        } else if (stop == u"time-out"_qs) {
            f.clock.advance(301000);
            QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
            QCOMPARE(f.failed.first().value(0).toString(), u"超时"_qs);
        } else {
            f.downloader.reset();
        }
        // The placeholder is as it always was: left after an event, gone after a stop.
        QCOMPARE(ReadFile(f.target),
                 stop == u"destroyed"_qs ? QByteArray("<missing>") : Placeholder);
        QCOMPARE(ReadFile(f.target + u".part"_qs), LocalHttpServer::generated(0, FirstPart));
        QVERIFY(PartialFile::readRecord(f.target));

        f.server.route("/r", Document(etag, lastModified));
        Attempt again(f.network, f.clock);
        again.downloader->BeginDownload(f.server.url("/r"), f.target);
        QCOMPARE(ReadFile(f.target).left(2), Placeholder);
        QUENLIT_WAIT_FOR_IO(f.clock, again.events() == 1);
        QCOMPARE(again.completed.count(), 1);
        QCOMPARE(again.completed.first().value(0).toLongLong(), WholeSize);
        QCOMPARE(again.completed.first().value(1).toLongLong(), WholeSize);
        QVERIFY(ReadFile(f.target) == LocalHttpServer::generated(0, WholeSize));
        QCOMPARE(f.server.requests.size(), 2);
        QCOMPARE(f.server.requests[1].headers.value("range"), QByteArray("bytes=30000-"));
        QCOMPARE(f.server.requests[1].headers.value("if-range"), ifRange);
        // The counts are those of the whole file from the first report on.
        QVERIFY(!again.progress.isEmpty());
        QVERIFY(again.progress.first().value(0).toLongLong() > FirstPart);
        for (const auto& args : again.progress)
            QCOMPARE(args.value(1).toLongLong(), WholeSize);
        QVERIFY(!f.partExists());
        QVERIFY(!QFile::exists(PartialFile::recordPathFor(f.target)));
    }

    // Whatever is not the rest of the same document starts from its first byte.
    void startsOverUnlessTheRestComes_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<qint64>("newSize");
        QTest::addColumn<int>("requests");
        QTest::newRow("changed ETag") << u"changed"_qs << qint64(120000) << 2;
        QTest::newRow("200 answering a range") << u"ignores ranges"_qs << WholeSize << 2;
        QTest::newRow("416") << u"shorter"_qs << qint64(20000) << 3;
        QTest::newRow("206 from elsewhere") << u"wrong range"_qs << WholeSize << 3;
        QTest::newRow("nothing kept without a validator") << u"no validator"_qs << WholeSize << 2;
    }
    void startsOverUnlessTheRestComes() {
        QFETCH(QString, answer);
        QFETCH(qint64, newSize);
        QFETCH(int, requests);
        Fixture f;
        const bool validated = answer != u"no validator"_qs;
        Response first = Document(validated ? Etag : QByteArray(), QByteArray());
        first.resetAfter = FirstPart;
        f.server.route("/r", first);
        f.begin("/r");
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QCOMPARE(f.partExists(), validated);

        // The new document differs from the old one at every offset.
        const QByteArray newBody = LocalHttpServer::generated(7, newSize);
        f.server.route("/r", [&](const LocalHttpServer::Request& request) {
            Response next{200, {}, newBody};
            next.etag = answer == u"changed"_qs ? "\"body-2\"" : Etag;
            next.ranges = answer != u"ignores ranges"_qs && answer != u"wrong range"_qs;
            if (answer == u"wrong range"_qs && request.headers.contains("range")) {
                next.status = 206;
                next.headers = {{"Content-Range", "bytes 0-99999/100000"}};
            }
            return next;
        });
        Attempt again(f.network, f.clock);
        again.downloader->BeginDownload(f.server.url("/r"), f.target);
        QUENLIT_WAIT_FOR_IO(f.clock, again.events() == 1);
        QCOMPARE(again.completed.count(), 1);
        QCOMPARE(again.completed.first().value(0).toLongLong(), newSize);
        QVERIFY(ReadFile(f.target) == newBody);
        QCOMPARE(f.server.requests.size(), requests);
        QCOMPARE(f.server.requests[1].headers.contains("range"), validated);
        QVERIFY(!f.server.requests.last().headers.contains("range") || requests == 2);
        for (const auto& args : again.progress)
            QVERIFY(args.value(0).toLongLong() <= args.value(1).toLongLong());
        QVERIFY(!f.partExists());
    }

    // What an error page or a body of unknown length brought is never kept.
    void onlyAKnownDocumentIsKept_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("knownLength");
        QTest::newRow("error page") << 503 << true;
        QTest::newRow("unknown length") << 200 << false;
    }
    void onlyAKnownDocumentIsKept() {
        QFETCH(int, status);
        QFETCH(bool, knownLength);
        Fixture f;
        Response response = Document(Etag, Date);
        response.status = status;
        response.omitLength = !knownLength;
        response.resetAfter = FirstPart;
        f.server.route("/r", response);
        f.begin("/r");
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        QVERIFY(!f.partExists());
        QVERIFY(!QFile::exists(PartialFile::recordPathFor(f.target)));
    }

    // A server that is gone or says nothing leaves the kept file as it was.
    void noAnswerKeepsThePart_data() {
        QTest::addColumn<bool>("refused");
        QTest::newRow("connection refused") << true;
        QTest::newRow("no answer") << false;
    }
    void noAnswerKeepsThePart() {
        QFETCH(bool, refused);
        Fixture f;
        auto server = std::make_unique<LocalHttpServer>(f.clock);
        const QString address = server->url("/r");
        Response first = Document(Etag, Date);
        first.resetAfter = FirstPart;
        server->route("/r", first);
        f.downloader->BeginDownload(address, f.target);
        QUENLIT_WAIT_FOR_IO(f.clock, f.events() == 1);
        Response silent;
        silent.noAnswer = true;
        if (refused)
            server.reset();
        else
            server->route("/r", silent);

        Attempt again(f.network, f.clock);
        again.downloader->BeginDownload(address, f.target);
        if (!refused) {
            QUENLIT_WAIT_FOR_IO(f.clock, server->requests.size() == 2);
            f.clock.advance(301000);
        }
        QUENLIT_WAIT_FOR_IO(f.clock, again.events() == 1);
        QCOMPARE(again.failed.first().value(0).toString(), refused ? u"无法下载"_qs : u"超时"_qs);
        QCOMPARE(ReadFile(f.target + u".part"_qs), LocalHttpServer::generated(0, FirstPart));
        QVERIFY(FindResumeOffer(f.target, address).valid());
    }

    void cancelRaisesNothing() {
        Fixture f;
        Response stall;
        stall.generatedSize = 100000;
        stall.stallAfter = 1000;
        f.server.route("/s", stall);
        f.begin("/s");
        QUENLIT_WAIT_FOR_IO(f.clock, QFile(f.target + u".part"_qs).size() == 1000);
        f.downloader->CancelAsyncRead();
        f.clock.advance(400000);
        QTest::qWait(20);
        QCOMPARE(f.events(), 0);
        QVERIFY(!f.partExists());
    }
};

QTEST_GUILESS_MAIN(tst_downloader)
#include "tst_downloader.moc"
