#pragma once

#include <QSet>
#include <QString>
#include <optional>

namespace quenlit {

class Registry;
class SystemFacts;

// "64" on a 64-bit system (a 32-bit process on one included), else "32".
QString DetectOsBitness(const SystemFacts& system);
// The system's name with its word size: "<name>[64位]".
QString BuildSystemDescription(const QString& versionName, const QString& osBitness);

// The rendering-mode number for a browser version name, none for an unknown one.
std::optional<quint32> BrowserEmulationValue(const QString& version, bool forceStandards);
// Writes the program's rendering-mode value in the 32-bit view and, on a 64-bit system,
// the 64-bit view; an unknown version only removes it. Failures are silent.
void SetBrowserEmulation(Registry& registry, const QString& executableName, const QString& version,
                         bool forceStandards);

// Which of the program's windows are loaded, by name.
class FormRegistry {
public:
    void formLoaded(const QString& name) { m_loaded.insert(name.toLower()); }
    void formUnloaded(const QString& name) { m_loaded.remove(name.toLower()); }
    bool IsFormLoaded(const QString& name) const { return m_loaded.contains(name.toLower()); }

private:
    QSet<QString> m_loaded;
};

// Whether the start window comes back when the search or download window closes: only
// when the other of the two is not loaded.
bool StartWindowReturnsAfterClosing(const FormRegistry& forms, const QString& closingWindow);

} // namespace quenlit
