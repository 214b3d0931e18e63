#include "DownloadListModel.h"

#include <QCollator>
#include <algorithm>
#include <array>

namespace quenlit {

namespace {
const std::array<QString, DownloadListModel::ColumnCount> Headers{
    u"名称"_qs, u"类型"_qs, u"文件大小"_qs, u"已下载数"_qs, u"百分比"_qs, u"保存路径"_qs};

const QString& cell(const DownloadRow& row, int column) {
    switch (column) {
    case DownloadListModel::TypeColumn:
        return row.type;
    case DownloadListModel::SizeColumn:
        return row.size;
    case DownloadListModel::DownloadedColumn:
        return row.downloaded;
    case DownloadListModel::PercentColumn:
        return row.percent;
    case DownloadListModel::FolderColumn:
        return row.saveFolder;
    default:
        return row.name;
    }
}
} // namespace

DownloadListModel::DownloadListModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void DownloadListModel::setStateDecoration(std::function<QVariant(qint16)> decoration) {
    m_decoration = std::move(decoration);
}

bool DownloadListModel::append(const QString& key, const QString& text) {
    if (m_keys.contains(key))
        return false;
    const int position = count();
    if (!m_batch)
        beginInsertRows({}, position, position);
    DownloadRow row;
    row.key = key;
    row.name = text;
    m_rows.append(std::move(row));
    m_keys.insert(key);
    if (!m_batch)
        endInsertRows();
    return true;
}

void DownloadListModel::modify(int position, const std::function<void(DownloadRow&)>& change) {
    if (position < 1 || position > count())
        return;
    DownloadRow& row = m_rows[position - 1];
    const QString oldKey = row.key;
    change(row);
    if (row.key != oldKey) {
        if (m_keys.contains(row.key)) {
            row.key = oldKey;
        } else {
            m_keys.remove(oldKey);
            m_keys.insert(row.key);
        }
    }
    if (!m_batch)
        emit dataChanged(index(position - 1, 0), index(position - 1, ColumnCount - 1));
}

void DownloadListModel::remove(int position) {
    if (position < 1 || position > count())
        return;
    if (!m_batch)
        beginRemoveRows({}, position - 1, position - 1);
    m_keys.remove(m_rows.at(position - 1).key);
    m_rows.removeAt(position - 1);
    if (!m_batch)
        endRemoveRows();
}

void DownloadListModel::moveToEnd(int position) {
    if (position < 1 || position >= count())
        return;
    if (!m_batch)
        beginMoveRows({}, position - 1, position - 1, {}, count());
    m_rows.move(position - 1, count() - 1);
    if (!m_batch)
        endMoveRows();
}

void DownloadListModel::sortByColumn(int column, Qt::SortOrder order) {
    QCollator collator;
    collator.setNumericMode(false);
    emit layoutAboutToBeChanged();
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const DownloadRow& a, const DownloadRow& b) {
        const int result = collator.compare(cell(a, column), cell(b, column));
        return order == Qt::AscendingOrder ? result < 0 : result > 0;
    });
    emit layoutChanged();
}

void DownloadListModel::changeAll(const std::function<void()>& changes) {
    if (m_batch) {
        changes();
        return;
    }
    beginResetModel();
    m_batch = true;
    changes();
    m_batch = false;
    endResetModel();
}

int DownloadListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int DownloadListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DownloadListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    const DownloadRow& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cell(row, index.column());
    case Qt::DecorationRole:
        return index.column() == NameColumn && m_decoration ? m_decoration(row.state) : QVariant();
    case StateRole:
        return row.state;
    case KeyRole:
        return row.key;
    case TagRole:
        return row.tag;
    default:
        return {};
    }
}

QVariant DownloadListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return Headers[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace quenlit
