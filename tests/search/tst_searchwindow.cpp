#include "BatchSearch.h"
#include "Settings.h"
#include "TestApp.h"
#include "fWebSearch.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>

using namespace quenlit;
using namespace quenlit::testing;

namespace {
struct Fixture : TestApp {
    std::unique_ptr<fWebSearch> open() {
        auto window = std::make_unique<fWebSearch>(context);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        clock.advance(1000);
        return window;
    }
};

QAction* action(QMenu* menu, const QString& text) {
    for (QAction* item : menu->actions())
        if (item->text() == text)
            return item;
    return nullptr;
}
} // namespace

class tst_searchwindow : public QObject {
    Q_OBJECT
private slots:
    void firstOpenShowsTheDefaults() {
        Fixture f;
        auto window = f.open();
        QCOMPARE(window->windowTitle(), u"必应页面数据检索分析-Quenlit"_qs);
        QCOMPARE(f.loaded, (QStringList{u"http://cn.bing.com/"_qs}));
        QVERIFY(window->browser().Silent());
        // Both saved as 1 on a first start: the later one wins.
        QVERIFY(window->Check14->isChecked());
        QVERIFY(!window->Check13->isChecked());
        for (QCheckBox* check :
             {window->Check1, window->Check2, window->Check4, window->Check5, window->Check12})
            QVERIFY(check->isChecked());
        for (QCheckBox* type : window->typeBoxes)
            QVERIFY(type->isChecked());
        QVERIFY(window->timeOptions[0]->isChecked());
        QCOMPARE(window->Combo1->count(), 121);
        QVERIFY(f.context.forms.IsFormLoaded(u"fwebsearch"_qs));
    }

    void closingSavesAndReopeningRestores() {
        Fixture f;
        {
            auto window = f.open();
            window->Text1->setPlainText(u"第一组\n第二组"_qs);
            window->Combo1->setCurrentIndex(5);
            window->Check2->setChecked(false);
            window->Check5->setChecked(false);
            QVERIFY(!window->browser().Silent());
            window->Check13->setChecked(true);
            QVERIFY(!window->Check14->isChecked());
            window->Check1->setChecked(false);
            window->typeBoxes[1]->setChecked(false);
            window->timeOptions[3]->setChecked(true);
            window->close();
        }
        QCOMPARE(settings::ReadText(f.settings, settings::SearchKeywords), u"第一组\r\n第二组"_qs);
        QCOMPARE(settings::ReadText(f.settings, settings::SearchDelay), u"5"_qs);
        auto window = f.open();
        QCOMPARE(window->Text1->toPlainText(), u"第一组\n第二组"_qs);
        QCOMPARE(window->Combo1->currentText(), u"5"_qs);
        QVERIFY(!window->Check2->isChecked());
        QVERIFY(!window->Check5->isChecked());
        QVERIFY(!window->browser().Silent());
        QVERIFY(window->Check13->isChecked());
        QVERIFY(!window->Check14->isChecked());
        // Not saved: always as on a first start.
        QVERIFY(window->Check1->isChecked());
        QVERIFY(window->typeBoxes[1]->isChecked());
        QVERIFY(window->timeOptions[0]->isChecked());
    }

    void handOffWithAnEmptyListSaysSo() {
        Fixture f;
        auto window = f.open();
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        QCOMPARE(f.messages.texts(), QStringList{u"列表没有数据哦！"_qs});
        QVERIFY(window->Command2->isEnabled());
    }

    // With rows selected the button pops up its menu without a nested loop; the button
    // stays off for the hand-off the menu starts, and comes back when it is dismissed.
    void handOffMenuKeepsTheButtonUntilTheChoiceEnds() {
        Fixture f;
        auto window = f.open();
        window->results().append(u"http://d/1.pdf"_qs,
                                 [](ResultRow& row) { row.title = u"一"_qs; });
        window->ListView1->selectionModel()->select(
            window->results().index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        // Dismissed without a choice: the button comes back.
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        QTRY_VERIFY(window->menuHandOff->isVisible());
        QVERIFY(!window->Command2->isEnabled());
        window->menuHandOff->hide();
        QTRY_VERIFY(window->Command2->isEnabled());
        // A choice: the button stays off while the hand-off it started runs.
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        QTRY_VERIFY(window->menuHandOff->isVisible());
        window->menuHandOff->hide();
        action(window->menuHandOff, u"分析选中项"_qs)->trigger();
        QTest::qWait(10);
        QVERIFY(!window->handOff().analysisIdle());
        QVERIFY(!window->Command2->isEnabled());
    }

    void removalIsRefusedDuringAHandOff() {
        Fixture f;
        auto window = f.open();
        window->results().append(u"http://d/1.pdf"_qs,
                                 [](ResultRow& row) { row.title = u"一"_qs; });
        window->handOff().HandOff(HandOffRule::AllRows); // waits for the clock
        QVERIFY(!window->handOff().analysisIdle());
        action(window->menuClear, u"清除选中项"_qs)->trigger();
        QCOMPARE(f.messages.texts(), QStringList{u"正在分析，不能清除！"_qs});
        QCOMPARE(window->results().count(), 1);
    }

    void clearAllAsksFirst() {
        Fixture f;
        auto window = f.open();
        window->results().append(u"http://d/1.pdf"_qs,
                                 [](ResultRow& row) { row.title = u"一"_qs; });
        f.messages.answer = false;
        action(window->menuClear, u"清空全部"_qs)->trigger();
        QCOMPARE(window->results().count(), 1);
        f.messages.answer = true;
        action(window->menuClear, u"清空全部"_qs)->trigger();
        QCOMPARE(window->results().count(), 0);
        QCOMPARE(window->Label1->text(), u"0"_qs);
        QCOMPARE(f.messages.texts().first(), u"您确定要清空辛辛苦苦搜索的列表数据吗？"_qs);
    }

    void closingDuringABatchEndsItSafely() {
        Fixture f;
        auto window = f.open();
        f.context.live.SaveFolderPromptFlag = 0; // no folder question
        window->Text1->setPlainText(u"a\nb"_qs);
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        f.clock.advance(300);
        QVERIFY(window->batch().batchRunning());
        window->close();
        window.reset();
        f.clock.advance(120000); // the batch's waits come due with their window gone
        QVERIFY(!f.context.forms.IsFormLoaded(u"fWebSearch"_qs));
        QCOMPARE(settings::ReadText(f.settings, settings::SearchKeywords), u"a\r\nb"_qs);
    }

    void batchButtonShowsTheRunningState() {
        Fixture f;
        auto window = f.open();
        window->Text1->setPlainText(u"a"_qs);
        f.context.live.SaveFolderPromptFlag = 0;
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        QCOMPARE(window->Command1->text(), u"停止批量搜索"_qs);
        QVERIFY(window->Command1->styleSheet().contains(u"255, 0, 0"_qs));
        QTest::mouseClick(window->Command1, Qt::LeftButton); // the stop unwinds the batch at once
        QVERIFY(!window->batch().batchRunning());
        QCOMPARE(window->Command1->text(), u"开始批量搜索提取"_qs);
        QVERIFY(window->Command1->isEnabled());
        QVERIFY(!window->Command1->styleSheet().contains(u"255, 0, 0"_qs));
    }
};

QTEST_MAIN(tst_searchwindow)
#include "tst_searchwindow.moc"
