#pragma once

#include <QString>

namespace quenlit {

// Per-user persistent text values addressed by section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or defaultValue when the key is absent.
    virtual QString GetSetting(const QString& section, const QString& key,
                               const QString& defaultValue) const = 0;
    // Creates section and key as needed and overwrites the value. Never fails loudly:
    // an unwritable store leaves the program running.
    virtual void SaveSetting(const QString& section, const QString& key, const QString& value) = 0;
};

} // namespace quenlit
