#pragma once

#include <QString>
#include <optional>
#include <variant>

namespace quenlit {

enum class RegistryRoot {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    CurrentConfig,
    DynData
};
enum class RegistryView { Bits32, Bits64 };

struct RegistryKey {
    RegistryRoot root;
    QString subKey; // backslash-separated, compared without regard to case
    RegistryView view;
};

using RegistryValue = std::variant<quint32, QString>;

// The few registry operations the program's logic uses. Keys are opened, never created.
class RegistryStore {
public:
    virtual ~RegistryStore() = default;
    virtual bool keyExists(const RegistryKey& key) const = 0;
    virtual std::optional<RegistryValue> value(const RegistryKey& key,
                                               const QString& name) const = 0;
    // False when the key does not exist or the store cannot be written.
    virtual bool setValue(const RegistryKey& key, const QString& name,
                          const RegistryValue& value) = 0;
    // False when the key does not exist; true otherwise, whether or not the value existed.
    virtual bool removeValue(const RegistryKey& key, const QString& name) = 0;
};

} // namespace quenlit
