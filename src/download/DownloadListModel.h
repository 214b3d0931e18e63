#pragma once

#include "DownloadRow.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <functional>

namespace quenlit {

// The download list: rows addressed by 1-based position in display order, the download
// address a unique key. Views show it through ListView3.
class DownloadListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        TypeColumn,
        SizeColumn,
        DownloadedColumn,
        PercentColumn,
        FolderColumn
    };
    static constexpr int ColumnCount = 6;
    enum Role { StateRole = Qt::UserRole + 1, KeyRole, TagRole };

    explicit DownloadListModel(QObject* parent = nullptr);

    // The picture of a state code; set by the window, which owns the pictures.
    void setStateDecoration(std::function<QVariant(qint16 state)> decoration);

    // Appends a waiting row; false (and nothing changed) when the key is already there.
    bool append(const QString& key, const QString& text);
    int count() const { return int(m_rows.size()); }
    bool containsKey(const QString& key) const { return m_keys.contains(key); }
    // position: 1 to count()
    const DownloadRow& row(int position) const { return m_rows.at(position - 1); }
    // Changes one row; a changed key keeps the keys unique (a clash leaves the old key).
    void modify(int position, const std::function<void(DownloadRow&)>& change);
    void remove(int position);
    void moveToEnd(int position);
    void sortByColumn(int column, Qt::SortOrder order);
    // Runs a batch of changes and tells views once, for commands that touch many rows.
    void changeAll(const std::function<void()>& changes);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<DownloadRow> m_rows;
    QSet<QString> m_keys;
    std::function<QVariant(qint16)> m_decoration;
    bool m_batch = false;
};

} // namespace quenlit
