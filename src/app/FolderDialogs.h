#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace quenlit {

class MessageSink;
class SettingsStore;
struct LiveSettings;

// Where the folder chooser opens: one level above the given folder, the root when that
// is no folder.
QString FolderChooserStart(const QString& startPath);

// What the options dialog holds when "确定" is pressed.
struct OptionsInput {
    int method = 0; // 1 or 2; 0 when neither option is chosen
    bool proxyEnabled = false;
    QString proxyAddress;
    QString proxyPort;
    bool promptAtHarvest = true;
    bool restoreDownloadList = true;
    QString sizeLimit;
    QString downloadFolder;
    int searchScope = 0;
};

// Stores the options in order; false (the dialog stays open, with a message) when the
// size limit or the folder is refused. downloadFolder receives the folder as made.
// methodChanged is told of the method for the download window.
bool ApplyOptions(const OptionsInput& input, LiveSettings& live, SettingsStore& store,
                  MessageSink& messages, QString& downloadFolder,
                  const std::function<void(int method)>& methodChanged);

// The save-folder dialog's "确定": false (stays open) when the folder cannot be made.
bool ConfirmSaveFolder(QString& folderText, bool useSourceFileName, LiveSettings& live,
                       SettingsStore& store, MessageSink& messages, QStringList& recentFolders,
                       const QString& recentFoldersPath);

} // namespace quenlit
