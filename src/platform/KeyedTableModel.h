#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <QList>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <numeric>

namespace quenlit {

// A list of rows addressed by 1-based position in display order, each with a unique text
// key (Row::key). Subclasses say what each column shows.
template <typename Row> class KeyedTableModel : public QAbstractTableModel {
public:
    explicit KeyedTableModel(QStringList headers, QObject* parent = nullptr)
        : QAbstractTableModel(parent)
        , m_headers(std::move(headers)) {}

    // Appends a row; false (and nothing changed) when the key is already there.
    bool append(const QString& key, const std::function<void(Row&)>& fill) {
        if (m_keys.contains(key))
            return false;
        const int position = count();
        if (!m_batch)
            beginInsertRows({}, position, position);
        Row row;
        fill(row);
        row.key = key;
        m_rows.append(std::move(row));
        m_keys.insert(key);
        if (!m_batch)
            endInsertRows();
        return true;
    }
    int count() const { return int(m_rows.size()); }
    bool containsKey(const QString& key) const { return m_keys.contains(key); }
    // position: 1 to count()
    const Row& row(int position) const { return m_rows.at(position - 1); }

    // Changes one row; a changed key that clashes with another row is put back.
    void modify(int position, const std::function<void(Row&)>& change) {
        if (position < 1 || position > count())
            return;
        Row& row = m_rows[position - 1];
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
            emit this->dataChanged(index(position - 1, 0), index(position - 1, columnCount() - 1));
    }
    void remove(int position) {
        if (position < 1 || position > count())
            return;
        if (!m_batch)
            beginRemoveRows({}, position - 1, position - 1);
        m_keys.remove(m_rows.at(position - 1).key);
        m_rows.removeAt(position - 1);
        if (!m_batch)
            endRemoveRows();
    }
    // Removes every row the predicate picks, in one pass.
    int removeIf(const std::function<bool(const Row&, int position)>& picked) {
        int removed = 0;
        changeAll([&] {
            QList<Row> kept;
            for (int i = 0; i < count(); ++i) {
                if (picked(m_rows.at(i), i + 1)) {
                    m_keys.remove(m_rows.at(i).key);
                    ++removed;
                } else {
                    kept.append(m_rows.at(i));
                }
            }
            m_rows = std::move(kept);
        });
        return removed;
    }
    void moveToEnd(int position) {
        if (position < 1 || position >= count())
            return;
        if (!m_batch)
            beginMoveRows({}, position - 1, position - 1, {}, count());
        m_rows.move(position - 1, count() - 1);
        if (!m_batch)
            endMoveRows();
    }
    void sortByColumn(int column, Qt::SortOrder order) {
        QCollator collator;
        emit this->layoutAboutToBeChanged();
        // Where each row goes, so that selections and the current row follow their rows.
        QList<int> order_(m_rows.size());
        std::iota(order_.begin(), order_.end(), 0);
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
            const int result = collator.compare(cell(m_rows[a], column), cell(m_rows[b], column));
            return order == Qt::AscendingOrder ? result < 0 : result > 0;
        });
        QList<Row> sorted;
        sorted.reserve(m_rows.size());
        QList<int> newPlace(m_rows.size());
        for (int i = 0; i < order_.size(); ++i) {
            sorted.append(std::move(m_rows[order_[i]]));
            newPlace[order_[i]] = i;
        }
        m_rows = std::move(sorted);
        const QModelIndexList before = this->persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(this->index(newPlace[index.row()], index.column()));
        this->changePersistentIndexList(before, after);
        emit this->layoutChanged();
    }
    // Runs many changes and tells views once.
    void changeAll(const std::function<void()>& changes) {
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

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : count();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_headers.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= count())
            return {};
        const Row& row = m_rows.at(index.row());
        if (role == Qt::DisplayRole)
            return cell(row, index.column());
        return extraData(row, index.column(), role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < m_headers.size())
            return m_headers.at(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

protected:
    virtual QString cell(const Row& row, int column) const = 0;
    virtual QVariant extraData(const Row&, int /*column*/, int /*role*/) const { return {}; }

private:
    QStringList m_headers;
    QList<Row> m_rows;
    QSet<QString> m_keys;
    bool m_batch = false;
};

} // namespace quenlit
