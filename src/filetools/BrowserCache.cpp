#include "BrowserCache.h"

#include "FileNames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

namespace quenlit {

QString CacheExtension(const QString& addressOrPath) {
    QString text = addressOrPath;
    static const QString scheme = u"://"_qs;
    const qsizetype first = text.indexOf(scheme, 0, Qt::CaseInsensitive);
    if (first >= 0) {
        text = text.mid(first + scheme.size());
        const qsizetype second = text.indexOf(scheme, 0, Qt::CaseInsensitive);
        if (second >= 0)
            text = text.left(second);
    }
    text.replace(u'\\', u'/');
    text = text.mid(text.lastIndexOf(u'/') + 1);
    static const QString stops = u"#\b\t\n\r:*<>|\"'=?"_qs;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (stops.contains(text.at(i))) {
            text.truncate(i);
            break;
        }
    }
    const qsizetype dot = text.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    const QString extension = text.mid(dot + 1).trimmed();
    return extension.size() >= 7 ? QString() : extension;
}

namespace {
// The entry file's header: magic (8 bytes), version, key length, key hash (4 bytes each),
// padded to 24 bytes; the key follows.
constexpr quint64 EntryMagic = 0xfcfb6d1ba7725c30ULL;
constexpr qsizetype HeaderSize = 24;
constexpr quint32 LongestKey = 1024 * 1024;

const QRegularExpression& entryFileName() {
    static const QRegularExpression name(u"^[0-9a-f]{16}_0$"_qs);
    return name;
}
} // namespace

std::optional<QByteArray> ReadCacheEntryKey(QByteArrayView head) {
    if (head.size() < HeaderSize)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const uchar*>(head.data());
    if (qFromLittleEndian<quint64>(bytes) != EntryMagic)
        return std::nullopt;
    const quint32 keyLength = qFromLittleEndian<quint32>(bytes + 12);
    if (keyLength == 0 || keyLength > LongestKey || keyLength > quint64(head.size() - HeaderSize))
        return std::nullopt;
    return head.sliced(HeaderSize, keyLength).toByteArray();
}

QString AddressFromCacheKey(const QByteArray& key) {
    QString text = QString::fromUtf8(key);
    // Code cache keys: "_key" + address + " \n" + origin.
    if (text.startsWith(u"_key"_qs)) {
        text.remove(0, 4);
        const qsizetype end = text.indexOf(u" \n"_qs);
        if (end >= 0)
            text.truncate(end);
        return text;
    }
    static const QRegularExpression prefix(u"^(?:\\d+/)+"_qs);
    text.remove(prefix);
    // Partitioned keys name the sites first; the address is the last part.
    const qsizetype space = text.lastIndexOf(u' ');
    if (space >= 0)
        text = text.mid(space + 1);
    return text;
}

DiskCacheFolder::DiskCacheFolder(QString folder)
    : m_folder(std::move(folder)) {}

bool DiskCacheFolder::enumerate(QList<CacheEntry>& entries) {
    m_files.clear();
    m_indexed = true;
    if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir())
        return true;
    QStringList files;
    ListFiles(m_folder, files, true);
    bool complete = true;
    for (const QString& path : std::as_const(files)) {
        if (!entryFileName().match(QFileInfo(path).fileName()).hasMatch())
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            complete = false;
            continue;
        }
        const QByteArray header = file.read(HeaderSize);
        if (header.size() < HeaderSize)
            continue;
        const quint32 keyLength =
            qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(header.constData()) + 12);
        const QByteArray head = header + file.read(qMin<qint64>(keyLength, qint64(LongestKey)));
        const std::optional<QByteArray> key = ReadCacheEntryKey(head);
        if (!key)
            continue;
        const QString address = AddressFromCacheKey(*key);
        if (address.isEmpty())
            continue;
        entries.append({address, path});
        m_files[address].append(path);
    }
    return complete;
}

void DiskCacheFolder::index() {
    if (m_indexed)
        return;
    QList<CacheEntry> entries;
    enumerate(entries);
}

QString DiskCacheFolder::localFileOf(const QString& address) {
    index();
    for (const QString& file : m_files.value(address))
        if (FileExists(file))
            return file;
    return {};
}

bool DiskCacheFolder::removeEntry(const QString& address) {
    index();
    const QStringList files = m_files.take(address);
    for (const QString& file : files) {
        const QString stem = file.left(file.size() - 1); // "<hash>_"
        for (const QString& part : {file, stem + u'1', stem + u's'})
            if (QFileInfo(part).isFile())
                强制删除(part);
    }
    return !files.isEmpty();
}

CacheLayout CacheLayoutFor(const QString& cachePath, const QString& homePath) {
    const QString home = QDir::cleanPath(homePath);
    const QString cache = QDir::cleanPath(cachePath);
    if (home.isEmpty() || home == u"/"_qs || !cache.startsWith(home + u'/'))
        return {};
    const QString root = QFileInfo(home).path();
    return {root.endsWith(u'/') ? root : root + u'/', {cache.mid(home.size())}};
}

namespace {
void list(const QString& path, QStringList& result, bool recurse, bool folders) {
    if (!path.startsWith(u'/'))
        return;
    const QString folder = path.endsWith(u'/') ? path : path + u'/';
    const QDir dir(folder);
    if (!dir.exists())
        return;
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    QStringList below;
    for (const QFileInfo& entry : entries) {
        const QString full = folder + entry.fileName();
        if (entry.isDir()) {
            // A link to a folder may lead anywhere, or back here.
            if (entry.isSymLink())
                continue;
            below.append(full);
            if (folders)
                result.append(full);
        } else if (!folders) {
            result.append(full);
        }
    }
    if (recurse)
        for (const QString& next : std::as_const(below))
            list(next, result, true, folders);
}
} // namespace

void ListFolders(const QString& path, QStringList& result, bool recurse) {
    list(path, result, recurse, true);
}

void ListFiles(const QString& path, QStringList& result, bool recurse) {
    list(path, result, recurse, false);
}

void 强制删除(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() && !info.isSymLink())
        return;
    // A link goes itself; its target, wherever it is, is never touched.
    if (info.isSymLink()) {
        QFile::remove(path);
        return;
    }
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    if (!QFile::remove(path) && QFileInfo::exists(path))
        QFile::remove(path);
}

bool WithoutLinks(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    const QString canonical = QFileInfo(clean).canonicalFilePath();
    return !canonical.isEmpty() && canonical == clean;
}

bool IsCookieFile(const QString& path) {
    return QFileInfo(path).fileName().startsWith(u"Cookies"_qs, Qt::CaseInsensitive);
}

} // namespace quenlit
