#include "SystemRegistryStore.h"

#include <QStandardPaths>

namespace quenlit {

namespace {
const QString VersionKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
const QString SystemInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString EmulationKey = QStringLiteral(
    "SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION");

void insertIfSet(QHash<QString, QString>& values, const QString& name, const QString& value) {
    if (!value.isEmpty())
        values.insert(name.toLower(), value);
}
} // namespace

SystemRegistryStore::SystemRegistryStore(QString filePath, OsIdentity identity,
                                         QString systemInfoTool)
    : m_files(std::move(filePath)) {
    if (!identity.productName.isEmpty()) {
        insertIfSet(m_versionValues, QStringLiteral("ProductName"), identity.productName);
        insertIfSet(m_versionValues, QStringLiteral("CurrentVersion"), identity.version);
        insertIfSet(m_versionValues, QStringLiteral("ReleaseId"), identity.release);
        insertIfSet(m_versionValues, QStringLiteral("CurrentBuildNumber"), identity.buildNumber);
        insertIfSet(m_versionValues, QStringLiteral("BuildLab"), identity.buildLab);
    }
    insertIfSet(m_systemInfoValues, QStringLiteral("PATH"), systemInfoTool);
    for (RegistryView view : {RegistryView::Bits32, RegistryView::Bits64})
        m_files.createKey({RegistryRoot::LocalMachine, EmulationKey, view});
}

QString SystemRegistryStore::findSystemInfoTool() {
    for (const char* tool :
         {"hardinfo", "kinfocenter", "gnome-system-monitor", "xfce4-taskmanager"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

const QHash<QString, QString>* SystemRegistryStore::systemValues(const RegistryKey& key) const {
    if (key.root != RegistryRoot::LocalMachine)
        return nullptr;
    if (key.subKey.compare(VersionKey, Qt::CaseInsensitive) == 0 && !m_versionValues.isEmpty())
        return &m_versionValues;
    if (key.subKey.compare(SystemInfoKey, Qt::CaseInsensitive) == 0 &&
        !m_systemInfoValues.isEmpty())
        return &m_systemInfoValues;
    return nullptr;
}

bool SystemRegistryStore::keyExists(const RegistryKey& key) const {
    return systemValues(key) != nullptr || m_files.keyExists(key);
}

std::optional<RegistryValue> SystemRegistryStore::value(const RegistryKey& key,
                                                        const QString& name) const {
    if (const auto* values = systemValues(key)) {
        const auto it = values->constFind(name.toLower());
        if (it == values->constEnd())
            return std::nullopt;
        return RegistryValue(*it);
    }
    return m_files.value(key, name);
}

bool SystemRegistryStore::setValue(const RegistryKey& key, const QString& name,
                                   const RegistryValue& value) {
    // The system's own description is read-only.
    return systemValues(key) == nullptr && m_files.setValue(key, name, value);
}

bool SystemRegistryStore::removeValue(const RegistryKey& key, const QString& name) {
    return systemValues(key) == nullptr && m_files.removeValue(key, name);
}

} // namespace quenlit
