#include "DownloadList.h"
#include "DownloadListModel.h"
#include "DuplicateNames.h"
#include "FileTypeCheck.h"
#include "SoundPrompt.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;

namespace {
void touch(const QString& path, const QByteArray& content = "x") {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void addRow(DownloadListModel& list, const QString& key, qint16 state,
            const QString& type = u"pdf"_qs) {
    QVERIFY(list.append(key, key));
    list.modify(list.count(), [&](DownloadRow& row) {
        row.state = state;
        row.type = type;
    });
}

struct RecordingPlayer final : SoundPlayer {
    QStringList played;
    void play(const QString& path) override { played << path; }
};
} // namespace

class tst_downloadlist : public QObject {
    Q_OBJECT
private slots:
    void appendNamesAndRefusesDuplicates() {
        DownloadListModel list;
        const AppendSettings settings{u"/data/下载"_qs, false};
        加入下载列表(list, settings, u"http://h/a.pdf"_qs, u"Annual report\r\n 2019 "_qs, u"PDF"_qs,
                     QString(), u"http://h/s?q=1"_qs);
        QCOMPARE(list.count(), 1);
        const DownloadRow& row = list.row(1);
        QCOMPARE(row.name, u"Annual report 2019"_qs);
        QCOMPARE(row.type, u"PDF"_qs);
        QCOMPARE(row.saveFolder, u"/data/下载"_qs);
        QCOMPARE(row.tag, u"http://h/s?q=1"_qs);
        QCOMPARE(row.state, qint16(DownloadRow::Waiting));
        QVERIFY(row.untouched());
        加入下载列表(list, settings, u"http://h/a.pdf"_qs, u"其他"_qs, u"doc"_qs, u"/other"_qs,
                     QString());
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.row(1).type, u"PDF"_qs);
        QCOMPARE(list.row(1).saveFolder, u"/data/下载"_qs);
    }

    void appendCanNameAfterTheAddress() {
        DownloadListModel list;
        // Addresses come fully encoded: the name is what a reader sees.
        加入下载列表(list, {u"/d"_qs, true}, u"http://h/files/%E5%B9%B4%E6%8A%A5:2020.pdf"_qs,
                     u"标题"_qs, u"PDF"_qs, u"/x/"_qs, QString());
        QCOMPARE(list.row(1).name, u"年报2020"_qs);
        QCOMPARE(list.row(1).saveFolder, u"/x/"_qs);
        QCOMPARE(list.row(1).key, u"http://h/files/%E5%B9%B4%E6%8A%A5:2020.pdf"_qs);
        加入下载列表(list, {u"/d"_qs, false}, u"http://h/%E5%B9%B4%E6%8A%A5%20v1.pdf"_qs, u"?"_qs,
                     u"PDF"_qs, u"/x/"_qs, QString());
        QCOMPARE(list.row(2).name, u"年报 v1"_qs);
    }

    void aTitleThatCleansToNothingStillNamesAFileInsideTheFolder() {
        DownloadListModel list;
        加入下载列表(list, {u"/d"_qs, false}, u"http://h/files/report.pdf"_qs, u".."_qs, u"PDF"_qs,
                     QString(), QString());
        加入下载列表(list, {u"/d"_qs, false}, u"http://h/"_qs, u"???"_qs, QString(), QString(),
                     QString());
        QCOMPARE(list.row(1).name, u"report"_qs);
        QCOMPARE(list.row(2).name, u"未命名"_qs);
        QCOMPARE(list.row(1).targetPath(), u"/d/report.PDF"_qs);
    }

    void addressRotation_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("rotated");
        QTest::addColumn<QString>("first");
        QTest::newRow("one") << u"a"_qs << u"a"_qs << u"a"_qs;
        QTest::newRow("two") << u"a|b"_qs << u"b|a"_qs << u"a"_qs;
        QTest::newRow("three") << u"a|b|c"_qs << u"c|a|b"_qs << u"a"_qs;
        QTest::newRow("four") << u"a|b|c|d"_qs << u"a|b|c|d"_qs << u"a"_qs;
    }
    void addressRotation() {
        QFETCH(QString, key);
        QFETCH(QString, rotated);
        QFETCH(QString, first);
        QCOMPARE(对调url(key), rotated);
        QCOMPARE(选择url(key), first);
    }

    void countersOfTwelveRows() {
        DownloadListModel list;
        addRow(list, u"d"_qs, DownloadRow::Downloading);
        for (int i = 0; i < 7; ++i)
            addRow(list, u"w"_qs + QString::number(i), DownloadRow::Waiting);
        for (int i = 0; i < 3; ++i)
            addRow(list, u"f"_qs + QString::number(i), DownloadRow::Finished);
        addRow(list, u"x"_qs, DownloadRow::Failed);
        QCOMPARE(StatusCountersText(list), u"总数:12 正在下载:1 等待:7 已完成:3 失败:1"_qs);
        QVERIFY(!检测是否下载列表完毕(list));
        QCOMPARE(统计未下载项数目(list), 12);
        list.modify(2, [](DownloadRow& row) { row.size = u"等待重新下载"_qs; });
        QCOMPARE(统计未下载项数目(list), 11); // waiting, but touched
    }

    void emptyList() {
        DownloadListModel list;
        QVERIFY(检测是否下载列表完毕(list));
        QCOMPARE(统计未下载项数目(list), 0);
        QCOMPARE(StatusCountersText(list), u"总数:0 正在下载:0 等待:0 已完成:0 失败:0"_qs);
        QCOMPARE(CountFailedOrWebRows(list), 0);
    }

    void finishedAndFailedRows() {
        DownloadListModel list;
        addRow(list, u"a"_qs, DownloadRow::Finished, u"HTML"_qs);
        addRow(list, u"b"_qs, DownloadRow::Finished, u"pdf"_qs);
        addRow(list, u"c"_qs, DownloadRow::Failed, u"pdf"_qs);
        addRow(list, u"d"_qs, DownloadRow::Failed, u"htm"_qs);
        QCOMPARE(CountFailedOrWebRows(list), 3);
        QVERIFY(检测是否下载列表完毕(list));
    }

    void requeueFailedHtmlRowRemovesBothFiles() {
        QTemporaryDir dir;
        DownloadListModel list;
        addRow(list, u"a|b|c"_qs, DownloadRow::Failed, u"html"_qs);
        list.modify(1, [&](DownloadRow& row) {
            row.name = u"page"_qs;
            row.saveFolder = dir.path() + u'/';
            row.size = u"下载失败"_qs;
            row.percent = u"50%"_qs;
        });
        touch(dir.filePath(u"page.html"_qs));
        touch(dir.filePath(u"page.xxx"_qs));
        touch(dir.filePath(u"page.pdf"_qs));
        RequeueFailedRows(list);
        const DownloadRow& row = list.row(1);
        QCOMPARE(row.state, qint16(DownloadRow::Waiting));
        QCOMPARE(row.type, u"xxx"_qs);
        QVERIFY(row.untouched());
        QCOMPARE(row.key, u"c|a|b"_qs);
        QVERIFY(!QFile::exists(dir.filePath(u"page.html"_qs)));
        QVERIFY(!QFile::exists(dir.filePath(u"page.xxx"_qs)));
        QVERIFY(QFile::exists(dir.filePath(u"page.pdf"_qs))); // not the row's file
        QVERIFY(list.containsKey(u"c|a|b"_qs));
        QVERIFY(!list.containsKey(u"a|b|c"_qs));
    }

    // A row named "report " (no type) and an unrelated file "report" in the same folder.
    void aTrailingSpaceNamesAnotherFile() {
        QTemporaryDir dir;
        const QString other = dir.filePath(u"report"_qs);
        const QString own = dir.filePath(u"report "_qs);
        touch(other, "someone else's");
        DownloadListModel list;
        list.append(u"http://h/r"_qs, u"report "_qs);
        list.modify(1, [&](DownloadRow& row) { row.saveFolder = dir.path(); });

        QVERIFY(确定是需要下载(list, 1, SkipPolicy));
        QVERIFY(list.row(1).untouched());
        QVERIFY(!CorrectRowFileType(list, 1));

        touch(own, "<html ><head><title>x</title></head></html>");
        QVERIFY(CorrectRowFileType(list, 1));
        QCOMPARE(list.row(1).name, u"report "_qs);
        QCOMPARE(list.row(1).type, u"htm"_qs);
        QVERIFY(QFile::exists(dir.filePath(u"report .htm"_qs)));

        DeleteRowFile(list, 1);
        QVERIFY(!QFile::exists(dir.filePath(u"report .htm"_qs)));
        list.modify(1, [](DownloadRow& row) { row.type.clear(); });
        touch(own);
        DeleteRowFile(list, 1);
        QVERIFY(!QFile::exists(own));
        QFile kept(other);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("someone else's"));
    }

    void requeueWebRowsTakesFinishedXml() {
        DownloadListModel list;
        addRow(list, u"x"_qs, DownloadRow::Finished, u"xml"_qs);
        addRow(list, u"p"_qs, DownloadRow::Finished, u"pdf"_qs);
        addRow(list, u"w"_qs, DownloadRow::Downloading, u"htm"_qs);
        RequeueWebRows(list);
        QCOMPARE(list.row(1).state, qint16(DownloadRow::Waiting));
        QCOMPARE(list.row(1).type, u"xxx"_qs);
        QCOMPARE(list.row(2).state, qint16(DownloadRow::Finished));
        QCOMPARE(list.row(3).state, qint16(DownloadRow::Downloading));
    }

    void modelKeepsPositionsAndKeys() {
        DownloadListModel list;
        for (const QString& key : {u"k1"_qs, u"k2"_qs, u"k3"_qs})
            QVERIFY(list.append(key, key));
        QVERIFY(!list.append(u"k2"_qs, u"again"_qs));
        QCOMPARE(list.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), u"文件大小"_qs);
        list.moveToEnd(1);
        QCOMPARE(list.row(3).key, u"k1"_qs);
        list.modify(1, [](DownloadRow& row) { row.key = u"k3"_qs; }); // would clash
        QCOMPARE(list.row(1).key, u"k2"_qs);
        list.remove(2);
        QCOMPARE(list.count(), 2);
        QVERIFY(!list.containsKey(u"k3"_qs));
        QVERIFY(list.append(u"k3"_qs, u"back"_qs));
        list.sortByColumn(DownloadListModel::NameColumn, Qt::DescendingOrder);
        QCOMPARE(list.row(1).name, u"k2"_qs);
        QCOMPARE(list.data(list.index(0, 0), DownloadListModel::StateRole).toInt(), 1);
    }

    void largeListStaysKeyed() {
        DownloadListModel list;
        for (int i = 0; i < 100000; ++i)
            list.append(u"http://h/"_qs + QString::number(i), u"n"_qs);
        QCOMPARE(list.count(), 100000);
        QVERIFY(!list.append(u"http://h/99999"_qs, u"n"_qs));
    }

    void soundPromptIsWrittenOnce() {
        QTemporaryDir dir;
        RecordingPlayer player;
        PlaySoundPrompt(player, dir.path(), SoundPrompt::WebPage);
        const QString path = dir.filePath(u"101.wav"_qs);
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.read(4), QByteArray("RIFF"));
        written.close();
        touch(path, "mine");
        PlaySoundPrompt(player, dir.path(), SoundPrompt::WebPage);
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("mine"));
        QCOMPARE(player.played, (QStringList{path, path}));
    }
};

QTEST_GUILESS_MAIN(tst_downloadlist)
#include "tst_downloadlist.moc"
