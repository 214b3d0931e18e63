#include "FolderDialogs.h"

#include "FileNames.h"
#include "LiveSettings.h"
#include "MessageSink.h"
#include "RecentFolders.h"
#include "Settings.h"

#include <QRegularExpression>

namespace quenlit {

namespace {
QString withSlash(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}
} // namespace

QString FolderChooserStart(const QString& startPath) {
    QString start = startPath.trimmed().isEmpty() ? u"/"_qs : startPath;
    const qsizetype slash = start.lastIndexOf(u'/', start.size() - 2);
    if (start.size() > 1 && slash >= 0)
        start = start.left(slash + 1);
    return FolderExists(start) ? start : u"/"_qs;
}

bool ApplyOptions(const OptionsInput& input, LiveSettings& live, SettingsStore& store,
                  MessageSink& messages, QString& downloadFolder,
                  const std::function<void(int)>& methodChanged) {
    using namespace settings;
    if (input.method == 1 || input.method == 2) {
        live.DownloadMethod = qint16(input.method);
        if (methodChanged)
            methodChanged(input.method);
    }
    Save(store, settings::DownloadMethod, live.DownloadMethod);
    live.ProxyEnabled = input.proxyEnabled ? 1 : 0;
    Save(store, settings::ProxyEnabled, live.ProxyEnabled);
    live.ProxyAddress = input.proxyAddress.trimmed();
    Save(store, settings::ProxyAddress, live.ProxyAddress);
    live.ProxyPort = input.proxyPort.trimmed();
    Save(store, settings::ProxyPort, live.ProxyPort);
    static const QRegularExpression number(u"^\\d+$"_qs);
    if (live.ProxyEnabled == 1 &&
        (live.ProxyAddress.isEmpty() || !number.match(live.ProxyPort).hasMatch()))
        messages.showMessage(u"代理服务器网址或者端口格式不对！"_qs, MessageIcon::Error);
    live.SaveFolderPromptFlag = input.promptAtHarvest ? 1 : 0;
    Save(store, settings::SaveFolderPromptFlag, live.SaveFolderPromptFlag);
    live.RestoreDownloadList = input.restoreDownloadList ? 1 : 0;
    Save(store, settings::RestoreDownloadList, live.RestoreDownloadList);

    bool isNumber = false;
    const float size = input.sizeLimit.trimmed().toFloat(&isNumber);
    if (!isNumber || size <= 0) {
        messages.showMessage(u"下载文件大小设置错误！"_qs, MessageIcon::Error);
        return false;
    }
    live.MaxFileSizeMB = size;
    SaveSingle(store, settings::MaxFileSizeMB, size);

    const QString refused = u"下载文件默认保存路径设置错误！"_qs;
    if (input.downloadFolder.trimmed().isEmpty()) {
        messages.showMessage(refused, MessageIcon::Error);
        return false;
    }
    downloadFolder = EnsureFolderPath(withSlash(input.downloadFolder.trimmed()), messages);
    if (downloadFolder.isEmpty()) {
        messages.showMessage(refused, MessageIcon::Error);
        return false;
    }
    live.DownloadFolder = withSlash(downloadFolder);
    Save(store, settings::DownloadFolder, live.DownloadFolder);
    live.SearchScope = input.searchScope;
    Save(store, settings::SearchScope, live.SearchScope);
    return true;
}

bool ConfirmSaveFolder(QString& folderText, bool useSourceFileName, LiveSettings& live,
                       SettingsStore& store, MessageSink& messages, QStringList& recentFolders,
                       const QString& recentFoldersPath) {
    live.UseSourceFileName = useSourceFileName;
    folderText = folderText.trimmed().isEmpty()
                     ? QString()
                     : EnsureFolderPath(withSlash(folderText.trimmed()), messages);
    if (folderText.isEmpty()) {
        messages.showMessage(u"文件夹设置错误！"_qs, MessageIcon::Error);
        return false;
    }
    live.DownloadFolder = withSlash(folderText);
    settings::Save(store, settings::DownloadFolder, live.DownloadFolder);
    live.SaveFolderCancelled = false;
    recentFolders.append(folderText.trimmed());
    SaveRecentFolders(recentFolders, recentFoldersPath);
    return true;
}

} // namespace quenlit
