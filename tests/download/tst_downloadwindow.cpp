#include "DownloadListStore.h"
#include "DownloadScheduler.h"
#include "LocalHttpServer.h"
#include "PartialFile.h"
#include "Settings.h"
#include "TestApp.h"
#include "TestFiles.h"
#include "TestNetwork.h"
#include "WindowPlacement.h"
#include "fFileDownload.h"
#include "fOption.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

using namespace quenlit;
using namespace quenlit::testing;

using Fixture = TestApp;

namespace {
void addRow(fFileDownload& window, const QString& address) {
    加入下载列表(window.list(), {u"/d"_qs, false}, address, address.section(u'/', -1), u"pdf"_qs,
                 {}, {});
}
} // namespace

class tst_downloadwindow : public QObject {
    Q_OBJECT
private slots:
    void firstOpenIsMaximisedWithTheDefaults() {
        Fixture f;
        fFileDownload window(f.context);
        window.showRestored();
        QVERIFY(window.isMaximized());
        QCOMPARE(window.windowTitle(), u"文件下载-Quenlit"_qs);
        QCOMPARE(window.Label7->text(), u"下载方式：2"_qs);
        QCOMPARE(window.Combo1->currentText(), u"3"_qs);
        QVERIFY(window.Option3->isChecked());
        QCOMPARE(window.Label1->text(), u"0条"_qs);
        QVERIFY(f.context.forms.IsFormLoaded(u"FFILEDOWNLOAD"_qs));
    }

    // What downloads of an earlier session kept for resuming goes when no row takes it up;
    // files that are not ours stay.
    void staleTemporaryFilesGoAtOpening() {
        Fixture f;
        const QString folder = f.dir.filePath(u"downloads"_qs);
        settings::Save(f.settings, settings::DownloadFolder, folder);
        const QString target = folder + u"/gone.pdf"_qs;
        WriteFile(target + u".other"_qs, "not ours");
        {
            PartialFile part(target);
            QVERIFY(part.open());
            QVERIFY(part.record({u"http://h/gone.pdf"_qs, u"\"e\""_qs, QString(), 10}));
            QVERIFY(part.append("half"));
        }
        WriteFile(target + u".x.part"_qs, "no record");
        QVERIFY(QFile::exists(PartialFile::tempPathFor(target)));
        fFileDownload window(f.context);
        QVERIFY(!QFile::exists(PartialFile::tempPathFor(target)));
        QVERIFY(!QFile::exists(PartialFile::recordPathFor(target)));
        QVERIFY(QFile::exists(target + u".other"_qs));
        QVERIFY(QFile::exists(target + u".x.part"_qs));
    }

    void countersFollowTheList() {
        Fixture f;
        fFileDownload window(f.context);
        加入下载列表(window.list(), {u"/d"_qs, false}, u"http://h/a.pdf"_qs, u"甲"_qs, u"pdf"_qs,
                     {}, {});
        加入下载列表(window.list(), {u"/d"_qs, false}, u"http://h/b.pdf"_qs, u"乙"_qs, u"pdf"_qs,
                     {}, {});
        window.list().modify(2, [](DownloadRow& row) { row.state = DownloadRow::Finished; });
        QCOMPARE(window.Label1->text(), u"2条"_qs);
        f.clock.advance(1000); // the state counters tick once a second
        QCOMPARE(window.statusPanels[3]->text(), u"总数:2 正在下载:0 等待:1 已完成:1 失败:0"_qs);
        QVERIFY(!window.list().data(window.list().index(0, 0), Qt::DecorationRole).isNull());
    }

    void speedColumnsAndTheTotalPanel() {
        Fixture f;
        fFileDownload window(f.context);
        DownloadListModel& list = window.list();
        QStringList headers;
        for (int column = 0; column < list.columnCount(); ++column)
            headers << list.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(headers, (QStringList{u"名称"_qs, u"类型"_qs, u"文件大小"_qs, u"已下载数"_qs,
                                       u"百分比"_qs, u"保存路径"_qs, u"速度"_qs, u"剩余时间"_qs}));
        for (const QString& name : {u"a"_qs, u"b"_qs})
            加入下载列表(list, {u"/d"_qs, false}, u"http://h/"_qs + name, name, u"pdf"_qs, {}, {});
        list.modify(1, [](DownloadRow& row) {
            row.state = DownloadRow::Downloading;
            row.size = u"8000"_qs;
        });
        for (int second = 1; second <= 3; ++second) {
            list.modify(1,
                        [&](DownloadRow& row) { row.downloaded = QString::number(second * 1000); });
            f.clock.advance(1000);
        }
        QCOMPARE(list.index(0, DownloadListModel::SpeedColumn).data().toString(), u"1.0 KB/s"_qs);
        QCOMPARE(list.index(0, DownloadListModel::TimeLeftColumn).data().toString(), u"0:05"_qs);
        QCOMPARE(window.statusPanels[4]->text(), u"总速度: 1.0 KB/s"_qs);
        QCOMPARE(window.statusPanels[3]->text(), u"总数:2 正在下载:1 等待:1 已完成:0 失败:0"_qs);
        list.modify(1, [](DownloadRow& row) { row.state = DownloadRow::Finished; });
        QCOMPARE(window.statusPanels[4]->text(), QString());
        QCOMPARE(list.index(0, DownloadListModel::SpeedColumn).data().toString(), QString());
    }

    void closingAsksWhileRowsWaitAndSavesThePlace() {
        Fixture f;
        const QString screen = ScreenSizeText(QGuiApplication::primaryScreen()->size());
        settings::Save(f.settings, settings::ScreenSize, screen);
        settings::Save(f.settings, settings::WindowWidth, 12000);
        settings::Save(f.settings, settings::DuplicateNamePolicy, u"abc"_qs);
        fFileDownload window(f.context);
        window.showRestored();
        QVERIFY(!window.isMaximized());
        QCOMPARE(window.width(), 12000 / 15);
        QVERIFY(window.Option3->isChecked());
        window.Option1->setChecked(true);
        加入下载列表(window.list(), {u"/d"_qs, false}, u"http://h/a.pdf"_qs, u"甲"_qs, u"pdf"_qs,
                     {}, {});
        QSignalSpy closed(&window, &fFileDownload::closed);
        f.messages.answer = false;
        QVERIFY(!window.close());
        QCOMPARE(f.messages.texts(),
                 QStringList{u"正在下载文件或者下载没有完成，要强制关闭窗口吗？"_qs});
        // Saved before the question, kept even though the window stays.
        QCOMPARE(settings::ReadText(f.settings, settings::DuplicateNamePolicy), u"跳过"_qs);
        QCOMPARE(closed.count(), 0);
        f.messages.answer = true;
        QVERIFY(window.close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(settings::ReadText(f.settings, settings::ScreenSize), screen);
        QCOMPARE(settings::ReadInt32(f.settings, settings::WindowWidth), 12000);
        QCOMPARE(settings::ReadText(f.settings, settings::ThreadCount), u"2"_qs);
        QVERIFY(!f.context.forms.IsFormLoaded(u"fFileDownload"_qs));
    }

    void menusRunTheListCommands() {
        Fixture f;
        fFileDownload window(f.context);
        window.resize(1100, 500);
        for (const QString& name : {u"a"_qs, u"b"_qs, u"c"_qs})
            加入下载列表(window.list(), {f.dir.path() + u'/', false}, u"http://h/"_qs + name, name,
                         u"pdf"_qs, {}, {});
        window.list().modify(2, [](DownloadRow& row) { row.state = DownloadRow::Finished; });
        const auto trigger = [&](const char* name) {
            QAction* action = window.findChild<QAction*>(QString::fromUtf8(name));
            QVERIFY2(action, name);
            action->trigger();
        };
        window.scheduler().start();
        trigger("menu移除完成项");
        QCOMPARE(f.messages.texts(), QStringList{u"停止下载以后，才能执行此操作！"_qs});
        QCOMPARE(window.list().count(), 3);
        window.scheduler().stop();
        trigger("menu移除完成项");
        QCOMPARE(window.list().count(), 2);
        QCOMPARE(window.Label1->text(), u"2条"_qs);
        trigger("menu全选");
        QCOMPARE(window.ListView3->selectionModel()->selectedRows().size(), 2);
        // A click puts the row's key on the clipboard and in panel 2.
        QApplication::clipboard()->setText(u"before"_qs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect cell = window.ListView3->visualRect(window.list().index(1, 0));
        QTest::mouseClick(window.ListView3->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(QApplication::clipboard()->text(), u"http://h/c"_qs);
        QCOMPARE(window.statusPanels[1]->text(), u"http://h/c"_qs);
        QTest::mouseClick(window.statusPanels[1], Qt::LeftButton);
        QCOMPARE(f.shell.opened, QStringList{u"http://h/c"_qs});
        trigger("menu自动调整列宽");
        // The right-click menu follows the run check.
        window.scheduler().start();
        window.popUpListMenu(window.mapToGlobal(QPoint(40, 120)));
        QVERIFY(!window.findChild<QAction*>(u"menu全选"_qs)->isEnabled());
        QVERIFY(window.menu停止下载->isEnabled());
        window.listMenu->hide();
        window.scheduler().stop();
        const QString shot = qEnvironmentVariable("QUENLIT_SCREENSHOT");
        if (!shot.isEmpty())
            window.grab().save(shot);
    }

    void theListComesBackWhenTheWindowOpensAgain_data() {
        QTest::addColumn<bool>("closed");
        QTest::newRow("window closed") << true;
        QTest::newRow("program ended") << false;
    }
    void theListComesBackWhenTheWindowOpensAgain() {
        QFETCH(bool, closed);
        Fixture f;
        {
            fFileDownload window(f.context);
            for (const QString& name : {u"a"_qs, u"b"_qs, u"c"_qs})
                addRow(window, u"http://h/"_qs + name);
            window.list().modify(1, [](DownloadRow& row) {
                row.state = DownloadRow::Downloading;
                row.size = u"1024"_qs;
                row.downloaded = u"512"_qs;
                row.percent = u"50%"_qs;
            });
            window.list().modify(2, [](DownloadRow& row) { row.state = DownloadRow::Finished; });
            window.list().modify(3, [](DownloadRow& row) { row.state = DownloadRow::Failed; });
            // Closing fails the downloading row, after the list was saved as it stood.
            if (closed)
                QVERIFY(window.close());
        }
        fFileDownload window(f.context);
        QCOMPARE(window.list().count(), 3);
        QCOMPARE(window.Label1->text(), u"3条"_qs);
        const DownloadRow& cutOff = window.list().row(1);
        QCOMPARE(cutOff.state, qint16(DownloadRow::Waiting));
        QCOMPARE(cutOff.downloaded, u"512"_qs);
        QCOMPARE(cutOff.percent, u"50%"_qs);
        QCOMPARE(window.list().row(2).state, qint16(DownloadRow::Finished));
        QCOMPARE(window.list().row(3).state, qint16(DownloadRow::Failed));
        QCOMPARE(window.list().row(3).key, u"http://h/c"_qs);
    }

    // Half of a file, the window closed, the program started again: the row comes back and
    // its next run asks for the rest only, in either method.
    void halfAFileFinishesAfterARestart_data() {
        QTest::addColumn<int>("method");
        QTest::newRow("single connection") << 1;
        QTest::newRow("parallel") << 2;
    }
    void halfAFileFinishesAfterARestart() {
        QFETCH(int, method);
        Fixture f;
        LocalHttpServer server(f.clock);
        const QByteArray document = LocalHttpServer::generated(0, 300000);
        LocalHttpServer::Response answer{200, {{"Content-Type", "application/pdf"}}, document};
        answer.etag = "\"v1\"";
        answer.ranges = true;
        LocalHttpServer::Response stalling = answer;
        stalling.stallAfter = 100000;
        server.route("/big.pdf", stalling);
        const QString folder = f.dir.filePath(u"files"_qs);
        QVERIFY(QDir().mkpath(folder));
        settings::Save(f.settings, settings::DownloadFolder, folder);
        settings::Save(f.settings, settings::DownloadMethod, method);
        const auto addBig = [&](fFileDownload& window) {
            加入下载列表(window.list(), {folder, false}, server.url("/big.pdf"), u"big"_qs,
                         u"pdf"_qs, folder, {});
        };
        {
            fFileDownload window(f.context);
            addBig(window);
            window.scheduler().start();
            QUENLIT_WAIT_FOR_IO(f.clock, QFileInfo(folder + u"/big.pdf.part"_qs).size() == 100000);
            QVERIFY(window.close());
        }
        server.route("/big.pdf", answer);
        fFileDownload window(f.context);
        QCOMPARE(window.list().count(), 1);
        QCOMPARE(window.list().row(1).state, qint16(DownloadRow::Waiting));
        window.scheduler().start();
        QUENLIT_WAIT_FOR_IO(f.clock, window.list().row(1).state == DownloadRow::Finished);
        QVERIFY(ReadFile(folder + u"/big.pdf"_qs) == document);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"big.pdf"_qs});
        QCOMPARE(server.requests.last().headers.value("range"), QByteArray("bytes=100000-"));
        window.scheduler().stop();
    }

    void theOptionsBoxTurnsTheRestoreOffAndTheListIsStillKept() {
        Fixture f;
        {
            fFileDownload window(f.context);
            addRow(window, u"http://h/before"_qs);
        }
        fOption options(f.context);
        QVERIFY(options.Check3->isChecked());
        options.Check3->setChecked(false);
        options.Text2->setText(f.dir.filePath(u"d"_qs));
        options.Command1->click();
        QCOMPARE(options.result(), int(QDialog::Accepted));
        QCOMPARE(settings::ReadInt16(f.settings, settings::RestoreDownloadList), qint16(0));
        {
            fFileDownload window(f.context);
            QCOMPARE(window.list().count(), 0);
            addRow(window, u"http://h/after"_qs);
        }
        settings::Save(f.settings, settings::RestoreDownloadList, 1);
        fFileDownload window(f.context);
        QCOMPARE(window.list().count(), 1);
        QCOMPARE(window.list().row(1).key, u"http://h/after"_qs);
        QVERIFY(f.messages.texts().isEmpty());
    }

    void aDamagedListIsToldAndTheWindowOpensEmpty() {
        Fixture f;
        const QString path = DownloadListStore::pathIn(f.context.dataFolder);
        WriteFile(path, "not a list");
        fFileDownload window(f.context);
        QCOMPARE(window.list().count(), 0);
        QCOMPARE(
            f.messages.texts(),
            QStringList{u"下载列表文件已损坏或无法读取，已改名为 %1，本次从空列表开始。"_qs.arg(
                QDir::toNativeSeparators(path + u".damaged"_qs))});
        QCOMPARE(ReadFile(path + u".damaged"_qs), QByteArray("not a list"));
    }

    // The rows of a list that did not come back may still claim their kept files.
    void keptFilesStayWhenTheListDoesNotComeBack_data() {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("damaged list") << true;
        QTest::newRow("restore turned off") << false;
    }
    void keptFilesStayWhenTheListDoesNotComeBack() {
        QFETCH(bool, damaged);
        Fixture f;
        const QString folder = f.dir.filePath(u"downloads"_qs);
        settings::Save(f.settings, settings::DownloadFolder, folder);
        const QString target = folder + u"/half.pdf"_qs;
        QVERIFY(QDir().mkpath(folder));
        {
            fFileDownload window(f.context);
            加入下载列表(window.list(), {folder, false}, u"http://h/half.pdf"_qs, u"half"_qs,
                         u"pdf"_qs, folder, {});
            PartialFile part(target);
            QVERIFY(part.open());
            QVERIFY(part.record({u"http://h/half.pdf"_qs, u"\"e\""_qs, QString(), 10}));
            QVERIFY(part.append("half"));
        }
        if (damaged)
            WriteFile(DownloadListStore::pathIn(f.context.dataFolder), "not a list");
        else
            settings::Save(f.settings, settings::RestoreDownloadList, 0);
        fFileDownload window(f.context);
        QCOMPARE(window.list().count(), 0);
        QCOMPARE(ReadFile(PartialFile::tempPathFor(target)), QByteArray("half"));
        QVERIFY(QFile::exists(PartialFile::recordPathFor(target)));
    }

    void methodOneDisablesTheThreadCount() {
        Fixture f;
        fFileDownload window(f.context);
        window.setDownloadMethod(1);
        QCOMPARE(window.Label7->text(), u"下载方式：1"_qs);
        QCOMPARE(window.Combo1->currentText(), u"1"_qs);
        QVERIFY(!window.Combo1->isEnabled());
        window.Combo1->setEnabled(true);
        window.Combo1->setCurrentIndex(4);
        window.switchDownloadMethod(2); // from the options dialog
        QCOMPARE(window.Label7->text(), u"下载方式：2"_qs);
        QCOMPARE(window.Combo1->currentText(), u"1"_qs);
        QVERIFY(window.Combo1->isEnabled());
    }
};

QTEST_MAIN(tst_downloadwindow)
#include "tst_downloadwindow.moc"
