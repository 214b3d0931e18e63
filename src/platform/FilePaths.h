#pragma once

#include <QString>

namespace quenlit {

// A local path from either a plain path or its "file:///" address form, trimmed.
// The root of "file:///" is this file system's root.
inline QString LocalPathFromFileAddress(const QString& pathOrAddress) {
    QString path = pathOrAddress.trimmed();
    if (path.startsWith(u"file:///", Qt::CaseInsensitive))
        path.remove(0, 7); // keep the root "/"
    return path;
}

} // namespace quenlit
