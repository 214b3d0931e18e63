#include "DownloadListModel.h"

namespace quenlit {

DownloadListModel::DownloadListModel(QObject* parent)
    : KeyedTableModel({u"名称"_qs, u"类型"_qs, u"文件大小"_qs, u"已下载数"_qs, u"百分比"_qs,
                       u"保存路径"_qs, u"速度"_qs, u"剩余时间"_qs},
                      parent) {}

bool DownloadListModel::append(const QString& key, const QString& text) {
    return KeyedTableModel::append(key, [&](DownloadRow& row) { row.name = text; });
}

void DownloadListModel::setStateDecoration(std::function<QVariant(qint16)> decoration) {
    m_decoration = std::move(decoration);
}

void DownloadListModel::setTransferCells(int position, const TransferCells& cells) {
    if (position < 1 || position > count())
        return;
    const QString& key = row(position).key;
    const auto kept = m_transfers.constFind(key);
    if (kept == m_transfers.cend() ? cells == TransferCells{} : *kept == cells)
        return;
    if (cells == TransferCells{})
        m_transfers.remove(key);
    else
        m_transfers.insert(key, cells);
    emit dataChanged(index(position - 1, SpeedColumn), index(position - 1, TimeLeftColumn));
}

void DownloadListModel::dropTransferCells(const QString& key) {
    m_transfers.remove(key);
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
    case SpeedColumn:
    case TimeLeftColumn: {
        if (row.state != DownloadRow::Downloading)
            return {};
        const TransferCells cells = m_transfers.value(row.key);
        return column == SpeedColumn ? cells.speed : cells.timeLeft;
    }
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
