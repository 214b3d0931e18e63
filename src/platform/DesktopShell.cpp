#include "DesktopShell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace quenlit {

namespace {
// The command line of the desktop entry the desktop opens plain text with, the file put in
// its place; empty when there is none.
QStringList textEditorCommand(const QString& path) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    if (!query.waitForFinished(2000))
        return {};
    const QString entry = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    const QString entryPath =
        entry.isEmpty() ? QString()
                        : QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    QFile file(entryPath);
    if (entryPath.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    QString exec;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'['))
            inEntry = line == u"[Desktop Entry]";
        else if (inEntry && line.startsWith(u"Exec="))
            exec = line.mid(5);
    }
    QStringList command;
    bool placed = false;
    for (const QString& argument : QProcess::splitCommand(exec)) {
        if (argument == u"%f" || argument == u"%F") {
            command << path;
            placed = true;
        } else if (argument == u"%u" || argument == u"%U") {
            command << QUrl::fromLocalFile(path).toString();
            placed = true;
        } else if (!(argument.size() == 2 && argument.startsWith(u'%'))) {
            command << argument;
        }
    }
    if (!command.isEmpty() && !placed)
        command << path;
    return command;
}
} // namespace

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

bool DesktopShell::openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopShell::showInFolder(const QString& path) {
    // The file manager's own call selects the file; without one answering, the folder opens.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    return openFile(QFileInfo(path).absolutePath());
}

bool DesktopShell::openInTextEditor(const QString& path) {
    const QStringList command = textEditorCommand(path);
    if (!command.isEmpty() && QProcess::startDetached(command.first(), command.mid(1)))
        return true;
    return openFile(path);
}

} // namespace quenlit
