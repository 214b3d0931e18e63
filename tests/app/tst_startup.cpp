#include "FakeSystemFacts.h"
#include "FileRegistryStore.h"
#include "Registry.h"
#include "Startup.h"
#include "SystemFacts.h"

#include <QTest>

using namespace quenlit;

namespace {
const QString EmulationSubKey =
    u"SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION"_qs;
RegistryKey emulationKey(RegistryView view) {
    return {RegistryRoot::LocalMachine, EmulationSubKey, view};
}

} // namespace

class tst_startup : public QObject {
    Q_OBJECT
private slots:
    void osBitness_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("emulated");
        QTest::addColumn<QString>("bitness");
        QTest::newRow("x64-based PC") << u"x64-based PC"_qs << false << u"64"_qs;
        QTest::newRow("x86_64") << u"x86_64"_qs << false << u"64"_qs;
        QTest::newRow("arm64") << u"arm64"_qs << false << u"64"_qs;
        QTest::newRow("32-bit process on 64-bit") << u"i386"_qs << true << u"64"_qs;
        QTest::newRow("32-bit") << u"i386"_qs << false << u"32"_qs;
    }
    void osBitness() {
        QFETCH(QString, type);
        QFETCH(bool, emulated);
        QFETCH(QString, bitness);
        testing::FakeSystemFacts system;
        system.type = type;
        system.emulated = emulated;
        QCOMPARE(DetectOsBitness(system), bitness);
    }

    void systemDescription() {
        QCOMPARE(BuildSystemDescription(u"Windows 7 Ultimate Edition"_qs, u"64"_qs),
                 u"Windows 7 Ultimate Edition[64位]"_qs);
    }

    void emulationValues_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("force");
        QTest::addColumn<int>("value"); // -1: none
        QTest::newRow("IE10 forced") << u"IE10"_qs << true << 10001;
        QTest::newRow("ie10") << u"ie10"_qs << false << 10000;
        QTest::newRow("IE9") << u"IE9"_qs << true << 9999;
        QTest::newRow("IE9 plain") << u"IE9"_qs << false << 9000;
        QTest::newRow("IE8") << u"Ie8"_qs << true << 8888;
        QTest::newRow("IE8 plain") << u"IE8"_qs << false << 8000;
        QTest::newRow("IE7") << u"IE7"_qs << true << 7000;
        QTest::newRow("IE11 unknown") << u"IE11"_qs << true << -1;
    }
    void emulationValues() {
        QFETCH(QString, version);
        QFETCH(bool, force);
        QFETCH(int, value);
        const auto result = BrowserEmulationValue(version, force);
        QCOMPARE(result ? int(*result) : -1, value);
    }

    void browserEmulationWritesBothViewsOn64Bit() {
        FileRegistryStore store;
        store.createKey(emulationKey(RegistryView::Bits32));
        store.createKey(emulationKey(RegistryView::Bits64));
        store.setValue(emulationKey(RegistryView::Bits64), u"quenlit.exe"_qs, quint32(7000));
        Registry registry(store, u"64"_qs);
        SetBrowserEmulation(registry, u"quenlit"_qs, u"IE10"_qs, true);
        for (RegistryView view : {RegistryView::Bits32, RegistryView::Bits64})
            QCOMPARE(store.value(emulationKey(view), u"quenlit.exe"_qs),
                     std::optional<RegistryValue>(quint32(10001)));
    }

    void browserEmulationTouchesOnly32BitViewOn32Bit() {
        FileRegistryStore store;
        store.createKey(emulationKey(RegistryView::Bits32));
        store.createKey(emulationKey(RegistryView::Bits64));
        Registry registry(store, u"32"_qs);
        SetBrowserEmulation(registry, u"quenlit"_qs, u"IE10"_qs, true);
        QVERIFY(store.value(emulationKey(RegistryView::Bits32), u"quenlit.exe"_qs));
        QVERIFY(!store.value(emulationKey(RegistryView::Bits64), u"quenlit.exe"_qs));
    }

    void unknownVersionOnlyRemovesAndMissingKeyIsNotCreated() {
        FileRegistryStore store;
        store.createKey(emulationKey(RegistryView::Bits32));
        store.setValue(emulationKey(RegistryView::Bits32), u"quenlit.exe"_qs, quint32(9000));
        Registry registry(store, u"64"_qs);
        SetBrowserEmulation(registry, u"quenlit"_qs, u"IE6"_qs, true);
        QVERIFY(!store.value(emulationKey(RegistryView::Bits32), u"quenlit.exe"_qs));
        SetBrowserEmulation(registry, u"quenlit"_qs, u"IE10"_qs, true);
        QVERIFY(!store.keyExists(emulationKey(RegistryView::Bits64)));
    }

    void formsAndHandBack() {
        FormRegistry forms;
        forms.formLoaded(u"fFileDownload"_qs);
        QVERIFY(forms.IsFormLoaded(u"FFILEDOWNLOAD"_qs));
        QVERIFY(forms.IsFormLoaded(u"ffileDownLoad"_qs));
        forms.formLoaded(u"fWebSearch"_qs);
        // Search closes while the download window is open: the start window stays hidden.
        forms.formUnloaded(u"fWebSearch"_qs);
        QVERIFY(!StartWindowReturnsAfterClosing(forms, u"fWebSearch"_qs));
        forms.formUnloaded(u"fFileDownload"_qs);
        QVERIFY(!forms.IsFormLoaded(u"FFILEDOWNLOAD"_qs));
        QVERIFY(StartWindowReturnsAfterClosing(forms, u"fFileDownload"_qs));
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
