#include "DownloadListModel.h"

namespace quenlit {

DownloadListModel::DownloadListModel(QObject* parent)
    : KeyedTableModel(
          {u"名称"_qs, u"类型"_qs, u"文件大小"_qs, u"已下载数"_qs, u"百分比"_qs, u"保存路径"_qs},
          parent) {}

bool DownloadListModel::append(const QString& key, const QString& text) {
    return KeyedTableModel::append(key, [&](DownloadRow& row) { row.name = text; });
}

void DownloadListModel::setStateDecoration(std::function<QVariant(qint16)> decoration) {
    m_decoration = std::move(decoration);
}

QString DownloadListModel::cell(const DownloadRow& row, int column) const {
    switch (column) {
    case TypeColumn:
        return row.type;
    case SizeColumn:
        return row.size;
    case DownloadedColumn:
        return row.downloaded;
    case PercentColumn:
        return row.percent;
    case FolderColumn:
        return row.saveFolder;
    default:
        return row.name;
    }
}

QVariant DownloadListModel::extraData(const DownloadRow& row, int column, int role) const {
    if (role == StateRole)
        return row.state;
    if (role == Qt::DecorationRole && column == NameColumn && m_decoration)
        return m_decoration(row.state);
    return {};
}

} // namespace quenlit
