#include "DownloadList.h"

#include "DownloadListModel.h"
#include "FileNames.h"
#include "TextRules.h"

#include <QFile>
#include <QUrl>

namespace quenlit {

bool IsWebPageType(const QString& type, bool withXml) {
    const QString lower = type.toLower();
    return lower == u"htm" || lower == u"html" || (withXml && lower == u"xml");
}

namespace {
// The last segment of an address as a reader sees it: addresses arrive fully encoded.
QString NameInAddress(const QString& address) {
    return QUrl::fromPercentEncoding(NameFromAddress(address, true).toUtf8());
}

// A name that must stay inside its folder, whatever the title was.
QString rowName(const QString& candidate, const QString& address) {
    const QString cleaned = CleanFileName(candidate);
    if (!cleaned.isEmpty())
        return cleaned;
    const QString fromAddress = CleanFileName(NameInAddress(选择url(address)));
    return fromAddress.isEmpty() ? QStringLiteral("未命名") : fromAddress;
}
} // namespace

void 加入下载列表(DownloadListModel& list, const AppendSettings& settings, const QString& address,
                  const QString& title, const QString& type, const QString& saveFolder,
                  const QString& referer) {
    QString cleanTitle = title;
    cleanTitle.remove(u"\r\n"_qs);
    for (const QChar c : {QChar(u'\r'), QChar(u'\n'), QChar(0)})
        cleanTitle.remove(c);
    cleanTitle = TrimSpaces(cleanTitle);
    const QString folder = saveFolder.isEmpty() ? settings.downloadFolder : saveFolder;
    const QString name =
        rowName(settings.useSourceFileName ? NameInAddress(address) : cleanTitle, address);
    if (!list.append(address, name))
        return;
    list.modify(list.count(), [&](DownloadRow& row) {
        row.type = type;
        row.saveFolder = folder;
        row.tag = referer;
        row.state = DownloadRow::Waiting;
    });
}

qint32 统计未下载项数目(const DownloadListModel& list) {
    qint32 count = 0;
    for (int i = 1; i <= list.count(); ++i)
        count += list.row(i).untouched() ? 1 : 0;
    return count;
}

bool 检测是否下载列表完毕(const DownloadListModel& list) {
    for (int i = 1; i <= list.count(); ++i) {
        const qint16 state = list.row(i).state;
        if (state != DownloadRow::Finished && state != DownloadRow::Failed)
            return false;
    }
    return true;
}

QString 选择url(const QString& key) {
    return key.section(u'|', 0, 0);
}

QString 对调url(const QString& key) {
    const QStringList parts = key.split(u'|');
    if (parts.size() == 2)
        return parts[1] + u'|' + parts[0];
    if (parts.size() == 3)
        return parts[2] + u'|' + parts[0] + u'|' + parts[1];
    return key;
}

qint32 CountFailedOrWebRows(const DownloadListModel& list) {
    qint32 count = 0;
    for (int i = 1; i <= list.count(); ++i) {
        const DownloadRow& row = list.row(i);
        if (IsWebPageType(row.type, false) || row.state == DownloadRow::Failed)
            ++count;
    }
    return count;
}

QString StatusCountersText(const DownloadListModel& list) {
    int counts[5] = {};
    for (int i = 1; i <= list.count(); ++i) {
        const qint16 state = list.row(i).state;
        if (state >= 1 && state <= 4)
            ++counts[state];
    }
    return QStringLiteral("总数:%1 正在下载:%2 等待:%3 已完成:%4 失败:%5")
        .arg(list.count())
        .arg(counts[DownloadRow::Downloading])
        .arg(counts[DownloadRow::Waiting])
        .arg(counts[DownloadRow::Finished])
        .arg(counts[DownloadRow::Failed]);
}

void DeleteRowFile(const DownloadListModel& list, int position) {
    if (position < 1 || position > list.count())
        return;
    const QString path = list.row(position).targetPath();
    if (FileExists(path))
        QFile::remove(path);
}

void RequeueRow(DownloadListModel& list, int position) {
    DeleteRowFile(list, position);
    list.modify(position, [](DownloadRow& row) {
        row.state = DownloadRow::Waiting;
        if (IsWebPageType(row.type, false))
            row.type = QStringLiteral("xxx");
        row.size.clear();
        row.downloaded.clear();
        row.percent.clear();
    });
    DeleteRowFile(list, position);
    list.modify(position, [](DownloadRow& row) { row.key = 对调url(row.key); });
}

void RequeueFailedRows(DownloadListModel& list) {
    list.changeAll([&] {
        for (int i = 1; i <= list.count(); ++i) {
            if (list.row(i).state == DownloadRow::Failed)
                RequeueRow(list, i);
        }
    });
}

void RequeueWebRows(DownloadListModel& list) {
    list.changeAll([&] {
        for (int i = 1; i <= list.count(); ++i) {
            const DownloadRow& row = list.row(i);
            if (IsWebPageType(row.type, true) &&
                (row.state == DownloadRow::Failed || row.state == DownloadRow::Finished)) {
                RequeueRow(list, i);
                list.modify(i, [](DownloadRow& changed) { changed.type = QStringLiteral("xxx"); });
            }
        }
    });
}

} // namespace quenlit
