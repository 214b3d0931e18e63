#pragma once

#include <QString>

namespace quenlit {

class DownloadListModel;

// The duplicate-name policies, as the option buttons read.
inline const QString SkipPolicy = QStringLiteral("跳过");
inline const QString OverwritePolicy = QStringLiteral("覆盖");
inline const QString RenamePolicy = QStringLiteral("重命名");

// False when the skip policy finds the row's file already there: the row is then finished
// with "已存在，跳过" and the file's length.
bool 确定是需要下载(DownloadListModel& list, int position, const QString& policy);

struct RenamedTarget {
    QString name; // the row's new name
    QString path; // the full target path
};
// The target under the policy: the path itself, or the first free name[NNN].type.
RenamedTarget 重命名保存路径(const QString& saveFolder, const QString& name, const QString& type,
                             const QString& policy);

} // namespace quenlit
