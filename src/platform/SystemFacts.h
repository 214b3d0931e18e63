#pragma once

#include <QString>
#include <optional>

namespace quenlit {

// The operating system's version record, in the layout the version naming reads.
struct VersionRecord {
    quint32 major = 0;
    quint32 minor = 0;
    quint32 build = 0;
    quint32 platformId = 0;
    QString servicePack;
    quint16 servicePackMajor = 0;
    quint16 servicePackMinor = 0;
    quint16 suiteMask = 0;
    quint8 productType = 0;
};

// What the start-up and the system description ask of the running system.
class SystemFacts {
public:
    virtual ~SystemFacts() = default;
    // The machine's system type, for example "x86_64".
    virtual QString systemType() const = 0;
    // True when this process is a 32-bit process on a 64-bit system.
    virtual bool runsUnderEmulation() const = 0;
    virtual VersionRecord versionRecord() const = 0;
    virtual QString systemDirectory() const = 0;
    // The four-part product version of a file, or none when it carries no version.
    virtual std::optional<QString> fileProductVersion(const QString& path) const = 0;
};

// This machine's answers: uname, the process's build architecture, shared-object versions.
class LocalSystemFacts final : public SystemFacts {
public:
    QString systemType() const override;
    bool runsUnderEmulation() const override;
    VersionRecord versionRecord() const override;
    QString systemDirectory() const override;
    std::optional<QString> fileProductVersion(const QString& path) const override;
};

// The distribution and kernel, as the system describes itself.
struct OsIdentity {
    QString productName; // os-release NAME
    QString version;     // os-release VERSION_ID
    QString release;     // os-release VERSION, when given
    QString buildNumber; // kernel release
    QString buildLab;    // kernel release and build string
};

OsIdentity ReadOsIdentity(const QString& osReleasePath = QStringLiteral("/etc/os-release"));
// KEY=value lines with optional quotes, as os-release writes them.
QHash<QString, QString> ParseOsRelease(const QByteArray& content);

} // namespace quenlit
