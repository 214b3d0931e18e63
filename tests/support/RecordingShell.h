#pragma once

#include "Shell.h"

namespace quenlit::testing {

// Records what the program asked the desktop to open or start.
class RecordingShell final : public Shell {
public:
    bool OpenInBrowser(const QString& address) override {
        opened.append(address);
        return true;
    }
    bool startProgram(const QString& program, const QStringList& arguments) override {
        started.append((QStringList{program} + arguments).join(u' '));
        return startSucceeds;
    }

    QStringList opened;
    QStringList started;
    bool startSucceeds = true;
};

} // namespace quenlit::testing
