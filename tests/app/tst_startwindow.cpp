#include "ClockTimer.h"
#include "ResultListModel.h"
#include "TestApp.h"
#include "WorkScope.h"
#include "fCover.h"
#include "fFileDownload.h"
#include "fWebSearch.h"
#include "frmAbout.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace quenlit;
using namespace quenlit::testing;

class tst_startwindow : public QObject {
    Q_OBJECT

    struct Fixture : TestApp {
        fCover cover{context};

        Fixture() {
            const RegistryKey version{RegistryRoot::LocalMachine,
                                      u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"_qs,
                                      RegistryView::Bits64};
            registryStore.createKey(version);
            registryStore.setValue(version, u"ProductName"_qs, u"Debian GNU/Linux"_qs);
            cover.start();
            clock.runPending();
        }
    };

private slots:
    // With the real clock and event loop: closing the search window a few milliseconds into
    // a long hand-off still leaves a window of the program on screen.
    void closingTheSearchWindowMidHandOffLeavesAWindow_data() {
        QTest::addColumn<int>("afterMs");
        for (int ms : {0, 3, 5, 8, 40})
            QTest::newRow(qPrintable(QString::number(ms) + u" ms"_qs)) << ms;
    }
    void closingTheSearchWindowMidHandOffLeavesAWindow() {
        QFETCH(int, afterMs);
        TestApp app(TestApp::Time::Real);
        app.context.live.SaveFolderPromptFlag = 1;
        fCover cover(app.context);
        cover.start();
        QTRY_VERIFY(cover.Command1->isEnabled());
        cover.showSearchWindow();
        QPointer<fWebSearch> search = cover.searchWindow();
        for (int i = 0; i < 3000; ++i)
            search->results().append(u"http://d.example/%1.pdf"_qs.arg(i),
                                     [](ResultRow& row) { row.title = u"文档"_qs; });
        search->findChild<QPushButton*>(u"Command2"_qs)->click();
        QTest::qWait(afterMs);
        search->close();
        const bool downloadShown = cover.downloadWindow() && cover.downloadWindow()->isVisible();
        QVERIFY(downloadShown || cover.isVisible());
        QCOMPARE(WorkScope::suspendedWaits(), 0);
        QTest::qWait(20);
        QVERIFY(!search || !search->isVisible());
        QCOMPARE(WorkScope::liveRuns(), 0);
        QVERIFY((cover.downloadWindow() && cover.downloadWindow()->isVisible()) ||
                cover.isVisible());
        if (cover.downloadWindow())
            cover.downloadWindow()->close();
    }

    void startupPreparesTheProcessValues() {
        Fixture f;
        QCOMPARE(f.cover.windowTitle(), u"Quenlit"_qs);
        QCOMPARE(f.cover.Label2->text(), u"版本:1.0.0"_qs);
        QVERIFY(f.cover.Label1->isHidden());
        QVERIFY(f.cover.Label3->isHidden());
        QCOMPARE(f.cover.Label4->text(),
                 u"(该软件仅用于爱学习的人们辅助少量下载；请不要恶意下载和大量下载！)"_qs);
        QCOMPARE(f.context.OsBitness, u"64"_qs);
        QVERIFY(f.context.SystemDescription.startsWith(u"Debian GNU/Linux 版本:"_qs));
        QVERIFY(f.context.SystemDescription.endsWith(u"[64位]"_qs));
        QCOMPARE(f.context.live.MaxFileSizeMB, 10.0f);
        QVERIFY(f.context.forms.IsFormLoaded(u"FCOVER"_qs));
        // The one-shot version timer runs once and stops itself.
        QVERIFY(f.cover.Timer1->isActive());
        f.clock.advance(100);
        QVERIFY(!f.cover.Timer1->isActive());
        QVERIFY(f.messages.messages.isEmpty()); // no update site configured
    }

    void windowWidthFollowsThePicture() {
        Fixture f;
        QCOMPARE(f.cover.Image1->pos(), QPoint(2, 2));
        QCOMPARE(f.cover.width(), f.cover.Image1->width() + 10);
        QVERIFY(f.cover.Image1->width() > 100);
    }

    void searchWindowHandsBackToTheStartWindow() {
        Fixture f;
        QTest::mouseClick(f.cover.Command1, Qt::LeftButton);
        QVERIFY(!f.cover.isVisible());
        QPointer<fWebSearch> search = f.cover.searchWindow();
        QVERIFY(search && search->isVisible());
        QCOMPARE(search->windowTitle(), u"必应页面数据检索分析-Quenlit"_qs);
        QVERIFY(f.context.forms.IsFormLoaded(u"fwebsearch"_qs));
        search->close();
        QVERIFY(f.cover.isVisible());
        QVERIFY(!f.context.forms.IsFormLoaded(u"fWebSearch"_qs));
    }

    void startWindowStaysHiddenWhileDownloadWindowIsLoaded() {
        Fixture f;
        f.context.forms.formLoaded(u"fFileDownload"_qs);
        QTest::mouseClick(f.cover.Command1, Qt::LeftButton);
        f.cover.searchWindow()->close();
        QVERIFY(!f.cover.isVisible());
    }

    void quitEndsTheProgram() {
        Fixture f;
        QSignalSpy end(&f.cover, &fCover::programEnd);
        QTest::mouseClick(f.cover.Command3, Qt::LeftButton);
        QCOMPARE(end.count(), 1);
        QVERIFY(!f.cover.isVisible());
    }

    void aboutWindowShowsAndCopiesTheDescription() {
        Fixture f;
        frmAbout about(f.context.SystemDescription, f.registry, f.shell, f.messages);
        QCOMPARE(about.windowTitle(), u"关于『Quenlit』 "_qs);
        QCOMPARE(about.Text1->toPlainText(), u"OP:"_qs + f.context.SystemDescription);
        QCOMPARE(about.findChild<QLabel*>(u"lblVersion"_qs)->text(), u"版本 1.0.0"_qs);
        QTest::mouseClick(about.Command1, Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), about.Text1->toPlainText());
        QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
        QCOMPARE(f.messages.texts(), QStringList{u"此时系统信息不可用"_qs});
    }

    void closingTheAboutWindowRearmsTheVersionTimer() {
        Fixture f;
        f.clock.advance(100);
        QVERIFY(!f.cover.Timer1->isActive());
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->findChild<QPushButton*>(u"cmdOK"_qs)->click();
        });
        f.cover.showAbout(nullptr);
        QVERIFY(f.cover.Timer1->isActive());
    }
};

QTEST_MAIN(tst_startwindow)
#include "tst_startwindow.moc"
