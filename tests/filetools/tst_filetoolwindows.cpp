// The cache viewer and copy windows, and the search window's automatic cache clearing.
#include "ClockTimer.h"
#include "CopyFilesTool.h"
#include "Form_Copy_Move.h"
#include "TestApp.h"
#include "TestFiles.h"
#include "fFileDownload.h"
#include "fIEcache.h"
#include "fWebSearch.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QtEndian>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

QByteArray entry(const QByteArray& key, const QByteArray& body) {
    QByteArray head(24, '\0');
    qToLittleEndian<quint64>(0xfcfb6d1ba7725c30ULL, head.data());
    qToLittleEndian<quint32>(quint32(key.size()), head.data() + 12);
    return head + key + body;
}

// A cache below this test's home with three entries.
QString fillCache(const QString& name) {
    const QString cache = QDir::homePath() + u"/.cache/"_qs + name;
    QDir(cache).removeRecursively();
    WriteFile(cache + u"/Cache/Cache_Data/00000000000000a1_0"_qs,
              entry("1/0/http://h/report.pdf", QByteArray(900, 'a')));
    WriteFile(cache + u"/Cache/Cache_Data/00000000000000b2_0"_qs,
              entry("1/0/http://h/page.htm", QByteArray(1000, 'b')));
    WriteFile(cache + u"/Cache/Cache_Data/00000000000000c3_0"_qs,
              entry("1/0/http://h/Cookie/tracker.gif", "c"));
    WriteFile(cache + u"/Cookies"_qs, "session");
    return cache;
}

QAction* menuAction(QMainWindow* window, const QString& text) {
    for (QAction* top : window->menuBar()->actions())
        if (top->menu())
            for (QAction* item : top->menu()->actions())
                if (item->text() == text)
                    return item;
    return nullptr;
}

void saveShot(QWidget* window, const QString& name) {
    const QString folder = qEnvironmentVariable("QUENLIT_SHOTS");
    if (!folder.isEmpty())
        window->grab().save(folder + u'/' + name + u".png"_qs);
}
} // namespace

class tst_filetoolwindows : public QObject {
    Q_OBJECT
    // Every user's cache is looked for beside the home: a home of the test's own.
    QTemporaryDir m_homes;

private slots:
    void initTestCase() {
        QVERIFY(QDir().mkpath(m_homes.filePath(u"tester"_qs)));
        qputenv("HOME", QFile::encodeName(m_homes.filePath(u"tester"_qs)));
        QCOMPARE(QDir::homePath(), m_homes.filePath(u"tester"_qs));
    }

    void automaticClearingEverySixtyTicks() {
        TestApp app;
        const QString cache = fillCache(u"auto"_qs);
        app.context.browserCacheFolder = cache;
        fWebSearch window(app.context);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        const QString pdf = cache + u"/Cache/Cache_Data/00000000000000a1_0"_qs;
        QVERIFY(window.Check12->isChecked());
        QVERIFY(window.Timer2->isActive());
        app.clock.advance(59000);
        QCOMPARE(window.cacheTicks(), 59.0);
        QVERIFY(QFileInfo::exists(pdf));
        app.clock.advance(1000);
        QCOMPARE(window.cacheTicks(), 0.0);
        QVERIFY(!QFileInfo::exists(pdf));
        // Cookies stay; no message is shown.
        QVERIFY(QFileInfo::exists(cache + u"/Cookies"_qs));
        QVERIFY(app.messages.texts().isEmpty());

        // Unticked: the count goes on, nothing is cleared.
        fillCache(u"auto"_qs);
        window.Check12->setChecked(false);
        app.clock.advance(60000);
        QVERIFY(QFileInfo::exists(pdf));
        app.clock.advance(30000);
        QCOMPARE(window.cacheTicks(), 30.0);
        // Ticked again: cleared at the next multiple of 60 seconds.
        window.Check12->setChecked(true);
        app.clock.advance(29000);
        QVERIFY(QFileInfo::exists(pdf));
        app.clock.advance(1000);
        QVERIFY(!QFileInfo::exists(pdf));
        QVERIFY(app.messages.texts().isEmpty());
    }

    void searchWindowMenuClearsWithReport() {
        TestApp app;
        const QString cache = fillCache(u"menu"_qs);
        app.context.browserCacheFolder = cache;
        fWebSearch window(app.context);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        QAction* view = menuAction(&window, u"查看IE浏览器缓存"_qs);
        QVERIFY(view);
        QStringList tools;
        for (QAction* item :
             view->associatedObjects().isEmpty()
                 ? QList<QAction*>()
                 : qobject_cast<QMenu*>(view->associatedObjects().first())->actions())
            tools << item->text();
        QCOMPARE(tools, (QStringList{u"设置"_qs, u"打开下载窗口"_qs, u"查看IE浏览器缓存"_qs,
                                     u"清空IE浏览器缓存"_qs, u"网页源码另存为"_qs}));
        QAction* clear = menuAction(&window, u"清空IE浏览器缓存"_qs);
        QVERIFY(clear);
        clear->trigger();
        QVERIFY(!QFileInfo::exists(cache + u"/Cache/Cache_Data/00000000000000b2_0"_qs));
        QCOMPARE(app.messages.texts(), QStringList{u"IE缓存清空完毕！"_qs});
    }

    void downloadWindowMenuClearsWithReport() {
        TestApp app;
        const QString cache = fillCache(u"download"_qs);
        app.context.browserCacheFolder = cache;
        fFileDownload window(app.context);
        QAction* clear = menuAction(&window, u"清空IE浏览器缓存"_qs);
        QVERIFY(clear);
        clear->trigger();
        QVERIFY(!QFileInfo::exists(cache + u"/Cache/Cache_Data/00000000000000a1_0"_qs));
        QVERIFY(QFileInfo::exists(cache + u"/Cookies"_qs));
        QCOMPARE(app.messages.texts(), QStringList{u"IE缓存清空完毕！"_qs});
    }

    void cacheViewerListsSortsDeletesAndCopies() {
        TestApp app;
        const QString cache = fillCache(u"viewer"_qs);
        app.context.browserCacheFolder = cache;
        fIEcache window(app.context);
        window.show();
        QCOMPARE(window.windowTitle(), u"IE浏览器Cookie 缓存和历史列表-Quenlit"_qs);
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QCOMPARE(window.Label1->text(), u"共有3 个文件"_qs);
        QVERIFY(window.ListView2->topLevelItemCount() == 0);
        QAbstractItemModel* model = window.ListView1->model();
        QCOMPARE(model->rowCount(), 3);
        // The size column's header, clicked: largest first.
        window.ListView1->horizontalHeader()->sectionClicked(2); // as the header emits it
        QCOMPARE(model->index(0, 0).data().toString(), u"http://h/page.htm"_qs);
        QCOMPARE(model->index(1, 1).data().toString(), u"pdf"_qs);
        window.ListView1->horizontalHeader()->sectionClicked(2); // as the header emits it
        QCOMPARE(model->index(2, 0).data().toString(), u"http://h/page.htm"_qs);
        saveShot(&window, u"fIEcache-mine"_qs);

        // Copy the pdf row's file with the copy window, which closes itself once done.
        window.ListView1->selectionModel()->select(
            model->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(window.selectedRows(), QList<int>{1});
        const QString target = app.dir.filePath(u"copies"_qs);
        bool copyShown = false;
        QTimer::singleShot(0, [&] {
            auto* copy = window.findChild<Form_Copy_Move*>();
            QVERIFY(copy);
            copyShown = true;
            QCOMPARE(copy->windowTitle(), u"复制文件：1 个文件..."_qs);
            QCOMPARE(copy->Combo1->currentText(), app.dir.path() + u'/');
            QVERIFY(copy->Option1[3]->isChecked());
            copy->Combo1->setEditText(target);
            copy->Option1[2]->click();
            saveShot(copy, u"Form_Copy_Move"_qs);
            QTest::mouseClick(copy->Command1, Qt::LeftButton);
            QCOMPARE(copy->Command1->text(), u"停止"_qs);
            QCOMPARE(copy->Label2->text(), u"00000000000000a1_0"_qs);
            app.clock.runPending();
            QCOMPARE(copy->Command1->text(), u"开始"_qs);
            QCOMPARE(copy->Combo1->currentText(), target + u'/');
            QTest::mouseClick(copy->Command2, Qt::LeftButton);
        });
        QTest::mouseClick(window.Command6, Qt::LeftButton);
        QVERIFY(copyShown);
        QVERIFY(QFileInfo::exists(target + u"/00000000000000a1_0"_qs));
        QCOMPARE(app.messages.texts(), QStringList{u"复制文件完成！"_qs});

        // Delete the selected row: only its entry goes.
        QTest::mouseClick(window.Command2, Qt::LeftButton);
        QCOMPARE(model->rowCount(), 2);
        QVERIFY(!QFileInfo::exists(cache + u"/Cache/Cache_Data/00000000000000a1_0"_qs));
        QVERIFY(QFileInfo::exists(cache + u"/Cache/Cache_Data/00000000000000b2_0"_qs));

        // Every user's cache: this home only.
        QTest::mouseClick(window.Command7, Qt::LeftButton);
        QCOMPARE(window.ListView2->topLevelItemCount(), 1);
        QCOMPARE(window.ListView2->topLevelItem(0)->text(1), cache);
        QCOMPARE(model->index(0, 0).data().toString(),
                 u"用户:"_qs + QFileInfo(QDir::homePath()).fileName());
        QVERIFY(window.ListView3->topLevelItemCount() >= 2);
        saveShot(&window, u"fIEcache-all"_qs);
        QTest::mouseClick(window.Command3, Qt::LeftButton);
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->index(0, 3).data().toString(), cache + u"/Cookies"_qs);
        QCOMPARE(window.Label1->text(), u"共有1 个文件"_qs);
        QVERIFY(!QFileInfo::exists(cache + u"/Cache"_qs));
    }

    void copyWindowClosedMidPassWithTheRealClock() {
        TestApp app(TestApp::Time::Real);
        QStringList paths;
        for (int i = 0; i < 50; ++i) {
            paths << app.dir.filePath(QStringLiteral("src/f%1.bin").arg(i));
            WriteFile(paths.last(), QByteArray(1000, 'x'));
        }
        auto* copy = new Form_Copy_Move(app.context);
        copy->setAttribute(Qt::WA_DeleteOnClose);
        copy->tool().文件全路径集合 = paths;
        copy->Combo1->setEditText(app.dir.filePath(u"dst"_qs));
        copy->show();
        QTest::mouseClick(copy->Command1, Qt::LeftButton);
        QVERIFY(copy->tool().running());
        QPointer<Form_Copy_Move> alive(copy);
        QTimer::singleShot(0, copy, [copy] { copy->close(); });
        QTRY_VERIFY(!alive);
        QCOMPARE(WorkScope::suspendedWaits(), 0);
        QCOMPARE(WorkScope::liveRuns(), 0);
        QVERIFY(QDir(app.dir.filePath(u"dst"_qs)).entryList(QDir::Files).size() < 50);
        QVERIFY(app.messages.texts().isEmpty());
    }
};

QTEST_MAIN(tst_filetoolwindows)
#include "tst_filetoolwindows.moc"
