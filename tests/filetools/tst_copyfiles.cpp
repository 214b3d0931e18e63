#include "CopyFilesTool.h"
#include "CopyNames.h"
#include "IniSettingsStore.h"
#include "RecentFolders.h"
#include "RecordingMessageSink.h"
#include "Settings.h"
#include "TestFiles.h"
#include "VirtualClock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {
QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}
void setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
}
} // namespace

class tst_copyfiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_source;
    QString m_target;

    struct Tool {
        VirtualClock clock;
        IniSettingsStore settings;
        RecordingMessageSink messages;
        CopyFilesTool tool;
        explicit Tool(const QString& dir)
            : settings(dir + u"/Quenlit.ini"_qs)
            , tool(clock, settings, messages, dir) {
            tool.load();
        }
        // Runs a pass to its end.
        void run(const QStringList& paths, const QString& folder, int option) {
            tool.文件全路径集合 = paths;
            tool.folderText = folder;
            tool.policyIndex = option;
            tool.执行(true);
            for (int turn = 0; turn < 10000 && tool.running(); ++turn)
                clock.runPending();
        }
    };

private slots:
    void init() {
        const QString name = QString::fromLatin1(QTest::currentTestFunction()) + u'-' +
                             QString::fromLatin1(QTest::currentDataTag());
        m_source = m_dir.filePath(name + u"/源/"_qs);
        m_target = m_dir.filePath(name + u"/目的/"_qs);
        QDir().mkpath(m_source);
        QDir().mkpath(m_target);
    }

    void splitter_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("extension");
        QTest::newRow("plain") << u"/a/b/report.pdf"_qs << u"/a/b/"_qs << u"report"_qs << u"pdf"_qs;
        QTest::newRow("two dots") << u"/a/x.tar.gz"_qs << u"/a/"_qs << u"x.tar"_qs << u"gz"_qs;
        QTest::newRow("six-letter extension")
            << u"/a/s.backup"_qs << u"/a/"_qs << u"s"_qs << u"backup"_qs;
        QTest::newRow("long extension")
            << u"/a/archive.backup12"_qs << u"/a/"_qs << u"archive.backup12"_qs << QString();
        QTest::newRow("no dot") << u"/a/README"_qs << u"/a/"_qs << u"README"_qs << QString();
        QTest::newRow("only extension") << u"/a/.pdf"_qs << u"/a/"_qs << u".pdf"_qs << QString();
        QTest::newRow("spaces around")
            << u"  /a/ name .pdf  "_qs << u"/a/"_qs << u"name"_qs << u"pdf"_qs;
        QTest::newRow("no folder") << u"x.doc"_qs << QString() << u"x"_qs << u"doc"_qs;
    }
    void splitter() {
        QFETCH(QString, path);
        const SplitName split = SplitFilePath(path);
        QTEST(split.folder, "folder");
        QTEST(split.base, "base");
        QTEST(split.extension, "extension");
    }

    void counterSuffix_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("stem");
        QTest::newRow("numbered") << u"report[005]"_qs << u"report"_qs;
        QTest::newRow("spaces in brackets") << u"report[ 7 ]"_qs << u"report"_qs;
        QTest::newRow("not a number") << u"notes[final]"_qs << u"notes[final]"_qs;
        QTest::newRow("only a number") << u"[001]"_qs << u"[001]"_qs;
        QTest::newRow("no close") << u"a[1"_qs << u"a[1"_qs;
        QTest::newRow("inner pair") << u"a[1]b"_qs << u"a[1]b"_qs;
        QTest::newRow("last group only") << u"a[1][2]"_qs << u"a[1]"_qs;
        QTest::newRow("exponent is no number") << u"a[1e5]"_qs << u"a[1e5]"_qs;
    }
    void counterSuffix() {
        QFETCH(QString, base);
        QTEST(StripCounterSuffix(base), "stem");
    }

    void autoRename_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("after the numbers there")
            << u"report.pdf"_qs << QStringList{u"report.pdf"_qs, u"report[001].pdf"_qs}
            << u"report[002].pdf"_qs;
        QTest::newRow("stripped suffix, stem free")
            << u"report[005].pdf"_qs << QStringList{u"report[005].pdf"_qs} << u"report.pdf"_qs;
        QTest::newRow("word in brackets kept")
            << u"notes[final].pdf"_qs << QStringList{u"notes[final].pdf"_qs}
            << u"notes[final][001].pdf"_qs;
        QTest::newRow("long extension is part of the name")
            << u"archive.backup12"_qs << QStringList{u"archive.backup12"_qs}
            << u"archive.backup12[001]"_qs;
        QTest::newRow("a gap is filled")
            << u"a.doc"_qs << QStringList{u"a.doc"_qs, u"a[002].doc"_qs} << u"a[001].doc"_qs;
    }
    void autoRename() {
        QFETCH(QString, source);
        QFETCH(QStringList, existing);
        QFETCH(QString, expected);
        WriteFile(m_source + source, "new contents");
        for (const QString& name : existing)
            WriteFile(m_target + name, "old");
        QString used;
        QVERIFY(复制相同文件自动重命名(m_source + source, m_target, &used));
        QCOMPARE(used, expected);
        QCOMPARE(ReadFile(m_target + expected), QByteArray("new contents"));
        for (const QString& name : existing)
            QCOMPARE(ReadFile(m_target + name), QByteArray("old"));
    }

    // A dangling link under the name is taken, and its target is never written.
    void aDanglingLinkIsNeverWrittenThrough() {
        WriteFile(m_source + u"a.pdf"_qs, "new contents");
        const QString outside = m_dir.filePath(u"outside.pdf"_qs);
        QVERIFY(QFile::link(outside, m_target + u"a.pdf"_qs));
        QString used;
        QVERIFY(复制相同文件自动重命名(m_source + u"a.pdf"_qs, m_target, &used));
        QCOMPARE(used, u"a[001].pdf"_qs);
        QVERIFY(!QFileInfo::exists(outside));
        QVERIFY(!CopyFileSafely(m_source + u"a.pdf"_qs, m_target + u"a.pdf"_qs, false));
        QVERIFY(!QFileInfo::exists(outside));
    }

    void thousandthRename() {
        WriteFile(m_source + u"x.pdf"_qs, "x");
        WriteFile(m_target + u"x.pdf"_qs, "0");
        for (int i = 1; i <= 999; ++i)
            WriteFile(m_target + QStringLiteral("x[%1].pdf").arg(i, 3, 10, QChar(u'0')), "0");
        QString used;
        QVERIFY(复制相同文件自动重命名(m_source + u"x.pdf"_qs, m_target, &used));
        QCOMPARE(used, u"x[1000].pdf"_qs);
    }

    void missingSourceCopiesNothing() {
        QString used;
        QVERIFY(!复制相同文件自动重命名(m_source + u"gone.pdf"_qs, m_target, &used));
        QVERIFY(namesIn(m_target).isEmpty());
    }

    void failedCopyLeavesNoFile() {
        // A source that cannot be read: a folder of that name is no file to copy.
        WriteFile(m_source + u"unreadable.pdf"_qs, "secret");
        QFile::setPermissions(m_source + u"unreadable.pdf"_qs, QFileDevice::Permissions());
        const bool readable = QFile(m_source + u"unreadable.pdf"_qs).open(QIODevice::ReadOnly);
        if (!readable)
            QVERIFY(
                !CopyFileSafely(m_source + u"unreadable.pdf"_qs, m_target + u"u.pdf"_qs, false));
        QFile::setPermissions(m_source + u"unreadable.pdf"_qs,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        // A destination that already exists is never replaced without being told to.
        WriteFile(m_source + u"a.pdf"_qs, "new");
        WriteFile(m_target + u"a.pdf"_qs, "old");
        QVERIFY(!CopyFileSafely(m_source + u"a.pdf"_qs, m_target + u"a.pdf"_qs, false));
        QCOMPARE(ReadFile(m_target + u"a.pdf"_qs), QByteArray("old"));
        // Into a folder that is not there: nothing, not even a temporary.
        QVERIFY(!CopyFileSafely(m_source + u"a.pdf"_qs, m_target + u"none/a.pdf"_qs, false));
        QCOMPARE(namesIn(m_target), QStringList{u"a.pdf"_qs});
        // Replacing works, and keeps the source's modification time.
        QVERIFY(CopyFileSafely(m_source + u"a.pdf"_qs, m_target + u"a.pdf"_qs, true));
        QCOMPARE(ReadFile(m_target + u"a.pdf"_qs), QByteArray("new"));
        QCOMPARE(QFileInfo(m_target + u"a.pdf"_qs).lastModified(),
                 QFileInfo(m_source + u"a.pdf"_qs).lastModified());
        QCOMPARE(namesIn(m_target), QStringList{u"a.pdf"_qs});
    }

    void clashOptions_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<bool>("sameTime");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QByteArray>("inReport");
        const QByteArray same("abcd"), other("wxyz"), shorter("ab");
        const QStringList one{u"report.pdf"_qs};
        const QStringList two{u"report.pdf"_qs, u"report[001].pdf"_qs};
        QTest::newRow("1 skips") << 1 << other << false << one << other;
        QTest::newRow("2 overwrites") << 2 << shorter << false << one << same;
        QTest::newRow("3 renames") << 3 << same << true << two << same;
        QTest::newRow("4 same length and time overwrites") << 4 << other << true << one << same;
        QTest::newRow("4 same length other time renames") << 4 << other << false << two << other;
        QTest::newRow("4 other length renames") << 4 << shorter << true << two << shorter;
        QTest::newRow("5 same length other contents overwrites")
            << 5 << other << false << one << same;
        QTest::newRow("5 other length renames") << 5 << shorter << false << two << shorter;
        QTest::newRow("no option skips") << 0 << other << false << one << other;
    }
    void clashOptions() {
        QFETCH(int, option);
        QFETCH(QByteArray, existing);
        QFETCH(bool, sameTime);
        QFETCH(QStringList, names);
        QFETCH(QByteArray, inReport);
        const QString source = m_source + u"report.pdf"_qs;
        WriteFile(source, "abcd");
        WriteFile(m_target + u"report.pdf"_qs, existing);
        const QDateTime when = QDateTime::fromSecsSinceEpoch(1700000000);
        setModified(source, when);
        setModified(m_target + u"report.pdf"_qs, sameTime ? when : when.addSecs(-3600));
        Tool tool(m_dir.path());
        tool.run({source}, m_target, option);
        QCOMPARE(namesIn(m_target), names);
        QCOMPARE(ReadFile(m_target + u"report.pdf"_qs), inReport);
        QCOMPARE(tool.messages.texts(), QStringList{u"复制文件完成！"_qs});
        QCOMPARE(tool.tool.progress, 0);
        QCOMPARE(tool.tool.buttonCaption(), u"开始"_qs);
    }

    void passOverFolderItselfAndMissingFiles() {
        WriteFile(m_source + u"a.pdf"_qs, "a");
        WriteFile(m_target + u"inside.pdf"_qs, "in");
        Tool tool(m_dir.path());
        // The destination written another way still is the destination.
        tool.run({m_source + u"a.pdf"_qs, m_target + u"./inside.pdf"_qs, m_source + u"gone.pdf"_qs},
                 m_target + u"."_qs, 3);
        QCOMPARE(namesIn(m_target), (QStringList{u"a.pdf"_qs, u"inside.pdf"_qs}));
        QCOMPARE(tool.tool.文件全路径集合.size(), 2);
    }

    void nothingToCopyEndsSilently() {
        Tool tool(m_dir.path());
        tool.run({m_source + u"gone.pdf"_qs}, m_target, 3);
        QVERIFY(tool.messages.texts().isEmpty());
        QVERIFY(!tool.tool.running());
    }

    void folderStoredWithSlashAndHistoryOnce() {
        WriteFile(m_source + u"a.pdf"_qs, "a");
        QString typed = m_target;
        typed.chop(1);
        {
            Tool tool(m_dir.path());
            tool.run({m_source + u"a.pdf"_qs}, typed, 4);
            QCOMPARE(tool.tool.folderText, m_target);
            QCOMPARE(tool.tool.目的文件夹, m_target);
            QCOMPARE(settings::ReadText(tool.settings, settings::CopyTargetFolder), m_target);
            QCOMPARE(settings::ReadText(tool.settings, settings::CopyClashOption), u"4"_qs);
            // Run again: the folder is listed once.
            tool.run({m_source + u"a.pdf"_qs}, m_target, 4);
        }
        QStringList history;
        LoadRecentFolders(history, m_dir.filePath(u"SaveList.dat"_qs));
        QCOMPARE(history.count(m_target), 1);
        // An entry that differs only in letter case counts as the same folder.
        const QString list = m_dir.filePath(u"SaveList.dat"_qs);
        SaveRecentFolders({m_target.toUpper()}, list);
        {
            Tool tool(m_dir.path());
            tool.run({m_source + u"a.pdf"_qs}, m_target, 4);
        }
        LoadRecentFolders(history, list);
        QCOMPARE(history, QStringList{m_target.toUpper()});
        SaveRecentFolders({m_target}, list);
        Tool reopened(m_dir.path());
        QCOMPARE(reopened.tool.folderText, m_target);
        QCOMPARE(reopened.tool.policyIndex, 4);
        QVERIFY(reopened.tool.history.contains(m_target));
    }

    void folderThatCannotBeMade() {
        WriteFile(m_source + u"a.pdf"_qs, "a");
        WriteFile(m_dir.filePath(u"plainfile"_qs), "x");
        Tool tool(m_dir.path());
        tool.run({m_source + u"a.pdf"_qs}, m_dir.filePath(u"plainfile/sub/"_qs), 3);
        QVERIFY(tool.messages.texts().contains(u"创建文件夹出错！"_qs));
        QVERIFY(!tool.tool.running());
    }

    void stopPressMidPass() {
        QStringList paths;
        for (int i = 0; i < 5; ++i) {
            paths << m_source + QStringLiteral("f%1.pdf").arg(i);
            WriteFile(paths.last(), "x");
        }
        Tool tool(m_dir.path());
        tool.tool.文件全路径集合 = paths;
        tool.tool.folderText = m_target;
        tool.tool.policyIndex = 3;
        tool.tool.执行(true);
        QVERIFY(tool.tool.running());
        QCOMPARE(tool.tool.buttonCaption(), u"停止"_qs);
        QCOMPARE(tool.tool.progressMaximum, 6);
        QCOMPARE(tool.tool.currentFile, u"f0.pdf"_qs);
        // The press arrives while the pass lets events run after its first file.
        QString captionAfterPress;
        tool.clock.callAfter(0, [&] {
            tool.tool.执行(true);
            captionAfterPress = tool.tool.buttonCaption();
        });
        for (int turn = 0; turn < 100 && tool.tool.running(); ++turn)
            tool.clock.runPending();
        QVERIFY(!tool.tool.running());
        QCOMPARE(captionAfterPress, u"开始"_qs);
        QCOMPARE(namesIn(m_target), QStringList{u"f0.pdf"_qs});
        const int copied = 1;
        QCOMPARE(tool.tool.progress, 0);
        QVERIFY(tool.tool.currentFile.isEmpty());
        QCOMPARE(tool.messages.texts(), QStringList{u"复制文件完成！"_qs});
        // A new press starts again and copies the rest under their own names.
        tool.tool.执行(false);
        for (int turn = 0; turn < 100 && tool.tool.running(); ++turn)
            tool.clock.runPending();
        QCOMPARE(int(namesIn(m_target).size()), copied + 5);
    }

    void closingMidPassEndsIt() {
        QStringList paths;
        for (int i = 0; i < 3; ++i) {
            paths << m_source + QStringLiteral("f%1.pdf").arg(i);
            WriteFile(paths.last(), "x");
        }
        Tool tool(m_dir.path());
        tool.tool.文件全路径集合 = paths;
        tool.tool.folderText = m_target;
        tool.tool.执行(true);
        tool.tool.close();
        QVERIFY(!tool.tool.running());
        QVERIFY(tool.tool.文件全路径集合.isEmpty());
        QVERIFY(namesIn(m_target).isEmpty());
        QVERIFY(tool.messages.texts().isEmpty());
        QCOMPARE(WorkScope::suspendedWaits(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_copyfiles)
#include "tst_copyfiles.moc"
