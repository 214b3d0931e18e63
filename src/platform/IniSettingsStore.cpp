#include "IniSettingsStore.h"

namespace quenlit {

namespace {
QString pathOf(const QString& section, const QString& key) {
    return section + u'/' + key;
}
} // namespace

IniSettingsStore::IniSettingsStore()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quenlit"),
                 QStringLiteral("Quenlit")) {}

IniSettingsStore::IniSettingsStore(const QString& filePath)
    : m_settings(filePath, QSettings::IniFormat) {}

QString IniSettingsStore::GetSetting(const QString& section, const QString& key,
                                     const QString& defaultValue) const {
    const QVariant value = m_settings.value(pathOf(section, key));
    return value.isValid() ? value.toString() : defaultValue;
}

void IniSettingsStore::SaveSetting(const QString& section, const QString& key,
                                   const QString& value) {
    m_settings.setValue(pathOf(section, key), value);
    m_settings.sync();
}

} // namespace quenlit
