#include "CacheViewer.h"

#include "FileNames.h"
#include "MessageSink.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <numeric>

namespace quenlit {

int CacheListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CacheListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant CacheListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const CacheRow& row = m_rows.at(index.row());
    switch (index.column()) {
    case 0:
        return row.text;
    case 1:
        return row.type;
    case 2:
        return row.size < 0 ? QString() : QString::number(row.size);
    case 3:
        return row.path;
    }
    return {};
}

QVariant CacheListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList headers{u"URL"_qs, u"TYPE"_qs, u"SIZE(Byte)"_qs, u"FilePath"_qs};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4)
        return headers.at(section);
    return {};
}

void CacheListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column > 3)
        return;
    emit layoutAboutToBeChanged();
    const auto less = [column](const CacheRow& a, const CacheRow& b) {
        switch (column) {
        case 0:
            return a.text < b.text;
        case 1:
            return a.type < b.type;
        case 2:
            return a.size < b.size;
        default:
            return a.path < b.path;
        }
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(m_rows.begin(), m_rows.end(), less);
    else
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [&less](const CacheRow& a, const CacheRow& b) { return less(b, a); });
    m_order = order;
    m_sorted = true;
    emit layoutChanged();
}

void CacheListModel::clickColumn(int column) {
    sort(column,
         m_sorted && m_order == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CacheListModel::setRows(QList<CacheRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

CacheViewer::CacheViewer(CacheStore& store, CacheLayout layout)
    : m_store(store)
    , m_layout(std::move(layout)) {}

void CacheViewer::listMine() {
    QList<CacheEntry> found;
    const bool complete = m_store.enumerate(found);
    QList<CacheRow> rows;
    rows.reserve(found.size());
    for (const CacheEntry& entry : std::as_const(found)) {
        CacheRow row;
        row.text = entry.address;
        row.type = CacheExtension(entry.address);
        // Its own file first: one address may be cached more than once.
        const QString file = QFileInfo(entry.localFile).isFile()
                                 ? entry.localFile
                                 : m_store.localFileOf(entry.address);
        const QFileInfo info(file);
        if (!file.isEmpty() && info.isFile()) {
            row.path = file;
            row.size = info.size();
        }
        rows.append(row);
    }
    entries.setRows(rows);
    m_label =
        (complete ? u"共有"_qs : u"出错!!!共有"_qs) + QString::number(rows.size()) + u" 个文件"_qs;
    m_mode = MyCache;
}

void CacheViewer::listAllUsers() {
    userFolders.clear();
    cacheSubfolders.clear();
    QStringList profiles;
    if (!m_layout.usersRoot.isEmpty())
        ListFolders(m_layout.usersRoot, profiles, false);
    for (const QString& profile : std::as_const(profiles)) {
        if (profile.isEmpty())
            continue;
        for (const QString& suffix : std::as_const(m_layout.suffixes)) {
            const QString folder = profile + suffix;
            if (!FolderExists(folder) || !WithoutLinks(folder))
                continue;
            QString user = profile;
            if (user.endsWith(u'/'))
                user.chop(1);
            userFolders.append({user.mid(user.lastIndexOf(u'/') + 1), folder});
            ListFolders(folder, cacheSubfolders, true);
        }
    }
    cacheSubfolders.removeAll(QString());
    QList<CacheRow> rows;
    for (const UserCacheFolder& user : std::as_const(userFolders)) {
        QStringList files;
        ListFiles(user.folder, files, true);
        for (const QString& file : std::as_const(files)) {
            const QFileInfo info(file);
            rows.append({UserPrefix + user.user, CacheExtension(file),
                         info.isFile() ? info.size() : -1, file});
        }
    }
    entries.setRows(rows);
    m_label = u"共有"_qs + QString::number(rows.size()) + u" 个文件"_qs;
    m_mode = AllCaches;
}

void CacheViewer::deleteRow(const CacheRow& row) {
    if (row.text.startsWith(UserPrefix)) {
        // Another user's folder may have been swapped for a link since it was listed.
        if (!row.path.isEmpty() && row.type.toLower() != u"txt"_qs && !IsCookieFile(row.path) &&
            WithoutLinks(QFileInfo(row.path).path()))
            强制删除(row.path);
        return;
    }
    if (row.text.isEmpty() || row.text.contains(u"Cookie"_qs, Qt::CaseInsensitive))
        return;
    m_store.removeEntry(row.text);
    if (!row.path.isEmpty() && !IsCookieFile(row.path))
        强制删除(row.path);
}

void CacheViewer::删除空文件夹() {
    for (qsizetype i = cacheSubfolders.size() - 1; i >= 0; --i) {
        const QString& folder = cacheSubfolders.at(i);
        if (!folder.isEmpty() && FolderExists(folder) && WithoutLinks(folder))
            QDir().rmdir(folder); // a folder that is not empty stays
    }
}

void CacheViewer::deleteRows(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const QList<CacheRow> all = entries.rows();
    for (int row : std::as_const(rows))
        if (row >= 0 && row < all.size())
            deleteRow(all.at(row));
    删除空文件夹();
    if (m_mode == MyCache)
        listMine();
    else if (m_mode == AllCaches)
        listAllUsers();
}

void CacheViewer::deleteAll() {
    QList<int> rows(entries.rows().size());
    std::iota(rows.begin(), rows.end(), 0);
    deleteRows(rows);
}

QStringList CacheViewer::filesOf(QList<int> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList files;
    for (int row : std::as_const(rows))
        if (row >= 0 && row < entries.rows().size() && !entries.rows().at(row).path.isEmpty())
            files.append(entries.rows().at(row).path);
    return files;
}

void ClearBrowserCache(CacheStore& store, const CacheLayout& layout, MessageSink& messages,
                       bool report) {
    CacheViewer viewer(store, layout);
    viewer.listMine();
    viewer.deleteAll();
    viewer.listAllUsers();
    viewer.deleteAll();
    if (report)
        messages.showMessage(u"IE缓存清空完毕！"_qs, MessageIcon::Information);
}

void ClearBrowserCache(const QString& cacheFolder, MessageSink& messages, bool report) {
    DiskCacheFolder store(cacheFolder);
    ClearBrowserCache(store, CacheLayoutFor(cacheFolder, QDir::homePath()), messages, report);
}

} // namespace quenlit
