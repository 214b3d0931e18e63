// The search window end to end: the real browser, offscreen, against the local
// search-result server, from a batch to the hand-off into the download list.
#include "AppContext.h"
#include "BatchSearch.h"
#include "DownloadList.h"
#include "FileRegistryStore.h"
#include "IniSettingsStore.h"
#include "RecordingMessageSink.h"
#include "RecordingShell.h"
#include "Registry.h"
#include "SearchResultServer.h"
#include "Settings.h"
#include "SystemFacts.h"
#include "VirtualClock.h"
#include "WebEngineBrowser.h"
#include "fCover.h"
#include "fFileDownload.h"
#include "fSeleFileSavePath.h"
#include "fWebSearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWebEngineProfile>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

// The program with its real browser, offscreen, against the local search-result server;
// virtual time for the program's waits, real I/O.
struct EndToEnd {
    EndToEnd() {
        settings::Save(settings, settings::SearchHostChina, server.base());
        settings::Save(settings, settings::SearchHostGlobal, server.base());
        settings::Save(settings, settings::DownloadFolder, dir.filePath(u"下载"_qs));
        context.createBrowser = [this](QWidget* holder) -> Browser* {
            auto* browser = new WebEngineBrowser(profile, holder);
            holder->layout()->addWidget(browser->view());
            return browser;
        };
        // Answer the save-folder dialog the batch asks when it starts.
        QObject::connect(&answer, &QTimer::timeout, [this] {
            if (auto* dialog =
                    qobject_cast<fSeleFileSavePath*>(QApplication::activeModalWidget())) {
                ++folderDialogs;
                dialog->Command2->click();
            }
        });
        answer.start(20);
        cover = std::make_unique<fCover>(context);
    }

    bool runUntil(const std::function<bool()>& done) {
        return QTest::qWaitFor(
            [&] {
                clock.advance(50);
                return done();
            },
            180000);
    }

    // Starts the program, runs one batch over the keyword lines with pdf and doc ticked.
    fWebSearch* searchFor(const QString& lines) {
        if (!listening)
            return nullptr;
        cover->start();
        clock.runPending();
        cover->showSearchWindow();
        fWebSearch* search = cover->searchWindow();
        if (!search || !runUntil([&] { return !search->browser().Busy(); }))
            return nullptr;
        search->Text1->setPlainText(lines);
        for (QCheckBox* type : {search->typeBoxes[2], search->typeBoxes[3], search->typeBoxes[4]})
            type->setChecked(false);
        QTest::mouseClick(search->Command1, Qt::LeftButton);
        if (!runUntil([&] { return !search->batch().batchRunning(); }))
            return nullptr;
        return search;
    }

    QTemporaryDir dir;
    tools::SearchResultServer server;
    bool listening = server.listen();
    VirtualClock clock;
    IniSettingsStore settings{dir.filePath(u"Quenlit.ini"_qs)};
    FileRegistryStore registryStore;
    Registry registry{registryStore, u"64"_qs};
    QNetworkAccessManager network;
    RecordingMessageSink messages;
    RecordingShell shell;
    LocalSystemFacts system;
    AppContext context{clock, settings, registry,      network,   messages,
                       shell, system,   u"quenlit"_qs, dir.path()};
    QWebEngineProfile profile; // off the record: nothing of the test stays on disk
    QTimer answer;
    int folderDialogs = 0;
    std::unique_ptr<fCover> cover;
};

} // namespace

class tst_search_e2e : public QObject {
    Q_OBJECT
private slots:
    void batchWalksEveryPageAndHandsEverythingOver() {
        EndToEnd e;
        fWebSearch* search = e.searchFor(u"教程\n年报"_qs);
        QVERIFY(search);
        QCOMPARE(search->Command1->text(), u"开始批量搜索提取"_qs);
        QCOMPARE(search->Text2->toPlainText(), u"教程(pdf) 教程(doc) \n年报(pdf) 年报(doc) \n"_qs);
        QCOMPARE(e.folderDialogs, 1);
        // Two lines, two types, three pages of four links each.
        QCOMPARE(search->results().count(), 48);
        QCOMPARE(search->Label1->text(), u"48"_qs);
        const ResultRow& first = search->results().row(1);
        QCOMPARE(first.title, u"教程资料第1篇"_qs);
        QCOMPARE(first.type, u"PDF"_qs);
        QCOMPARE(first.key, e.server.base() + u"/files/%E6%95%99%E7%A8%8B/1.pdf"_qs);
        QVERIFY(first.tag.contains(u"/search?ensearch=0&q="_qs));
        QCOMPARE(first.saveFolder, e.dir.filePath(u"下载"_qs) + u'/');

        QTest::mouseClick(search->Command2, Qt::LeftButton); // nothing selected: hand off all
        QVERIFY(e.runUntil([&] { return search->handOff().analysisIdle(); }));
        fFileDownload* downloads = e.cover->downloadWindow();
        QVERIFY(downloads && downloads->isVisible());
        QCOMPARE(downloads->list().count(), 48);
        QCOMPARE(downloads->list().row(1).name, u"教程资料第1篇"_qs);
        QCOMPARE(downloads->list().row(1).tag, first.tag);
        QCOMPARE(downloads->Label1->text(), u"48条"_qs);
        for (int i = 1; i <= search->results().count(); ++i)
            QCOMPARE(search->results().row(i).status, u"成功"_qs);
        QVERIFY(e.messages.messages.isEmpty());
    }

    // What the search found downloads from the local server; the documents that answer
    // with an error page come out as pages.
    void handedOverRowsDownload_data() {
        QTest::addColumn<int>("method");
        QTest::newRow("one connection") << 1;
        QTest::newRow("parallel") << 2;
    }
    void handedOverRowsDownload() {
        QFETCH(int, method);
        EndToEnd e;
        settings::Save(e.settings, settings::DownloadMethod, method);
        fWebSearch* search = e.searchFor(u"教程"_qs);
        QVERIFY(search);
        QCOMPARE(search->results().count(), 24);
        QTest::mouseClick(search->Command2, Qt::LeftButton);
        QVERIFY(e.runUntil([&] { return search->handOff().analysisIdle(); }));
        fFileDownload* downloads = e.cover->downloadWindow();
        QVERIFY(downloads);
        QCOMPARE(downloads->Label7->text(), u"下载方式："_qs + QString::number(method));
        QTest::mouseClick(downloads->Command4, Qt::LeftButton);
        QVERIFY(e.runUntil([&] { return 检测是否下载列表完毕(downloads->list()); }));

        const QDir folder(e.dir.filePath(u"下载"_qs));
        int documents = 0;
        int pages = 0;
        for (int i = 1; i <= downloads->list().count(); ++i) {
            const DownloadRow& row = downloads->list().row(i);
            QCOMPARE(row.state, qint16(DownloadRow::Finished));
            QFile file(row.targetPath());
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(row.targetPath()));
            const QByteArray body = file.readAll();
            if (row.type.toLower() == u"pdf"_qs) {
                QVERIFY(body.startsWith("%PDF-1.4"));
                ++documents;
            } else {
                QCOMPARE(row.type, u"htm"_qs);
                QVERIFY(body.contains("文件已删除"));
                ++pages;
            }
        }
        QCOMPARE(documents, 12);
        QCOMPARE(pages, 12);
        QCOMPARE(folder.entryList({u"*.part"_qs}, QDir::Files), QStringList());
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    tst_search_e2e test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_search_e2e.moc"
