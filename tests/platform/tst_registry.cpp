#include "FileRegistryStore.h"
#include "Registry.h"
#include "SystemFacts.h"
#include "SystemRegistryStore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;

namespace {
const QString Key = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Test"_qs;
RegistryKey testKey(RegistryView view) {
    return {RegistryRoot::LocalMachine, u"SOFTWARE\\Test"_qs, view};
}
} // namespace

class tst_registry : public QObject {
    Q_OBJECT
private slots:
    void splitRegistryPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("root"); // -1: none
        QTest::addColumn<QString>("subKey");
        QTest::newRow("machine") << u"HKEY_LOCAL_MACHINE\\SOFTWARE\\A"_qs
                                 << int(RegistryRoot::LocalMachine) << u"SOFTWARE\\A"_qs;
        QTest::newRow("user, any case")
            << u"hkey_current_user\\x"_qs << int(RegistryRoot::CurrentUser) << u"x"_qs;
        QTest::newRow("bare root") << u"HKEY_USERS"_qs << int(RegistryRoot::Users) << QString();
        QTest::newRow("dyn data") << u"HKEY_DYN_DATA\\a\\b"_qs << int(RegistryRoot::DynData)
                                  << u"a\\b"_qs;
        QTest::newRow("trailing backslash")
            << u"HKEY_LOCAL_MACHINE\\SOFTWARE\\"_qs << -1 << QString();
        QTest::newRow("no HKEY_") << u"SOFTWARE\\A"_qs << -1 << QString();
        QTest::newRow("unknown root") << u"HKEY_NOWHERE\\A"_qs << -1 << QString();
    }
    void splitRegistryPath() {
        QFETCH(QString, path);
        QFETCH(int, root);
        QFETCH(QString, subKey);
        const auto split = SplitRegistryPath(path);
        QCOMPARE(split.root ? int(*split.root) : -1, root);
        if (split.root)
            QCOMPARE(split.subKey, subKey);
    }

    void helpersWorkOnExistingKeysOnly() {
        FileRegistryStore store;
        Registry registry(store, u"64"_qs);
        QCOMPARE(registry.ReadRegistryNumber(Key, u"v"_qs), u"Error"_qs);
        QVERIFY(!registry.WriteRegistryNumber(Key, u"v"_qs, 5));
        QVERIFY(!registry.DeleteRegistryValue(Key, u"v"_qs));
        QVERIFY(!store.keyExists(testKey(RegistryView::Bits64)));

        store.createKey(testKey(RegistryView::Bits64));
        QVERIFY(registry.DeleteRegistryValue(Key, u"v"_qs)); // missing value, key opened
        QVERIFY(registry.WriteRegistryNumber(Key, u"v"_qs, 4294967295u));
        QCOMPARE(registry.ReadRegistryNumber(Key, u"V"_qs), u"4294967295"_qs);
        QCOMPARE(registry.ReadRegistryText(Key, u"v"_qs), u"Error"_qs); // a number is no text
        // The empty view follows the word size; the 32-bit view is a different key.
        QCOMPARE(registry.ReadRegistryNumber(Key, u"v"_qs, u"32"_qs), u"Error"_qs);
        QVERIFY(registry.DeleteRegistryValue(Key, u"v"_qs, u"64"_qs));
        QCOMPARE(registry.ReadRegistryNumber(Key, u"v"_qs), u"Error"_qs);
    }

    void textIsCutAtNulAndLongTextIsUnreadable() {
        FileRegistryStore store;
        store.createKey(testKey(RegistryView::Bits32));
        store.setValue(testKey(RegistryView::Bits32), u"t"_qs, u"abc"_qs + QChar(0) + u"def"_qs);
        store.setValue(testKey(RegistryView::Bits32), u"long"_qs, QString(300, u'x'));
        Registry registry(store, u"32"_qs);
        QCOMPARE(registry.ReadRegistryText(Key, u"t"_qs), u"abc"_qs);
        QCOMPARE(registry.ReadRegistryText(Key, u"long"_qs), u"Error"_qs);
    }

    void fileStoreKeepsValuesAcrossInstances() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"registry.json"_qs);
        {
            FileRegistryStore store(path);
            store.createKey(testKey(RegistryView::Bits32));
            store.setValue(testKey(RegistryView::Bits32), u"Number"_qs, quint32(10001));
            store.setValue(testKey(RegistryView::Bits32), u"Text"_qs, u"中文"_qs);
        }
        FileRegistryStore reopened(path);
        QCOMPARE(reopened.value(testKey(RegistryView::Bits32), u"number"_qs),
                 std::optional<RegistryValue>(quint32(10001)));
        QCOMPARE(reopened.value(testKey(RegistryView::Bits32), u"TEXT"_qs),
                 std::optional<RegistryValue>(u"中文"_qs));
    }

    void systemStoreDescribesTheSystemReadOnly() {
        SystemRegistryStore store({},
                                  {u"Debian GNU/Linux"_qs, u"12"_qs, u"12 (bookworm)"_qs,
                                   u"6.1.0-18-amd64"_qs, u"6.1.0-18-amd64 #1 SMP"_qs},
                                  u"/usr/bin/hardinfo"_qs);
        Registry registry(store, u"64"_qs);
        const QString version =
            u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"_qs;
        QCOMPARE(registry.ReadRegistryText(version, u"ProductName"_qs), u"Debian GNU/Linux"_qs);
        QCOMPARE(registry.ReadRegistryText(version, u"ReleaseId"_qs, u"32"_qs),
                 u"12 (bookworm)"_qs);
        QCOMPARE(registry.ReadRegistryNumber(version, u"UBR"_qs), u"Error"_qs);
        QVERIFY(!registry.WriteRegistryNumber(version, u"UBR"_qs, 1));
        QCOMPARE(
            registry.ReadRegistryText(
                u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_qs, u"PATH"_qs),
            u"/usr/bin/hardinfo"_qs);
        // The rendering-mode key exists as on an installed system.
        QVERIFY(registry.WriteRegistryNumber(
            u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION"_qs,
            u"quenlit.exe"_qs, 10001, u"32"_qs));
    }

    void systemStoreWithoutProductNameHasNoVersionKey() {
        SystemRegistryStore store({}, {}, {});
        Registry registry(store, u"64"_qs);
        QCOMPARE(registry.ReadRegistryText(
                     u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"_qs,
                     u"ProductName"_qs),
                 u"Error"_qs);
    }

    void parseOsRelease() {
        const auto values = ParseOsRelease(
            "# comment\nNAME=\"Debian GNU/Linux\"\nVERSION_ID='12'\nID=debian\nbroken line\n");
        QCOMPARE(values.value(u"NAME"_qs), u"Debian GNU/Linux"_qs);
        QCOMPARE(values.value(u"VERSION_ID"_qs), u"12"_qs);
        QCOMPARE(values.value(u"ID"_qs), u"debian"_qs);
        QCOMPARE(values.size(), 3);
    }
};

QTEST_GUILESS_MAIN(tst_registry)
#include "tst_registry.moc"
