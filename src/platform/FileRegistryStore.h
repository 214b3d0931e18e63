#pragma once

#include "RegistryStore.h"

#include <QHash>
#include <QString>

namespace quenlit {

// A registry of the program's own, kept in a JSON file (or only in memory when the path is
// empty). Every change is written through a temporary file and a rename.
class FileRegistryStore final : public RegistryStore {
public:
    explicit FileRegistryStore(QString filePath = {});

    // Setting up keys is not part of the logic's view; the program seeds the keys an
    // installed system would have.
    void createKey(const RegistryKey& key);

    bool keyExists(const RegistryKey& key) const override;
    std::optional<RegistryValue> value(const RegistryKey& key, const QString& name) const override;
    bool setValue(const RegistryKey& key, const QString& name, const RegistryValue& value) override;
    bool removeValue(const RegistryKey& key, const QString& name) override;

private:
    struct Entry {
        QString name;
        RegistryValue value;
    };
    using Values = QHash<QString, Entry>; // by lower-case name

    static QString keyId(const RegistryKey& key);
    void load();
    bool save() const;

    QString m_filePath;
    QHash<QString, Values> m_keys; // by keyId
};

} // namespace quenlit
