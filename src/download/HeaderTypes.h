#pragma once

#include <QString>

namespace quenlit {

struct HeaderFileInfo {
    QString type;     // extension without dot, at most five ASCII letters, or empty
    QString fileName; // the decoded base name of Content-Disposition, or empty
};

// The file type the server announces: the MIME table, then the extension of the
// Content-Disposition file name, then "htm" for text that names a character set.
HeaderFileInfo TypeFromHeaders(const QString& allHeaders, const QString& contentType);
// The value of the Content-Disposition line of a header block, or empty.
QString 从网络文件Header获取ContentDisposition(const QString& allHeaders);

struct DispositionName {
    QString fileName;
    QString extension;
};
DispositionName 从下载头信息ContentDisposition获取文件名(const QString& value);
// The extension of a media type ("application/pdf" gives "pdf"), or empty.
QString ExtensionFromMimeType(const QString& mediaType);

} // namespace quenlit
