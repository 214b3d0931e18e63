#include "SystemInfoTool.h"

#include "MessageSink.h"
#include "Registry.h"
#include "Shell.h"

#include <QFileInfo>

namespace quenlit {

void StartSystemInfoTool(const Registry& registry, Shell& shell, MessageSink& messages) {
    const QString error = QStringLiteral("Error");
    const QString path = registry.ReadRegistryText(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
        QStringLiteral("PATH"));
    if (path != error && !path.isEmpty() && shell.startProgram(path))
        return;
    const QString folder = registry.ReadRegistryText(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location"),
        QStringLiteral("MSINFO"));
    const QString program = folder + u"/MSINFO32.EXE"_qs;
    if (folder != error && QFileInfo(program).isFile() && shell.startProgram(program))
        return;
    messages.showMessage(QStringLiteral("此时系统信息不可用"), MessageIcon::None);
}

} // namespace quenlit
