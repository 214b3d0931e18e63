#pragma once

#include <QString>

namespace quenlit {

// One download job: the cells of the download list and its hidden fields.
struct DownloadRow {
    enum State : qint16 { Waiting = 1, Downloading = 2, Finished = 3, Failed = 4 };

    QString name;       // "名称": target file name without folder and extension
    QString type;       // "类型": extension without the dot, or empty
    QString size;       // "文件大小"
    QString downloaded; // "已下载数"
    QString percent;    // "百分比"
    QString saveFolder; // "保存路径"
    QString key;        // the download address, or alternatives joined by "|"
    QString tag;        // the referer
    qint16 state = Waiting;

    // save folder + name (+ "." + type when there is one)
    QString targetPath() const;
    bool untouched() const { return size.isEmpty() && downloaded.isEmpty() && percent.isEmpty(); }
};

// The folder with a trailing "/".
QString WithTrailingSeparator(const QString& folder);

} // namespace quenlit
