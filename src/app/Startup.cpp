#include "Startup.h"

#include "Registry.h"
#include "SystemFacts.h"

namespace quenlit {

namespace {
const QString EmulationKey = QStringLiteral(
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\"
    "FEATURE_BROWSER_EMULATION");
}

QString DetectOsBitness(const SystemFacts& system) {
    const QString type = system.systemType();
    // "x64"-style names and this platform's "x86_64"/"arm64" both say 64-bit.
    if (type.contains(u"x64", Qt::CaseInsensitive) || type.endsWith(u"64"))
        return QStringLiteral("64");
    return system.runsUnderEmulation() ? QStringLiteral("64") : QStringLiteral("32");
}

QString BuildSystemDescription(const QString& versionName, const QString& osBitness) {
    return versionName + u'[' + osBitness + u"位]"_qs;
}

std::optional<quint32> BrowserEmulationValue(const QString& version, bool forceStandards) {
    const QString name = version.toUpper();
    if (name == u"IE10")
        return forceStandards ? 10001 : 10000;
    if (name == u"IE9")
        return forceStandards ? 9999 : 9000;
    if (name == u"IE8")
        return forceStandards ? 8888 : 8000;
    if (name == u"IE7")
        return 7000;
    return std::nullopt;
}

void SetBrowserEmulation(Registry& registry, const QString& executableName, const QString& version,
                         bool forceStandards) {
    const QString valueName = executableName + u".exe"_qs;
    const auto value = BrowserEmulationValue(version, forceStandards);
    QStringList views{QStringLiteral("32")};
    if (registry.osBitness() == u"64")
        views.append(QStringLiteral("64"));
    for (const QString& view : views) {
        registry.DeleteRegistryValue(EmulationKey, valueName, view);
        if (!value)
            continue;
        if (registry.ReadRegistryNumber(EmulationKey, valueName, view) != QString::number(*value))
            registry.WriteRegistryNumber(EmulationKey, valueName, *value, view);
    }
}

bool StartWindowReturnsAfterClosing(const FormRegistry& forms, const QString& closingWindow) {
    const QString other = closingWindow.compare(u"fWebSearch", Qt::CaseInsensitive) == 0
                              ? QStringLiteral("fFileDownload")
                              : QStringLiteral("fWebSearch");
    return !forms.IsFormLoaded(other);
}

} // namespace quenlit
