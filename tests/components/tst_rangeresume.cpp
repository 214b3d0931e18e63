#include "PartialFile.h"
#include "RangeResume.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

const QString Address = QStringLiteral("http://h.example/a.pdf");
const QString Date = QStringLiteral("Wed, 01 May 2024 10:00:00 GMT");
const QString Etag = QStringLiteral("\"v1\"");

} // namespace

class tst_rangeresume : public QObject {
    Q_OBJECT

private slots:
    void offer_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("etag");
        QTest::addColumn<QString>("lastModified");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QByteArray>("part"); // "<none>": no temporary file
        QTest::addColumn<QString>("lines");
        const QString byEtag = u"Range: bytes=5-\r\nIf-Range: \"v1\"\r\n"_qs;
        QTest::newRow("same address")
            << Address << Etag << Date << qint64(10) << QByteArray("12345") << byEtag;
        QTest::newRow("length unknown")
            << Address << Etag << QString() << qint64(-1) << QByteArray("12345") << byEtag;
        QTest::newRow("by date") << Address << u"W/\"weak\""_qs << Date << qint64(10)
                                 << QByteArray("12345")
                                 << u"Range: bytes=5-\r\nIf-Range: "_qs + Date + u"\r\n"_qs;
        QTest::newRow("another address") << u"http://h.example/b.pdf"_qs << Etag << Date
                                         << qint64(10) << QByteArray("12345") << QString();
        QTest::newRow("no validator")
            << Address << QString() << QString() << qint64(10) << QByteArray("12345") << QString();
        QTest::newRow("empty temporary file")
            << Address << Etag << Date << qint64(10) << QByteArray() << QString();
        QTest::newRow("no temporary file")
            << Address << Etag << Date << qint64(10) << QByteArray("<none>") << QString();
        QTest::newRow("nothing missing")
            << Address << Etag << Date << qint64(5) << QByteArray("12345") << QString();
    }
    void offer() {
        QFETCH(QString, address);
        QFETCH(QString, etag);
        QFETCH(QString, lastModified);
        QFETCH(qint64, total);
        QFETCH(QByteArray, part);
        QFETCH(QString, lines);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"a.pdf"_qs);
        {
            PartialFile file(target);
            QVERIFY(file.open());
            QVERIFY(file.record({address, etag, lastModified, total}));
            QVERIFY(file.append(part));
        }
        if (part == "<none>")
            QVERIFY(QFile::remove(PartialFile::tempPathFor(target)));
        const ResumeOffer offer = FindResumeOffer(target, Address);
        QCOMPARE(offer.valid(), !lines.isEmpty());
        QCOMPARE(offer.requestLines(), lines);
        if (offer.valid()) {
            QCOMPARE(offer.offset, qint64(part.size()));
            QCOMPARE(offer.target, target);
            QCOMPARE(offer.requestHeaders().size(), 2);
        }
    }

    // The answer to a request that offered 3000 bytes of a 10000-byte file (offset 0: a plain
    // request).
    void judge_data() {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<qint64>("recordedTotal");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("contentLength");
        QTest::addColumn<QString>("contentRange");
        QTest::addColumn<QString>("etag");
        QTest::addColumn<QString>("lastModified");
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("whole");
        QTest::addColumn<QString>("validator"); // of the record to keep
        const int fresh = ResumeAnswer::Fresh;
        const int append = ResumeAnswer::Append;
        const int refetch = ResumeAnswer::Refetch;
        const QString rest = u"bytes 3000-9999/10000"_qs;
        const QString none;

        QTest::newRow("plain 200") << qint64(0) << qint64(-1) << 200 << u"10000"_qs << none << Etag
                                   << Date << fresh << qint64(10000) << Etag;
        QTest::newRow("plain 200 by date") << qint64(0) << qint64(-1) << 200 << u"10000"_qs << none
                                           << none << Date << fresh << qint64(10000) << Date;
        QTest::newRow("plain 200 without validators")
            << qint64(0) << qint64(-1) << 200 << none << none << none << none << fresh << qint64(-1)
            << none;
        QTest::newRow("an error page is never continued")
            << qint64(0) << qint64(-1) << 404 << u"300"_qs << none << Etag << Date << fresh
            << qint64(300) << none;
        QTest::newRow("206 to a plain request")
            << qint64(0) << qint64(-1) << 206 << u"7000"_qs << rest << Etag << Date << fresh
            << qint64(7000) << none;

        QTest::newRow("the rest") << qint64(3000) << qint64(10000) << 206 << u"7000"_qs << rest
                                  << Etag << Date << append << qint64(10000) << Etag;
        QTest::newRow("the rest, validators not repeated")
            << qint64(3000) << qint64(10000) << 206 << u"7000"_qs << rest << none << none << append
            << qint64(10000) << Etag;
        QTest::newRow("total not told, recorded")
            << qint64(3000) << qint64(10000) << 206 << u"7000"_qs << u"bytes 3000-9999/*"_qs << Etag
            << Date << append << qint64(10000) << Etag;
        QTest::newRow("total from the length")
            << qint64(3000) << qint64(-1) << 206 << u"7000"_qs << u"bytes 3000-9999/*"_qs << Etag
            << Date << append << qint64(10000) << Etag;
        QTest::newRow("total unknown")
            << qint64(3000) << qint64(-1) << 206 << none << u"BYTES 3000-9999/*"_qs << Etag << Date
            << append << qint64(-1) << Etag;
        QTest::newRow("total learnt") << qint64(3000) << qint64(-1) << 206 << u"7000"_qs << rest
                                      << Etag << Date << append << qint64(10000) << Etag;

        QTest::newRow("range from elsewhere")
            << qint64(3000) << qint64(10000) << 206 << u"10000"_qs << u"bytes 0-9999/10000"_qs
            << Etag << Date << refetch << qint64(-1) << none;
        QTest::newRow("another total")
            << qint64(3000) << qint64(10000) << 206 << u"9000"_qs << u"bytes 3000-11999/12000"_qs
            << Etag << Date << refetch << qint64(-1) << none;
        QTest::newRow("end past the total")
            << qint64(3000) << qint64(10000) << 206 << u"7001"_qs << u"bytes 3000-10000/10000"_qs
            << Etag << Date << refetch << qint64(-1) << none;
        QTest::newRow("a body longer than its range")
            << qint64(3000) << qint64(10000) << 206 << u"8000"_qs << rest << Etag << Date << refetch
            << qint64(-1) << none;
        QTest::newRow("a range short of the end")
            << qint64(3000) << qint64(10000) << 206 << u"2000"_qs << u"bytes 3000-4999/10000"_qs
            << Etag << Date << refetch << qint64(-1) << none;
        QTest::newRow("no Content-Range") << qint64(3000) << qint64(10000) << 206 << u"7000"_qs
                                          << none << Etag << Date << refetch << qint64(-1) << none;
        QTest::newRow("not in bytes")
            << qint64(3000) << qint64(10000) << 206 << u"7000"_qs << u"items 3000-9999/10000"_qs
            << Etag << Date << refetch << qint64(-1) << none;
        QTest::newRow("changed ETag") << qint64(3000) << qint64(10000) << 206 << u"7000"_qs << rest
                                      << u"\"v2\""_qs << Date << refetch << qint64(-1) << none;
        QTest::newRow("changed date")
            << qint64(3000) << qint64(10000) << 206 << u"7000"_qs << rest << Etag
            << u"Thu, 02 May 2024 10:00:00 GMT"_qs << refetch << qint64(-1) << none;
        QTest::newRow("416") << qint64(3000) << qint64(10000) << 416 << u"0"_qs
                             << u"bytes */2000"_qs << Etag << Date << refetch << qint64(-1) << none;

        QTest::newRow("200 to a range") << qint64(3000) << qint64(10000) << 200 << u"10000"_qs
                                        << none << Etag << Date << fresh << qint64(10000) << Etag;
        QTest::newRow("200 with a new ETag")
            << qint64(3000) << qint64(10000) << 200 << u"12000"_qs << none << u"\"v2\""_qs << Date
            << fresh << qint64(12000) << u"\"v2\""_qs;
        QTest::newRow("500 to a range") << qint64(3000) << qint64(10000) << 500 << u"20"_qs << none
                                        << none << none << fresh << qint64(20) << none;
    }
    void judge() {
        QFETCH(qint64, offset);
        QFETCH(qint64, recordedTotal);
        QFETCH(int, status);
        QFETCH(QString, contentLength);
        QFETCH(QString, contentRange);
        QFETCH(QString, etag);
        QFETCH(QString, lastModified);
        QFETCH(int, kind);
        QFETCH(qint64, whole);
        QFETCH(QString, validator);
        ResumeOffer offer;
        if (offset > 0)
            offer = {u"/tmp/a.pdf"_qs, {Address, Etag, Date, recordedTotal}, offset};
        const ResumeAnswer answer = JudgeResponse(
            offer, Address, {status, contentLength, contentRange, etag, lastModified});
        QCOMPARE(int(answer.kind), kind);
        QCOMPARE(answer.whole, whole);
        QCOMPARE(answer.record.validator(), validator);
        QCOMPARE(answer.resumable(), !validator.isEmpty());
        if (answer.resumable()) {
            QCOMPARE(answer.record.address, Address);
            QCOMPARE(answer.record.total, whole);
        }
    }
};

QTEST_GUILESS_MAIN(tst_rangeresume)
#include "tst_rangeresume.moc"
