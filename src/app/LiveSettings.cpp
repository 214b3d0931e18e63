#include "LiveSettings.h"

#include "Settings.h"

namespace quenlit {

void LiveSettings::loadMaxFileSize(const SettingsStore& store) {
    MaxFileSizeMB = settings::ReadSingle(store, settings::MaxFileSizeMB);
}

void LiveSettings::loadSearchWindowValues(const SettingsStore& store) {
    DownloadFolder =
        settings::ReadText(store, settings::DownloadFolder, settings::DefaultDownloadFolder());
    SaveFolderPromptFlag = settings::ReadInt16(store, settings::SaveFolderPromptFlag);
    SearchScope = settings::ReadInt32(store, settings::SearchScope);
}

void LiveSettings::loadDownloadWindowValues(const SettingsStore& store) {
    DownloadMethod = settings::ReadInt16(store, settings::DownloadMethod);
    ProxyEnabled = settings::ReadInt16(store, settings::ProxyEnabled);
    ProxyAddress = settings::ReadText(store, settings::ProxyAddress).trimmed();
    ProxyPort = settings::ReadText(store, settings::ProxyPort).trimmed();
    loadMaxFileSize(store);
    DuplicateNamePolicy =
        MatchDuplicateNamePolicy(settings::ReadText(store, settings::DuplicateNamePolicy));
    RestoreDownloadList = settings::ReadInt16(store, settings::RestoreDownloadList);
}

QString MatchDuplicateNamePolicy(const QString& stored) {
    for (const QString& option : {u"跳过"_qs, u"覆盖"_qs}) {
        if (stored.trimmed() == option)
            return option;
    }
    return QStringLiteral("重命名");
}

} // namespace quenlit
