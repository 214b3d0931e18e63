#include "FakeSystemFacts.h"
#include "FileRegistryStore.h"
#include "RecordingMessageSink.h"
#include "RecordingShell.h"
#include "Registry.h"
#include "SystemInfoTool.h"
#include "WindowsVersionName.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

Q_DECLARE_METATYPE(quenlit::VersionRecord)

namespace {
const RegistryKey VersionKey{RegistryRoot::LocalMachine,
                             u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"_qs,
                             RegistryView::Bits64};

using FakeSystem = FakeSystemFacts;

VersionRecord record(quint32 platform, quint32 major, quint32 minor, quint8 productType = 1,
                     quint16 suite = 0, QString sp = {}, quint16 spMajor = 0, quint16 spMinor = 0) {
    VersionRecord r;
    r.platformId = platform;
    r.major = major;
    r.minor = minor;
    r.build = 7601;
    r.productType = productType;
    r.suiteMask = suite;
    r.servicePack = sp;
    r.servicePackMajor = spMajor;
    r.servicePackMinor = spMinor;
    return r;
}
} // namespace

class tst_versionname : public QObject {
    Q_OBJECT
private slots:
    void nameFromRegistry_data() {
        QTest::addColumn<QStringList>("values"); // name=value; "#" marks a number
        QTest::addColumn<QString>("name");
        QTest::newRow("Windows 10 with UBR")
            << QStringList{u"ProductName=Windows 10 Pro"_qs,
                           u"ReleaseId=1909"_qs,
                           u"CurrentVersion=6.3"_qs,
                           u"CurrentBuildNumber=18363"_qs,
                           u"#UBR=1082"_qs,
                           u"BuildLab=18362.19h1"_qs}
            << u"Windows 10 Pro 版本:1909 (内部版本:18363.1082)"_qs;
        QTest::newRow("no release id, no UBR")
            << QStringList{u"ProductName=Windows 7 Ultimate"_qs, u"CurrentVersion=6.1"_qs,
                           u"CurrentBuildNumber=7601"_qs, u"BuildLab=7601.win7sp1"_qs}
            << u"Windows 7 Ultimate 版本:6.1 (内部版本:7601.win7sp1)"_qs;
        QTest::newRow("service pack text")
            << QStringList{u"ProductName=Windows XP"_qs, u"CurrentVersion=5.1"_qs,
                           u"BuildLab=2600.xpsp"_qs, u"CSDVersion=Service Pack 3"_qs}
            << u"Windows XP 版本:5.1 (内部版本:2600.xpsp : Service Pack 3)"_qs;
    }
    void nameFromRegistry() {
        QFETCH(QStringList, values);
        QFETCH(QString, name);
        FileRegistryStore store;
        store.createKey(VersionKey);
        for (const QString& item : values) {
            const QString key = item.section(u'=', 0, 0);
            const QString value = item.section(u'=', 1);
            if (key.startsWith(u'#'))
                store.setValue(VersionKey, key.mid(1), quint32(value.toUInt()));
            else
                store.setValue(VersionKey, key, value);
        }
        Registry registry(store, u"64"_qs);
        QCOMPARE(WindowsVersionName(registry, FakeSystem()), name);
    }

    void fallbackFromKernelFileVersion() {
        QTemporaryDir dir;
        QFile kernel(dir.filePath(u"kernel32.dll"_qs));
        QVERIFY(kernel.open(QIODevice::WriteOnly));
        kernel.close();
        FileRegistryStore store; // no product name at all
        Registry registry(store, u"64"_qs);
        FakeSystem system;
        system.directory = dir.path();
        system.kernelVersion = u"10.0.19041.1"_qs;
        QCOMPARE(WindowsVersionName(registry, system), u"Windows 10.0.19041.1"_qs);
        system.kernelVersion = u"6.3.9600.17415"_qs;
        QCOMPARE(FallbackVersionName(system), u"Windows 8.1 [6.3.9600.17415]"_qs);
        system.kernelVersion = u"6.1.7601.0"_qs;
        system.record = record(2, 6, 1, 1);
        QCOMPARE(FallbackVersionName(system), u"Windows 7 Ultimate Edition [Version: 6.1.7601]"_qs);
        system.kernelVersion = u"10.0"_qs; // fewer than four parts
        QCOMPARE(FallbackVersionName(system), u"Windows 7 Ultimate Edition [Version: 6.1.7601]"_qs);
    }

    void versionRecordTable_data() {
        QTest::addColumn<VersionRecord>("r");
        QTest::addColumn<QString>("name");
        QTest::newRow("DOS") << record(0, 1, 0) << u"DOS"_qs;
        QTest::newRow("95 OSR2") << record(1, 4, 0, 1, 0, u"B"_qs) << u"Windows 95 OSR2"_qs;
        QTest::newRow("95") << record(1, 4, 0) << u"Windows 95"_qs;
        QTest::newRow("98 SE") << record(1, 4, 10, 1, 0, u"A"_qs) << u"Windows 98 SE"_qs;
        QTest::newRow("98") << record(1, 4, 10) << u"Windows 98"_qs;
        QTest::newRow("ME") << record(1, 4, 90) << u"Windows Millennium Edition"_qs;
        QTest::newRow("NT 3.51") << record(2, 3, 51) << u"Windows NT 3.51"_qs;
        QTest::newRow("NT 4") << record(2, 4, 0) << u"Windows NT 4.0"_qs;
        QTest::newRow("2000 Advanced") << record(2, 5, 0, 1, 2) << u"Windows 2000 Advanced"_qs;
        QTest::newRow("2000") << record(2, 5, 0, 1, 7) << u"Windows 2000"_qs;
        QTest::newRow("XP Home SP2")
            << record(2, 5, 1, 1, 512, {}, 2) << u"Windows XP Home Service Pack 2"_qs;
        QTest::newRow("XP Pro SP1.1")
            << record(2, 5, 1, 1, 0, {}, 1, 1) << u"Windows XP Professional Service Pack 1.1"_qs;
        QTest::newRow("2003 R2") << record(2, 5, 2, 3, 274)
                                 << u"Windows Server 2003 R2 Enterprise"_qs;
        QTest::newRow("2003") << record(2, 5, 2, 3, 9) << u"Windows Server 2003"_qs;
        QTest::newRow("Vista") << record(2, 6, 0, 2) << u"Windows Vista Home Basic Edition"_qs;
        QTest::newRow("Server 2008")
            << record(2, 6, 0, 3) << u"Windows Server 2008 Home Premium Edition"_qs;
        QTest::newRow("Server 2008 R2")
            << record(2, 6, 1, 3) << u"Windows Server 2008 R2Home Premium Edition"_qs;
        QTest::newRow("8") << record(2, 6, 2, 1) << u"Windows 8 Ultimate Edition"_qs;
        QTest::newRow("10") << record(2, 6, 4, 1) << u"Windows 10 Ultimate Edition"_qs;
        QTest::newRow("unknown 6.x") << record(2, 6, 9, 1) << u"未知系统 Ultimate Edition"_qs;
        QTest::newRow("unknown major") << record(2, 7, 0) << u"Unknown System Version!"_qs;
        QTest::newRow("not a listed platform") << record(3, 6, 1) << u"Unknown System Version!"_qs;
    }
    void versionRecordTable() {
        QFETCH(VersionRecord, r);
        QFETCH(QString, name);
        QCOMPARE(NameFromVersionRecord(r),
                 name +
                     QStringLiteral(" [Version: %1.%2.%3]").arg(r.major).arg(r.minor).arg(r.build));
    }

    void editionTableFirstMatchWins() {
        QCOMPARE(EditionText(8), u"Server Datacenter Edition (full installation)"_qs);
        QCOMPARE(EditionText(0xABCDABCD), u"Not activated product"_qs);
        QCOMPARE(EditionText(0), u"An unknown product"_qs);
        QCOMPARE(EditionText(99), QString());
    }

    void fileWithoutVersionTellsTheUser() {
        RecordingMessageSink messages;
        FakeSystem system;
        QVERIFY(!ReadFileVersion(system, u"/bin/sh"_qs, messages));
        QCOMPARE(messages.texts(), QStringList{u"No Version Info available!"_qs});
    }

    void systemInfoTool() {
        FileRegistryStore store;
        const RegistryKey msinfo{RegistryRoot::LocalMachine,
                                 u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_qs,
                                 RegistryView::Bits64};
        Registry registry(store, u"64"_qs);
        RecordingShell shell;
        RecordingMessageSink messages;
        StartSystemInfoTool(registry, shell, messages);
        QCOMPARE(messages.texts(), QStringList{u"此时系统信息不可用"_qs});
        store.createKey(msinfo);
        store.setValue(msinfo, u"PATH"_qs, u"/usr/bin/hardinfo"_qs);
        StartSystemInfoTool(registry, shell, messages);
        QCOMPARE(shell.started, QStringList{u"/usr/bin/hardinfo"_qs});
        QCOMPARE(messages.messages.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_versionname)
#include "tst_versionname.moc"
