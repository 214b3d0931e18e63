#include "BrowserCache.h"
#include "CacheViewer.h"
#include "RecordingMessageSink.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

// The head of an entry file as the browser writes it.
QByteArray entryHead(const QByteArray& key, quint64 magic = 0xfcfb6d1ba7725c30ULL,
                     qint64 declaredLength = -1) {
    QByteArray head(24, '\0');
    qToLittleEndian<quint64>(magic, head.data());
    qToLittleEndian<quint32>(5, head.data() + 8);
    qToLittleEndian<quint32>(quint32(declaredLength < 0 ? key.size() : declaredLength),
                             head.data() + 12);
    qToLittleEndian<quint32>(0x12345678, head.data() + 16);
    return head + key;
}

// A cache the test fills: entries with their files, and what was removed.
class FakeCacheStore final : public CacheStore {
public:
    bool enumerate(QList<CacheEntry>& out) override {
        out = entries;
        return !failMidway;
    }
    QString localFileOf(const QString& address) override {
        for (const CacheEntry& entry : std::as_const(entries))
            if (entry.address == address)
                return entry.localFile;
        return {};
    }
    bool removeEntry(const QString& address) override {
        removed << address;
        return bool(entries.removeIf([&](const CacheEntry& e) { return e.address == address; }));
    }
    QList<CacheEntry> entries;
    QStringList removed;
    bool failMidway = false;
};
} // namespace

class tst_browsercache : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void extension_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("extension");
        QTest::newRow("query cut") << u"http://h/dir/file.pdf?x=1"_qs << u"pdf"_qs;
        QTest::newRow("nested address") << u"http://a/b/redirect?u=http://c/d.doc"_qs << QString();
        QTest::newRow("long extension") << u"/var/cache/archive.longext"_qs << QString();
        QTest::newRow("six letters") << u"/x/a.backup"_qs << u"backup"_qs;
        QTest::newRow("fragment") << u"https://h/a.htm#top"_qs << u"htm"_qs;
        QTest::newRow("no dot") << u"https://h/path/"_qs << QString();
        QTest::newRow("host only") << u"https://www.example.org"_qs << u"org"_qs;
        QTest::newRow("scheme in capitals") << u"HTTP://h/A.PDF"_qs << u"PDF"_qs;
        QTest::newRow("backslashes") << u"c\\d\\e.txt"_qs << u"txt"_qs;
        QTest::newRow("spaces trimmed") << u"/a/b. gif "_qs << u"gif"_qs;
        QTest::newRow("equals cuts") << u"/a/b.php=c.d"_qs << u"php"_qs;
        QTest::newRow("quote cuts") << u"/a/b.js'x.y"_qs << u"js"_qs;
        QTest::newRow("tab cuts") << u"/a/b.css\tx.y"_qs << u"css"_qs;
        QTest::newRow("cache file") << u"/c/Cache_Data/0123456789abcdef_0"_qs << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void extension() {
        QFETCH(QString, text);
        QTEST(CacheExtension(text), "extension");
    }

    void entryKey_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("key");
        const QByteArray key = "1/0/_dk_http://a http://a http://a/b.pdf";
        QTest::newRow("entry") << entryHead(key) << true << key;
        QTest::newRow("trailing data") << entryHead(key) + "body" << true << key;
        QTest::newRow("wrong magic") << entryHead(key, 42) << false << QByteArray();
        QTest::newRow("key longer than the bytes")
            << entryHead(key, 0xfcfb6d1ba7725c30ULL, key.size() + 1) << false << QByteArray();
        QTest::newRow("huge length")
            << entryHead(key, 0xfcfb6d1ba7725c30ULL, 0xffffffffLL) << false << QByteArray();
        QTest::newRow("empty key") << entryHead({}) << false << QByteArray();
        QTest::newRow("short header") << entryHead(key).left(23) << false << QByteArray();
        QTest::newRow("nothing") << QByteArray() << false << QByteArray();
    }
    void entryKey() {
        QFETCH(QByteArray, head);
        QFETCH(bool, valid);
        const std::optional<QByteArray> key = ReadCacheEntryKey(head);
        QCOMPARE(key.has_value(), valid);
        if (valid)
            QTEST(*key, "key");
    }

    void entryKeyNeverReadsPastTheBytes() {
        // Every cut and every flipped length of a real head is refused or read within bounds.
        const QByteArray head = entryHead("1/0/http://h/x.pdf") + "tail";
        for (int size = 0; size <= head.size(); ++size)
            (void)ReadCacheEntryKey(QByteArrayView(head.constData(), size));
        for (int bit = 0; bit < 32; ++bit) {
            QByteArray changed = head;
            qToLittleEndian<quint32>(quint32(1) << bit, changed.data() + 12);
            const std::optional<QByteArray> key = ReadCacheEntryKey(changed);
            if (key)
                QVERIFY(key->size() <= changed.size() - 24);
        }
    }

    void addressFromKey_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("address");
        QTest::newRow("partitioned")
            << QByteArray("1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1:8/a.pdf")
            << u"http://127.0.0.1:8/a.pdf"_qs;
        QTest::newRow("plain") << QByteArray("1/0/https://h/x?y=1") << u"https://h/x?y=1"_qs;
        QTest::newRow("no prefix") << QByteArray("https://h/") << u"https://h/"_qs;
        QTest::newRow("code cache")
            << QByteArray("_keyhttp://h/app.js \nhttp://h/") << u"http://h/app.js"_qs;
        QTest::newRow("Chinese") << QString(u"1/0/http://h/文档.pdf"_qs).toUtf8()
                                 << u"http://h/文档.pdf"_qs;
    }
    void addressFromKey() {
        QFETCH(QByteArray, key);
        QTEST(AddressFromCacheKey(key), "address");
    }

    void diskFolderListsAndRemovesEntries() {
        const QString folder = m_dir.filePath(u"disk/Cache/Cache_Data"_qs);
        WriteFile(folder + u"/00000000000000a1_0"_qs, entryHead("1/0/http://h/a.pdf") + "body");
        WriteFile(folder + u"/00000000000000a1_1"_qs, "stream");
        WriteFile(folder + u"/00000000000000b2_0"_qs, entryHead("1/0/http://h/b.css"));
        WriteFile(folder + u"/00000000000000c3_0"_qs, "not an entry at all");
        WriteFile(folder + u"/index"_qs, "index");
        WriteFile(folder + u"/00000000000000d4_0"_qs,
                  entryHead("1/0/http://h/cut.pdf").left(30)); // key cut short
        DiskCacheFolder store(m_dir.filePath(u"disk"_qs));
        QList<CacheEntry> entries;
        QVERIFY(store.enumerate(entries));
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).address, u"http://h/a.pdf"_qs);
        QCOMPARE(entries.at(0).localFile, folder + u"/00000000000000a1_0"_qs);
        QCOMPARE(store.localFileOf(u"http://h/b.css"_qs), folder + u"/00000000000000b2_0"_qs);
        QVERIFY(store.localFileOf(u"http://h/none"_qs).isEmpty());
        QVERIFY(store.removeEntry(u"http://h/a.pdf"_qs));
        QVERIFY(!QFileInfo::exists(folder + u"/00000000000000a1_0"_qs));
        QVERIFY(!QFileInfo::exists(folder + u"/00000000000000a1_1"_qs));
        QVERIFY(QFileInfo::exists(folder + u"/00000000000000b2_0"_qs));
        QVERIFY(QFileInfo::exists(folder + u"/index"_qs));
        QVERIFY(!store.removeEntry(u"http://h/a.pdf"_qs));
        // A missing folder is an empty cache.
        DiskCacheFolder none(m_dir.filePath(u"nowhere"_qs));
        entries.clear();
        QVERIFY(none.enumerate(entries));
        QVERIFY(entries.isEmpty());
    }

    void layout_data() {
        QTest::addColumn<QString>("cache");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QStringList>("suffixes");
        QTest::newRow("below home") << u"/home/ann/.cache/Q/QtWebEngine/Q"_qs << u"/home/ann"_qs
                                    << u"/home/"_qs << QStringList{u"/.cache/Q/QtWebEngine/Q"_qs};
        QTest::newRow("root's home")
            << u"/root/.cache/Q"_qs << u"/root"_qs << u"/"_qs << QStringList{u"/.cache/Q"_qs};
        QTest::newRow("outside home")
            << u"/var/cache/q"_qs << u"/home/ann"_qs << QString() << QStringList{};
        QTest::newRow("home itself")
            << u"/home/ann"_qs << u"/home/ann"_qs << QString() << QStringList{};
        QTest::newRow("similar name")
            << u"/home/anna/.cache"_qs << u"/home/ann"_qs << QString() << QStringList{};
        QTest::newRow("no cache") << QString() << u"/home/ann"_qs << QString() << QStringList{};
    }
    void layout() {
        QFETCH(QString, cache);
        QFETCH(QString, home);
        const CacheLayout layout = CacheLayoutFor(cache, home);
        QTEST(layout.usersRoot, "root");
        QTEST(layout.suffixes, "suffixes");
    }

    void listers() {
        const QString root = m_dir.filePath(u"tree"_qs);
        WriteFile(root + u"/a/x.bin"_qs, "1");
        WriteFile(root + u"/a/b/y.bin"_qs, "2");
        WriteFile(root + u"/c/.hidden"_qs, "3");
        WriteFile(root + u"/top.bin"_qs, "4");
        QVERIFY(QFile::link(root, root + u"/a/loop"_qs));
        QStringList folders;
        ListFolders(root, folders, true);
        QCOMPARE(folders, (QStringList{root + u"/a"_qs, root + u"/c"_qs, root + u"/a/b"_qs}));
        QStringList direct;
        ListFolders(root + u'/', direct, false);
        QCOMPARE(direct, (QStringList{root + u"/a"_qs, root + u"/c"_qs}));
        QStringList files;
        ListFiles(root, files, true);
        QCOMPARE(files, (QStringList{root + u"/top.bin"_qs, root + u"/a/x.bin"_qs,
                                     root + u"/a/b/y.bin"_qs, root + u"/c/.hidden"_qs}));
        QStringList relative;
        ListFolders(u"tree"_qs, relative, true);
        ListFiles(u"tree"_qs, relative, true);
        ListFiles(root + u"/missing"_qs, relative, true);
        QVERIFY(relative.isEmpty());
    }

    void myCacheRowsAndDeletion() {
        const QString folder = m_dir.filePath(u"mine/"_qs);
        FakeCacheStore store;
        const QStringList addresses{u"http://h/first.pdf"_qs, u"http://h/Cookie/x.gif"_qs,
                                    u"http://h/middle.doc"_qs, u"http://h/nofile.htm"_qs,
                                    u"http://h/last.ppt"_qs};
        for (const QString& address : addresses) {
            const QString file = folder + QFileInfo(address).fileName() + u"_0"_qs;
            if (!address.contains(u"nofile"_qs))
                WriteFile(file, address.toUtf8());
            store.entries.append({address, file});
        }
        CacheViewer viewer(store, {});
        viewer.listMine();
        QCOMPARE(viewer.label(), u"共有5 个文件"_qs);
        QCOMPARE(viewer.mode(), CacheViewer::MyCache);
        const QList<CacheRow>& rows = viewer.entries.rows();
        QCOMPARE(rows.at(0).type, u"pdf"_qs);
        QCOMPARE(rows.at(0).size, qint64(addresses.at(0).toUtf8().size()));
        QCOMPARE(rows.at(3).size, qint64(-1));
        QVERIFY(rows.at(3).path.isEmpty());
        QCOMPARE(viewer.entries.data(viewer.entries.index(3, 2), Qt::DisplayRole).toString(),
                 QString());
        const QString firstFile = rows.at(0).path;
        const QString cookieFile = rows.at(1).path;
        const QString middleFile = rows.at(2).path;
        // The first, the cookie, the file-less and the last row.
        viewer.deleteRows({4, 1, 0, 3});
        QCOMPARE(store.removed, (QStringList{u"http://h/first.pdf"_qs, u"http://h/nofile.htm"_qs,
                                             u"http://h/last.ppt"_qs}));
        QVERIFY(!QFileInfo::exists(firstFile));
        QVERIFY(QFileInfo::exists(cookieFile));
        QVERIFY(QFileInfo::exists(middleFile));
        QCOMPARE(viewer.entries.rows().size(), 2); // listed again
        QCOMPARE(viewer.label(), u"共有2 个文件"_qs);
        viewer.deleteAll();
        QCOMPARE(viewer.entries.rows().size(), 1);
        QCOMPARE(viewer.entries.rows().at(0).text, u"http://h/Cookie/x.gif"_qs);

        store.failMidway = true;
        viewer.listMine();
        QCOMPARE(viewer.label(), u"出错!!!共有1 个文件"_qs);
    }

    void oneAddressCachedTwiceShowsBothFiles() {
        const QString folder = m_dir.filePath(u"twice/"_qs);
        WriteFile(folder + u"a_0"_qs, "first");
        WriteFile(folder + u"b_0"_qs, "second!");
        FakeCacheStore store;
        store.entries = {{u"http://h/x.pdf"_qs, folder + u"a_0"_qs},
                         {u"http://h/x.pdf"_qs, folder + u"b_0"_qs}};
        CacheViewer viewer(store, {});
        viewer.listMine();
        QCOMPARE(viewer.entries.rows().at(0).path, folder + u"a_0"_qs);
        QCOMPARE(viewer.entries.rows().at(1).path, folder + u"b_0"_qs);
        QCOMPARE(viewer.entries.rows().at(1).size, qint64(7));
    }

    void allUsersRowsAndDeletion() {
        const QString root = m_dir.filePath(u"users/"_qs);
        const QString suffix = u"/.cache/Q"_qs;
        WriteFile(root + u"ann"_qs + suffix + u"/a.pdf"_qs, "pdf");
        WriteFile(root + u"ann"_qs + suffix + u"/sub/inner/cookie.txt"_qs, "txt");
        WriteFile(root + u"ann"_qs + suffix + u"/sub/empty/x.gif"_qs, "gif");
        WriteFile(root + u"bob"_qs + suffix + u"/Cookies"_qs, "cookies");
        WriteFile(root + u"bob"_qs + suffix + u"/Cookies-journal"_qs, "journal");
        QDir().mkpath(root + u"carol/.cache"_qs);
        WriteFile(root + u"notes.bin"_qs, "not a profile");
        FakeCacheStore store;
        CacheViewer viewer(store, {root, {suffix}});
        viewer.listAllUsers();
        QCOMPARE(viewer.mode(), CacheViewer::AllCaches);
        QCOMPARE(viewer.userFolders.size(), 2);
        QCOMPARE(viewer.userFolders.at(0).user, u"ann"_qs);
        QCOMPARE(viewer.userFolders.at(1).folder, root + u"bob"_qs + suffix);
        QCOMPARE(viewer.entries.rows().size(), 5);
        QCOMPARE(viewer.label(), u"共有5 个文件"_qs);
        QCOMPARE(viewer.entries.rows().at(0).text, u"用户:ann"_qs);
        QCOMPARE(viewer.cacheSubfolders,
                 (QStringList{root + u"ann"_qs + suffix + u"/sub"_qs,
                              root + u"ann"_qs + suffix + u"/sub/empty"_qs,
                              root + u"ann"_qs + suffix + u"/sub/inner"_qs}));
        viewer.deleteAll();
        QStringList left;
        ListFiles(root, left, true);
        QCOMPARE(left, (QStringList{root + u"notes.bin"_qs,
                                    root + u"ann"_qs + suffix + u"/sub/inner/cookie.txt"_qs,
                                    root + u"bob"_qs + suffix + u"/Cookies"_qs,
                                    root + u"bob"_qs + suffix + u"/Cookies-journal"_qs}));
        QVERIFY(!QFileInfo::exists(root + u"ann"_qs + suffix + u"/sub/empty"_qs));
        QVERIFY(QFileInfo::exists(root + u"ann"_qs + suffix + u"/sub/inner"_qs));
        QVERIFY(store.removed.isEmpty());
        QCOMPARE(viewer.entries.rows().size(), 3);

        // Without a layout nothing is listed.
        CacheViewer none(store, {});
        none.listAllUsers();
        QVERIFY(none.entries.rows().isEmpty());
        QVERIFY(none.userFolders.isEmpty());
        QCOMPARE(none.label(), u"共有0 个文件"_qs);
    }

    // A user whose cache folder is a link to someone's documents, or a listed file that is a
    // link: nothing outside the caches is deleted or has its rights changed.
    void linksNeverLeadOutOfTheCaches() {
        const QString root = m_dir.filePath(u"linked-users/"_qs);
        const QString suffix = u"/.cache/Q"_qs;
        const QString documents = m_dir.filePath(u"documents/"_qs);
        WriteFile(documents + u"thesis.pdf"_qs, "precious");
        QFile::setPermissions(documents + u"thesis.pdf"_qs, QFileDevice::ReadOwner);
        WriteFile(root + u"ann"_qs + suffix + u"/a.pdf"_qs, "pdf");
        QVERIFY(
            QFile::link(documents + u"thesis.pdf"_qs, root + u"ann"_qs + suffix + u"/b.pdf"_qs));
        QDir().mkpath(root + u"eve/.cache"_qs);
        QVERIFY(QFile::link(documents, root + u"eve"_qs + suffix));
        FakeCacheStore store;
        CacheViewer viewer(store, {root, {suffix}});
        viewer.listAllUsers();
        QCOMPARE(viewer.userFolders.size(), 1);
        viewer.deleteAll();
        QFile thesis(documents + u"thesis.pdf"_qs);
        QVERIFY(thesis.exists());
        QCOMPARE(thesis.permissions() & QFileDevice::WriteOwner, QFileDevice::Permissions());
        QVERIFY(!QFileInfo(root + u"ann"_qs + suffix + u"/b.pdf"_qs).isSymLink());
        QVERIFY(!QFileInfo::exists(root + u"ann"_qs + suffix + u"/a.pdf"_qs));
        QFile::setPermissions(documents + u"thesis.pdf"_qs,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void sortBySizeAndClicks() {
        CacheListModel model;
        model.setRows({{u"b"_qs, u"pdf"_qs, 1000, u"/b"_qs},
                       {u"a"_qs, u"gif"_qs, 900, u"/a"_qs},
                       {u"c"_qs, QString(), -1, QString()},
                       {u"d"_qs, u"doc"_qs, 90000, u"/d"_qs}});
        const auto sizes = [&] {
            QStringList shown;
            for (int i = 0; i < model.rowCount(); ++i)
                shown << model.data(model.index(i, 2), Qt::DisplayRole).toString();
            return shown;
        };
        model.sort(2, Qt::AscendingOrder);
        QCOMPARE(sizes(), (QStringList{QString(), u"900"_qs, u"1000"_qs, u"90000"_qs}));
        model.clickColumn(2); // not descending yet: descending
        QCOMPARE(model.sortOrder(), Qt::DescendingOrder);
        QCOMPARE(sizes(), (QStringList{u"90000"_qs, u"1000"_qs, u"900"_qs, QString()}));
        model.clickColumn(0); // descending already: ascending, whatever the column
        QCOMPARE(model.sortOrder(), Qt::AscendingOrder);
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), u"a"_qs);
        model.clickColumn(1);
        QCOMPARE(model.sortOrder(), Qt::DescendingOrder);
        QCOMPARE(model.data(model.index(0, 1), Qt::DisplayRole).toString(), u"pdf"_qs);
        QCOMPARE(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), u"SIZE(Byte)"_qs);
    }

    void filesOfSelectedRows() {
        FakeCacheStore store;
        CacheViewer viewer(store, {});
        viewer.entries.setRows({{u"a"_qs, {}, 1, u"/x/a"_qs},
                                {u"b"_qs, {}, -1, QString()},
                                {u"c"_qs, {}, 1, u"/x/c"_qs}});
        QCOMPARE(viewer.filesOf({2, 0, 1, 7}), (QStringList{u"/x/a"_qs, u"/x/c"_qs}));
    }

    void clearWithAndWithoutReport() {
        const QString root = m_dir.filePath(u"clear/"_qs);
        WriteFile(root + u"me/.cache/Q/f.bin"_qs, "x");
        FakeCacheStore store;
        store.entries.append({u"http://h/p.pdf"_qs, QString()});
        RecordingMessageSink messages;
        ClearBrowserCache(store, {root, {u"/.cache/Q"_qs}}, messages, false);
        QVERIFY(messages.texts().isEmpty());
        QCOMPARE(store.removed, QStringList{u"http://h/p.pdf"_qs});
        QVERIFY(!QFileInfo::exists(root + u"me/.cache/Q/f.bin"_qs));
        ClearBrowserCache(store, {root, {u"/.cache/Q"_qs}}, messages, true);
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages.at(0).text, u"IE缓存清空完毕！"_qs);
        QCOMPARE(messages.messages.at(0).icon, MessageIcon::Information);
    }
};

QTEST_GUILESS_MAIN(tst_browsercache)
#include "tst_browsercache.moc"
