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
#include <QDeadlineTimer>
#include <QDir>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

constexpr qint64 DownloadSize = 6 * 1024 * 1024;

// Version n of each file: it tells which version it is and whether it is whole.
QString Padding(int n) {
    return QString((n % 7 + 1) * 3000, QChar(u'a' + n % 26));
}
QByteArray PageVersion(int n) {
    return (u"<html><!--v%1-->"_qs.arg(n) + Padding(n).repeated(20) + u"</html>"_qs).toUtf8();
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
    // Little is done between two writes, so that a kill mostly lands inside one.
    std::optional<IniSettingsStore> store;
    if (mode == u"settings"_qs) {
        store.emplace(folder + u"/Quenlit.ini"_qs);
        store->SaveSetting(u"下载"_qs, u"线程"_qs, u"6"_qs);
    }
    ResultListModel results;
    for (int i = 0; i < 2000; ++i)
        results.append(u"http://h/%1"_qs.arg(i),
                       [&](ResultRow& row) { row.title = u"title %1"_qs.arg(i); });
    for (int n = 1;; ++n) {
        if (mode == u"settings"_qs) {
            store->SaveSetting(u"设置"_qs, u"文件最大值"_qs, u"v%1:"_qs.arg(n) + Padding(n));
        } else if (mode == u"savelist"_qs) {
            SaveRecentFolders(FolderVersion(n), folder + u"/SaveList.dat"_qs);
        } else if (mode == u"export"_qs) {
            results.modify(1, [&](ResultRow& row) { row.title = u"v%1 title 0"_qs.arg(n); });
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
    // Read from a copy under a new name: QSettings would answer a path it has read before
    // from memory.
    static int copies = 0;
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath(u"copy%1.ini"_qs.arg(++copies));
    if (!QFile::copy(path, copy))
        return -1;
    const IniSettingsStore store(copy);
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
    if (lines.size() != 2001 || !lines.last().isEmpty() ||
        !lines[0].startsWith(u"v%1 title 0-【"_qs.arg(n)))
        return -1;
    for (int i = 1; i < 2000; ++i)
        if (!lines[i].startsWith(u"title %1-【"_qs.arg(i)))
            return -1;
    return n;
}
int PageFileVersion(const QString& path) {
    const QByteArray page = ReadFile(path);
    const int n = QString::fromUtf8(page).section(u"<!--v"_qs, 1).section(u"-->"_qs, 0, 0).toInt();
    return page == PageVersion(n) ? n : -1;
}

// True when the process has a file of the folder open: a write under way. Files being
// written whole are unnamed until they are complete, and show as "<folder>/#123 (deleted)".
bool WritingInto(qint64 pid, const QString& folder) {
    const QString fds = u"/proc/%1/fd"_qs.arg(pid);
    const QByteArray prefix = QFile::encodeName(folder + u'/');
    for (const QString& fd :
         QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const ssize_t length =
            ::readlink(QFile::encodeName(fds + u'/' + fd).constData(), target, sizeof target);
        if (length > 0 && QByteArrayView(target, length).startsWith(prefix))
            return true;
    }
    return false;
}

struct Kill {
    qint64 lastReported = -1; // the count of the last report read before the kill
    bool midWrite = false;    // the writer had a file of the folder open
};

// Starts the writer, waits until it has reported `reports` lines, kills it inside the next
// write when it can.
Kill KillWriterAfter(const QString& mode, const QString& folder, int reports) {
    QProcess writer;
    writer.setProgram(QCoreApplication::applicationFilePath());
    writer.setArguments({u"--writer"_qs, mode, folder});
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start();
    if (!writer.waitForStarted())
        return {};
    Kill kill;
    for (int seen = 0; seen < reports;) {
        if (!writer.canReadLine() && !writer.waitForReadyRead(10000))
            return {};
        while (writer.canReadLine()) {
            kill.lastReported = writer.readLine().trimmed().split(' ').value(1).toLongLong();
            ++seen;
        }
    }
    // Aim at the next write: kill as soon as the writer has its file open.
    for (QDeadlineTimer aim(2000); !kill.midWrite && !aim.hasExpired();)
        kill.midWrite = WritingInto(writer.processId(), folder);
    ::kill(pid_t(writer.processId()), SIGKILL);
    writer.waitForFinished();
    return kill;
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
        int midWrite = 0;
        for (const int reports : {1, 2, 3, 5, 8, 13, 21, 34}) {
            const Kill kill = KillWriterAfter(mode, dir.path(), reports);
            QVERIFY2(kill.lastReported > 0, "the writer ran");
            midWrite += kill.midWrite;
            // Whole, and no older than the last write reported (later ones may have ended
            // before the kill landed).
            const int found = version(path);
            QVERIFY2(
                found >= kill.lastReported,
                qPrintable(u"after v%1 the file holds %2"_qs.arg(kill.lastReported).arg(found)));
            // No temporary file is left beside it; the settings' lock file is stale and
            // taken over by the next writer.
            QStringList others = QDir(dir.path()).entryList(QDir::Files);
            others.removeAll(file);
            others.removeAll(file + u".lock"_qs);
            QVERIFY2(others.isEmpty(), qPrintable(others.join(u", "_qs)));
        }
        // Most kills land inside a write: a writer that wrote in place would be caught.
        QVERIFY2(midWrite >= 4, qPrintable(u"%1 kills in the middle of a write"_qs.arg(midWrite)));
    }

    void killedMidDownloadLeavesNoPartialTarget() {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"doc.pdf"_qs);
        const QByteArray whole = LocalHttpServer::generated(0, DownloadSize);
        for (const int reports : {1, 2, 4, 7}) {
            QVERIFY2(KillWriterAfter(u"download"_qs, dir.path(), reports).lastReported > 0,
                     "the download ran");
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

    void fullDiskKeepsTheOldFile_data() {
        QTest::addColumn<QString>("writer");
        QTest::newRow("whole file") << u"whole file"_qs;
        QTest::newRow("export") << u"export"_qs;
    }
    void fullDiskKeepsTheOldFile() {
        QFETCH(QString, writer);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_qs);
        QVERIFY(WriteWith(writer, path, "old list"));
        const QByteArray before = ReadFile(path);
        {
            FileSizeLimit limit(256 * 1024);
            QVERIFY2(!WriteWith(writer, path, QByteArray(1024 * 1024, 'n')),
                     "the failure is reported");
        }
        QCOMPARE(ReadFile(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"list.txt"_qs});
    }

    void unwritableFolderReportsTheFailure_data() { fullDiskKeepsTheOldFile_data(); }
    void unwritableFolderReportsTheFailure() {
        QFETCH(QString, writer);
        // Even root cannot create files in /proc.
        QVERIFY2(!WriteWith(writer, u"/proc/quenlit-list.txt"_qs, "a list"),
                 "the failure is reported");
        QVERIFY(!QFile::exists(u"/proc/quenlit-list.txt"_qs));
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
