#pragma once

#include "Shell.h"

namespace quenlit {

// The desktop's default handlers.
class DesktopShell final : public Shell {
public:
    bool OpenInBrowser(const QString& address) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
};

} // namespace quenlit
