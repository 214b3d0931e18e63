#pragma once

#include "Shell.h"

namespace quenlit {

// The desktop's default handlers.
class DesktopShell final : public Shell {
public:
    bool OpenInBrowser(const QString& address) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool openFile(const QString& path) override;
    bool showInFolder(const QString& path) override;
    bool openInTextEditor(const QString& path) override;
};

} // namespace quenlit
