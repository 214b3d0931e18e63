#pragma once

#include <QString>

namespace quenlit {

// A path split into folder (up to and including the last "/"), base name and extension.
// An extension of 7 or more characters counts as none.
struct SplitName {
    QString folder;
    QString base;
    QString extension;
    // base, then "." and the extension when there is one
    QString fileName() const;
};
SplitName SplitFilePath(const QString& path);

// The base name without a trailing bracketed number ("report[005]" -> "report"); the whole
// base when there is no such number or nothing would be left.
QString StripCounterSuffix(const QString& base);

// Copies source to destination without ever replacing a file there: the bytes go to a
// temporary file in the destination's folder, which takes the name only once complete.
// With replace, an existing destination is replaced, only after the copy succeeded.
// The modification time of the source is kept. False on any failure; no partial file stays.
bool CopyFileSafely(const QString& source, const QString& destination, bool replace);

// Copies the source into the folder (ending in "/") under its stripped name, or, when that
// is taken, under stem[001].ext, stem[002].ext, ...; newName receives the name used.
bool 复制相同文件自动重命名(const QString& 源文件长路径, const QString& 目的文件夹,
                            QString* newName = nullptr);

} // namespace quenlit
