#include "DuplicateNames.h"

#include "DownloadListModel.h"
#include "FileNames.h"
#include "TextRules.h"

#include <QFileInfo>
#include <cmath>
#include <optional>

namespace quenlit {

namespace {
QString numbering(long long n) {
    return u'[' + QStringLiteral("%1").arg(n, 3, 10, QChar(u'0')) + u']';
}

// The name part of the target, cut so that the whole file name keeps the limits.
QString fitted(const QString& base, const QString& numbering, const QString& dotType) {
    return FitFileName(base, numbering + dotType) + numbering;
}
} // namespace

bool 确定是需要下载(DownloadListModel& list, int position, const QString& policy) {
    const DownloadRow& row = list.row(position);
    const QString path = WithTrailingSeparator(row.saveFolder) + row.name + u'.' + row.type;
    // A trailing dot names the file without extension.
    const QString existing = row.type.isEmpty() ? path.chopped(1) : path;
    if (!FileExists(existing) || policy != SkipPolicy)
        return true;
    const QString length = QString::number(QFileInfo(existing).size());
    list.modify(position, [&](DownloadRow& changed) {
        changed.state = DownloadRow::Finished;
        changed.size = length;
        changed.downloaded = length;
        changed.percent = QStringLiteral("已存在，跳过");
    });
    return false;
}

RenamedTarget 重命名保存路径(const QString& saveFolder, const QString& name, const QString& type,
                             const QString& policy) {
    const QString folder = WithTrailingSeparator(saveFolder);
    const QString dotType = type.isEmpty() ? QString() : u'.' + type;
    const QString plain = fitted(name, {}, dotType);
    if (policy == OverwritePolicy || !FileExists(folder + plain + dotType))
        return {plain, folder + plain + dotType};

    QString base = name;
    long long n = 0;
    const qsizetype open = base.lastIndexOf(u'[');
    const qsizetype close = base.lastIndexOf(u']');
    if (open >= 0 && close > open) {
        if (const auto number = DecimalNumber(base.mid(open + 1, close - open - 1).trimmed())) {
            n = std::llround(*number);
            base = base.left(open);
        }
    }
    // The wider brackets can push the name over the limits again: fitted() cuts it last.
    base.replace(u'[', u'『').replace(u']', u'』');

    QString finalName = fitted(base, n == 0 ? QString() : numbering(n), dotType);
    while (FileExists(folder + finalName + dotType)) {
        finalName = fitted(base, numbering(++n), dotType);
    }
    return {finalName, folder + finalName + dotType};
}

} // namespace quenlit
