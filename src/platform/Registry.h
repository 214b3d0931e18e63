#pragma once

#include "RegistryStore.h"

#include <QString>
#include <optional>

namespace quenlit {

struct SplitRegistryPathResult {
    std::optional<RegistryRoot> root; // none: every helper fails
    QString subKey;
};

// "HKEY_LOCAL_MACHINE\SOFTWARE\..." into its root and sub-key.
SplitRegistryPathResult SplitRegistryPath(const QString& path);

// The registry helpers over a store. A view is "32" or "64"; an empty view means the
// operating system's word size.
class Registry {
public:
    Registry(RegistryStore& store, QString osBitness);

    QString ReadRegistryNumber(const QString& path, const QString& valueName,
                               const QString& view = {}) const;
    bool WriteRegistryNumber(const QString& path, const QString& valueName, quint32 number,
                             const QString& view = {});
    bool DeleteRegistryValue(const QString& path, const QString& valueName,
                             const QString& view = {});
    // Text up to its first NUL, read through a 255-byte buffer; "Error" when unreadable.
    QString ReadRegistryText(const QString& path, const QString& valueName,
                             const QString& view = {}) const;

    const QString& osBitness() const { return m_osBitness; }
    void setOsBitness(const QString& bitness) { m_osBitness = bitness; }

private:
    std::optional<RegistryKey> openKey(const QString& path, const QString& view) const;

    RegistryStore& m_store;
    QString m_osBitness;
};

} // namespace quenlit
