// The program run as a script runs it: `quenlit --batch` against the local search engine.
#include "SearchResultServer.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using quenlit::tools::SearchResultServer;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

class TestBatchRun : public QObject {
    Q_OBJECT
private slots:
    void init();
    void wholeRunDownloadsEveryDocument();
    void secondRunOverwritesInPlaceAndPrintsJson();
    void verificationPageGivesExitCode3();
    void badArgumentsGiveExitCode2_data();
    void badArgumentsGiveExitCode2();
    void helpListsTheOptions();
    void interruptStopsAndStillSummarises();
    void interruptMidDownload();

private:
    QString writeKeywords(const QByteArray& text);
    void startProcess(QProcess& process, const QStringList& arguments);
    Run run(const QStringList& arguments);
    QStringList files() const;
    // Ctrl+C to a running batch: it exits with 130 and still prints its summary.
    void interruptAndExpectSummary(QProcess& process);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SearchResultServer> m_server;
    QString m_out;
};

void TestBatchRun::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_server = std::make_unique<SearchResultServer>(3);
    QVERIFY(m_server->listen());
    m_out = m_dir->filePath(u"下载"_qs);
    // The user's settings point the search at the local engine.
    QSettings ini(m_dir->filePath(u"config/Quenlit/Quenlit.ini"_qs), QSettings::IniFormat);
    ini.setValue(u"配置/必应国内主机"_qs, m_server->base());
    ini.setValue(u"配置/必应国际主机"_qs, m_server->base());
    ini.sync();
}

QString TestBatchRun::writeKeywords(const QByteArray& text) {
    const QString path = m_dir->filePath(u"keywords.txt"_qs);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return path;
}

void TestBatchRun::startProcess(QProcess& process, const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_qs, m_dir->path());
    env.insert(u"XDG_CONFIG_HOME"_qs, m_dir->filePath(u"config"_qs));
    env.insert(u"XDG_DATA_HOME"_qs, m_dir->filePath(u"data"_qs));
    env.insert(u"XDG_CACHE_HOME"_qs, m_dir->filePath(u"cache"_qs));
    env.insert(u"QTWEBENGINE_DISABLE_SANDBOX"_qs, u"1"_qs);
    env.remove(u"QT_QPA_PLATFORM"_qs); // the batch picks offscreen itself
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUENLIT_PROGRAM), arguments);
}

Run TestBatchRun::run(const QStringList& arguments) {
    QProcess process;
    startProcess(process, arguments);
    Run result;
    if (!process.waitForStarted(10000))
        return result;
    // The local engine answers on this thread: run the event loop until the program ends.
    QSignalSpy done(&process, &QProcess::finished);
    if (!done.wait(120000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QStringList TestBatchRun::files() const {
    return QDir(m_out).entryList(QDir::Files, QDir::Name);
}

void TestBatchRun::wholeRunDownloadsEveryDocument() {
    const Run r = run({u"--batch"_qs, writeKeywords("教程\n"), u"--types"_qs, u"pdf"_qs,
                       u"--out"_qs, m_out, u"--method"_qs, u"2"_qs, u"--threads"_qs, u"3"_qs});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err + r.out));
    // Three result pages of four documents each (three results and a picture link).
    const QStringList got = files();
    QCOMPARE(got.size(), 12);
    for (const QString& name : got) {
        QVERIFY2(name.endsWith(u".pdf"_qs), qPrintable(name)); // types are kept in lower case
        QFile file(QDir(m_out).filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("%PDF-1.4"));
    }
    QVERIFY2(r.out.contains(u"找到 12 行，已下载 12，跳过 0，失败 0"_qs), qPrintable(r.out));
    QCOMPARE(r.err.count(u"搜索第 "_qs), 3);
    QCOMPARE(r.err.count(u"\n完成："_qs), 12);
    // Not a terminal: no progress bar.
    QVERIFY(!r.err.contains(u"\x1b[K"_qs));
}

void TestBatchRun::secondRunOverwritesInPlaceAndPrintsJson() {
    const QString keywords = writeKeywords("手册\n");
    const Run first = run({u"--batch"_qs, keywords, u"--types"_qs, u"pdf"_qs, u"--out"_qs, m_out,
                           u"--method"_qs, u"1"_qs});
    QVERIFY2(first.exitCode == 0, qPrintable(first.err + first.out));
    QCOMPARE(files().size(), 12);
    const Run again = run({u"--batch"_qs, keywords, u"--types"_qs, u"pdf"_qs, u"--out"_qs, m_out,
                           u"--clash"_qs, u"覆盖"_qs, u"--json"_qs});
    QVERIFY2(again.exitCode == 0, qPrintable(again.err + again.out));
    QJsonParseError error;
    const QJsonObject summary = QJsonDocument::fromJson(again.out.toUtf8(), &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(again.out));
    QCOMPARE(summary.value(u"found"_qs).toInt(), 12);
    QCOMPARE(summary.value(u"downloaded"_qs).toInt(), 12);
    QCOMPARE(summary.value(u"skipped"_qs).toInt(), 0);
    QCOMPARE(summary.value(u"failed"_qs).toInt(), 0);
    QCOMPARE(summary.value(u"verification"_qs).toBool(), false);
    const QJsonArray rows = summary.value(u"rows"_qs).toArray();
    QCOMPARE(rows.size(), 12);
    for (const QJsonValue& row : rows) {
        QCOMPARE(row[u"state"_qs].toString(), u"finished"_qs);
        QVERIFY(QFile::exists(row[u"file"_qs].toString()));
        QVERIFY(row[u"address"_qs].toString().startsWith(m_server->base() + u"/files/"_qs));
    }
    // Overwritten in place: no second copy beside the first run's files.
    QCOMPARE(files().size(), 12);
}

void TestBatchRun::verificationPageGivesExitCode3() {
    const Run r = run({u"--batch"_qs, writeKeywords("verify me\nnever searched\n"), u"--types"_qs,
                       u"pdf,doc"_qs, u"--out"_qs, m_out});
    QVERIFY2(r.exitCode == 3, qPrintable(QString::number(r.exitCode) + r.err + r.out));
    QVERIFY(r.out.contains(u"找到 0 行"_qs));
    QVERIFY(r.out.contains(u"验证"_qs));
    // The halt ends the batch: the second line and the second type are never searched.
    QCOMPARE(r.err.count(u"搜索第 "_qs), 1);
    QVERIFY(files().isEmpty());
}

void TestBatchRun::badArgumentsGiveExitCode2_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    QTest::newRow("threads") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--threads"_qs, u"9"_qs}
                             << u"--threads"_qs;
    QTest::newRow("unknown") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--fast"_qs}
                             << u"--fast"_qs;
    QTest::newRow("missing keyword file")
        << QStringList{u"--batch"_qs, u"/nonexistent/关键词.txt"_qs} << u"关键词.txt"_qs;
}

void TestBatchRun::badArgumentsGiveExitCode2() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    const Run r = run(arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(named), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

void TestBatchRun::helpListsTheOptions() {
    const Run r = run({u"--help"_qs});
    QCOMPARE(r.exitCode, 0);
    for (const QString& option : {u"--batch"_qs, u"--types"_qs, u"--threads"_qs, u"--json"_qs})
        QVERIFY2(r.out.contains(option), qPrintable(r.out));
    // The default folder is the user's.
    QVERIFY2(r.out.contains(m_dir->filePath(u"Quenlit文件目录"_qs)), qPrintable(r.out));
}

void TestBatchRun::interruptAndExpectSummary(QProcess& process) {
    QCOMPARE(process.state(), QProcess::Running);
    ::kill(pid_t(process.processId()), SIGINT);
    QSignalSpy done(&process, &QProcess::finished);
    QVERIFY(done.wait(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(out.contains(u"已中断"_qs) && out.contains(u"找到 "_qs), qPrintable(out));
}

void TestBatchRun::interruptStopsAndStillSummarises() {
    // A long pause between pages keeps the batch busy when Ctrl+C comes.
    QProcess process;
    startProcess(process, {u"--batch"_qs, writeKeywords("教程\n"), u"--types"_qs, u"pdf"_qs,
                           u"--out"_qs, m_out, u"--pause"_qs, u"120"_qs});
    QVERIFY(process.waitForStarted(10000));
    QString err;
    QVERIFY(QTest::qWaitFor(
        [&] {
            err += QString::fromUtf8(process.readAllStandardError());
            return err.contains(u"搜索第 1 页"_qs) || process.state() == QProcess::NotRunning;
        },
        60000));
    interruptAndExpectSummary(process);
}

// Ctrl+C while documents are downloading: the downloads stop, nothing half-written is left
// under a document's name, and the summary still prints.
void TestBatchRun::interruptMidDownload() {
    QProcess process;
    startProcess(process, {u"--batch"_qs, writeKeywords("stall\n"), u"--types"_qs, u"pdf"_qs,
                           u"--out"_qs, m_out, u"--method"_qs, u"2"_qs, u"--threads"_qs, u"3"_qs});
    QVERIFY(process.waitForStarted(10000));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return !QDir(m_out).entryList({u"*.part"_qs}, QDir::Files).isEmpty() ||
                   process.state() == QProcess::NotRunning;
        },
        90000));
    interruptAndExpectSummary(process);
    if (QTest::currentTestFailed())
        return;
    // No partial body, and no placeholder a later run would take for a document.
    QCOMPARE(files(), QStringList());
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
