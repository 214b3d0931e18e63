// The search window end to end: the real browser, offscreen, against the local
// search-result server, from a batch to the hand-off into the download list.
#include "AppContext.h"
#include "BatchSearch.h"
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
#include "fSeleFileSavePath.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
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

class tst_search_e2e : public QObject {
    Q_OBJECT

    // Real I/O with the browser and the server; virtual time for the program's waits.
    static bool runUntil(VirtualClock& clock, const std::function<bool()>& done) {
        return QTest::qWaitFor(
            [&] {
                clock.advance(50);
                return done();
            },
            180000);
    }

private slots:
    void batchWalksEveryPageAndHandsEverythingOver() {
        QTemporaryDir dir;
        tools::SearchResultServer server;
        QVERIFY(server.listen());

        VirtualClock clock;
        IniSettingsStore settings(dir.filePath(u"Quenlit.ini"_qs));
        settings::Save(settings, settings::SearchHostChina, server.base());
        settings::Save(settings, settings::SearchHostGlobal, server.base());
        settings::Save(settings, settings::DownloadFolder, dir.filePath(u"下载"_qs));
        FileRegistryStore registryStore;
        Registry registry(registryStore, u"64"_qs);
        QNetworkAccessManager network;
        RecordingMessageSink messages;
        RecordingShell shell;
        LocalSystemFacts system;
        AppContext context(clock, settings, registry, network, messages, shell, system,
                           u"quenlit"_qs, dir.path());
        QWebEngineProfile profile; // off the record: nothing of the test stays on disk
        context.createBrowser = [&profile](QWidget* holder) -> Browser* {
            auto* browser = new WebEngineBrowser(profile, holder);
            holder->layout()->addWidget(browser->view());
            return browser;
        };

        // Answer the save-folder dialog the batch asks when it starts.
        int folderDialogs = 0;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* dialog =
                    qobject_cast<fSeleFileSavePath*>(QApplication::activeModalWidget())) {
                ++folderDialogs;
                dialog->Command2->click();
            }
        });
        answer.start(20);

        fCover cover(context);
        cover.start();
        clock.runPending();
        cover.showSearchWindow();
        fWebSearch* search = cover.searchWindow();
        QVERIFY(search);
        QVERIFY(runUntil(clock, [&] { return !search->browser().Busy(); }));

        search->Text1->setPlainText(u"教程\n年报"_qs);
        for (QCheckBox* type : {search->typeBoxes[2], search->typeBoxes[3], search->typeBoxes[4]})
            type->setChecked(false);
        QTest::mouseClick(search->Command1, Qt::LeftButton);
        QCOMPARE(search->Command1->text(), u"停止批量搜索"_qs);
        QVERIFY(runUntil(clock, [&] { return !search->batch().batchRunning(); }));

        QCOMPARE(search->Command1->text(), u"开始批量搜索提取"_qs);
        QCOMPARE(search->Text2->toPlainText(), u"教程(pdf) 教程(doc) \n年报(pdf) 年报(doc) \n"_qs);
        QCOMPARE(folderDialogs, 1);
        // Two lines, two types, three pages of four links each.
        QCOMPARE(search->results().count(), 48);
        QCOMPARE(search->Label1->text(), u"48"_qs);
        const ResultRow& first = search->results().row(1);
        QCOMPARE(first.title, u"教程资料第1篇"_qs);
        QCOMPARE(first.type, u"PDF"_qs);
        QCOMPARE(first.key, server.base() + u"/files/%E6%95%99%E7%A8%8B/1.pdf"_qs);
        QVERIFY(first.tag.contains(u"/search?ensearch=0&q="_qs));
        QCOMPARE(first.saveFolder, dir.filePath(u"下载"_qs) + u'/');

        QTest::mouseClick(search->Command2, Qt::LeftButton); // nothing selected: hand off all
        QVERIFY(runUntil(clock, [&] { return search->handOff().analysisIdle(); }));
        fFileDownload* downloads = cover.downloadWindow();
        QVERIFY(downloads && downloads->isVisible());
        QCOMPARE(downloads->list().count(), 48);
        QCOMPARE(downloads->list().row(1).name, u"教程资料第1篇"_qs);
        QCOMPARE(downloads->list().row(1).tag, first.tag);
        QCOMPARE(downloads->Label1->text(), u"48条"_qs);
        for (int i = 1; i <= search->results().count(); ++i)
            QCOMPARE(search->results().row(i).status, u"成功"_qs);
        QVERIFY(messages.messages.isEmpty());
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    tst_search_e2e test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_search_e2e.moc"
