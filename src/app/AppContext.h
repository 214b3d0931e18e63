#pragma once

#include "LiveSettings.h"
#include "Startup.h"

#include <QString>
#include <functional>

class QNetworkAccessManager;
class QWidget;

namespace quenlit {

class Browser;
class Clock;
class MessageSink;
class Registry;
class SettingsStore;
class Shell;
class SoundPlayer;
class SystemFacts;
class WindowHost;

// What every window of the program shares: the platform pieces and the process-wide
// values set at start-up.
struct AppContext {
    AppContext(Clock& clock, SettingsStore& settings, Registry& registry,
               QNetworkAccessManager& network, MessageSink& messages, Shell& shell,
               const SystemFacts& system, QString executableName, QString dataFolder)
        : clock(clock)
        , settings(settings)
        , registry(registry)
        , network(network)
        , messages(messages)
        , shell(shell)
        , system(system)
        , executableName(std::move(executableName))
        , dataFolder(std::move(dataFolder)) {}

    Clock& clock;
    SettingsStore& settings;
    Registry& registry;
    QNetworkAccessManager& network;
    MessageSink& messages;
    Shell& shell;
    const SystemFacts& system;
    QString executableName; // without folder and extension
    QString dataFolder;     // the per-user data folder: SaveList.dat, sounds, registry

    LiveSettings live;
    FormRegistry forms;
    QString OsBitness;
    QString SystemDescription;
    // Set by the start window, which owns the other windows.
    WindowHost* windows = nullptr;
    // Plays the sound prompts of the download side.
    SoundPlayer* sounds = nullptr;
    // The disk cache folder of the browser profile, empty when there is none.
    QString browserCacheFolder;
    // Makes the embedded browser, its view placed in the holder widget.
    std::function<Browser*(QWidget* holder)> createBrowser;
};

} // namespace quenlit
