#pragma once

#include <QString>
#include <QStringList>

namespace quenlit {

// What the program asks of the desktop.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens an address in the user's web browser; false when nothing could open it.
    virtual bool OpenInBrowser(const QString& address) = 0;
    // Starts a program without waiting for it; false when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments = {}) = 0;
    // Opens a file or folder with the program the desktop associates with it.
    virtual bool openFile(const QString& path) = 0;
    // Shows the file selected in a file manager window; false when nothing could show it.
    virtual bool showInFolder(const QString& path) = 0;
    // Opens a file in the user's text editor; false when none could be started.
    virtual bool openInTextEditor(const QString& path) = 0;
};

} // namespace quenlit
