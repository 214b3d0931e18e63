#include "DownloadListKeeper.h"
#include "DownloadListModel.h"
#include "DownloadListStore.h"
#include "RecordingMessageSink.h"
#include "TestFiles.h"
#include "VirtualClock.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using namespace quenlit;
using namespace quenlit::testing;

namespace {
constexpr char SaveInTurnsArgument[] = "--save-in-turns";
constexpr int LongList = 2000;

using Rows = QList<QStringList>;

QStringList fieldsOf(const DownloadRow& row) {
    return {row.key,        row.name,       row.type,
            row.size,       row.downloaded, row.percent,
            row.saveFolder, row.tag,        QString::number(row.state)};
}
Rows rowsOf(const QList<DownloadRow>& rows) {
    Rows fields;
    for (const DownloadRow& row : rows)
        fields.append(fieldsOf(row));
    return fields;
}
Rows rowsOf(const DownloadListModel& list) {
    Rows fields;
    for (int position = 1; position <= list.count(); ++position)
        fields.append(fieldsOf(list.row(position)));
    return fields;
}

// The child uses it too, outside any test: no checks here.
void add(DownloadListModel& list, const DownloadRow& row) {
    if (list.append(row.key, row.name))
        list.modify(list.count(), [&](DownloadRow& kept) { kept = row; });
}

// Rows of every state, their texts told apart by the marker.
void fillLongList(DownloadListModel& list, const QString& marker) {
    list.changeAll([&] {
        for (int i = 0; i < LongList; ++i) {
            DownloadRow row;
            row.key = QStringLiteral("http://h.example/%1/%2.pdf").arg(marker).arg(i);
            row.name = QStringLiteral("%1 年度报告 第%2篇").arg(marker).arg(i);
            row.type = u"pdf"_qs;
            row.size = QString::number(100000 + i);
            row.downloaded = QString::number(i * 7);
            row.percent = QString::number(i % 100) + u'%';
            row.saveFolder = u"/home/u/Quenlit文件目录/"_qs;
            row.tag = QStringLiteral("http://search.example/?q=%1").arg(marker);
            row.state = qint16(i % 4 + 1);
            add(list, row);
        }
    });
}

// The child of the kill test: saves two lists in turn until it is killed, telling each
// save on standard output.
int SaveInTurnsUntilKilled(const QString& path) {
    DownloadListModel first;
    DownloadListModel second;
    fillLongList(first, u"甲"_qs);
    fillLongList(second, u"乙"_qs);
    const DownloadListStore store(path);
    for (unsigned long long saved = 1;; ++saved) {
        QString error;
        if (!store.save(saved % 2 ? second : first, error))
            return 1;
        std::printf("%llu\n", saved);
        std::fflush(stdout);
    }
}

// The process has a file of the folder open: the temporary file of a save, which has no
// name there until it takes the list's.
bool writesInto(qint64 pid, const QString& folder) {
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& descriptor :
         descriptors.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (descriptor.symLinkTarget().startsWith(folder + u'/'))
            return true;
    }
    return false;
}

// Virtual time in which every save seems to take 100 ms: each reading of the elapsed time
// finds it 100 ms further on.
struct SlowDiskClock final : Clock {
    explicit SlowDiskClock(VirtualClock& time)
        : time(time) {}
    double secondsSinceMidnight() const override { return time.secondsSinceMidnight(); }
    double elapsedSeconds() const override { return time.elapsedSeconds() + 0.1 * ++readings; }
    CallbackId callAfter(int delayMs, std::function<void()> callback) override {
        return time.callAfter(delayMs, std::move(callback));
    }
    void cancel(CallbackId id) override { time.cancel(id); }

    VirtualClock& time;
    mutable int readings = 0;
};

// A list kept in a folder of its own, with a keeper on the virtual clock.
struct Fixture {
    QTemporaryDir dir;
    QString path = DownloadListStore::pathIn(dir.path());
    VirtualClock clock;
    RecordingMessageSink messages;
    DownloadListModel list;
    DownloadListKeeper keeper{list, clock, messages, path};

    // The rows in the file, checked to be whole.
    Rows saved() const {
        const DownloadListStore::Loaded loaded = DownloadListStore(path).load();
        if (loaded.outcome != DownloadListStore::Loaded::Outcome::Loaded)
            return {{u"<not a whole list>"_qs}};
        return rowsOf(loaded.rows);
    }
    void addWaiting(const QString& key) { QVERIFY(list.append(key, key)); }
};

DownloadRow rowOf(const QString& key, const QString& name, qint16 state) {
    DownloadRow row;
    row.key = key;
    row.name = name;
    row.state = state;
    return row;
}
} // namespace

class tst_downloadliststore : public QObject {
    Q_OBJECT
private slots:
    void everyStateAndTextComesBackAsSaved() {
        QTemporaryDir dir;
        const DownloadListStore store(DownloadListStore::pathIn(dir.path()));
        DownloadListModel list;
        DownloadRow waiting = rowOf(u"http://h/a.pdf|http://m/a.pdf"_qs, u"甲"_qs, 1);
        waiting.saveFolder = u"/home/u/下载/"_qs;
        DownloadRow downloading = rowOf(u"http://h/b?x=\"1\"&y=\\2"_qs, u"引号\"和\\反斜杠"_qs, 2);
        downloading.size = u"未知"_qs;
        downloading.downloaded = u"4096"_qs;
        downloading.percent = u"40%"_qs;
        downloading.tag = u"http://h/s?q=\t\r\n\x01\x7f"_qs;
        DownloadRow finished = rowOf(u"http://h/c.pdf"_qs, u"📄 report\u2028"_qs, 3);
        finished.type = u"pdf"_qs;
        finished.size = u"1024"_qs;
        finished.downloaded = u"1024"_qs;
        finished.percent = u"大文件，跳过"_qs;
        DownloadRow failed = rowOf(u"http://h/d.doc"_qs, QString(), 4);
        failed.size = u"下载失败"_qs;
        failed.name = QString(u"nul"_qs) + QChar(0) + u"inside"_qs;
        for (const DownloadRow& row : {waiting, downloading, finished, failed})
            add(list, row);
        QString error;
        QVERIFY(store.save(list, error));

        const DownloadListStore::Loaded loaded = store.load();
        QCOMPARE(loaded.outcome, DownloadListStore::Loaded::Outcome::Loaded);
        QCOMPARE(rowsOf(loaded.rows), rowsOf(list));
        // One line for the header and one for each row, which a reader can grep.
        const QList<QByteArray> lines = ReadFile(store.path()).split('\n');
        QCOMPARE(lines.size(), 1 + 4 + 1);
        QCOMPARE(lines[0], QByteArray(R"({"format":"quenlit-download-list","version":1})"));
        QVERIFY(lines[3].contains(R"("state":"finished")"));
        QVERIFY(lines[3].contains(QString(u"大文件，跳过"_qs).toUtf8()));
        QVERIFY(lines.last().isEmpty());
    }

    void handWrittenFilesAreRead() {
        QTemporaryDir dir;
        const DownloadListStore store(DownloadListStore::pathIn(dir.path()));
        // Windows line ends, blank lines, a row with only what it must have, a field of
        // another program.
        WriteFile(store.path(), "\r\n{\"version\":1,\"format\":\"quenlit-download-list\"}\r\n\r\n"
                                "{\"state\":\"failed\",\"key\":\"http://h/a\",\"note\":7}\r\n");
        const DownloadListStore::Loaded loaded = store.load();
        QCOMPARE(loaded.outcome, DownloadListStore::Loaded::Outcome::Loaded);
        const Rows expected{{u"http://h/a"_qs, {}, {}, {}, {}, {}, {}, {}, u"4"_qs}};
        QCOMPARE(rowsOf(loaded.rows), expected);
    }

    void theListComesBackWithDownloadsWaiting() {
        Fixture f;
        DownloadListModel before;
        fillLongList(before, u"甲"_qs);
        QString error;
        QVERIFY(DownloadListStore(f.path).save(before, error));
        f.keeper.open(true);
        QCOMPARE(f.list.count(), LongList);
        QVERIFY(f.messages.texts().isEmpty());
        for (int position = 1; position <= LongList; ++position) {
            const DownloadRow& was = before.row(position);
            const DownloadRow& is = f.list.row(position);
            QStringList expected = fieldsOf(was);
            if (was.state == DownloadRow::Downloading)
                expected.last() = QString::number(DownloadRow::Waiting);
            QCOMPARE(fieldsOf(is), expected);
        }
        // Opening is no change: nothing is written until the list changes.
        f.clock.advance(5000);
        QCOMPARE(f.saved(), rowsOf(before));
    }

    void theOptionOffOpensEmptyAndStillSaves() {
        Fixture f;
        DownloadListModel before;
        add(before, rowOf(u"http://h/old"_qs, u"旧"_qs, 3));
        QString error;
        QVERIFY(DownloadListStore(f.path).save(before, error));
        f.keeper.open(false);
        QCOMPARE(f.list.count(), 0);
        QVERIFY(f.messages.texts().isEmpty());
        f.addWaiting(u"http://h/new"_qs);
        f.clock.advance(1000);
        QCOMPARE(f.saved(), rowsOf(f.list));
    }

    void savesAtMostOnceASecondAndOnClose() {
        Fixture f;
        f.keeper.open(true);
        f.addWaiting(u"http://h/1"_qs);
        f.clock.advance(999);
        QVERIFY(!QFileInfo::exists(f.path));
        f.clock.advance(1);
        QCOMPARE(f.saved().size(), 1);
        // Changes within the next second wait for its end.
        f.clock.advance(100);
        f.addWaiting(u"http://h/2"_qs);
        f.clock.advance(500);
        f.list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Finished; });
        f.clock.advance(499);
        QCOMPARE(f.saved().size(), 1);
        f.clock.advance(1);
        QCOMPARE(f.saved(), rowsOf(f.list));
        f.list.remove(2);
        f.clock.advance(1000);
        QCOMPARE(f.saved(), rowsOf(f.list));
        // Closing saves at once and then leaves the file alone.
        f.addWaiting(u"http://h/3"_qs);
        f.keeper.close();
        const Rows closed = rowsOf(f.list);
        QCOMPARE(f.saved(), closed);
        f.list.modify(2, [](DownloadRow& row) { row.state = DownloadRow::Failed; });
        f.clock.advance(5000);
        QCOMPARE(f.saved(), closed);
        QVERIFY(f.messages.texts().isEmpty());
    }

    void slowSavesComeLessOften() {
        Fixture f;
        SlowDiskClock slow(f.clock);
        DownloadListKeeper keeper(f.list, slow, f.messages, f.path);
        keeper.open(true);
        f.addWaiting(u"http://h/1"_qs);
        f.clock.advance(1000);
        QCOMPARE(f.saved().size(), 1);
        // Twenty times the 100 ms the last save took.
        f.addWaiting(u"http://h/2"_qs);
        f.clock.advance(1999);
        QCOMPARE(f.saved().size(), 1);
        f.clock.advance(1);
        QCOMPARE(f.saved().size(), 2);
    }

    void sortsAndMovesAreSaved() {
        Fixture f;
        f.keeper.open(true);
        for (const QString& key : {u"http://h/b"_qs, u"http://h/a"_qs, u"http://h/c"_qs})
            f.addWaiting(key);
        f.clock.advance(1000);
        f.list.sortByColumn(DownloadListModel::NameColumn, Qt::AscendingOrder);
        f.clock.advance(1000);
        QCOMPARE(f.saved().at(0).at(0), u"http://h/a"_qs);
        f.list.moveToEnd(1);
        f.clock.advance(1000);
        QCOMPARE(f.saved(), rowsOf(f.list));
    }

    void damagedFilesAreSetAside_data() {
        QTest::addColumn<QByteArray>("content");
        const QByteArray header = R"({"format":"quenlit-download-list","version":1})"
                                  "\n";
        const QByteArray good = R"({"key":"http://h/a","state":"finished"})"
                                "\n";
        QTest::newRow("other format") << QByteArray(R"({"format":"other","version":1})"
                                                    "\n") +
                                             good;
        QTest::newRow("unknown version")
            << QByteArray(R"({"format":"quenlit-download-list","version":2})"
                          "\n") +
                   good;
        QTest::newRow("no header") << good;
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("cut line") << header + good + R"({"key":"http://h/b","sta)";
        QTest::newRow("not an object") << header + good + "[1,2]\n";
        QTest::newRow("no key") << header + R"({"state":"waiting"})" + "\n";
        QTest::newRow("empty key") << header + R"({"key":"","state":"waiting"})" + "\n";
        QTest::newRow("unknown state") << header + R"({"key":"http://h/b","state":"paused"})";
        QTest::newRow("number for a text")
            << header + R"({"key":"http://h/b","state":"failed","size":1024})";
        QTest::newRow("not UTF-8") << header + "{\"key\":\"http://h/b\",\"name\":\"\xb1\xa8\","
                                               "\"state\":\"failed\"}\n";
    }
    void damagedFilesAreSetAside() {
        QFETCH(QByteArray, content);
        Fixture f;
        WriteFile(f.path, content);
        f.keeper.open(true);
        const QString aside = f.path + u".damaged"_qs;
        QCOMPARE(f.list.count(), 0);
        QCOMPARE(
            f.messages.texts(),
            QStringList{u"下载列表文件已损坏或无法读取，已改名为 %1，本次从空列表开始。"_qs.arg(
                QDir::toNativeSeparators(aside))});
        QCOMPARE(ReadFile(aside), content);
        // The new list goes to a file of its own.
        f.addWaiting(u"http://h/new"_qs);
        f.clock.advance(1000);
        QCOMPARE(f.saved(), rowsOf(f.list));
        QCOMPARE(ReadFile(aside), content);
    }

    void aFolderInThePlaceOfTheFileIsSetAside() {
        Fixture f;
        QVERIFY(QDir().mkpath(f.path));
        WriteFile(f.path + u"/inside"_qs, "kept");
        f.keeper.open(true);
        QCOMPARE(f.messages.messages.size(), 1);
        QCOMPARE(ReadFile(f.path + u".damaged/inside"_qs), QByteArray("kept"));
        f.keeper.close();
        QCOMPARE(f.saved(), Rows{});
    }

    void anEarlierDamagedFileIsNeverWrittenOver() {
        Fixture f;
        WriteFile(f.path + u".damaged"_qs, "first");
        WriteFile(f.path + u".damaged-2"_qs, "second");
        WriteFile(f.path, "third");
        f.keeper.open(false);
        QCOMPARE(ReadFile(f.path + u".damaged"_qs), QByteArray("first"));
        QCOMPARE(ReadFile(f.path + u".damaged-2"_qs), QByteArray("second"));
        QCOMPARE(ReadFile(f.path + u".damaged-3"_qs), QByteArray("third"));
        QVERIFY(f.messages.texts().value(0).contains(u"DownloadList.jsonl.damaged-3"_qs));
    }

    void aDamagedFileThatCannotBeRenamedIsNeverWritten() {
        Fixture f;
        // The name ".damaged" would make is too long for the file system.
        const QString path = f.dir.filePath(QString(250, u'x'));
        WriteFile(path, "damaged");
        DownloadListKeeper keeper(f.list, f.clock, f.messages, path);
        keeper.open(true);
        QCOMPARE(
            f.messages.texts(),
            QStringList{
                u"下载列表文件 %1 已损坏或无法读取，也无法改名；本次从空列表开始，不保存下载列表。"_qs
                    .arg(QDir::toNativeSeparators(path))});
        f.addWaiting(u"http://h/1"_qs);
        f.clock.advance(5000);
        keeper.close();
        QCOMPARE(ReadFile(path), QByteArray("damaged"));
    }

    void aFailedSaveIsToldOnceAndTheNextChangeTriesAgain() {
        Fixture f;
        const QString folder = f.dir.filePath(u"missing"_qs);
        DownloadListKeeper keeper(f.list, f.clock, f.messages, DownloadListStore::pathIn(folder));
        keeper.open(true);
        f.addWaiting(u"http://h/1"_qs);
        f.clock.advance(1000);
        f.addWaiting(u"http://h/2"_qs);
        f.clock.advance(1000);
        QCOMPARE(f.messages.messages.size(), 1);
        QVERIFY(f.messages.texts().at(0).startsWith(u"下载列表无法保存到 %1："_qs.arg(
            QDir::toNativeSeparators(DownloadListStore::pathIn(folder)))));
        QVERIFY(QDir().mkpath(folder));
        f.addWaiting(u"http://h/3"_qs);
        f.clock.advance(1000);
        QCOMPARE(DownloadListStore(DownloadListStore::pathIn(folder)).load().rows.size(), 3);
        QCOMPARE(f.messages.messages.size(), 1);
    }

    void aKillInTheMiddleOfSavingLeavesTheOldOrTheNewList() {
        DownloadListModel first;
        DownloadListModel second;
        fillLongList(first, u"甲"_qs);
        fillLongList(second, u"乙"_qs);
        const Rows firstRows = rowsOf(first);
        const Rows secondRows = rowsOf(second);
        int killedWhileWriting = 0;
        // Kills after one to three saves; in every other round once a write has begun, at
        // moments spread over it.
        for (int round = 0; round < 12; ++round) {
            QTemporaryDir dir;
            const QString path = DownloadListStore::pathIn(dir.path());
            QString error;
            QVERIFY(DownloadListStore(path).save(first, error));
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QString::fromLatin1(SaveInTurnsArgument), path});
            QVERIFY(child.waitForStarted());
            int saves = 0;
            while (saves < 1 + round % 3) {
                if (!child.canReadLine())
                    QVERIFY(child.waitForReadyRead(10000));
                while (child.canReadLine()) {
                    child.readLine();
                    ++saves;
                }
            }
            QElapsedTimer waited;
            waited.start();
            if (round % 2 == 0) {
                while (!writesInto(child.processId(), dir.path()))
                    QVERIFY(waited.elapsed() < 10000);
                waited.restart();
            }
            while (waited.nsecsElapsed() < round * 200'000)
                ;
            if (writesInto(child.processId(), dir.path()))
                ++killedWhileWriting;
            child.kill();
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            const DownloadListStore::Loaded loaded = DownloadListStore(path).load();
            QCOMPARE(loaded.outcome, DownloadListStore::Loaded::Outcome::Loaded);
            const Rows rows = rowsOf(loaded.rows);
            QVERIFY2(
                rows == firstRows || rows == secondRows,
                qPrintable(
                    QStringLiteral("round %1: %2 rows, neither list").arg(round).arg(rows.size())));
        }
        QVERIFY2(killedWhileWriting >= 3, qPrintable(QString::number(killedWhileWriting)));
    }
};

int main(int argc, char* argv[]) {
    if (argc == 3 && qstrcmp(argv[1], SaveInTurnsArgument) == 0)
        return SaveInTurnsUntilKilled(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    tst_downloadliststore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_downloadliststore.moc"
