// Files survive what the disk and the system do to the program. Killing it in the middle of
// a write never leaves a half-written file under its name: the test runs itself again as a
// writer child ("--writer MODE FOLDER") that rewrites one file in a loop and says after each
// whole write how far it is, kills it with SIGKILL at different moments and reads what is on
// disk. A full disk (a file size limit) and an unwritable folder fail the write, never the
// old file.
#include "Downloader.h"
#include "IniSettingsStore.h"
#include "LocalHttpServer.h"
#include "RecentFolders.h"
#include "ResultCommands.h"
#include "ResultListModel.h"
#include "SystemClock.h"
#include "TestFiles.h"
#include "TestNetwork.h"
#include "WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

constexpr qint64 DownloadSize = 6 * 1024 * 1024;

// Version n of each file: it tells which version it is and whether it is whole.
QString Padding(int n) {
    return QString((n % 7 + 1) * 3000, QChar(u'a' + n % 26));
}
QByteArray PageVersion(int n) {
    return (u"<html><!--v%1-->"_qs.arg(n) + Padding(n) + u"</html>"_qs).toUtf8();
}
QStringList FolderVersion(int n) {
    QStringList folders;
    for (int i = 0; i < 100; ++i)
        folders << u"/v%1/folder%2/"_qs.arg(n).arg(i) + Padding(n).left(100);
    return folders;
}

void Report(const char* what, qint64 n) {
    std::printf("%s %lld\n", what, static_cast<long long>(n));
    std::fflush(stdout);
}

// Rewrites the file of the mode until it is killed.
int RunWriter(const QString& mode, const QString& folder) {
    if (mode == u"download"_qs) {
        SystemClock clock;
        LocalHttpServer server(clock);
        LocalHttpServer::Response body(200, {{"Content-Type", "application/pdf"}});
        body.generatedSize = DownloadSize;
        body.dripBytes = 64 * 1024;
        body.dripEveryMs = 20;
        server.route("/doc.pdf", body);
        QNetworkAccessManager network;
        Downloader downloader(network, clock);
        QObject::connect(&downloader, &Downloader::DownloadProgress,
                         [](qint64 bytes, qint64, const QString&) { Report("progress", bytes); });
        QObject::connect(&downloader, &Downloader::DownloadComplete,
                         [](qint64 bytes, qint64, const QString&) {
                             Report("complete", bytes);
                             QCoreApplication::quit();
                         });
        QObject::connect(&downloader, &Downloader::DownloadError,
                         [] { QCoreApplication::exit(3); });
        downloader.BeginDownload(server.url("/doc.pdf"), folder + u"/doc.pdf"_qs);
        return QCoreApplication::exec();
    }
    for (int n = 1;; ++n) {
        if (mode == u"settings"_qs) {
            IniSettingsStore store(folder + u"/Quenlit.ini"_qs);
            store.SaveSetting(u"设置"_qs, u"文件最大值"_qs, u"v%1:"_qs.arg(n) + Padding(n));
            store.SaveSetting(u"下载"_qs, u"线程"_qs, u"6"_qs);
        } else if (mode == u"savelist"_qs) {
            SaveRecentFolders(FolderVersion(n), folder + u"/SaveList.dat"_qs);
        } else if (mode == u"export"_qs) {
            ResultListModel results;
            for (int i = 0; i < 2000; ++i)
                results.append(u"http://h/%1"_qs.arg(i), [&](ResultRow& row) {
                    row.title = u"v%1 title %2"_qs.arg(n).arg(i);
                });
            if (!ExportResults(results, folder + u"/results.txt"_qs))
                return 2;
        } else if (mode == u"page"_qs) {
            if (!WriteWholeFile(folder + u"/page.txt"_qs, PageVersion(n)).isEmpty())
                return 2;
        } else {
            return 2;
        }
        Report("wrote", n);
    }
}

// The version a file holds when it is whole, else -1.
int SettingsVersion(const QString& path) {
    const IniSettingsStore store(path);
    const QString value = store.GetSetting(u"设置"_qs, u"文件最大值"_qs, {});
    const QRegularExpressionMatch m = QRegularExpression(u"^v(\\d+):(.*)$"_qs).match(value);
    if (!m.hasMatch() || store.GetSetting(u"下载"_qs, u"线程"_qs, {}) != u"6"_qs)
        return -1;
    const int n = m.captured(1).toInt();
    return m.captured(2) == Padding(n) ? n : -1;
}
int SaveListVersion(const QString& path) {
    QStringList folders;
    LoadRecentFolders(folders, path);
    const int n = folders.value(0).section(u'/', 1, 1).mid(1).toInt();
    return folders == FolderVersion(n) ? n : -1;
}
int ExportVersion(const QString& path) {
    const QStringList lines = QString::fromUtf8(ReadFile(path)).split(u"\r\n"_qs);
    const int n = lines.value(0).section(u' ', 0, 0).mid(1).toInt();
    if (lines.size() != 2001 || !lines.last().isEmpty())
        return -1;
    for (int i = 0; i < 2000; ++i)
        if (!lines[i].startsWith(u"v%1 title %2-【"_qs.arg(n).arg(i)))
            return -1;
    return n;
}
int PageFileVersion(const QString& path) {
    const QByteArray page = ReadFile(path);
    const int n = QString::fromUtf8(page).section(u"<!--v"_qs, 1).section(u"-->"_qs, 0, 0).toInt();
    return page == PageVersion(n) ? n : -1;
}

// Starts the writer, waits until it has reported `reports` lines, kills it; the last report.
qint64 KillWriterAfter(const QString& mode, const QString& folder, int reports) {
    QProcess writer;
    writer.setProgram(QCoreApplication::applicationFilePath());
    writer.setArguments({u"--writer"_qs, mode, folder});
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start();
    if (!writer.waitForStarted())
        return -1;
    qint64 last = 0;
    for (int seen = 0; seen < reports;) {
        if (!writer.canReadLine() && !writer.waitForReadyRead(10000))
            return -1;
        while (writer.canReadLine() && seen < reports) {
            last = writer.readLine().trimmed().split(' ').value(1).toLongLong();
            ++seen;
        }
    }
    ::kill(pid_t(writer.processId()), SIGKILL);
    writer.waitForFinished();
    return last;
}

// While it lives, no file may grow past `bytes`: writes beyond fail as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// The ways the program writes a file whole; false when it reports the write failed.
bool WriteWith(const QString& writer, const QString& path, const QByteArray& contents) {
    if (writer == u"export"_qs) {
        ResultListModel results;
        results.append(u"http://h/1"_qs,
                       [&](ResultRow& row) { row.title = QString::fromUtf8(contents); });
        return ExportResults(results, path).has_value();
    }
    return WriteWholeFile(path, contents).isEmpty();
}

} // namespace

class FileSafetyTest : public QObject {
    Q_OBJECT
private slots:
    void killedMidWriteLeavesAWholeFile_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("file");
        QTest::newRow("settings") << u"settings"_qs << u"Quenlit.ini"_qs;
        QTest::newRow("SaveList.dat") << u"savelist"_qs << u"SaveList.dat"_qs;
        QTest::newRow("exported list") << u"export"_qs << u"results.txt"_qs;
        QTest::newRow("saved page") << u"page"_qs << u"page.txt"_qs;
    }
    void killedMidWriteLeavesAWholeFile() {
        QFETCH(QString, mode);
        QFETCH(QString, file);
        const auto version = mode == u"settings"_qs   ? SettingsVersion
                             : mode == u"savelist"_qs ? SaveListVersion
                             : mode == u"export"_qs   ? ExportVersion
                                                      : PageFileVersion;
        QTemporaryDir dir;
        const QString path = dir.filePath(file);
        // A settings lock that a kill left empty names no owner; it must not hold the next
        // writer up (QSettings alone waits 30 s for it).
        if (mode == u"settings"_qs)
            WriteFile(path + u".lock"_qs, {});
        // Killed at different moments: early, and after more and more whole writes.
        for (const int reports : {1, 2, 3, 5, 8, 13}) {
            const qint64 lastReported = KillWriterAfter(mode, dir.path(), reports);
            QVERIFY2(lastReported > 0, "the writer ran");
            const int found = version(path);
            // The writer may have finished the next write before the kill landed.
            QVERIFY2(found == lastReported || found == lastReported + 1,
                     qPrintable(u"after v%1 the file holds %2"_qs.arg(lastReported).arg(found)));
            // No temporary file is left beside it; the settings' lock file is stale and
            // taken over by the next writer.
            QStringList others = QDir(dir.path()).entryList(QDir::Files);
            others.removeAll(file);
            others.removeAll(file + u".lock"_qs);
            QVERIFY2(others.isEmpty(), qPrintable(others.join(u", "_qs)));
        }
    }

    void killedMidDownloadLeavesNoPartialTarget() {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"doc.pdf"_qs);
        const QByteArray whole = LocalHttpServer::generated(0, DownloadSize);
        for (const int reports : {1, 2, 4, 7}) {
            const qint64 received = KillWriterAfter(u"download"_qs, dir.path(), reports);
            QVERIFY2(received > 0, "the download ran");
            // Under its name only the two-byte placeholder or the whole file, never a part.
            const QByteArray atTarget = ReadFile(target);
            QVERIFY2(atTarget == QByteArray("\x01\x00", 2) || atTarget == whole,
                     qPrintable(u"%1 bytes under the name"_qs.arg(atTarget.size())));
            // What arrived is in the temporary file, in order.
            const QByteArray part = ReadFile(target + u".part"_qs);
            QVERIFY(part.size() <= DownloadSize);
            QVERIFY(whole.startsWith(part));
        }
        // The next run takes no part of the left-overs for the document.
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {u"--writer"_qs, u"download"_qs, dir.path()});
        QVERIFY(writer.waitForFinished(60000));
        QCOMPARE(writer.exitCode(), 0);
        QVERIFY(ReadFile(target) == whole);
        QVERIFY(!QFile::exists(target + u".part"_qs));
    }

    void fullDiskOrUnwritableFolderKeepsTheOldFile_data() {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<bool>("fullDisk");
        for (const QString& writer : {u"whole file"_qs, u"export"_qs}) {
            QTest::addRow("%s, full disk", qPrintable(writer)) << writer << true;
            QTest::addRow("%s, unwritable folder", qPrintable(writer)) << writer << false;
        }
    }
    void fullDiskOrUnwritableFolderKeepsTheOldFile() {
        QFETCH(QString, writer);
        QFETCH(bool, fullDisk);
        QTemporaryDir dir;
        // Even root cannot create files in /proc.
        const QString path = fullDisk ? dir.filePath(u"list.txt"_qs) : u"/proc/quenlit-list.txt"_qs;
        if (fullDisk)
            QVERIFY(WriteWith(writer, path, "old list"));
        const QByteArray before = ReadFile(path);
        {
            FileSizeLimit limit(256 * 1024);
            QVERIFY2(!WriteWith(writer, path, QByteArray(1024 * 1024, 'n')),
                     "the failure is reported");
        }
        QCOMPARE(ReadFile(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 fullDisk ? QStringList{u"list.txt"_qs} : QStringList{});
    }

    void fullDiskFailsTheDownload() {
        VirtualClock clock;
        LocalHttpServer server(clock);
        LocalHttpServer::Response body(200, {{"Content-Type", "application/pdf"}});
        body.generatedSize = 4 * 1024 * 1024;
        server.route("/doc.pdf", body);
        QNetworkAccessManager network;
        Downloader downloader(network, clock);
        QSignalSpy failed(&downloader, &Downloader::DownloadError);
        QSignalSpy completed(&downloader, &Downloader::DownloadComplete);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"doc.pdf"_qs);
        {
            FileSizeLimit limit(1024 * 1024);
            downloader.BeginDownload(server.url("/doc.pdf"), target);
            QUENLIT_WAIT_FOR_IO(clock, failed.size() + completed.size() > 0);
        }
        QCOMPARE(completed.size(), 0);
        QCOMPARE(failed.first().first().toString(), u"无法下载"_qs);
        QVERIFY2(ReadFile(target).size() <= 2, "no part of the body under the document's name");
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArrayView(argv[1]) == "--writer")
        return RunWriter(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    FileSafetyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filesafety.moc"
