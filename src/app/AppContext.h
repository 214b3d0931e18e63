#pragma once

#include "LiveSettings.h"
#include "Startup.h"

#include <QString>
#include <functional>

class QNetworkAccessManager;
class QWidget;

namespace quenlit {

class Clock;
class MessageSink;
class Registry;
class SettingsStore;
class Shell;
class SystemFacts;

// What every window of the program shares: the platform pieces and the process-wide
// values set at start-up.
struct AppContext {
    AppContext(Clock& clock, SettingsStore& settings, Registry& registry,
               QNetworkAccessManager& network, MessageSink& messages, Shell& shell,
               const SystemFacts& system, QString executableName)
        : clock(clock)
        , settings(settings)
        , registry(registry)
        , network(network)
        , messages(messages)
        , shell(shell)
        , system(system)
        , executableName(std::move(executableName)) {}

    Clock& clock;
    SettingsStore& settings;
    Registry& registry;
    QNetworkAccessManager& network;
    MessageSink& messages;
    Shell& shell;
    const SystemFacts& system;
    QString executableName; // without folder and extension

    LiveSettings live;
    FormRegistry forms;
    QString OsBitness;
    QString SystemDescription;
    // Opens the about window over the given window (set by the start window).
    std::function<void(QWidget*)> showAbout;
};

} // namespace quenlit
