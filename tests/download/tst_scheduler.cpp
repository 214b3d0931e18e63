#include "DownloadScheduler.h"
#include "LocalHttpServer.h"
#include "LoginPanel.h"
#include "ParallelEngine.h"
#include "Settings.h"
#include "SoundPlayer.h"
#include "TestApp.h"
#include "TestNetwork.h"
#include "WorkScope.h"
#include "fFileDownload.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

struct RecordingSounds final : SoundPlayer {
    void play(const QString& path) override { played.append(QFileInfo(path).baseName()); }
    QStringList played;
};

// A download window on the virtual clock (or the real one) with a local file server.
struct Fixture : TestApp {
    explicit Fixture(int method, Time time = Time::Virtual)
        : TestApp(time)
        , server(context.clock) {
        context.sounds = &sounds;
        settings::Save(settings, settings::DownloadMethod, method);
        folder = dir.filePath(u"d"_qs);
        QDir().mkpath(folder);
        window = std::make_unique<fFileDownload>(context);
        window->Check6->setChecked(true);
    }
    ~Fixture() {
        if (window)
            window->close();
    }
    void add(const QString& address, const QString& name, const QString& type = u"pdf"_qs) {
        加入下载列表(window->list(), {folder, false}, address, name, type, folder, {});
    }
    const DownloadRow& row(int position) const { return window->list().row(position); }
    void serve(const QByteArray& path, const QByteArray& body, int delayMs = 0) {
        server.route(path, {200, {{"Content-Type", "application/pdf"}}, body, delayMs});
    }

    RecordingSounds sounds;
    LocalHttpServer server;
    QString folder;
    std::unique_ptr<fFileDownload> window;
};

} // namespace

class tst_scheduler : public QObject {
    Q_OBJECT
private slots:
    void rowsThatExistAreSkippedInOneTickAndTheListEndsWithItsPrompt_data() {
        QTest::addColumn<int>("method");
        QTest::newRow("one connection") << 1;
        QTest::newRow("parallel") << 2;
    }
    void rowsThatExistAreSkippedInOneTickAndTheListEndsWithItsPrompt() {
        QFETCH(int, method);
        Fixture f(method);
        f.window->Option1->setChecked(true); // 跳过
        for (const QString& name : {u"甲"_qs, u"乙"_qs, u"丙"_qs}) {
            QFile file(f.folder + u'/' + name + u".pdf"_qs);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("%PDF-1.4");
            f.add(u"http://127.0.0.1:1/"_qs + name, name);
        }
        f.window->Command4->click();
        QVERIFY(f.window->Shape1->isVisibleTo(f.window.get()));
        QVERIFY(!f.window->menu下载全部->isEnabled());
        f.clock.advance(1000);
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(f.row(i).state, qint16(DownloadRow::Finished));
            QCOMPARE(f.row(i).percent, u"已存在，跳过"_qs);
        }
        QVERIFY(f.window->scheduler().schedulingOn());
        f.clock.advance(1000);
        QVERIFY(!f.window->scheduler().schedulingOn());
        QVERIFY(!f.window->Shape1->isVisibleTo(f.window.get()));
        QVERIFY(f.window->menu下载全部->isEnabled());
        QCOMPARE(f.sounds.played, QStringList{u"102"_qs});
    }

    // A document saved under "pdf" is recognised when the results bring it again as "PDF".
    void aFinishedDocumentIsRecognisedWhateverTheCaseOfItsType_data() {
        QTest::addColumn<int>("method");
        QTest::newRow("one connection") << 1;
        QTest::newRow("parallel") << 2;
    }
    void aFinishedDocumentIsRecognisedWhateverTheCaseOfItsType() {
        QFETCH(int, method);
        Fixture f(method);
        f.window->Option1->setChecked(true); // 跳过
        QFile file(f.folder + u"/甲.pdf"_qs);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4");
        file.close();
        f.add(u"http://127.0.0.1:1/a.pdf"_qs, u"甲"_qs, u"PDF"_qs);
        f.window->Command4->click();
        f.clock.advance(1000);
        QCOMPARE(f.row(1).percent, u"已存在，跳过"_qs);
        QCOMPARE(QDir(f.folder).entryList(QDir::Files), QStringList{u"甲.pdf"_qs});
    }

    // While a login runs no download starts: it would only fetch the login page.
    void noDownloadStartsDuringALogin() {
        Fixture f(1);
        f.serve("/a.pdf", "%PDF-1.4 a");
        f.add(f.server.url("/a.pdf"), u"a"_qs);
        f.window->PicWebBK->Text1->setText(u"http://127.0.0.1:1/login"_qs);
        f.window->PicWebBK->Option5->setChecked(true);
        f.window->PicWebBK->startLogin(false);
        f.window->Command4->click();
        f.clock.advance(3000);
        QCOMPARE(f.row(1).state, qint16(DownloadRow::Waiting));
        QUENLIT_WAIT_FOR_IO(f.clock, f.row(1).state == DownloadRow::Finished);
    }

    // The next download waits for the pause, counted from the end of the last one; the
    // difference is taken absolutely, so a reading from before midnight counts as long ago.
    void theNextDownloadWaitsForThePause_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("pause");
        QTest::newRow("one connection, no pause") << 1 << 0;
        QTest::newRow("one connection, 10 s") << 1 << 10;
        QTest::newRow("parallel, 10 s") << 2 << 10;
    }
    void theNextDownloadWaitsForThePause() {
        QFETCH(int, method);
        QFETCH(int, pause);
        Fixture f(method);
        f.window->Combo1->setCurrentIndex(0); // one slot
        f.window->Combo2->setCurrentIndex(pause);
        f.window->state().lastFinishTime = 86399; // before midnight: long ago
        f.serve("/a.pdf", "%PDF-1.4 first");
        f.serve("/b.pdf", "%PDF-1.4 second");
        f.add(f.server.url("/a.pdf"), u"a"_qs);
        f.add(f.server.url("/b.pdf"), u"b"_qs);
        f.window->Command4->click();
        QUENLIT_WAIT_FOR_IO(f.clock, f.row(1).state == DownloadRow::Finished);
        QCOMPARE(f.row(2).state, qint16(DownloadRow::Waiting));
        const double finished = f.window->state().lastFinishTime;
        if (pause > 0) {
            f.clock.advance((pause - 1) * 1000);
            QCOMPARE(f.row(2).state, qint16(DownloadRow::Waiting));
        }
        QUENLIT_WAIT_FOR_IO(f.clock, f.row(2).state != DownloadRow::Waiting);
        const double waited = f.clock.secondsSinceMidnight() - finished;
        QVERIFY2(waited > pause && waited <= pause + 1.1, qPrintable(QString::number(waited)));
        QUENLIT_WAIT_FOR_IO(f.clock, f.row(2).state == DownloadRow::Finished);
        QFile file(f.folder + u"/b.pdf"_qs);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("%PDF-1.4 second"));
    }

    // The fifth failed or web-page row stops the scheduling; the rest stay waiting.
    void theStopRuleFiresAtFiveBadRows() {
        Fixture f(1);
        f.window->Check5->setChecked(true);
        for (int i = 1; i <= 8; ++i)
            f.add(u"http://127.0.0.1:%1/x%2.pdf"_qs.arg(LocalHttpServer::closedPort()).arg(i),
                  u"x%1"_qs.arg(i));
        f.window->Command4->click();
        QUENLIT_WAIT_FOR_IO(f.clock, !f.window->scheduler().schedulingOn());
        f.clock.advance(3000);
        int failed = 0;
        int waiting = 0;
        for (int i = 1; i <= 8; ++i) {
            failed += f.row(i).state == DownloadRow::Failed;
            waiting += f.row(i).state == DownloadRow::Waiting;
        }
        QCOMPARE(failed, 5);
        QCOMPARE(waiting, 3);
        QCOMPARE(f.sounds.played.count(u"102"_qs), 1);
        QCOMPARE(f.sounds.played.count(u"103"_qs), 5);
    }

    void failedRowsAreDownloadedAgainByThemselves() {
        Fixture f(1);
        const QString dead = u"http://127.0.0.1:%1/gone.pdf"_qs.arg(LocalHttpServer::closedPort());
        f.serve("/good.pdf", "%PDF-1.4 good");
        f.add(dead + u'|' + f.server.url("/good.pdf"), u"two addresses"_qs);
        f.window->Check3->setChecked(true); // 出错项
        f.window->Command4->click();
        // The first address fails; the row comes back with the next address and finishes.
        QUENLIT_WAIT_FOR_IO(f.clock, f.row(1).state == DownloadRow::Finished);
        QCOMPARE(f.row(1).key, f.server.url("/good.pdf") + u'|' + dead);
        QVERIFY(f.window->scheduler().schedulingOn());
    }

    void waitingRowsStartByThemselves() {
        Fixture f(2);
        f.window->Check4->setChecked(true);
        f.clock.advance(1000);
        QVERIFY(!f.window->scheduler().schedulingOn());
        f.serve("/a.pdf", "%PDF-1.4 a");
        f.add(f.server.url("/a.pdf"), u"a"_qs);
        f.clock.advance(1000);
        QVERIFY(f.window->scheduler().schedulingOn());
        QUENLIT_WAIT_FOR_IO(f.clock, f.row(1).state == DownloadRow::Finished);
    }

    // Stop fails what is downloading and unticks the automatic rules; a start right after
    // it begins only once the stopped download has ended.
    void stopThenStartAtOnce_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<bool>("realClock");
        QTest::newRow("one connection") << 1 << false;
        QTest::newRow("parallel") << 2 << false;
        QTest::newRow("one connection, real clock") << 1 << true;
        QTest::newRow("parallel, real clock") << 2 << true;
    }
    void stopThenStartAtOnce() {
        QFETCH(int, method);
        QFETCH(bool, realClock);
        Fixture f(method, realClock ? TestApp::Time::Real : TestApp::Time::Virtual);
        f.serve("/slow.pdf", "%PDF-1.4 slow", 60000);
        f.serve("/b.pdf", "%PDF-1.4 b");
        f.add(f.server.url("/slow.pdf"), u"slow"_qs);
        f.add(f.server.url("/b.pdf"), u"b"_qs);
        f.window->Combo1->setCurrentIndex(0);
        f.window->Check4->setChecked(true);
        f.window->Command4->click();
        QUENLIT_WAIT_FOR_IO(f.clock, f.row(1).state == DownloadRow::Downloading);
        f.window->Command31->click();
        QCOMPARE(f.row(1).state, qint16(DownloadRow::Failed));
        QVERIFY(!f.window->Check4->isChecked());
        QVERIFY(!f.window->scheduler().schedulingOn());
        QCOMPARE(f.window->parallelEngine().loadedInstanceCount(), 1);
        f.window->Command4->click();
        QUENLIT_WAIT_FOR_IO(f.clock, f.row(2).state == DownloadRow::Finished);
        QCOMPARE(f.row(1).state, qint16(DownloadRow::Failed));
        QVERIFY(!QFile::exists(f.folder + u"/slow.pdf.part"_qs));
    }

    // With the real clock and event loop: closing mid-download ends the work at once.
    void closingMidDownloadLeavesNothingRunning_data() {
        QTest::addColumn<int>("method");
        QTest::newRow("one connection") << 1;
        QTest::newRow("parallel") << 2;
    }
    void closingMidDownloadLeavesNothingRunning() {
        QFETCH(int, method);
        Fixture f(method, TestApp::Time::Real);
        f.serve("/slow.pdf", "%PDF-1.4 slow", 60000);
        f.add(f.server.url("/slow.pdf"), u"slow"_qs);
        f.window->Command4->click();
        QVERIFY(QTest::qWaitFor([&] { return f.row(1).state == DownloadRow::Downloading; }, 5000));
        QTest::qWait(50);
        QVERIFY(f.window->close());
        QCOMPARE(f.messages.texts().last(), u"正在下载文件或者下载没有完成，要强制关闭窗口吗？"_qs);
        QCOMPARE(f.row(1).state, qint16(DownloadRow::Failed));
        f.window.reset();
        QTest::qWait(50);
        QCOMPARE(WorkScope::suspendedWaits(), 0);
        QCOMPARE(WorkScope::liveRuns(), 0);
        // No partial body anywhere; at most the placeholder of the parallel download.
        QCOMPARE(QDir(f.folder).entryList({u"*.part"_qs}, QDir::Files), QStringList());
        QFile target(f.folder + u"/slow.pdf"_qs);
        if (target.open(QIODevice::ReadOnly))
            QCOMPARE(target.readAll(), QByteArray("\x01\x00", 2));
    }
};

QTEST_MAIN(tst_scheduler)
#include "tst_scheduler.moc"
