#pragma once

#include "SystemFacts.h"

namespace quenlit::testing {

// A system whose answers the test sets; the kernel32.dll of systemDirectory reports
// kernelVersion.
struct FakeSystemFacts final : SystemFacts {
    QString type = QStringLiteral("x86_64");
    bool emulated = false;
    VersionRecord record;
    QString directory;
    std::optional<QString> kernelVersion;

    QString systemType() const override { return type; }
    bool runsUnderEmulation() const override { return emulated; }
    VersionRecord versionRecord() const override { return record; }
    QString systemDirectory() const override { return directory; }
    std::optional<QString> fileProductVersion(const QString& path) const override {
        return path.endsWith(QStringLiteral("kernel32.dll")) ? kernelVersion : std::nullopt;
    }
};

} // namespace quenlit::testing
