#include "DesktopShell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace quenlit {

bool DesktopShell::OpenInBrowser(const QString& address) {
    const QUrl url = QUrl::fromUserInput(address);
    if (QDesktopServices::openUrl(url))
        return true;
    // No desktop handler: try the generic opener directly.
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()});
}

bool DesktopShell::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

} // namespace quenlit
