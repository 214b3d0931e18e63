#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace quenlit {

// The type shown for a cached address or file path: the text after the last "." of its
// last segment (query, fragment and a nested address cut off); empty for 7 or more characters.
QString CacheExtension(const QString& addressOrPath);

// The key stored in a disk cache entry file (the head of "<hash>_0"): nothing when the
// bytes are not an entry or the key does not fit in them.
std::optional<QByteArray> ReadCacheEntryKey(QByteArrayView head);
// The address inside a cache key ("1/0/_dk_<site> <site> <address>" -> "<address>").
QString AddressFromCacheKey(const QByteArray& key);

struct CacheEntry {
    QString address;
    QString localFile; // the entry's file on disk
};

// The browser's own cache: its entries and the removal of one.
class CacheStore {
public:
    virtual ~CacheStore() = default;
    // Every entry; false when the listing failed midway (entries found so far are kept).
    virtual bool enumerate(QList<CacheEntry>& entries) = 0;
    // The file holding the address's entry, empty when there is none.
    virtual QString localFileOf(const QString& address) = 0;
    // Removes every entry of the address; false when there was none to remove.
    virtual bool removeEntry(const QString& address) = 0;
};

// The disk cache folder of a browser profile: every "<16 hex digits>_0" file below it is
// one entry, its siblings "_1" and "_s" belong to it.
class DiskCacheFolder final : public CacheStore {
public:
    explicit DiskCacheFolder(QString folder);

    bool enumerate(QList<CacheEntry>& entries) override;
    QString localFileOf(const QString& address) override;
    bool removeEntry(const QString& address) override;

private:
    void index();

    QString m_folder;
    QHash<QString, QStringList> m_files; // address -> entry files
    bool m_indexed = false;
};

// Where the users' caches are: the folders directly below usersRoot are the profiles, and
// a profile's cache is the profile followed by one of the suffixes.
struct CacheLayout {
    QString usersRoot;
    QStringList suffixes;
};
// The layout for this user's cache folder: the same folder below every home beside this
// user's home. A cache outside the home has no layout (nothing is listed).
CacheLayout CacheLayoutFor(const QString& cachePath, const QString& homePath);

// The listers: every folder (ListFolders) or file (ListFiles) below path, each folder
// before the folders below it; links to folders are not followed. A path that is not
// absolute lists nothing.
void ListFolders(const QString& path, QStringList& result, bool recurse);
void ListFiles(const QString& path, QStringList& result, bool recurse);

// Deletes a file, read-only or not.
void 强制删除(const QString& path);
// Session cookie stores are never deleted, whatever the mode.
bool IsCookieFile(const QString& path);
// The path names itself: no link anywhere along it, so what is deleted there stays there.
bool WithoutLinks(const QString& path);

} // namespace quenlit
