#pragma once

#include "AppContext.h"
#include "FakeBrowser.h"
#include "FakeSystemFacts.h"
#include "FileRegistryStore.h"
#include "IniSettingsStore.h"
#include "RecordingMessageSink.h"
#include "RecordingShell.h"
#include "Registry.h"
#include "SystemClock.h"
#include "VirtualClock.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>

namespace quenlit::testing {

// Everything a window needs, with a virtual clock, a settings file and a data folder of
// its own, recorded messages, and a fake browser serving empty pages. With the real clock,
// for the tests that close a window mid-work on the real event loop.
struct TestApp {
    enum class Time { Virtual, Real };

    QTemporaryDir dir;
    VirtualClock clock;
    SystemClock systemClock;
    IniSettingsStore settings{dir.filePath(QStringLiteral("Quenlit.ini"))};
    FileRegistryStore registryStore;
    Registry registry{registryStore, QStringLiteral("64")};
    QNetworkAccessManager network;
    RecordingMessageSink messages;
    RecordingShell shell;
    FakeSystemFacts system;
    AppContext context;
    QStringList loaded; // pages the fake browsers finished loading

    explicit TestApp(Time time = Time::Virtual)
        : context(time == Time::Real ? static_cast<Clock&>(systemClock) : clock, settings, registry,
                  network, messages, shell, system, QStringLiteral("quenlit"), dir.path()) {
        context.createBrowser = [this](QWidget*) -> Browser* {
            auto* browser = new FakeBrowser(
                context.clock, [](const QString&) { return QStringLiteral("<html></html>"); });
            QObject::connect(browser, &Browser::DocumentComplete,
                             [this](const QString& address) { loaded << address; });
            return browser;
        };
    }
};

} // namespace quenlit::testing
