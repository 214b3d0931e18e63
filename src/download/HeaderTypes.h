#pragma once

#include <QString>

namespace quenlit {

struct HeaderFileInfo {
    QString type;     // extension without dot, at most five ASCII letters and digits, or empty
    QString fileName; // SafeFileNameFromHeaders of the same headers
};

// The file type the server announces: the MIME table, then the extension of the
// Content-Disposition file name, then "htm" for text that names a character set.
HeaderFileInfo TypeFromHeaders(const QString& allHeaders, const QString& contentType);
// The file name a header block's Content-Disposition gives, decoded and then made safe:
// the base name without extension (the type comes from TypeFromHeaders), never a folder
// separator, "." or "..", no control or direction characters, cut to the limits of a
// name (CleanFileName). Empty when the server names nothing usable. What the engines use.
QString SafeFileNameFromHeaders(const QString& allHeaders);
// The value of the Content-Disposition line of a header block, or empty.
QString 从网络文件Header获取ContentDisposition(const QString& allHeaders);

struct DispositionName {
    QString fileName; // decoded and made safe, see SafeFileNameFromHeaders
    QString extension;
};
DispositionName 从下载头信息ContentDisposition获取文件名(const QString& value);
// The extension of a media type ("application/pdf" gives "pdf"), or empty.
QString ExtensionFromMimeType(const QString& mediaType);

} // namespace quenlit
