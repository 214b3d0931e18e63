#include "AppContext.h"
#include "BatchCommand.h"
#include "BrowserCookieBridge.h"
#include "DesktopShell.h"
#include "EffectSoundPlayer.h"
#include "IniSettingsStore.h"
#include "Registry.h"
#include "SystemClock.h"
#include "SystemFacts.h"
#include "SystemRegistryStore.h"
#include "WebEngineBrowser.h"
#include "WidgetMessageSink.h"
#include "fCover.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QWebEngineProfile>

int main(int argc, char* argv[]) {
    // A command line of its own (--batch, --help) runs without the windows.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const quenlit::ParsedArguments parsed = quenlit::ParseBatchArguments(arguments);
    if (parsed.outcome != quenlit::ParsedArguments::Outcome::Window)
        return quenlit::RunBatchCommand(argc, argv, parsed);

    // The embedded browser shares the windows' OpenGL contexts; set before the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenlit"));
    QApplication::setOrganizationName(QStringLiteral("Quenlit"));
    // Only the start window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/quenlit.png")));
    // Ties the windows to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quenlit.quenlit"));

    using namespace quenlit;
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataFolder);

    SystemClock clock;
    IniSettingsStore settings;
    SystemRegistryStore registryStore(dataFolder + u"/registry.json"_qs, ReadOsIdentity(),
                                      SystemRegistryStore::findSystemInfoTool());
    Registry registry(registryStore, QString());
    QNetworkAccessManager network;
    WidgetMessageSink messages;
    DesktopShell shell;
    LocalSystemFacts system;

    AppContext context(clock, settings, registry, network, messages, shell, system,
                       QFileInfo(QApplication::applicationFilePath()).completeBaseName(),
                       dataFolder);
    EffectSoundPlayer sounds;
    context.sounds = &sounds;
    // One persistent profile for every browser of the program, so logins and cookies last.
    QWebEngineProfile profile(QStringLiteral("Quenlit"));
    // Downloads carry the browser's cookies, so a login made in the browser counts.
    BrowserCookieBridge cookieBridge(profile, network);
    context.browserCacheFolder = profile.cachePath();
    context.createBrowser = [&profile](QWidget* holder) -> Browser* {
        auto* browser = new WebEngineBrowser(profile, holder);
        if (holder->layout())
            holder->layout()->addWidget(browser->view());
        return browser;
    };

    fCover cover(context);
    QObject::connect(&cover, &fCover::programEnd, &app, [] { QApplication::exit(0); });
    // Checks of an installed copy: once the start window is up, save a picture of it and end.
    const QString snapshot = qEnvironmentVariable("QUENLIT_START_SNAPSHOT");
    if (!snapshot.isEmpty())
        QObject::connect(&cover, &fCover::startupFinished, &app, [&cover, snapshot] {
            const bool saved = cover.isVisible() && cover.grab().save(snapshot, "PNG");
            QApplication::exit(saved ? 0 : 1);
        });
    cover.start();
    return app.exec();
}
