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
    bool openFile(const QString& path) override {
        files.append(path);
        return openSucceeds;
    }
    bool showInFolder(const QString& path) override {
        shown.append(path);
        return showSucceeds;
    }
    bool openInTextEditor(const QString& path) override {
        edited.append(path);
        return true;
    }

    QStringList opened;
    QStringList files;  // opened with their associated program
    QStringList shown;  // selected in a file manager
    QStringList edited; // opened in the text editor
    bool openSucceeds = true;
    bool showSucceeds = true;
    QStringList started;
    bool startSucceeds = true;
};

} // namespace quenlit::testing
