#pragma once

#include "AppContext.h"
#include "FakeBrowser.h"
#include "FakeSystemFacts.h"
#include "FileRegistryStore.h"
#include "IniSettingsStore.h"
#include "RecordingMessageSink.h"
#include "RecordingShell.h"
#include "Registry.h"
#include "VirtualClock.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>

namespace quenlit::testing {

// Everything a window needs, with a virtual clock, a settings file and a data folder of
// its own, recorded messages, and a fake browser serving empty pages.
struct TestApp {
    QTemporaryDir dir;
    VirtualClock clock;
    IniSettingsStore settings{dir.filePath(QStringLiteral("Quenlit.ini"))};
    FileRegistryStore registryStore;
    Registry registry{registryStore, QStringLiteral("64")};
    QNetworkAccessManager network;
    RecordingMessageSink messages;
    RecordingShell shell;
    FakeSystemFacts system;
    AppContext context{clock,     settings, registry, network,
                       messages,  shell,    system,   QStringLiteral("quenlit"),
                       dir.path()};
    QStringList loaded; // pages the fake browsers finished loading

    TestApp() {
        context.createBrowser = [this](QWidget*) -> Browser* {
            auto* browser = new FakeBrowser(
                clock, [](const QString&) { return QStringLiteral("<html></html>"); });
            QObject::connect(browser, &Browser::DocumentComplete,
                             [this](const QString& address) { loaded << address; });
            return browser;
        };
    }
};

} // namespace quenlit::testing
