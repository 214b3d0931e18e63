#pragma once

#include <QString>

namespace quenlit {

class DownloadListModel;

// What the append needs of the live settings.
struct AppendSettings {
    QString downloadFolder;
    bool useSourceFileName = false;
};

// The window state the download side shares.
struct DownloadWindowState {
    bool busy = false;
    float lastFinishTime = 0; // seconds since midnight
    bool soundPrompt = false; // Check6 "声音提示"
    bool follow = false;      // "自动定位到下载项"
};

// Appends a waiting row named after the title (or the address), in the given folder or
// the download folder; a known address changes nothing.
void 加入下载列表(DownloadListModel& list, const AppendSettings& settings, const QString& address,
                  const QString& title, const QString& type, const QString& saveFolder,
                  const QString& referer);

// Rows whose size, downloaded and percent cells are all empty.
qint32 统计未下载项数目(const DownloadListModel& list);
// True when no row is waiting or downloading.
bool 检测是否下载列表完毕(const DownloadListModel& list);
// A page type, htm or html in any case, and with withXml also xml.
bool IsWebPageType(const QString& type, bool withXml);
// The first address of a key.
QString 选择url(const QString& key);
// The key with its alternatives rotated: a|b → b|a, a|b|c → c|a|b.
QString 对调url(const QString& key);
// Web-page rows in any state plus failed rows of other types.
qint32 CountFailedOrWebRows(const DownloadListModel& list);
// "总数:12 正在下载:1 等待:7 已完成:3 失败:1"
QString StatusCountersText(const DownloadListModel& list);

// Deletes the row's target file when it exists.
void DeleteRowFile(const DownloadListModel& list, int position);
void RequeueRow(DownloadListModel& list, int position);
void RequeueFailedRows(DownloadListModel& list);
void RequeueWebRows(DownloadListModel& list);

} // namespace quenlit
