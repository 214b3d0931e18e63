#include "DownloadList.h"
#include "DownloadListModel.h"
#include "DownloadSpeeds.h"
#include "FakeDownloadView.h"
#include "LiveSettings.h"
#include "LocalHttpServer.h"
#include "RecordingMessageSink.h"
#include "SingleConnectionEngine.h"
#include "SpeedMeter.h"
#include "TestNetwork.h"
#include "VirtualClock.h"
#include "WorkScope.h"

#include <QNetworkAccessManager>
#include <QPointF>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

// A list whose rows the test moves by hand, watched as the download window watches it.
struct ListFixture {
    explicit ListFixture(int rows = 3) {
        for (int i = 1; i <= rows; ++i)
            list.append(u"http://h/%1.pdf"_qs.arg(i), QString::number(i));
    }
    void download(int position, const QString& size = {}) {
        list.modify(position, [&](DownloadRow& row) {
            row.state = DownloadRow::Downloading;
            row.size = size;
            row.downloaded.clear();
        });
    }
    void feed(int position, qint64 bytes) {
        list.modify(position, [&](DownloadRow& row) { row.downloaded = QString::number(bytes); });
    }
    void end(int position, qint16 state = DownloadRow::Finished) {
        list.modify(position, [&](DownloadRow& row) { row.state = state; });
    }
    // Each second the row has bytesPerSecond more; the sample follows.
    void run(int position, qint64& bytes, qint64 bytesPerSecond, int seconds) {
        for (int i = 0; i < seconds; ++i) {
            bytes += bytesPerSecond;
            feed(position, bytes);
            clock.advance(DownloadSpeeds::SampleEveryMs);
        }
    }
    QString cell(int position, int column) const {
        return list.data(list.index(position - 1, column), Qt::DisplayRole).toString();
    }
    QString speed(int position) const { return cell(position, DownloadListModel::SpeedColumn); }
    QString timeLeft(int position) const {
        return cell(position, DownloadListModel::TimeLeftColumn);
    }

    VirtualClock clock;
    DownloadListModel list;
    DownloadSpeeds speeds{clock, list};
};

// The single-connection engine on a local server, on the virtual clock.
struct DripFixture {
    DripFixture() { live.MaxFileSizeMB = 10; }

    VirtualClock clock;
    QNetworkAccessManager network;
    DownloadListModel list;
    DownloadWindowState state;
    LiveSettings live;
    FakeDownloadView view;
    RecordingMessageSink messages;
    DownloadEnvironment environment{clock, network, list, state, live, view, messages};
    SingleConnectionEngine engine{environment};
    DownloadSpeeds speeds{clock, list};
    LocalHttpServer server{clock};
    QTemporaryDir dir;
    WorkScope scope{clock};
};

} // namespace

class tst_downloadspeeds : public QObject {
    Q_OBJECT
private slots:
    void speedText_data() {
        QTest::addColumn<double>("bytesPerSecond");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << 0.0 << u"0 B/s"_qs;
        QTest::newRow("bytes") << 512.0 << u"512 B/s"_qs;
        QTest::newRow("never four digits") << 999.6 << u"1.0 KB/s"_qs;
        QTest::newRow("one decimal below ten") << 5.25 * 1024 << u"5.3 KB/s"_qs;
        QTest::newRow("ten rounds up to a whole") << 9.96 * 1024 << u"10 KB/s"_qs;
        QTest::newRow("whole from ten") << 356.4 * 1024 << u"356 KB/s"_qs;
        QTest::newRow("megabytes") << 1.2 * 1024 * 1024 << u"1.2 MB/s"_qs;
        QTest::newRow("gigabytes") << 3.0 * 1024 * 1024 * 1024 << u"3.0 GB/s"_qs;
        QTest::newRow("no larger unit") << 5000.0 * 1024 * 1024 * 1024 << u"5000 GB/s"_qs;
    }
    void speedText() {
        QFETCH(double, bytesPerSecond);
        QFETCH(QString, text);
        QCOMPARE(SpeedText(bytesPerSecond), text);
    }

    void timeLeftText_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0.0 << u"0:00"_qs;
        QTest::newRow("below nothing") << -3.0 << u"0:00"_qs;
        QTest::newRow("part of a second counts whole") << 41.2 << u"0:42"_qs;
        QTest::newRow("a minute") << 59.5 << u"1:00"_qs;
        QTest::newRow("minutes") << 605.0 << u"10:05"_qs;
        QTest::newRow("an hour pads the minutes") << 3907.0 << u"1:05:07"_qs;
        QTest::newRow("days stay hours") << 90000.0 << u"25:00:00"_qs;
    }
    void timeLeftText() {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(TimeLeftText(seconds), text);
    }

    // Samples as (seconds, bytes so far); rate -1: none yet.
    void meterRate_data() {
        QTest::addColumn<QList<QPointF>>("samples");
        QTest::addColumn<double>("rate");
        QTest::newRow("one sample") << QList<QPointF>{{0, 500}} << -1.0;
        QTest::newRow("two") << QList<QPointF>{{0, 500}, {2, 2500}} << 1000.0;
        QTest::newRow("same instant replaces")
            << QList<QPointF>{{0, 0}, {1, 1000}, {1, 1500}} << 1500.0;
        QTest::newRow("same instant alone") << QList<QPointF>{{3, 0}, {3, 900}} << -1.0;
        QTest::newRow("window of five seconds")
            << QList<QPointF>{{0, 0}, {1, 100}, {2, 200}, {3, 300}, {4, 400}, {5, 500}, {6, 1500}}
            << 280.0;
        QTest::newRow("old pace forgotten")
            << QList<QPointF>{{0, 0},    {1, 100},  {2, 200},  {3, 1200},
                              {4, 2200}, {5, 3200}, {6, 4200}, {7, 5200}}
            << 1000.0;
        QTest::newRow("uneven samples keep a full window")
            << QList<QPointF>{{0, 0}, {3, 3000}, {4.5, 4500}, {9, 9000}, {10, 9500}} << 5000 / 5.5;
        QTest::newRow("a stall runs down to nothing")
            << QList<QPointF>{{0, 0},    {1, 1000}, {2, 2000}, {3, 2000},
                              {4, 2000}, {5, 2000}, {6, 2000}, {7, 2000}}
            << 0.0;
        QTest::newRow("a count that falls starts again")
            << QList<QPointF>{{0, 0}, {1, 5000}, {2, 100}, {3, 600}} << 500.0;
        QTest::newRow("a fallen count alone")
            << QList<QPointF>{{0, 0}, {1, 5000}, {2, 100}} << -1.0;
    }
    void meterRate() {
        QFETCH(QList<QPointF>, samples);
        QFETCH(double, rate);
        SpeedMeter meter;
        for (const QPointF& sample : samples)
            meter.add(sample.x(), qint64(sample.y()));
        const std::optional<double> measured = meter.bytesPerSecond();
        QCOMPARE(measured.has_value(), rate >= 0);
        if (measured)
            QCOMPARE(*measured, rate);
        QCOMPARE(meter.bytes(), std::optional<qint64>(qint64(samples.last().y())));
    }

    void cellsFollowTheBytes() {
        ListFixture f;
        f.download(2, u"100000"_qs);
        qint64 bytes = 0;
        f.run(2, bytes, 10000, 1);
        QCOMPARE(f.speed(2), QString()); // one sample is no speed yet
        QCOMPARE(f.timeLeft(2), QString());
        f.run(2, bytes, 10000, 1);
        QCOMPARE(f.speed(2), u"9.8 KB/s"_qs);
        QCOMPARE(f.timeLeft(2), u"0:08"_qs);
        f.run(2, bytes, 10000, 4);
        QCOMPARE(f.speed(2), u"9.8 KB/s"_qs);
        QCOMPARE(f.timeLeft(2), u"0:04"_qs);
        // Twice as fast: the window of five seconds takes it in step by step.
        f.run(2, bytes, 20000, 1);
        QCOMPARE(f.speed(2), u"12 KB/s"_qs);
        QCOMPARE(f.timeLeft(2), u"0:02"_qs);
        f.run(2, bytes, 15000, 1);
        QCOMPARE(f.speed(2), u"13 KB/s"_qs);
        QCOMPARE(f.timeLeft(2), u"0:01"_qs);
        for (int other : {1, 3})
            QCOMPARE(f.speed(other) + f.timeLeft(other), QString());
        // What the engines write stays as it was.
        QCOMPARE(f.cell(2, DownloadListModel::DownloadedColumn), u"95000"_qs);
        QCOMPARE(f.cell(2, DownloadListModel::SizeColumn), u"100000"_qs);
    }

    void cellsChangeOnlyOnTheSecond() {
        ListFixture f;
        f.download(1, u"100000"_qs);
        qint64 bytes = 0;
        f.run(1, bytes, 1000, 2);
        QSignalSpy changed(&f.list, &QAbstractItemModel::dataChanged);
        // Bytes coming four times a second change the speed cells once a second at most.
        for (int i = 0; i < 8; ++i) {
            f.feed(1, bytes += 250);
            f.clock.advance(DownloadSpeeds::SampleEveryMs / 4);
        }
        int speedChanges = 0;
        for (const QList<QVariant>& change : changed) {
            const QModelIndex topLeft = change.at(0).toModelIndex();
            if (topLeft.column() == DownloadListModel::SpeedColumn) {
                QCOMPARE(change.at(1).toModelIndex().column(),
                         int(DownloadListModel::TimeLeftColumn));
                ++speedChanges;
            }
        }
        QCOMPARE(speedChanges, 2); // the time left went down each second
        QCOMPARE(changed.count(), 8 + speedChanges);
    }

    void timeLeftNeedsASize_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("timeLeft");
        QTest::newRow("known") << u"10000"_qs << u"0:07"_qs;
        QTest::newRow("not announced") << u"未知"_qs << QString();
        QTest::newRow("headers not yet in") << QString() << QString();
    }
    void timeLeftNeedsASize() {
        QFETCH(QString, size);
        QFETCH(QString, timeLeft);
        ListFixture f;
        f.download(1, size);
        qint64 bytes = 0;
        f.run(1, bytes, 1000, 3);
        QCOMPARE(f.speed(1), u"1.0 KB/s"_qs);
        QCOMPARE(f.timeLeft(1), timeLeft);
    }

    // What a resumed row writes: "0", then the part it had plus the first new piece.
    void partAlreadyThereIsNoSpeed() {
        ListFixture f;
        f.download(1, u"900000"_qs);
        f.feed(1, 0);
        f.clock.advance(DownloadSpeeds::SampleEveryMs);
        qint64 bytes = 500000;
        f.run(1, bytes, 800, 2);
        QCOMPARE(f.speed(1), u"800 B/s"_qs);
        QCOMPARE(f.speeds.totalBytesPerSecond(), 800.0);
        // Started again from zero: the count fell, and only the new pace counts.
        f.feed(1, 100);
        f.clock.advance(DownloadSpeeds::SampleEveryMs);
        QCOMPARE(f.speed(1), QString());
        bytes = 100;
        f.run(1, bytes, 300, 1);
        QCOMPARE(f.speed(1), u"300 B/s"_qs);
    }

    void endedRowEmptiesItsCells_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("finished") << u"finished"_qs;
        QTest::newRow("failed") << u"failed"_qs;
        QTest::newRow("put back waiting") << u"waiting"_qs;
        QTest::newRow("failed in a batch") << u"batch"_qs;
        QTest::newRow("removed") << u"removed"_qs;
    }
    void endedRowEmptiesItsCells() {
        QFETCH(QString, how);
        ListFixture f;
        f.download(1, u"100000"_qs);
        f.download(3, u"100000"_qs);
        qint64 first = 0;
        qint64 third = 0;
        for (int i = 0; i < 3; ++i) {
            f.feed(1, first += 2000);
            f.feed(3, third += 1000);
            f.clock.advance(DownloadSpeeds::SampleEveryMs);
        }
        QCOMPARE(f.speeds.totalBytesPerSecond(), 3000.0);
        QCOMPARE(f.speed(1), u"2.0 KB/s"_qs);
        QSignalSpy total(&f.speeds, &DownloadSpeeds::totalChanged);

        const QString key = f.list.row(1).key;
        if (how == u"finished"_qs) {
            f.end(1);
        } else if (how == u"failed"_qs) {
            f.end(1, DownloadRow::Failed);
        } else if (how == u"waiting"_qs) {
            f.end(1, DownloadRow::Waiting);
        } else if (how == u"batch"_qs) {
            f.list.changeAll([&] { f.end(1, DownloadRow::Failed); });
        } else {
            f.list.remove(1);
            QVERIFY(f.list.append(key, u"again"_qs));
        }
        const int position = f.list.row(1).key == key ? 1 : f.list.count();
        const int other = how == u"removed"_qs ? 2 : 3;
        QCOMPARE(f.speed(position) + f.timeLeft(position), QString());
        // The total drops at once, not at the next sample.
        QCOMPARE(total.count(), 1);
        QCOMPARE(f.speeds.totalBytesPerSecond(), 1000.0);
        QCOMPARE(f.speeds.totalText(), u"总速度: 1.0 KB/s"_qs);
        QCOMPARE(f.speed(other), u"1.0 KB/s"_qs);

        // Downloading again, the row starts from nothing: no cells kept from before.
        f.download(position, u"100000"_qs);
        QCOMPARE(f.speed(position), QString());
        f.feed(position, 100);
        f.clock.advance(DownloadSpeeds::SampleEveryMs);
        QCOMPARE(f.speed(position), QString());

        f.end(position);
        f.end(other);
        QCOMPARE(f.speeds.totalText(), QString());
        QCOMPARE(f.speeds.totalBytesPerSecond(), 0.0);
        QVERIFY(!f.clock.hasPending()); // nothing downloads: no sampling either
    }

    void cellsAreEmptyTheMomentARowStops() {
        VirtualClock clock;
        DownloadListModel list;
        list.append(u"http://h/a"_qs, u"a"_qs);
        QString read = u"not read"_qs;
        // Heard before the speeds hear it, as a view may.
        connect(&list, &QAbstractItemModel::dataChanged, this, [&] {
            if (list.row(1).state == DownloadRow::Finished)
                read = list.index(0, DownloadListModel::SpeedColumn).data().toString();
        });
        DownloadSpeeds speeds(clock, list);
        list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
        for (int bytes : {1000, 2000}) {
            list.modify(1, [&](DownloadRow& row) { row.downloaded = QString::number(bytes); });
            clock.advance(DownloadSpeeds::SampleEveryMs);
        }
        QCOMPARE(list.index(0, DownloadListModel::SpeedColumn).data().toString(), u"1.0 KB/s"_qs);
        list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Finished; });
        QCOMPARE(read, QString());
    }

    void totalIsTheSum() {
        ListFixture f(1000);
        const QList<int> downloading{5, 17, 230, 231, 600, 1000};
        for (int position : downloading)
            f.download(position, u"10000000"_qs);
        QCOMPARE(f.speeds.totalText(), u"总速度: 0 B/s"_qs);
        QList<qint64> bytes(downloading.size());
        for (int second = 0; second < 4; ++second) {
            for (int i = 0; i < downloading.size(); ++i)
                f.feed(downloading[i], bytes[i] += (i + 1) * 1000);
            f.clock.advance(DownloadSpeeds::SampleEveryMs);
        }
        QCOMPARE(f.speeds.totalBytesPerSecond(), 21000.0);
        QCOMPARE(f.speeds.totalText(), u"总速度: 21 KB/s"_qs);
        QCOMPARE(f.speed(600), u"4.9 KB/s"_qs);
        QCOMPARE(f.speed(6), QString());
    }

    void cellsStayWithTheirRow() {
        ListFixture f(4);
        f.download(3, u"50000"_qs);
        qint64 bytes = 0;
        f.run(3, bytes, 1000, 2);
        QCOMPARE(f.speed(3), u"1.0 KB/s"_qs);
        const QString key = f.list.row(3).key;
        auto speedOfKey = [&] {
            for (int i = 1; i <= f.list.count(); ++i) {
                if (f.list.row(i).key == key)
                    return std::pair(i, f.speed(i));
            }
            return std::pair(0, QString());
        };

        f.list.remove(1);
        QCOMPARE(speedOfKey(), std::pair(2, u"1.0 KB/s"_qs));
        f.list.sortByColumn(DownloadListModel::NameColumn, Qt::DescendingOrder);
        QCOMPARE(speedOfKey().second, u"1.0 KB/s"_qs);
        f.list.moveToEnd(speedOfKey().first);
        QCOMPARE(speedOfKey(), std::pair(3, u"1.0 KB/s"_qs));
        // Its samples go on wherever the row went.
        f.run(3, bytes, 2000, 1);
        QCOMPARE(speedOfKey(), std::pair(3, u"1.5 KB/s"_qs));

        f.list.modify(3, [](DownloadRow& row) { row.key = 对调url(row.key + u"|http://m/3"_qs); });
        QCOMPARE(f.speed(3), QString()); // until the next sample names it
        f.run(3, bytes, 2000, 1);
        QCOMPARE(f.speed(3), u"1.6 KB/s"_qs);
        // A batch keeps the samples of a row that still downloads.
        f.list.changeAll([&] { f.end(1, DownloadRow::Failed); });
        f.run(3, bytes, 2000, 1);
        QCOMPARE(f.speed(3), u"1.7 KB/s"_qs);
    }

    void aListOpenedWithRowsDownloading() {
        VirtualClock clock;
        DownloadListModel list;
        list.append(u"http://h/a"_qs, u"a"_qs);
        list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
        DownloadSpeeds speeds(clock, list);
        QCOMPARE(speeds.totalText(), u"总速度: 0 B/s"_qs);
        QVERIFY(clock.hasPending());
    }

    // A server sending 1000 bytes every quarter second: 4000 bytes a second for ten seconds.
    void dripOverTime_data() {
        QTest::addColumn<bool>("lengthKnown");
        QTest::newRow("length known") << true;
        QTest::newRow("no length") << false;
    }
    void dripOverTime() {
        QFETCH(bool, lengthKnown);
        DripFixture f;
        LocalHttpServer::Response drip(200, {{"Content-Type", "application/pdf"}},
                                       "%PDF-1.4\n" + LocalHttpServer::generated(0, 40000 - 9));
        drip.omitLength = !lengthKnown;
        drip.dripBytes = 1000;
        drip.dripEveryMs = 250;
        f.server.route("/a.pdf", drip);
        加入下载列表(f.list, {f.dir.path(), false}, f.server.url("/a.pdf"), u"a"_qs, u"pdf"_qs,
                     f.dir.path(), {});
        f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
        f.scope.start([&f] { return f.engine.Inet下载当前文件(f.scope, 1); });

        const auto cells = [&] {
            return f.list.index(0, DownloadListModel::SpeedColumn).data().toString() + u'|' +
                   f.list.index(0, DownloadListModel::TimeLeftColumn).data().toString();
        };
        QStringList seen;
        // The first piece comes with the headers, before time moves.
        QVERIFY(QTest::qWaitFor(
            [&] {
                f.clock.runPending();
                return f.list.row(1).downloaded == u"1000"_qs;
            },
            10000));
        // A quarter second at a time, each piece in before time goes on.
        for (qint64 sent = 2000; sent <= 40000; sent += 1000) {
            f.clock.advance(250);
            QVERIFY(QTest::qWaitFor(
                [&] { return f.list.row(1).downloaded == QString::number(sent); }, 10000));
            if (f.clock.nowMs() % 1000 == 0)
                seen << cells();
        }
        QUENLIT_WAIT_FOR_IO(f.clock, !f.scope.running());
        QStringList expected{u"|"_qs};
        for (int second = 2; second <= 9; ++second)
            expected << u"3.9 KB/s|"_qs + (lengthKnown ? u"0:0%1"_qs.arg(10 - second) : QString());
        QCOMPARE(seen, expected);
        QCOMPARE(f.list.row(1).state, qint16(DownloadRow::Finished));
        QCOMPARE(cells(), u"|"_qs);
        QCOMPARE(f.speeds.totalText(), QString());
    }
};

QTEST_GUILESS_MAIN(tst_downloadspeeds)
#include "tst_downloadspeeds.moc"
