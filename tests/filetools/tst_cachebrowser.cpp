// The cache viewer over the disk cache the real browser writes, offscreen.
#include "BrowserCache.h"
#include "CacheViewer.h"
#include "LocalHttpServer.h"
#include "RecordingMessageSink.h"
#include "SystemClock.h"
#include "TestApp.h"
#include "fIEcache.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

using namespace quenlit;
using namespace quenlit::testing;

namespace {
const QByteArray Page = R"(<!DOCTYPE html><html><head><meta charset="utf-8">
<link rel="stylesheet" href="/style.css"></head>
<body><p>缓存</p><img src="/picture.gif?size=1"></body></html>)";
// A 1x1 GIF.
const QByteArray Picture =
    QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7");

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int rowOf(const CacheViewer& viewer, const QString& text) {
    const QList<CacheRow>& rows = viewer.entries.rows();
    for (int i = 0; i < rows.size(); ++i)
        if (rows.at(i).text == text)
            return i;
    return -1;
}
} // namespace

class tst_cachebrowser : public QObject {
    Q_OBJECT

private slots:
    void listsAndDeletesWhatTheBrowserCached() {
        QTemporaryDir dir;
        const QString home = dir.filePath(u"home/alice"_qs);
        const QString cacheFolder = home + u"/.cache/Quenlit"_qs;
        const QString storage = dir.filePath(u"storage"_qs);
        SystemClock clock;
        LocalHttpServer server(clock);
        const QList<std::pair<QByteArray, QByteArray>> cacheable{{"Cache-Control", "max-age=3600"}};
        auto with = [&](QByteArray type) {
            auto headers = cacheable;
            headers.append(std::pair<QByteArray, QByteArray>("Content-Type", type));
            return headers;
        };
        auto pageHeaders = with("text/html; charset=utf-8");
        pageHeaders.append(
            std::pair<QByteArray, QByteArray>("Set-Cookie", "session=kept; Max-Age=86400; Path=/"));
        server.route("/page.html", LocalHttpServer::Response(200, pageHeaders, Page));
        server.route("/style.css",
                     LocalHttpServer::Response(200, with("text/css"), "p { color: red }"));
        server.route("/picture.gif?size=1",
                     LocalHttpServer::Response(200, with("image/gif"), Picture));

        QStringList cached;
        {
            QWebEngineProfile profile(u"cachetest"_qs);
            profile.setCachePath(cacheFolder);
            profile.setPersistentStoragePath(storage);
            profile.setHttpCacheType(QWebEngineProfile::DiskHttpCache);
            profile.setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
            QWebEnginePage page(&profile);
            QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
            page.load(QUrl(server.url("/page.html")));
            QVERIFY(loaded.wait(30000));
            QVERIFY(loaded.first().first().toBool());

            // The browser writes its entries a little later.
            const QStringList expected{server.url("/page.html"), server.url("/style.css"),
                                       server.url("/picture.gif?size=1")};
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    DiskCacheFolder store(cacheFolder);
                    QList<CacheEntry> entries;
                    store.enumerate(entries);
                    cached.clear();
                    for (const CacheEntry& entry : entries)
                        cached << entry.address;
                    for (const QString& address : expected)
                        if (!cached.contains(address))
                            return false;
                    return true;
                }(),
                60000);

            // What the user sees in the viewer.
            {
                qputenv("HOME", QFile::encodeName(home));
                TestApp app;
                app.context.browserCacheFolder = cacheFolder;
                fIEcache window(app.context);
                window.show();
                window.Command1->click();
                QStringList shown;
                const QAbstractItemModel* model = window.ListView1->model();
                for (int row = 0; row < model->rowCount(); ++row)
                    shown << model->index(row, 0).data().toString();
                QVERIFY(shown.contains(server.url("/page.html")));
                QVERIFY(shown.contains(server.url("/style.css")));
                QCOMPARE(window.Label1->text(),
                         u"共有"_qs + QString::number(model->rowCount()) + u" 个文件"_qs);
                const QString shots = qEnvironmentVariable("QUENLIT_SHOTS");
                if (!shots.isEmpty())
                    window.grab().save(shots + u"/fIEcache-browser.png"_qs);
            }

            DiskCacheFolder store(cacheFolder);
            CacheViewer viewer(store, CacheLayoutFor(cacheFolder, home));
            viewer.listMine();
            QCOMPARE(viewer.mode(), CacheViewer::MyCache);
            QCOMPARE(viewer.label(),
                     u"共有"_qs + QString::number(viewer.entries.rows().size()) + u" 个文件"_qs);
            const int pageRow = rowOf(viewer, server.url("/page.html"));
            const int styleRow = rowOf(viewer, server.url("/style.css"));
            const int pictureRow = rowOf(viewer, server.url("/picture.gif?size=1"));
            QVERIFY(pageRow >= 0 && styleRow >= 0 && pictureRow >= 0);
            const CacheRow style = viewer.entries.rows().at(styleRow);
            QCOMPARE(style.type, u"css"_qs);
            QCOMPARE(viewer.entries.rows().at(pictureRow).type, u"gif"_qs);
            QCOMPARE(viewer.entries.rows().at(pageRow).type, u"html"_qs);
            QVERIFY(style.path.startsWith(cacheFolder));
            QCOMPARE(style.size, QFileInfo(style.path).size());
            QVERIFY(style.size > 0);

            // Deleting two rows deletes exactly their entries.
            viewer.deleteRows({styleRow, pictureRow});
            QVERIFY(!QFileInfo::exists(style.path));
            QCOMPARE(rowOf(viewer, server.url("/style.css")), -1);
            QCOMPARE(rowOf(viewer, server.url("/picture.gif?size=1")), -1);
            QVERIFY(rowOf(viewer, server.url("/page.html")) >= 0);

            // The copy of a cached file is the file itself.
            const QStringList files = viewer.filesOf({rowOf(viewer, server.url("/page.html"))});
            QCOMPARE(files.size(), 1);
            QVERIFY(QFile(files.first()).open(QIODevice::ReadOnly));
        }
        const auto cookieKept = [&] {
            QFile file(storage + u"/Cookies"_qs);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("session");
        };
        QTRY_VERIFY_WITH_TIMEOUT(cookieKept(), 30000);

        // Every user's cache: Bob has one, Carol none.
        const QString bobCache = dir.filePath(u"home/bob/.cache/Quenlit"_qs);
        writeFile(bobCache + u"/Cache/Cache_Data/0123456789abcdef_0"_qs, "entry");
        writeFile(bobCache + u"/Cache/notes.txt"_qs, "kept");
        writeFile(bobCache + u"/Cookies"_qs, "kept");
        writeFile(bobCache + u"/deep/er/file.bin"_qs, "gone");
        QDir().mkpath(dir.filePath(u"home/carol/.cache"_qs));

        DiskCacheFolder store(cacheFolder);
        CacheViewer viewer(store, CacheLayoutFor(cacheFolder, home));
        viewer.listAllUsers();
        QCOMPARE(viewer.mode(), CacheViewer::AllCaches);
        QCOMPARE(viewer.userFolders.size(), 2);
        QCOMPARE(viewer.userFolders.at(0).user, u"alice"_qs);
        QCOMPARE(viewer.userFolders.at(0).folder, cacheFolder);
        QCOMPARE(viewer.userFolders.at(1).user, u"bob"_qs);
        QVERIFY(viewer.cacheSubfolders.contains(bobCache + u"/deep/er"_qs));
        QVERIFY(viewer.cacheSubfolders.indexOf(bobCache + u"/deep"_qs) <
                viewer.cacheSubfolders.indexOf(bobCache + u"/deep/er"_qs));
        for (const CacheRow& row : viewer.entries.rows()) {
            QVERIFY(row.text == u"用户:alice"_qs || row.text == u"用户:bob"_qs);
            QCOMPARE(row.size, QFileInfo(row.path).size());
        }

        RecordingMessageSink messages;
        ClearBrowserCache(store, CacheLayoutFor(cacheFolder, home), messages, true);
        QCOMPARE(messages.texts(), QStringList{u"IE缓存清空完毕！"_qs});
        QStringList left;
        ListFiles(dir.filePath(u"home"_qs), left, true);
        QCOMPARE(left, (QStringList{bobCache + u"/Cookies"_qs, bobCache + u"/Cache/notes.txt"_qs}));
        QVERIFY(!QFileInfo::exists(bobCache + u"/deep"_qs));
        QVERIFY(QFileInfo(bobCache + u"/Cache"_qs).isDir());
        // The browser's own cookie store is elsewhere and untouched.
        QVERIFY(cookieKept());
    }
};

QTEST_MAIN(tst_cachebrowser)
#include "tst_cachebrowser.moc"
