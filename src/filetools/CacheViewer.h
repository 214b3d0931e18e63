#pragma once

#include "BrowserCache.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

namespace quenlit {

class MessageSink;

struct CacheRow {
    QString text;     // the address, or "用户:" + user name
    QString type;     // CacheExtension of the address or path
    qint64 size = -1; // -1: no file
    QString path;     // the cache file, empty when none was found
};

// The entry list: address, type, size and file of each row.
class CacheListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Sizes sort as numbers (a row without a file first), the other columns as text.
    void sort(int column, Qt::SortOrder order) override;

    // A click on a column header: descending, unless already sorted descending.
    void clickColumn(int column);
    Qt::SortOrder sortOrder() const { return m_order; }

    void setRows(QList<CacheRow> rows);
    const QList<CacheRow>& rows() const { return m_rows; }

private:
    QList<CacheRow> m_rows;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    bool m_sorted = false;
};

struct UserCacheFolder {
    QString user;
    QString folder;
};

// The cache viewer's logic: the listings of my cache and of every user's cache, and the
// deletions, which never touch cookies.
class CacheViewer {
public:
    static inline const QString MyCache = QStringLiteral("我的缓存");
    static inline const QString AllCaches = QStringLiteral("所有缓存");
    static inline const QString UserPrefix = QStringLiteral("用户:");

    CacheViewer(CacheStore& store, CacheLayout layout);

    // GetCacheURLList and the file of each entry.
    void listMine();
    void listAllUsers();
    // Deletes the rows' entries (0-based rows), removes empty folders, lists again.
    void deleteRows(QList<int> rows);
    void deleteAll();
    // The files of the rows, in row order, empty ones left out.
    QStringList filesOf(QList<int> rows) const;

    CacheListModel entries;             // ListView1; its tag is mode()
    QList<UserCacheFolder> userFolders; // ListView2
    QStringList cacheSubfolders;        // ListView3, and what 删除空文件夹 walks
    const QString& mode() const { return m_mode; }
    const QString& label() const { return m_label; }

private:
    void deleteRow(const CacheRow& row);
    void 删除空文件夹();

    CacheStore& m_store;
    CacheLayout m_layout;
    QString m_mode;
    QString m_label;
};

// The count towards the next automatic clearing: one tick a second, every 60th clears when
// the automatic clearing is on; switching it off never stops the count.
struct CacheClearingCount {
    // True when this tick is the one that clears.
    bool tick(bool clearingOn) {
        CacheTicks += 1;
        if (CacheTicks < 60)
            return false;
        CacheTicks = 0;
        return clearingOn;
    }
    double CacheTicks = 0;
};

// Lists and deletes my cache, then every user's cache; with report, says so when done.
void ClearBrowserCache(CacheStore& store, const CacheLayout& layout, MessageSink& messages,
                       bool report);
// The same for the cache folder of the program's browser profile.
void ClearBrowserCache(const QString& cacheFolder, MessageSink& messages, bool report);

} // namespace quenlit
