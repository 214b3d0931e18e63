#include "SystemFacts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSysInfo>
#include <sys/utsname.h>

namespace quenlit {

QString LocalSystemFacts::systemType() const {
    return QSysInfo::currentCpuArchitecture();
}

bool LocalSystemFacts::runsUnderEmulation() const {
    return QSysInfo::WordSize == 32 && QSysInfo::currentCpuArchitecture().contains(u"64");
}

VersionRecord LocalSystemFacts::versionRecord() const {
    VersionRecord record;
    // No platform id of the naming table fits this system.
    record.platformId = 3;
    const QStringList parts = QSysInfo::kernelVersion().split(QRegularExpression(u"[.-]"_qs));
    record.major = parts.value(0).toUInt();
    record.minor = parts.value(1).toUInt();
    record.build = parts.value(2).toUInt();
    return record;
}

QString LocalSystemFacts::systemDirectory() const {
    return QStringLiteral("/usr/lib");
}

std::optional<QString> LocalSystemFacts::fileProductVersion(const QString& path) const {
    // Shared objects carry their version in their real file name: libfoo.so.6.4.2.
    const QFileInfo info(QFileInfo(path).canonicalFilePath());
    static const QRegularExpression versioned(u"\\.so\\.(\\d+(?:\\.\\d+){0,3})$"_qs);
    const auto match = versioned.match(info.fileName());
    if (!info.isFile() || !match.hasMatch())
        return std::nullopt;
    QStringList parts = match.captured(1).split(u'.');
    while (parts.size() < 4)
        parts.append(QStringLiteral("0"));
    return parts.join(u'.');
}

QHash<QString, QString> ParseOsRelease(const QByteArray& content) {
    QHash<QString, QString> values;
    for (const QString& rawLine : QString::fromUtf8(content).split(u'\n')) {
        const QString line = rawLine.trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'#') || equals <= 0)
            continue;
        QString value = line.mid(equals + 1);
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        values.insert(line.left(equals), value);
    }
    return values;
}

OsIdentity ReadOsIdentity(const QString& osReleasePath) {
    OsIdentity identity;
    QFile file(osReleasePath);
    if (file.open(QIODevice::ReadOnly)) {
        const auto values = ParseOsRelease(file.readAll());
        identity.productName = values.value(QStringLiteral("NAME"));
        identity.version = values.value(QStringLiteral("VERSION_ID"));
        identity.release = values.value(QStringLiteral("VERSION"));
    }
    utsname names{};
    if (uname(&names) == 0) {
        identity.buildNumber = QString::fromLocal8Bit(names.release);
        identity.buildLab = identity.buildNumber + u' ' + QString::fromLocal8Bit(names.version);
    }
    return identity;
}

} // namespace quenlit
