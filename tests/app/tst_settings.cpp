#include "IniSettingsStore.h"
#include "LiveSettings.h"
#include "Settings.h"
#include "TestFiles.h"
#include "WindowPlacement.h"

#include <QFile>
#include <QSize>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
namespace keys = quenlit::settings;

class tst_settings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<IniSettingsStore> m_store;

private slots:
    void init() {
        QFile::remove(m_dir.filePath(u"s.ini"_qs));
        m_store = std::make_unique<IniSettingsStore>(m_dir.filePath(u"s.ini"_qs));
    }

    void firstRunDefaults() {
        LiveSettings live;
        live.loadDownloadWindowValues(*m_store);
        live.loadSearchWindowValues(*m_store);
        QCOMPARE(live.DownloadMethod, qint16(2));
        QCOMPARE(live.ProxyEnabled, qint16(0));
        QCOMPARE(live.ProxyAddress, QString());
        QCOMPARE(live.ProxyPort, QString());
        QCOMPARE(live.MaxFileSizeMB, 10.0f);
        QCOMPARE(live.DownloadFolder, settings::DefaultDownloadFolder());
        QVERIFY(live.DownloadFolder.endsWith(u"/Quenlit文件目录"_qs));
        QCOMPARE(live.SaveFolderPromptFlag, qint16(1));
        QCOMPARE(live.SearchScope, 0);
        QCOMPARE(live.DuplicateNamePolicy, u"重命名"_qs);
        QCOMPARE(live.RestoreDownloadList, qint16(1));
        QCOMPARE(keys::ReadInt16(*m_store, keys::ThreadCount), qint16(2));
        QCOMPARE(keys::ReadInt16(*m_store, keys::SearchDelay), qint16(0));
        for (const keys::Key& box :
             {keys::SkipUnknownType, keys::SkipJapanese, keys::SilenceScriptDialogs,
              keys::AutoClearCache, keys::SkipTraditional, keys::ConvertTraditional})
            QCOMPARE(keys::ReadInt16(*m_store, box), qint16(1));
        QVERIFY(RestoreDownloadWindowPlacement(*m_store, u"1920*1080"_qs).maximised);
    }

    void valuesRoundTripThroughTheFile() {
        keys::Save(*m_store, keys::DownloadMethod, 1);
        keys::Save(*m_store, keys::ProxyAddress, u"proxy.local"_qs);
        keys::SaveSingle(*m_store, keys::MaxFileSizeMB, 2.5f);
        keys::Save(*m_store, keys::DownloadFolder, u"/home/u/资料/"_qs);
        keys::Save(*m_store, keys::SearchScope, 1);
        keys::Save(*m_store, keys::DuplicateNamePolicy, u"覆盖"_qs);
        keys::Save(*m_store, keys::SearchKeywords, u"第一行\r\n第二行"_qs);
        keys::Save(*m_store, keys::SkipJapanese, 0);
        IniSettingsStore reopened(m_dir.filePath(u"s.ini"_qs));
        LiveSettings live;
        live.loadDownloadWindowValues(reopened);
        live.loadSearchWindowValues(reopened);
        QCOMPARE(live.DownloadMethod, qint16(1));
        QCOMPARE(live.ProxyAddress, u"proxy.local"_qs);
        QCOMPARE(live.MaxFileSizeMB, 2.5f);
        QCOMPARE(keys::ReadText(reopened, keys::MaxFileSizeMB), u"2.5"_qs);
        QCOMPARE(live.DownloadFolder, u"/home/u/资料/"_qs);
        QCOMPARE(live.SearchScope, 1);
        QCOMPARE(live.DuplicateNamePolicy, u"覆盖"_qs);
        QCOMPARE(keys::ReadText(reopened, keys::SearchKeywords), u"第一行\r\n第二行"_qs);
        QCOMPARE(keys::ReadInt16(reopened, keys::SkipJapanese), qint16(0));
    }

    void numberConversions_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("int16");
        QTest::addColumn<float>("single");
        QTest::newRow("plain") << u"1"_qs << 1 << 1.0f;
        QTest::newRow("spaces") << u" 2 "_qs << 2 << 2.0f;
        QTest::newRow("half rounds to even") << u"2.5"_qs << 2 << 2.5f;
        QTest::newRow("text is the default") << u"abc"_qs << 2 << 10.0f;
        QTest::newRow("empty is the default") << QString() << 2 << 10.0f;
        QTest::newRow("too large for 16 bits") << u"40000"_qs << 2 << 40000.0f;
        QTest::newRow("not finite") << u"inf"_qs << 2 << 10.0f;
    }
    void numberConversions() {
        QFETCH(QString, stored);
        QFETCH(int, int16);
        QFETCH(float, single);
        keys::Save(*m_store, keys::DownloadMethod, stored);
        keys::Save(*m_store, keys::MaxFileSizeMB, stored);
        QCOMPARE(int(keys::ReadInt16(*m_store, keys::DownloadMethod)), int16);
        QCOMPARE(keys::ReadSingle(*m_store, keys::MaxFileSizeMB), single);
    }

    void shortestSingleText() {
        QCOMPARE(keys::FormatSingle(10.0f), u"10"_qs);
        QCOMPARE(keys::FormatSingle(0.1f), u"0.1"_qs);
        QCOMPARE(keys::FormatSingle(2.5f), u"2.5"_qs);
    }

    // QSettings reads an unquoted comma as a list; the store gives the text as written.
    void handEditedCommasReadAsWritten_data() {
        QTest::addColumn<QByteArray>("line"); // what follows "key=" in the file
        QTest::addColumn<QString>("text");
        QTest::newRow("plain comma") << QByteArray("a,b") << u"a,b"_qs;
        QTest::newRow("comma and space") << QByteArray("a, b") << u"a, b"_qs;
        QTest::newRow("spaces around") << QByteArray("  a ,  b  ") << u"a ,  b"_qs;
        QTest::newRow("empty parts") << QByteArray(",x,,") << u",x,,"_qs;
        QTest::newRow("Chinese") << QByteArray("甲，乙,丙") << u"甲，乙,丙"_qs;
        QTest::newRow("quoted part") << QByteArray("a,\"b, c\"") << u"a,b, c"_qs;
        QTest::newRow("escapes") << QByteArray("a\\tb,c\\x41") << u"a\tb,cA"_qs;
        QTest::newRow("comment after") << QByteArray("a,b ;note") << u"a,b"_qs;
        QTest::newRow("no comma") << QByteArray("plain text") << u"plain text"_qs;
    }
    void handEditedCommasReadAsWritten() {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        const QString path = m_dir.filePath(u"edited.ini"_qs);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[%U914D%U7F6E]\nkey=" + line + "\nother=1\n[甲]\n乙=" + line + "\n");
        file.close();
        {
            IniSettingsStore store(path);
            QCOMPARE(store.GetSetting(u"配置"_qs, u"key"_qs, u"default"_qs), text);
            QCOMPARE(store.GetSetting(u"甲"_qs, u"乙"_qs, u"default"_qs), text);
            QCOMPARE(store.GetSetting(u"配置"_qs, u"other"_qs, {}), u"1"_qs);
            // Saving rewrites the file; the edited values keep their text.
            store.SaveSetting(u"配置"_qs, u"other"_qs, u"2"_qs);
            QCOMPARE(store.GetSetting(u"配置"_qs, u"key"_qs, u"default"_qs), text);
        }
        IniSettingsStore reopened(path);
        QCOMPARE(reopened.GetSetting(u"配置"_qs, u"key"_qs, u"default"_qs), text);
        QCOMPARE(reopened.GetSetting(u"甲"_qs, u"乙"_qs, u"default"_qs), text);
        QCOMPARE(reopened.GetSetting(u"配置"_qs, u"other"_qs, {}), u"2"_qs);
        QCOMPARE(QFile::remove(path), true);
    }

    void brokenFileReadsAsDefaults_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[\x01=\x02\n\x80\x81", 10);
        QTest::newRow("cut mid-line") << QByteArray("[%U8BBE%U7F6E]\n%U4E0B%U8F7D%U65B9");
        QTest::newRow("unclosed section") << QByteArray("[%U8BBE%U7F6E\nx=1\n");
        QTest::newRow("invalid escapes") << QByteArray("[%U8B]\n%Uzz=\"unclosed\n\\");
    }
    void brokenFileReadsAsDefaults() {
        QFETCH(QByteArray, contents);
        const QString path = m_dir.filePath(u"broken.ini"_qs);
        testing::WriteFile(path, contents);
        IniSettingsStore store(path);
        LiveSettings live;
        live.loadDownloadWindowValues(store);
        QCOMPARE(live.DownloadMethod, qint16(2));
        QCOMPARE(live.MaxFileSizeMB, 10.0f);
        // Saving replaces the broken file with a good one; read from a copy, as QSettings
        // would answer the same name from memory.
        keys::Save(store, keys::DownloadMethod, 1);
        const QString copy = m_dir.filePath(u"saved.ini"_qs);
        QFile::remove(copy);
        QVERIFY(QFile::copy(path, copy));
        IniSettingsStore reopened(copy);
        QCOMPARE(keys::ReadInt16(reopened, keys::DownloadMethod), qint16(1));
        QCOMPARE(keys::ReadInt16(reopened, keys::ThreadCount), qint16(2));
    }

    void unwritableStoreKeepsTheProgramGoing() {
        QFile blocker(m_dir.filePath(u"file"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        IniSettingsStore store(m_dir.filePath(u"file/settings.ini"_qs));
        keys::Save(store, keys::DownloadMethod, 1);
        QCOMPARE(keys::ReadText(store, keys::ProxyPort), QString());
    }

    void duplicateNamePolicyMatching_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("policy");
        QTest::newRow("skip") << u"跳过"_qs << u"跳过"_qs;
        QTest::newRow("overwrite with spaces") << u" 覆盖 "_qs << u"覆盖"_qs;
        QTest::newRow("rename") << u"重命名"_qs << u"重命名"_qs;
        QTest::newRow("unknown") << u"abc"_qs << u"重命名"_qs;
    }
    void duplicateNamePolicyMatching() {
        QFETCH(QString, stored);
        QFETCH(QString, policy);
        QCOMPARE(MatchDuplicateNamePolicy(stored), policy);
    }

    void placementRestore_data() {
        QTest::addColumn<QString>("storedScreen");
        QTest::addColumn<QList<int>>("stored"); // top, left, width, height
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("same screen") << u"1920*1080"_qs << QList<int>{1500, 3000, 15000, 9000}
                                     << false << QList<int>{1500, 3000, 15000, 9000};
        QTest::newRow("closed maximised")
            << u"0*0"_qs << QList<int>{1500, 3000, 15000, 9000} << true << QList<int>{};
        QTest::newRow("other screen")
            << u"1280*1024"_qs << QList<int>{1500, 3000, 15000, 9000} << true << QList<int>{};
        QTest::newRow("negative top and left")
            << u"1920*1080"_qs << QList<int>{-48000, -48000, 15000, 9000} << false
            << QList<int>{0, 0, 15000, 9000};
        QTest::newRow("too small") << u"1920*1080"_qs << QList<int>{100, 100, 3000, 2000} << false
                                   << QList<int>{100, 100, 4000, 3000};
    }
    void placementRestore() {
        QFETCH(QString, storedScreen);
        QFETCH(QList<int>, stored);
        QFETCH(bool, maximised);
        QFETCH(QList<int>, expected);
        keys::Save(*m_store, keys::ScreenSize, storedScreen);
        keys::Save(*m_store, keys::WindowTop, stored[0]);
        keys::Save(*m_store, keys::WindowLeft, stored[1]);
        keys::Save(*m_store, keys::WindowWidth, stored[2]);
        keys::Save(*m_store, keys::WindowHeight, stored[3]);
        const Placement placement = RestoreDownloadWindowPlacement(*m_store, u"1920*1080"_qs);
        QCOMPARE(placement.maximised, maximised);
        if (!maximised)
            QCOMPARE((QList<int>{placement.top, placement.left, placement.width, placement.height}),
                     expected);
    }

    void placementSaveKeepsOldPlaceWhenMaximised() {
        SaveDownloadWindowPlacement(*m_store, {false, 150, 300, 12000, 8000}, u"1920*1080"_qs);
        SaveDownloadWindowPlacement(*m_store, {true, 0, 0, 28800, 16200}, u"1920*1080"_qs);
        QCOMPARE(keys::ReadText(*m_store, keys::ScreenSize), u"0*0"_qs);
        QCOMPARE(keys::ReadInt32(*m_store, keys::WindowWidth), 12000);
        QVERIFY(RestoreDownloadWindowPlacement(*m_store, u"1920*1080"_qs).maximised);
        SaveDownloadWindowPlacement(*m_store, {false, 150, 300, 12000, 8000}, u"1920*1080"_qs);
        const Placement restored = RestoreDownloadWindowPlacement(*m_store, u"1920*1080"_qs);
        QVERIFY(!restored.maximised);
        QCOMPARE(restored.left, 300);
        QCOMPARE(ScreenSizeText(QSize(1920, 1080)), u"1920*1080"_qs);
    }
};

QTEST_GUILESS_MAIN(tst_settings)
#include "tst_settings.moc"
