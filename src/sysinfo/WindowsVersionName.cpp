#include "WindowsVersionName.h"

#include "MessageSink.h"

#include <QFileInfo>
#include <array>

namespace quenlit {

namespace {
const QString CurrentVersionKey =
    QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
const QString ErrorText = QStringLiteral("Error");

QString servicePackSuffix(const VersionRecord& record) {
    if ((record.major != 5 && record.major != 6) || record.servicePackMajor == 0)
        return {};
    QString suffix = u" Service Pack "_qs + QString::number(record.servicePackMajor);
    if (record.servicePackMinor > 0)
        suffix += u'.' + QString::number(record.servicePackMinor);
    return suffix;
}

QString suiteName(quint16 suite, std::initializer_list<std::pair<quint16, const char*>> names,
                  const char* otherwise) {
    for (const auto& [mask, name] : names) {
        if (suite == mask)
            return QString::fromLatin1(name);
    }
    return QString::fromLatin1(otherwise);
}

QString recordName(const VersionRecord& r) {
    const QString edition = EditionText(r.productType);
    const bool server = r.productType == 3;
    switch (r.platformId) {
    case 0:
        return QStringLiteral("DOS");
    case 1:
        if (r.minor == 0)
            return r.servicePack == u"C" || r.servicePack == u"B" ? u"Windows 95 OSR2"_qs
                                                                  : u"Windows 95"_qs;
        if (r.minor == 10)
            return r.servicePack == u"A" ? u"Windows 98 SE"_qs : u"Windows 98"_qs;
        if (r.minor == 90)
            return QStringLiteral("Windows Millennium Edition");
        return QStringLiteral("Unknown System Version!");
    case 2:
        break;
    default:
        return QStringLiteral("Unknown System Version!");
    }
    switch (r.major) {
    case 3:
        return QStringLiteral("Windows NT 3.51");
    case 4:
        return QStringLiteral("Windows NT 4.0");
    case 5:
        if (r.minor == 0)
            return suiteName(r.suiteMask,
                             {{2, "Windows 2000 Advanced"}, {128, "Windows 2000 Data center"}},
                             "Windows 2000");
        if (r.minor == 1)
            return suiteName(r.suiteMask,
                             {{0, "Windows XP Professional"}, {512, "Windows XP Home"}},
                             "Windows XP");
        if (r.minor == 2)
            return suiteName(r.suiteMask,
                             {{0, "Windows Server 2003 Standard"},
                              {2, "Windows Server 2003 Enterprise"},
                              {128, "Windows Server 2003 Data center"},
                              {274, "Windows Server 2003 R2 Enterprise"},
                              {1024, "Windows Server 2003 Web Edition"}},
                             "Windows Server 2003");
        return QStringLiteral("Unknown System Version!");
    case 6:
        switch (r.minor) {
        case 0:
            return (server ? u"Windows Server 2008 "_qs : u"Windows Vista "_qs) + edition;
        case 1:
            return (server ? u"Windows Server 2008 R2"_qs : u"Windows 7 "_qs) + edition;
        case 2:
            return (server ? u"Windows Server 2012 "_qs : u"Windows 8 "_qs) + edition;
        case 3:
            return u"Windows 8.1 "_qs + edition;
        case 4:
            return u"Windows 10 "_qs + edition;
        default:
            return u"未知系统 "_qs + edition;
        }
    default:
        return QStringLiteral("Unknown System Version!");
    }
}
} // namespace

QString EditionText(quint32 productCode) {
    // Searched in order, the first match winning (8 stands twice).
    static const std::array<std::pair<quint32, const char*>, 30> editions{{
        {6, "Business Edition"},
        {16, "Business Edition (N)"},
        {18, "Cluster Server Edition"},
        {8, "Server Datacenter Edition (full installation)"},
        {12, "Server Datacenter Edition (core installation)"},
        {4, "Enterprise Edition"},
        {27, "Enterprise Edition (N)"},
        {10, "Server Enterprise Edition (full installation)"},
        {14, "Server Enterprise Edition (core installation)"},
        {15, "Server Enterprise Edition for Itanium-based Systems"},
        {2, "Home Basic Edition"},
        {5, "Home Basic Edition (N)"},
        {3, "Home Premium Edition"},
        {26, "Home Premium Edition (N)"},
        {19, "Home Server Edition"},
        {24, "Server for Small Business Edition"},
        {9, "Small Business Server"},
        {25, "Small Business Server Premium Edition"},
        {7, "Server Standard Edition (full installation)"},
        {13, "Server Standard Edition (core installation)"},
        {8, "Starter Edition"},
        {23, "Storage Server Enterprise Edition"},
        {20, "Storage Server Express Edition"},
        {21, "Storage Server Standard Edition"},
        {22, "Storage Server Workgroup Edition"},
        {1, "Ultimate Edition"},
        {28, "Ultimate Edition (N)"},
        {0, "An unknown product"},
        {0xABCDABCD, "Not activated product"},
        {17, "Web Server Edition"},
    }};
    for (const auto& [code, name] : editions) {
        if (code == productCode)
            return QString::fromLatin1(name);
    }
    return {};
}

QString NameFromVersionRecord(const VersionRecord& record) {
    return recordName(record) + servicePackSuffix(record) +
           QStringLiteral(" [Version: %1.%2.%3]")
               .arg(record.major)
               .arg(record.minor)
               .arg(record.build);
}

QString FallbackVersionName(const SystemFacts& system) {
    const QString kernel = system.systemDirectory() + u"/kernel32.dll"_qs;
    const auto version =
        QFileInfo::exists(kernel) ? system.fileProductVersion(kernel) : std::nullopt;
    const QStringList parts = version ? version->split(u'.') : QStringList();
    if (parts.size() >= 4) {
        const int first = parts[0].toInt();
        if (first > 6)
            return u"Windows "_qs + *version;
        if (first == 6 && parts[1].toInt() >= 3)
            return u"Windows 8.1 ["_qs + *version + u']';
    }
    return NameFromVersionRecord(system.versionRecord());
}

QString WindowsVersionName(const Registry& registry, const SystemFacts& system) {
    const auto text = [&](const char* name) {
        return registry.ReadRegistryText(CurrentVersionKey, QString::fromLatin1(name));
    };
    const QString product = text("ProductName");
    if (product == ErrorText)
        return FallbackVersionName(system);
    QString release = text("ReleaseId");
    if (release == ErrorText)
        release = text("CurrentVersion");
    const QString buildNumber = text("CurrentBuildNumber");
    const QString buildLab = text("BuildLab");
    const QString servicePack = text("CSDVersion");
    const QString ubr = registry.ReadRegistryNumber(CurrentVersionKey, QStringLiteral("UBR"));
    QString build;
    if (ubr != ErrorText)
        build = buildNumber + u'.' + ubr;
    else if (servicePack != ErrorText)
        build = buildLab + u" : "_qs + servicePack;
    else
        build = buildLab;
    return product + u" 版本:"_qs + release + u" (内部版本:"_qs + build + u')';
}

std::optional<QString> ReadFileVersion(const SystemFacts& system, const QString& path,
                                       MessageSink& messages) {
    auto version = system.fileProductVersion(path);
    if (!version)
        messages.showMessage(QStringLiteral("No Version Info available!"), MessageIcon::None);
    return version;
}

} // namespace quenlit
