#pragma once

#include "SettingsStore.h"

#include <QSettings>

namespace quenlit {

// The settings store in an INI file: by default the user's "Quenlit/Quenlit.ini".
// QSettings writes through a temporary file and a rename, so a crash never leaves a
// half-written file. A hand-edited value with an unquoted comma reads as the text written
// (QSettings alone would make it a list); saving keeps such a value as that text.
class IniSettingsStore final : public SettingsStore {
public:
    IniSettingsStore();
    explicit IniSettingsStore(const QString& filePath);

    QString GetSetting(const QString& section, const QString& key,
                       const QString& defaultValue) const override;
    void SaveSetting(const QString& section, const QString& key, const QString& value) override;

    QString fileName() const { return m_settings.fileName(); }

private:
    mutable QSettings m_settings;
};

} // namespace quenlit
