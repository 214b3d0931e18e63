#pragma once

#include <QString>

namespace quenlit {

class SettingsStore;

// The shared preferences as the program uses them while it runs. Each window loads its
// own part when it loads; the store is brought up to date only at the documented writes.
struct LiveSettings {
    qint16 DownloadMethod = 0;
    qint16 ProxyEnabled = 0;
    QString ProxyAddress;
    QString ProxyPort;
    float MaxFileSizeMB = 0;
    QString DownloadFolder;
    qint16 SaveFolderPromptFlag = 0;
    qint32 SearchScope = 0;
    QString DuplicateNamePolicy;
    // "启动时恢复下载列表": 1 = the download window opens with the list it had.
    qint16 RestoreDownloadList = 0;
    bool UseSourceFileName = false;
    bool SaveFolderCancelled = false;

    void loadMaxFileSize(const SettingsStore& store);
    // What the search window reads when it loads.
    void loadSearchWindowValues(const SettingsStore& store);
    // What the download window reads when it loads.
    void loadDownloadWindowValues(const SettingsStore& store);
};

// The duplicate-name option a stored text selects: "跳过" or "覆盖" when it matches,
// "重命名" for anything else.
QString MatchDuplicateNamePolicy(const QString& stored);

} // namespace quenlit
