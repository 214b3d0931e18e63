#include "FileTypeCheck.h"
#include "ListCommands.h"
#include "ListFixture.h"

#include <QSet>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {
const QString NotIdle = u"停止下载以后，才能执行此操作！"_qs;

QByteArray errorPage() {
    QByteArray page("<html ><head><title>404</title></head>");
    page.resize(3000, ' ');
    return page;
}
} // namespace

class tst_listcommands : public QObject {
    Q_OBJECT
private slots:
    // Which commands refuse while something runs, and with which message.
    void guards_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("scheduling");
        QTest::addColumn<bool>("executing");
        QTest::addColumn<int>("instances");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("refusal"); // empty: the command runs

        const QString sortRefusal = u"停止下载后方可排序！"_qs;
        const QString cancelRefusal = u"停止下载后方可设置！"_qs;
        struct Activity {
            const char* name;
            bool scheduling, executing;
            int instances;
            bool busy;
        };
        const Activity activities[] = {{"idle", false, false, 1, false},
                                       {"scheduling", true, false, 0, false},
                                       {"transfer", false, true, 0, false},
                                       {"two instances", false, false, 2, false},
                                       {"busy only", false, false, 0, true}};
        for (const Activity& a : activities) {
            const bool idle = !a.scheduling && !a.executing && a.instances <= 1;
            const bool running = a.scheduling || a.busy;
            const auto row = [&](const char* command, const QString& refusal) {
                QTest::addRow("%s, %s", command, a.name)
                    << QString::fromLatin1(command) << a.scheduling << a.executing << a.instances
                    << a.busy << refusal;
            };
            for (const char* command :
                 {"shuffle", "removeSelected", "removeFinished", "removeUnfinished", "removeFailed",
                  "clearAll", "correctFileTypes"})
                row(command, idle ? QString() : NotIdle);
            // Also refused while slots still download: they remember rows by position.
            row("sort", running || !idle ? sortRefusal : QString());
            row("cancelSelected", a.busy ? cancelRefusal : QString());
            // Re-queue and delete commands have no guard.
            row("requeueFailed", {});
            row("deleteFailedFiles", {});
        }
    }
    void guards() {
        QFETCH(QString, command);
        QFETCH(bool, scheduling);
        QFETCH(bool, executing);
        QFETCH(int, instances);
        QFETCH(bool, busy);
        QFETCH(QString, refusal);
        ListFixture f;
        f.activity = {scheduling, executing, instances, busy};
        f.add(u"http://h/1"_qs, u"one"_qs, u"pdf"_qs, DownloadRow::Finished, u"9"_qs, u"9"_qs,
              u"100%"_qs);
        f.add(u"http://h/2"_qs, u"two"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.add(u"http://h/3"_qs, u"three"_qs, u"pdf"_qs, DownloadRow::Failed, u"下载失败"_qs);
        f.add(u"http://h/4"_qs, u"four"_qs, u"pdf"_qs, DownloadRow::Finished, u"10"_qs, u"10"_qs,
              u"100%"_qs);
        f.write(u"four.pdf"_qs, errorPage());
        f.select({2, 3});
        f.messages.answer = true;
        const QStringList before = f.snapshot();
        ListCommands commands(f.environment());
        const QHash<QString, std::function<void()>> run{
            {u"shuffle"_qs, [&] { commands.shuffle(); }},
            {u"removeSelected"_qs, [&] { commands.removeSelected(); }},
            {u"removeFinished"_qs, [&] { commands.removeFinished(); }},
            {u"removeUnfinished"_qs, [&] { commands.removeUnfinished(); }},
            {u"removeFailed"_qs, [&] { commands.removeFailed(); }},
            {u"clearAll"_qs, [&] { commands.clearAll(); }},
            {u"correctFileTypes"_qs, [&] { commands.correctFileTypes(); }},
            {u"sort"_qs, [&] { commands.sortByColumn(DownloadListModel::SizeColumn); }},
            {u"cancelSelected"_qs, [&] { commands.cancelSelected(); }},
            {u"requeueFailed"_qs, [&] { commands.requeueFailed(); }},
            {u"deleteFailedFiles"_qs, [&] { commands.deleteFailedFiles(); }}};
        run.value(command)();
        if (!refusal.isEmpty()) {
            QCOMPARE(f.messages.texts(), QStringList{refusal});
            QCOMPARE(f.snapshot(), before);
            QVERIFY(f.exists(u"four.pdf"_qs));
        } else {
            QVERIFY(!f.messages.texts().contains(NotIdle));
            if (command == u"shuffle") // may give the same order again
                QCOMPARE(f.messages.texts(), QStringList{u"随机排序完成！"_qs});
            else
                QVERIFY(f.snapshot() != before);
        }
    }

    void shuffleIsAPermutationThatKeepsEveryField() {
        ListFixture f;
        for (int i = 1; i <= 60; ++i)
            f.add(u"http://h/%1"_qs.arg(i), u"n%1"_qs.arg(i), u"pdf"_qs, qint16(1 + i % 4),
                  QString::number(i * 10), QString::number(i), u"%1%"_qs.arg(i));
        const QStringList before = f.snapshot();
        ListCommands commands(f.environment());
        commands.shuffle();
        QCOMPARE(f.messages.texts(), QStringList{u"随机排序完成！"_qs});
        const QStringList after = f.snapshot();
        QCOMPARE(after.size(), before.size());
        QCOMPARE(QSet<QString>(after.begin(), after.end()),
                 QSet<QString>(before.begin(), before.end()));
        QVERIFY(after != before); // 60! orders: the same one again is not a chance
        for (int i = 1; i <= f.list.count(); ++i) {
            const QString key = f.list.row(i).key;
            QCOMPARE(f.list.row(i).tag, u"http://ref/n"_qs + key.section(u'/', -1));
            QVERIFY(f.list.containsKey(key));
        }
    }

    void shufflingAnEmptyListReportsAtOnce() {
        ListFixture f;
        ListCommands commands(f.environment());
        commands.shuffle();
        QCOMPARE(f.messages.texts(), QStringList{u"随机排序完成！"_qs});
    }

    void requeueFailedAndWebLeavesFinishedXml() {
        ListFixture f;
        f.add(u"a"_qs, u"page"_qs, u"htm"_qs, DownloadRow::Finished, u"5"_qs, u"5"_qs, u"100%"_qs);
        f.add(u"b"_qs, u"feed"_qs, u"xml"_qs, DownloadRow::Finished, u"5"_qs, u"5"_qs, u"100%"_qs);
        f.add(u"c|d"_qs, u"bad"_qs, u"pdf"_qs, DownloadRow::Failed, u"下载失败"_qs);
        f.add(u"e"_qs, u"doc"_qs, u"pdf"_qs, DownloadRow::Finished, u"5"_qs, u"5"_qs, u"100%"_qs);
        f.write(u"page.htm"_qs, "x");
        ListCommands commands(f.environment());
        commands.requeueFailedAndWeb();
        QCOMPARE(f.snapshot(), (QStringList{u"a page xxx    1"_qs, u"b feed xml 5 5 100% 3"_qs,
                                            u"d|c bad pdf    1"_qs, u"e doc pdf 5 5 100% 3"_qs}));
        QVERIFY(!f.exists(u"page.htm"_qs));
        commands.requeueWeb(); // xml counts here, and takes the type xxx
        QCOMPARE(f.list.row(2).state, qint16(DownloadRow::Waiting));
        QCOMPARE(f.list.row(2).type, u"xxx"_qs);
    }

    void requeueSelectedTakesOnlyEndedRows() {
        ListFixture f;
        f.add(u"a"_qs, u"one"_qs, u"pdf"_qs, DownloadRow::Finished, u"5"_qs, u"5"_qs, u"100%"_qs);
        f.add(u"b"_qs, u"two"_qs, u"pdf"_qs, DownloadRow::Downloading, u"5"_qs, u"1"_qs, u"20%"_qs);
        f.add(u"c"_qs, u"three"_qs, u"pdf"_qs, DownloadRow::Failed, u"下载失败"_qs);
        f.write(u"one.pdf"_qs, "x");
        f.select({1, 2});
        ListCommands commands(f.environment());
        commands.requeueSelected();
        QCOMPARE(f.snapshot(), (QStringList{u"a one pdf    1"_qs, u"b two pdf 5 1 20% 2"_qs,
                                            u"c three pdf 下载失败   4"_qs}));
        QVERIFY(!f.exists(u"one.pdf"_qs));
    }

    void requeueSmallerThan_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QList<int>>("waiting"); // positions requeued
        QTest::newRow("5000") << u" 5000 "_qs << QList<int>{1, 3};
        QTest::newRow("4096 is not greater") << u"4096"_qs << QList<int>{3};
        QTest::newRow("not a number") << u"abc"_qs << QList<int>{};
    }
    void requeueSmallerThan() {
        QFETCH(QString, answer);
        QFETCH(QList<int>, waiting);
        ListFixture f;
        f.add(u"a"_qs, u"a"_qs, u"pdf"_qs, DownloadRow::Finished, u"4096"_qs, u"4096"_qs);
        f.add(u"b"_qs, u"b"_qs, u"pdf"_qs, DownloadRow::Failed, u"4096"_qs, u"1000"_qs);
        f.add(u"c"_qs, u"c"_qs, u"pdf"_qs, DownloadRow::Failed, u"1,000"_qs, u"1000"_qs);
        f.add(u"d"_qs, u"d"_qs, u"pdf"_qs, DownloadRow::Finished, u"未知"_qs, u"未知"_qs);
        f.add(u"e"_qs, u"e"_qs, u"pdf"_qs, DownloadRow::Downloading, u"10"_qs, u"10"_qs);
        f.prompts.answer = answer;
        ListCommands commands(f.environment());
        commands.requeueSmallerThan();
        QCOMPARE(f.prompts.asked, QStringList{u"请输入数字：|"_qs});
        QVERIFY(f.messages.texts().isEmpty());
        for (int i = 1; i <= f.list.count(); ++i)
            QCOMPARE(f.list.row(i).state == DownloadRow::Waiting, waiting.contains(i));
    }

    void removeCommands_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("finished") << u"finished"_qs << QStringList{u"c"_qs, u"e"_qs};
        QTest::newRow("unfinished") << u"unfinished"_qs << QStringList{u"a"_qs, u"b"_qs, u"d"_qs};
        QTest::newRow("failed") << u"failed"_qs << QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs};
        QTest::newRow("selected") << u"selected"_qs << QStringList{u"a"_qs, u"c"_qs, u"e"_qs};
    }
    void removeCommands() {
        QFETCH(QString, command);
        QFETCH(QStringList, left);
        ListFixture f;
        const qint16 states[] = {3, 3, 1, 3, 4};
        int i = 0;
        for (const QString& key : {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs, u"e"_qs}) {
            f.add(key, key, u"pdf"_qs, states[i++]);
            f.write(key + u".pdf"_qs, "kept");
        }
        f.select({2, 4});
        ListCommands commands(f.environment());
        if (command == u"finished")
            commands.removeFinished();
        else if (command == u"unfinished")
            commands.removeUnfinished();
        else if (command == u"failed")
            commands.removeFailed();
        else
            commands.removeSelected();
        QStringList keys;
        for (int row = 1; row <= f.list.count(); ++row)
            keys << f.list.row(row).key;
        QCOMPARE(keys, left);
        for (const QString& key : {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs, u"e"_qs})
            QVERIFY(f.exists(key + u".pdf"_qs)); // files are not touched
    }

    void clearAllAsksFirst() {
        ListFixture f;
        f.add(u"a"_qs, u"a"_qs, u"pdf"_qs, DownloadRow::Waiting);
        ListCommands commands(f.environment());
        f.messages.answer = false;
        commands.clearAll();
        QCOMPARE(f.list.count(), 1);
        f.messages.answer = true;
        commands.clearAll();
        QCOMPARE(f.list.count(), 0);
        QCOMPARE(f.messages.texts(), QStringList(2, u"您确定要清空列表的所有信息吗？"_qs));
    }

    void deleteCommands() {
        ListFixture f;
        f.add(u"a"_qs, u"page"_qs, u"HTML"_qs, DownloadRow::Finished, u"5"_qs, u"5"_qs, u"100%"_qs);
        f.add(u"b"_qs, u"feed"_qs, u"xml"_qs, DownloadRow::Failed, u"下载失败"_qs);
        f.add(u"c"_qs, u"doc"_qs, u"pdf"_qs, DownloadRow::Failed, u"下载失败"_qs);
        f.add(u"d"_qs, u"mine"_qs, u"pdf"_qs, DownloadRow::Finished, u"5"_qs, u"5"_qs, u"100%"_qs);
        for (const QString& name : {u"page.HTML"_qs, u"feed.xml"_qs, u"doc.pdf"_qs, u"mine.pdf"_qs})
            f.write(name, "x");
        ListCommands commands(f.environment());
        commands.deleteWebFiles(); // state kept
        QCOMPARE(f.snapshot().mid(0, 2),
                 (QStringList{u"a page HTML    3"_qs, u"b feed xml    4"_qs}));
        QVERIFY(!f.exists(u"page.HTML"_qs) && !f.exists(u"feed.xml"_qs));
        QVERIFY(f.exists(u"doc.pdf"_qs));
        commands.deleteFailedFiles();
        QCOMPARE(f.snapshot().at(2), u"c doc pdf    4"_qs);
        QVERIFY(!f.exists(u"doc.pdf"_qs));
        QVERIFY(f.exists(u"mine.pdf"_qs));
        f.select({4});
        commands.deleteSelectedFiles(); // back to waiting
        QCOMPARE(f.snapshot().at(3), u"d mine pdf    1"_qs);
        QVERIFY(!f.exists(u"mine.pdf"_qs));
        // A row being downloaded keeps its state: reset, it would be started a second time.
        f.add(u"e"_qs, u"busy"_qs, u"pdf"_qs, DownloadRow::Downloading, u"9"_qs, u"3"_qs,
              u"33%"_qs);
        f.select({5});
        commands.deleteSelectedFiles();
        QCOMPARE(f.snapshot().at(4), u"e busy pdf 9 3 33% 2"_qs);
    }

    void deleteSmallerThanKilobytes() {
        ListFixture f;
        f.add(u"a"_qs, u"small"_qs, u"pdf"_qs, DownloadRow::Finished, u"50000"_qs, u"50000"_qs,
              u"100%"_qs);
        f.add(u"b"_qs, u"unknown"_qs, u"pdf"_qs, DownloadRow::Finished, u"未知"_qs, u"7"_qs);
        f.add(u"c"_qs, u"large"_qs, u"pdf"_qs, DownloadRow::Finished, u"204800"_qs, u"204800"_qs,
              u"100%"_qs);
        for (const QString& name : {u"small.pdf"_qs, u"unknown.pdf"_qs, u"large.pdf"_qs})
            f.write(name, "x");
        ListCommands commands(f.environment());
        f.prompts.answer = u"abc"_qs;
        commands.deleteSmallerThan();
        QCOMPARE(f.messages.messages.size(), 1);
        QCOMPARE(f.messages.messages[0].text, u"文件大小无效！"_qs);
        QCOMPARE(f.messages.messages[0].icon, MessageIcon::Error);
        QCOMPARE(
            f.prompts.asked.first(),
            u"请输入文件大小（KB），小于这个数的文件将会被全部删除！|删除文件大小小于指定数的全部文件"_qs);
        QVERIFY(f.exists(u"small.pdf"_qs));
        f.prompts.answer = u"100"_qs;
        commands.deleteSmallerThan();
        QCOMPARE(f.snapshot(), (QStringList{u"a small pdf    1"_qs, u"b unknown pdf 未知 7  3"_qs,
                                            u"c large pdf 204800 204800 100% 3"_qs}));
        QVERIFY(!f.exists(u"small.pdf"_qs));
        QVERIFY(f.exists(u"unknown.pdf"_qs) && f.exists(u"large.pdf"_qs));
    }

    void cancelSelectedFailsWaitingRows() {
        ListFixture f;
        f.add(u"a"_qs, u"a"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.add(u"b"_qs, u"b"_qs, u"pdf"_qs, DownloadRow::Finished);
        f.add(u"c"_qs, u"c"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.select({1, 2});
        ListCommands commands(f.environment());
        commands.cancelSelected();
        QCOMPARE(f.list.row(1).state, qint16(DownloadRow::Failed));
        QCOMPARE(f.list.row(2).state, qint16(DownloadRow::Finished));
        QCOMPARE(f.list.row(3).state, qint16(DownloadRow::Waiting));
    }

    void sortByColumn_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("descending");
        QTest::addColumn<QStringList>("ascending");
        QTest::newRow("size") << int(DownloadListModel::SizeColumn)
                              << QStringList{u"9"_qs, u"10"_qs, u""_qs, u"2048"_qs}
                              << QStringList{u"2048"_qs, u"10"_qs, u"9"_qs, u""_qs}
                              << QStringList{u""_qs, u"9"_qs, u"10"_qs, u"2048"_qs};
        QTest::newRow("percent") << int(DownloadListModel::PercentColumn)
                                 << QStringList{u"5%"_qs, u"100%"_qs, u"45%"_qs, u"大文件，跳过"_qs}
                                 << QStringList{u"大文件，跳过"_qs, u"100%"_qs, u"45%"_qs, u"5%"_qs}
                                 << QStringList{u"5%"_qs, u"45%"_qs, u"100%"_qs,
                                                u"大文件，跳过"_qs};
        QTest::newRow("name as text") << int(DownloadListModel::NameColumn)
                                      << QStringList{u"b"_qs, u"a10"_qs, u"c"_qs, u"a9"_qs}
                                      << QStringList{u"c"_qs, u"b"_qs, u"a9"_qs, u"a10"_qs}
                                      << QStringList{u"a10"_qs, u"a9"_qs, u"b"_qs, u"c"_qs};
    }
    void sortByColumn() {
        QFETCH(int, column);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, descending);
        QFETCH(QStringList, ascending);
        ListFixture f;
        for (int i = 0; i < cells.size(); ++i) {
            const QString key = u"k%1"_qs.arg(i);
            f.add(key, key, u"pdf"_qs, DownloadRow::Finished);
            f.list.modify(i + 1, [&](DownloadRow& row) {
                (column == DownloadListModel::SizeColumn      ? row.size
                 : column == DownloadListModel::PercentColumn ? row.percent
                                                              : row.name) = cells[i];
            });
        }
        ListCommands commands(f.environment());
        commands.sortByColumn(column); // the first click sorts descending
        QCOMPARE(f.column(column), descending);
        commands.sortByColumn(column);
        QCOMPARE(f.column(column), ascending);
        QVERIFY(f.messages.texts().isEmpty());
    }

    void doubleClickOpensOrRequeues() {
        ListFixture f;
        f.add(u"a"_qs, u"done"_qs, u"pdf"_qs, DownloadRow::Finished, u"1"_qs, u"1"_qs, u"100%"_qs);
        f.add(u"b"_qs, u"gone"_qs, u"pdf"_qs, DownloadRow::Finished, u"1"_qs, u"1"_qs, u"100%"_qs);
        f.add(u"c"_qs, u"bad"_qs, u"pdf"_qs, DownloadRow::Failed, u"下载失败"_qs);
        f.add(u"d"_qs, u"wait"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.write(u"done.pdf"_qs, "x");
        f.write(u"bad.pdf"_qs, "x");
        ListCommands commands(f.environment());
        commands.activateRow(1);
        QCOMPARE(f.shell.files, QStringList{f.folder() + u"done.pdf"_qs});
        commands.activateRow(2);
        QCOMPARE(f.messages.texts(), QStringList{u"文件不存在！"_qs});
        commands.activateRow(3);
        QCOMPARE(f.snapshot().at(2), u"c bad pdf    1"_qs);
        QVERIFY(!f.exists(u"bad.pdf"_qs));
        const QStringList before = f.snapshot();
        commands.activateRow(4);
        QCOMPARE(f.snapshot(), before);
        QCOMPARE(f.shell.files.size(), 1);
    }

    void openingFallsBackToTheGenericOpener() {
        ListFixture f;
        f.add(u"a"_qs, u"done"_qs, u"pdf"_qs, DownloadRow::Finished);
        f.write(u"done.pdf"_qs, "x");
        f.shell.openSucceeds = false;
        ListCommands commands(f.environment());
        commands.activateRow(1);
        QCOMPARE(f.shell.started, QStringList{u"xdg-open "_qs + f.folder() + u"done.pdf"_qs});
    }

    void correctFileTypesCountsTheRenamedRows() {
        ListFixture f;
        f.add(u"a"_qs, u"one"_qs, u"pdf"_qs, DownloadRow::Finished);
        f.add(u"b"_qs, u"two"_qs, u"pdf"_qs, DownloadRow::Failed);
        f.add(u"c"_qs, u"three"_qs, u"pdf"_qs, DownloadRow::Finished);
        f.write(u"one.pdf"_qs, errorPage());
        f.write(u"two.pdf"_qs, errorPage());
        QByteArray pdf("%PDF-1.4");
        pdf.resize(64, '\x01');
        f.write(u"three.pdf"_qs, pdf);
        ListCommands commands(f.environment());
        commands.correctFileTypes();
        QCOMPARE(f.messages.texts(), QStringList{u"纠正文件类型：2个."_qs});
        QVERIFY(f.exists(u"one.htm"_qs) && f.exists(u"two.htm"_qs) && f.exists(u"three.pdf"_qs));
        QCOMPARE(f.list.row(1).type, u"htm"_qs);
    }

    void detectFileType() {
        ListFixture f;
        f.write(u"page.bin"_qs, errorPage());
        f.write(u"noise.bin"_qs, QByteArray(64, '\x07'));
        ListCommands commands(f.environment());
        commands.detectFileType(); // cancelled
        QVERIFY(f.messages.texts().isEmpty());
        f.prompts.fileAnswer = f.dir.filePath(u"page.bin"_qs);
        commands.detectFileType();
        f.prompts.fileAnswer = f.dir.filePath(u"noise.bin"_qs);
        commands.detectFileType();
        QCOMPARE(f.prompts.asked.first(), u"*"_qs);
        QCOMPARE(f.messages.texts(),
                 (QStringList{u"文件类型为：htm"_qs, u"文件类型为：目前还无法判断。"_qs}));
    }

    void checkFilesExistMarksMissingRows() {
        ListFixture f;
        f.add(u"a"_qs, u"here"_qs, u"pdf"_qs, DownloadRow::Finished, u"1"_qs, u"1"_qs, u"100%"_qs);
        f.add(u"b"_qs, u"gone"_qs, u"pdf"_qs, DownloadRow::Finished, u"1"_qs, u"1"_qs, u"100%"_qs);
        f.add(u"c"_qs, u"bare"_qs, u""_qs, DownloadRow::Finished, u"1"_qs, u"1"_qs, u"100%"_qs);
        f.write(u"here.pdf"_qs, "x");
        f.write(u"bare"_qs, "x");
        ListCommands commands(f.environment());
        commands.checkFilesExist();
        QCOMPARE(f.column(DownloadListModel::PercentColumn),
                 (QStringList{u"100%"_qs, u"不存在"_qs, u"100%"_qs}));
    }

    void selectAllAndNone() {
        ListFixture f;
        for (const QString& key : {u"a"_qs, u"b"_qs, u"c"_qs})
            f.add(key, key, u"pdf"_qs, DownloadRow::Waiting);
        ListCommands commands(f.environment());
        commands.selectAll();
        QCOMPARE(f.selection.selectedRows().size(), 3);
        commands.selectNone();
        QVERIFY(f.selection.selectedRows().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_listcommands)
#include "tst_listcommands.moc"
