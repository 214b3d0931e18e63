#include "FileTools.h"
#include "ListFixture.h"
#include "UrlReplace.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

class tst_filetools : public QObject {
    Q_OBJECT
private slots:
    void textEditorTakesTwoMegabytesAtMost_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("opens");
        QTest::newRow("2097152") << 2097152 << true;
        QTest::newRow("2097153") << 2097153 << false;
    }
    void textEditorTakesTwoMegabytesAtMost() {
        QFETCH(int, bytes);
        QFETCH(bool, opens);
        ListFixture f;
        f.add(u"a"_qs, u"notes"_qs, u"txt"_qs, DownloadRow::Finished);
        f.write(u"notes.txt"_qs, QByteArray(bytes, 'x'));
        f.setCurrent(1);
        FileTools tools(f.environment());
        tools.openInTextEditor();
        QCOMPARE(f.shell.edited, opens ? QStringList{f.folder() + u"notes.txt"_qs} : QStringList());
        QCOMPARE(f.messages.texts(),
                 opens ? QStringList()
                       : QStringList{u"该文件太大，超过了2M，不便于用记事本打开！"_qs});
    }

    void missingFilesAndFolders() {
        ListFixture f;
        f.add(u"a"_qs, u"gone"_qs, u"pdf"_qs, DownloadRow::Finished);
        f.add(u"b"_qs, u"lost"_qs, u"pdf"_qs, DownloadRow::Finished);
        f.list.modify(2, [&](DownloadRow& row) { row.saveFolder = f.folder() + u"nowhere/"_qs; });
        FileTools tools(f.environment());
        tools.openDownloadedFile(); // no row selected: nothing
        QVERIFY(f.messages.texts().isEmpty());
        f.setCurrent(1);
        tools.openDownloadedFile();
        tools.openInTextEditor();
        tools.openContainingFolder(); // the folder is there: it opens
        QCOMPARE(f.shell.files, QStringList{f.folder()});
        f.setCurrent(2);
        tools.openContainingFolder();
        QCOMPARE(f.messages.texts(),
                 (QStringList{u"该文件不存在！"_qs, u"该文件不存在！"_qs, u"文件夹不存在！"_qs}));
        for (const auto& message : f.messages.messages)
            QCOMPARE(message.icon, MessageIcon::Error);
    }

    void openAndLocateAnExistingFile() {
        ListFixture f;
        f.add(u"a"_qs, u"doc"_qs, u""_qs, DownloadRow::Finished);
        f.write(u"doc."_qs, "x"); // these tools write the dot even for an empty type
        f.setCurrent(1);
        FileTools tools(f.environment());
        tools.openDownloadedFile();
        tools.openContainingFolder();
        QCOMPARE(f.shell.files, QStringList{f.folder() + u"doc."_qs});
        QCOMPARE(f.shell.shown, QStringList{f.folder() + u"doc."_qs});
        f.shell.showSucceeds = false;
        tools.openContainingFolder();
        QCOMPARE(f.messages.texts(), QStringList{u"打开失败！"_qs});
    }

    void replaceIgnoresCaseAndKeepsKeysUnique() {
        ListFixture f;
        f.add(u"a/old/x.pdf"_qs, u"x"_qs, u"pdf"_qs, DownloadRow::Finished);
        f.add(u"a/OLD/y.pdf"_qs, u"y"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.add(u"a/new/y.pdf"_qs, u"z"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.list.modify(1, [](DownloadRow& row) { row.tag = u"http://ref/Old/page"_qs; });
        FileTools tools(f.environment());
        const ReplaceOutcome outcome = tools.replaceAddresses(u"OLD"_qs, u"new"_qs);
        QCOMPARE(outcome.changed, 1);
        QCOMPARE(outcome.clashes, 1);
        QCOMPARE(f.list.row(1).key, u"a/new/x.pdf"_qs);
        QCOMPARE(f.list.row(1).tag, u"http://ref/new/page"_qs);
        QCOMPARE(f.list.row(2).key, u"a/OLD/y.pdf"_qs);
        QCOMPARE(f.list.row(2).tag, u"http://ref/y"_qs);
        QCOMPARE(f.list.row(3).key, u"a/new/y.pdf"_qs);
        QVERIFY(f.list.containsKey(u"a/new/x.pdf"_qs) && !f.list.containsKey(u"a/old/x.pdf"_qs));
    }

    void replaceDialog() {
        ListFixture f;
        f.add(u"http://h/old/1.pdf"_qs, u"one"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.add(u"http://h/old/2.pdf"_qs, u"two"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.add(u"http://h/new/2.pdf"_qs, u"three"_qs, u"pdf"_qs, DownloadRow::Waiting);
        FileTools tools(f.environment());
        UrlReplace dialog(tools, f.messages);
        QCOMPARE(dialog.windowTitle(), u"网址批量替换"_qs);
        dialog.show();
        dialog.Text1->setText(u"   "_qs);
        dialog.Command1->click();
        QCOMPARE(f.messages.texts(), QStringList{u"请输入字符串！"_qs});
        QVERIFY(dialog.isVisible());
        dialog.Text1->setText(u"/OLD/"_qs);
        dialog.Text2->setText(u"/new/"_qs);
        dialog.Command1->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(f.messages.messages.last().icon, MessageIcon::Information);
        QVERIFY(f.messages.texts().last().startsWith(u"全部网址替换完成！"_qs));
        QVERIFY(f.messages.texts().last().contains(u'1'));
        QCOMPARE(f.list.row(1).key, u"http://h/new/1.pdf"_qs);
        QCOMPARE(f.list.row(2).key, u"http://h/old/2.pdf"_qs);
    }

    void exportNames_data() {
        QTest::addColumn<bool>("unfinishedOnly");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("all") << false << QByteArray("甲\r\nb\r\nc\r\n");
        QTest::newRow("unfinished") << true << QByteArray("b\r\nc\r\n");
    }
    void exportNames() {
        QFETCH(bool, unfinishedOnly);
        QFETCH(QByteArray, text);
        ListFixture f;
        f.add(u"a"_qs, u"甲"_qs, u"pdf"_qs, DownloadRow::Finished);
        f.add(u"b"_qs, u"b"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.add(u"c"_qs, u"c"_qs, u"pdf"_qs, DownloadRow::Failed);
        FileTools tools(f.environment());
        tools.exportNames(unfinishedOnly); // cancelled dialog
        QCOMPARE(f.prompts.asked, QStringList{u"*.txt"_qs});
        f.prompts.fileAnswer = f.dir.filePath(u"names.txt"_qs);
        tools.exportNames(unfinishedOnly);
        QFile written(f.prompts.fileAnswer);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QString::fromUtf8(text).toUtf8());
        QVERIFY(f.messages.texts().isEmpty());
    }

    void exportErrorIsShown() {
        ListFixture f;
        f.add(u"a"_qs, u"a"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.prompts.fileAnswer = f.dir.filePath(u"no/such/folder/names.txt"_qs);
        FileTools tools(f.environment());
        tools.exportNames(false);
        QCOMPARE(f.messages.messages.size(), 1);
        QCOMPARE(f.messages.messages[0].icon, MessageIcon::Error);
        QVERIFY(!f.messages.messages[0].text.isEmpty());
    }

    void emptyListExportsNothing() {
        ListFixture f;
        FileTools tools(f.environment());
        tools.exportNames(false);
        QVERIFY(f.prompts.asked.isEmpty());
    }

    void clickedRowShowsItsFileOrItsKey() {
        ListFixture f;
        f.add(u"http://h/a.pdf|http://m/a.pdf"_qs, u"a"_qs, u"pdf"_qs, DownloadRow::Finished);
        f.add(u"http://h/b.pdf"_qs, u"b"_qs, u"pdf"_qs, DownloadRow::Waiting);
        f.write(u"a.pdf"_qs, "x");
        FileTools tools(f.environment());
        QCOMPARE(tools.clickedRowText(1), f.folder() + u"a.pdf"_qs);
        QCOMPARE(tools.clickedRowText(2), u"http://h/b.pdf"_qs);
        f.setCurrent(1);
        QCOMPARE(tools.selectedName(), u"a"_qs);
        QCOMPARE(tools.selectedAddress(), u"http://h/a.pdf"_qs);
    }
};

QTEST_MAIN(tst_filetools)
#include "tst_filetools.moc"
