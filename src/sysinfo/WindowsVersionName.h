#pragma once

#include "Registry.h"
#include "SystemFacts.h"

#include <QString>

namespace quenlit {

class MessageSink;

// The one-line name of the running system: edition, version and build.
QString WindowsVersionName(const Registry& registry, const SystemFacts& system);
// Used when the registry holds no product name.
QString FallbackVersionName(const SystemFacts& system);
// The name of a version record, with its " [Version: ...]" suffix.
QString NameFromVersionRecord(const VersionRecord& record);
// The edition text for a product code; empty when the code is unknown.
QString EditionText(quint32 productCode);

// The product version text of a file, or none after telling the user it has none.
std::optional<QString> ReadFileVersion(const SystemFacts& system, const QString& path,
                                       MessageSink& messages);

} // namespace quenlit
