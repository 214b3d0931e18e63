#include "DownloadRow.h"

namespace quenlit {

QString WithTrailingSeparator(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString DownloadRow::targetPath() const {
    const QString path = WithTrailingSeparator(saveFolder) + name;
    return type.isEmpty() ? path : path + u'.' + type;
}

} // namespace quenlit
