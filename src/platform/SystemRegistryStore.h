#pragma once

#include "FileRegistryStore.h"
#include "SystemFacts.h"

namespace quenlit {

// The program's registry on this machine: the program's own file store, with the keys an
// installed system has, and with the values that describe the system answered from the
// system itself (distribution and kernel) so that they always tell the truth.
class SystemRegistryStore final : public RegistryStore {
public:
    SystemRegistryStore(QString filePath, OsIdentity identity, QString systemInfoTool);

    bool keyExists(const RegistryKey& key) const override;
    std::optional<RegistryValue> value(const RegistryKey& key, const QString& name) const override;
    bool setValue(const RegistryKey& key, const QString& name, const RegistryValue& value) override;
    bool removeValue(const RegistryKey& key, const QString& name) override;

    // The desktop's system information program, or empty when none is installed.
    static QString findSystemInfoTool();

private:
    const QHash<QString, QString>* systemValues(const RegistryKey& key) const;

    FileRegistryStore m_files;
    QHash<QString, QString> m_versionValues;
    QHash<QString, QString> m_systemInfoValues;
};

} // namespace quenlit
