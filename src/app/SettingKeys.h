#pragma once

#include <QStringView>

namespace quenlit::settings {

struct Key {
    QStringView section;
    QStringView name;
    QStringView defaultValue;
};

inline constexpr QStringView MainSection = u"设置";
inline constexpr QStringView ThreadSection = u"下载";
inline constexpr QStringView DuplicateSection = u"专利下载";
inline constexpr QStringView ConfigSection = u"配置";

// Shared preferences.
inline constexpr Key DownloadMethod{MainSection, u"下载方式", u"2"};
inline constexpr Key ProxyEnabled{MainSection, u"代理服务器有效", u"0"};
inline constexpr Key ProxyAddress{MainSection, u"代理服务器网址", u""};
inline constexpr Key ProxyPort{MainSection, u"代理服务器端口", u""};
inline constexpr Key MaxFileSizeMB{MainSection, u"文件最大值", u"10"};
// Its default is the user's download folder, see DefaultDownloadFolder().
inline constexpr Key DownloadFolder{MainSection, u"下载文件保存路径", u""};
inline constexpr Key SaveFolderPromptFlag{MainSection, u"提取网页信息时提示下载保存路径", u"1"};
inline constexpr Key SearchScope{MainSection, u"搜索范围", u"0"};
inline constexpr Key RestoreDownloadList{MainSection, u"启动时恢复下载列表", u"1"};
inline constexpr Key ThreadCount{ThreadSection, u"线程", u"2"};
inline constexpr Key DuplicateNamePolicy{DuplicateSection, u"重复文件名设置", u"重命名"};

// The search window.
inline constexpr Key SearchKeywords{u"fWebSearch", u"Text1", u""};
inline constexpr Key SearchDelay{u"fWebSearch", u"Combo1", u"0"};
inline constexpr Key SkipUnknownType{u"fWebSearch", u"check2", u"1"};
inline constexpr Key SkipJapanese{u"fWebSearch", u"check4", u"1"};
inline constexpr Key SilenceScriptDialogs{u"fWebSearch", u"check5", u"1"};
inline constexpr Key AutoClearCache{u"fWebSearch", u"check12", u"1"};
inline constexpr Key SkipTraditional{u"fWebSearch", u"check13", u"1"};
inline constexpr Key ConvertTraditional{u"fWebSearch", u"check14", u"1"};

// The download window's placement.
inline constexpr Key ScreenSize{u"fFileDownload", u"分辨率", u"000"};
inline constexpr Key WindowTop{u"fFileDownload", u"上", u"100"};
inline constexpr Key WindowLeft{u"fFileDownload", u"左", u"100"};
inline constexpr Key WindowWidth{u"fFileDownload", u"宽", u"15000"};
inline constexpr Key WindowHeight{u"fFileDownload", u"高", u"10000"};

// The copy window.
inline constexpr Key CopyTargetFolder{u"Form_Copy_Move", u"目的文件夹", u""};
inline constexpr Key CopyClashOption{u"Form_Copy_Move", u"OpIndex", u"4"};

// Addresses of the outside world, kept configurable so the program can be pointed at
// other servers (a local test server included). A host may carry a scheme and a port.
inline constexpr Key UpdateSitePrimary{ConfigSection, u"更新主站点", u""};
inline constexpr Key UpdateSiteAlternate{ConfigSection, u"更新备用站点", u""};
inline constexpr Key SearchHostChina{ConfigSection, u"必应国内主机", u"cn.bing.com"};
inline constexpr Key SearchHostGlobal{ConfigSection, u"必应国际主机", u"www.bing.com"};
inline constexpr Key PortalDomain{ConfigSection, u"豆丁网域名", u"docin.com"};

} // namespace quenlit::settings
