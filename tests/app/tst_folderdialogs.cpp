#include "FolderDialogs.h"
#include "IniSettingsStore.h"
#include "LiveSettings.h"
#include "RecentFolders.h"
#include "RecordingMessageSink.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

class tst_folderdialogs : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    OptionsInput validInput() const {
        OptionsInput input;
        input.method = 1;
        input.proxyEnabled = true;
        input.proxyAddress = u"  "_qs;
        input.proxyPort = u" 80 "_qs;
        input.promptAtHarvest = false;
        input.restoreDownloadList = false;
        input.sizeLimit = u"2.5"_qs;
        input.downloadFolder = m_dir.filePath(u"下载/文档"_qs);
        input.searchScope = 1;
        return input;
    }

private slots:
    void recentFoldersRead_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("list");
        QTest::newRow("duplicates and blanks")
            << QByteArray("/data/A\r\n\r\n/DATA/a\r\n  /e/B  \r\n")
            << QStringList{u"/data/A"_qs, u"/e/B"_qs};
        QTest::newRow("Chinese") << QString(u"/资料\r\n"_qs).toUtf8() << QStringList{u"/资料"_qs};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("byte order marks")
            << QByteArray("\xEF\xBB\xBF/a\r\n \xEF\xBB\xBF/b\r\n\xEF\xBB\xBF/c\r\n")
            << QStringList{u"/a"_qs, u"/b"_qs, u"/c"_qs};
    }
    void recentFoldersRead() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, list);
        const QString path = m_dir.filePath(u"SaveList.dat"_qs);
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
        out.close();
        QStringList loaded{u"old"_qs};
        LoadRecentFolders(loaded, path);
        QCOMPARE(loaded, list);
    }

    void recentFoldersKeepTheOldestHundred() {
        const QString path = m_dir.filePath(u"many.dat"_qs);
        QStringList list;
        for (int i = 0; i < 101; ++i)
            list << QStringLiteral("/f%1").arg(i);
        SaveRecentFolders(list, path);
        QStringList loaded;
        LoadRecentFolders(loaded, path);
        QCOMPARE(loaded.size(), 100);
        QCOMPARE(loaded.last(), u"/f99"_qs);
        QStringList untouched{u"kept"_qs};
        LoadRecentFolders(untouched, m_dir.filePath(u"missing.dat"_qs));
        QCOMPARE(untouched, QStringList{u"kept"_qs});
    }

    void emptyListWritesOneLineBreak() {
        const QString path = m_dir.filePath(u"empty.dat"_qs);
        SaveRecentFolders({}, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\r\n"));
    }

    void chooserStart_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("opens");
        QTest::newRow("one level up") << m_dir.path() + u"/x/"_qs << m_dir.path() + u'/';
        QTest::newRow("empty") << u"  "_qs << u"/"_qs;
        QTest::newRow("missing") << u"/no/such/folder/"_qs << u"/"_qs;
        QTest::newRow("root stays") << u"/"_qs << u"/"_qs;
    }
    void chooserStart() {
        QFETCH(QString, start);
        QFETCH(QString, opens);
        QCOMPARE(FolderChooserStart(start), opens);
    }

    void optionsAreStoredAndTheFolderMade() {
        IniSettingsStore store(m_dir.filePath(u"o1.ini"_qs));
        LiveSettings live;
        RecordingMessageSink messages;
        QString folder;
        QList<int> methods;
        QVERIFY(ApplyOptions(validInput(), live, store, messages, folder,
                             [&](int m) { methods << m; }));
        QCOMPARE(messages.texts(), QStringList{u"代理服务器网址或者端口格式不对！"_qs});
        QCOMPARE(methods, QList<int>{1});
        QCOMPARE(folder, m_dir.filePath(u"下载/文档"_qs));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(live.DownloadFolder, folder + u'/');
        QCOMPARE(settings::ReadText(store, settings::DownloadFolder), folder + u'/');
        QCOMPARE(settings::ReadText(store, settings::ProxyAddress), QString());
        QCOMPARE(settings::ReadText(store, settings::ProxyPort), u"80"_qs);
        QCOMPARE(settings::ReadText(store, settings::MaxFileSizeMB), u"2.5"_qs);
        QCOMPARE(settings::ReadInt16(store, settings::SaveFolderPromptFlag), qint16(0));
        QCOMPARE(settings::ReadInt16(store, settings::RestoreDownloadList), qint16(0));
        QCOMPARE(live.RestoreDownloadList, qint16(0));
        QCOMPARE(settings::ReadInt32(store, settings::SearchScope), 1);
        QCOMPARE(live.SearchScope, 1);
    }

    void refusalsKeepTheDialogOpen_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty folder")
            << u"10"_qs << u" "_qs << u"下载文件默认保存路径设置错误！"_qs;
        QTest::newRow("size not a number")
            << u"ten"_qs << u"/tmp"_qs << u"下载文件大小设置错误！"_qs;
    }
    void refusalsKeepTheDialogOpen() {
        QFETCH(QString, size);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        IniSettingsStore store(
            m_dir.filePath(u"o2-"_qs + QString::fromLatin1(QTest::currentDataTag()) + u".ini"_qs));
        LiveSettings live;
        RecordingMessageSink messages;
        OptionsInput input = validInput();
        input.proxyEnabled = false;
        input.sizeLimit = size;
        input.downloadFolder = folder;
        QString made;
        QVERIFY(!ApplyOptions(input, live, store, messages, made, {}));
        QCOMPARE(messages.texts().last(), message);
        // What came before the refusal is stored; the scope is not.
        QCOMPARE(settings::ReadText(store, settings::DownloadMethod), u"1"_qs);
        QCOMPARE(settings::ReadInt16(store, settings::SaveFolderPromptFlag), qint16(0));
        QCOMPARE(settings::ReadInt16(store, settings::RestoreDownloadList), qint16(0));
        QCOMPARE(settings::ReadText(store, settings::SearchScope, u"none"_qs), u"none"_qs);
    }

    void saveFolderConfirm() {
        IniSettingsStore store(m_dir.filePath(u"s.ini"_qs));
        LiveSettings live;
        live.SaveFolderCancelled = true;
        RecordingMessageSink messages;
        QStringList recent{m_dir.filePath(u"old"_qs)};
        const QString listPath = m_dir.filePath(u"recent.dat"_qs);
        QString text = m_dir.filePath(u"新/a:b"_qs);
        QVERIFY(ConfirmSaveFolder(text, true, live, store, messages, recent, listPath));
        QCOMPARE(text, m_dir.filePath(u"新/ab"_qs));
        QVERIFY(live.UseSourceFileName);
        QVERIFY(!live.SaveFolderCancelled);
        QCOMPARE(live.DownloadFolder, text + u'/');
        QCOMPARE(recent.last(), text);
        QStringList reread;
        LoadRecentFolders(reread, listPath);
        QCOMPARE(reread.size(), 2);
        QString empty;
        QVERIFY(!ConfirmSaveFolder(empty, false, live, store, messages, recent, listPath));
        QCOMPARE(messages.texts(), QStringList{u"文件夹设置错误！"_qs});
    }
};

QTEST_GUILESS_MAIN(tst_folderdialogs)
#include "tst_folderdialogs.moc"
