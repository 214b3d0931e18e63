#include "BatchSearch.h"
#include "FakeBrowser.h"
#include "LiveSettings.h"
#include "QueryBuilder.h"
#include "RecordingMessageSink.h"
#include "ResultListModel.h"
#include "SearchForm.h"
#include "VirtualClock.h"
#include "WorkScope.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

using namespace quenlit;
using namespace quenlit::testing;

namespace {
const SearchHosts Hosts{u"http://127.0.0.1:9"_qs, u"http://127.0.0.1:9"_qs};

// Result pages 1, 11 and 21 of every search; the last has no next-page link.
QString resultPage(const QString& address) {
    if (!address.contains(u"/search?"_qs))
        return u"<html><body>blank</body></html>"_qs;
    const int first = qMax(1, 从网址提取页码数(address));
    const QString query = QUrlQuery(QUrl(address)).queryItemValue(u"q"_qs, QUrl::FullyDecoded);
    QString html = u"<html><body><ol>"_qs;
    for (int i = 0; i < 2; ++i)
        html += QStringLiteral(
                    "<li><div class=\"b_title\"><h2><a "
                    "href=\"http://docs.example/%1/%2-%3.pdf\">%1 结果 %2-%3</a></h2></div></li>")
                    .arg(QString::fromLatin1(QUrl::toPercentEncoding(query)))
                    .arg(first)
                    .arg(i);
    html += u"</ol>"_qs;
    if (first < 21) {
        QString next = address;
        next.remove(QRegularExpression(u"&first=\\d+&FORM=PERE"_qs));
        html +=
            QStringLiteral("<a title=\"下一页\" href=\"%1&amp;first=%2&amp;FORM=PERE\">下一页</a>")
                .arg(next.toHtmlEscaped())
                .arg(first + 10);
    }
    return html + u"</body></html>"_qs;
}

struct FakeForm final : SearchForm {
    QString keywords;
    QSet<DocumentType> ticked{DocumentType::Pdf};
    QString pause = u"0"_qs;
    QString progress;
    int folderQuestions = 0;
    std::function<void()> onProgress;

    QString keywordText() const override { return keywords; }
    bool wholePhrase() const override { return false; }
    TimeRange timeRange() const override { return TimeRange::AllTime; }
    bool typeTicked(DocumentType type) const override { return ticked.contains(type); }
    QString pauseText() const override { return pause; }
    TitleOptions titleOptions() const override { return {}; }
    QCoro::Task<> askSaveFolder(WorkScope&) override {
        ++folderQuestions;
        co_return;
    }
    void clearProgress() override { progress.clear(); }
    void appendProgress(const QString& text) override {
        progress += text;
        if (onProgress)
            onProgress();
    }
    void resultsChanged() override {}
    void sizeResultColumns() override {}
};

struct Fixture {
    VirtualClock clock;
    FakeBrowser browser{clock, resultPage};
    FakeForm form;
    ResultListModel results;
    LiveSettings live;
    RecordingMessageSink messages;
    BatchSearch batch{browser, clock, form, results, live, Hosts, messages};

    Fixture() { live.DownloadFolder = u"/home/u/下载/"_qs; }
    // Runs virtual time until the batch and the walk are idle.
    bool runUntilIdle(qint64 limitMs = 600000) {
        for (qint64 spent = 0; spent < limitMs; spent += 100) {
            clock.advance(100);
            if (!batch.batchRunning() && !batch.walkRunning())
                return true;
        }
        return false;
    }
    QStringList searches() const {
        QStringList found;
        for (const QString& address : browser.navigations)
            if (address.contains(u"/search?"_qs) && !address.contains(u"&first="_qs))
                found << address;
        return found;
    }
};
} // namespace

class tst_batchsearch : public QObject {
    Q_OBJECT
private slots:
    void twoLinesTwoTypesWalkEveryPage() {
        Fixture f;
        f.form.keywords = u"教程\r\n  \r\nR&D"_qs;
        f.form.ticked = {DocumentType::Pdf, DocumentType::Doc};
        f.live.SaveFolderPromptFlag = 1;
        QSignalSpy running(&f.batch, &BatchSearch::batchRunningChanged);
        f.batch.RunBatchSearch();
        QVERIFY(f.batch.batchRunning());
        QVERIFY(f.runUntilIdle());
        QCOMPARE(f.form.progress, u"教程(pdf) 教程(doc) \r\nR&D(pdf) R&D(doc) \r\n"_qs);
        QCOMPARE(f.searches(),
                 (QStringList{BuildSearchAddress(u"教程"_qs, DocumentType::Pdf, false,
                                                 TimeRange::AllTime, SearchScope::China, Hosts),
                              BuildSearchAddress(u"教程"_qs, DocumentType::Doc, false,
                                                 TimeRange::AllTime, SearchScope::China, Hosts),
                              BuildSearchAddress(u"R&D"_qs, DocumentType::Pdf, false,
                                                 TimeRange::AllTime, SearchScope::China, Hosts),
                              BuildSearchAddress(u"R&D"_qs, DocumentType::Doc, false,
                                                 TimeRange::AllTime, SearchScope::China, Hosts)}));
        // Each search: about:blank, the search, two next pages.
        QCOMPARE(f.browser.navigations.size(), 16);
        QCOMPARE(f.browser.navigations.first(), u"about:blank"_qs);
        QCOMPARE(f.results.count(), 4 * 3 * 2);
        QCOMPARE(f.results.row(1).saveFolder, u"/home/u/下载/"_qs);
        QCOMPARE(f.form.folderQuestions, 1); // once per batch, not per walk
        QCOMPARE(running.count(), 2);
        QCOMPARE(f.batch.lastResultOffset(), 0);
    }

    void pauseWaitsPPlusOneSecondsAfterEachLoad() {
        Fixture f;
        f.form.keywords = u"a"_qs;
        f.form.pause = u"5"_qs;
        f.browser.loadMs = 300;
        f.batch.RunBatchSearch();
        QVERIFY(f.runUntilIdle());
        QCOMPARE(f.browser.clickTimes.size(), 2);
        // A click, 0.3 s of loading, then at least 6 s of pause before the next click.
        QVERIFY(f.browser.clickTimes[1] - f.browser.clickTimes[0] >= 6.3);
        QVERIFY(f.browser.clickTimes[1] - f.browser.clickTimes[0] < 6.5);
    }

    void searchPageThatNeverLoadsIsGivenThirtySeconds() {
        Fixture f;
        f.form.keywords = u"a"_qs;
        const QString search = BuildSearchAddress(u"a"_qs, DocumentType::Pdf, false,
                                                  TimeRange::AllTime, SearchScope::China, Hosts);
        f.browser.hanging.insert(search);
        f.batch.RunBatchSearch();
        f.clock.advance(29000);
        QVERIFY(f.batch.batchRunning());
        QCOMPARE(f.browser.navigations.last(), search);
        QVERIFY(f.runUntilIdle(5000));
        QCOMPARE(f.form.progress, u"a(pdf) \r\n"_qs);
    }

    void nextPageThatNeverLoadsEndsTheWalkAfterSixtySeconds() {
        Fixture f;
        f.form.keywords = u"a"_qs;
        const QString search = BuildSearchAddress(u"a"_qs, DocumentType::Pdf, false,
                                                  TimeRange::AllTime, SearchScope::China, Hosts);
        f.browser.hanging.insert(search + u"&first=11&FORM=PERE"_qs);
        f.batch.RunBatchSearch();
        f.clock.advance(55000);
        QVERIFY(f.batch.walkRunning());
        QVERIFY(f.runUntilIdle(10000));
        QCOMPARE(f.results.count(), 2); // the first page only
        QCOMPARE(f.browser.clickTimes.size(), 1);
    }

    void stoppingTheWalkSkipsToTheNextType() {
        Fixture f;
        f.form.keywords = u"a"_qs;
        f.form.ticked = {DocumentType::Pdf, DocumentType::Xls};
        f.form.pause = u"3"_qs;
        f.batch.RunBatchSearch();
        f.clock.advance(2000);
        QVERIFY(f.batch.walkRunning());
        QSignalSpy walkButton(&f.batch, &BatchSearch::walkButtonEnabledChanged);
        f.batch.WalkAllPages(); // "停止加入全部"
        QCOMPARE(walkButton.count(), 1);
        QCOMPARE(walkButton.first().first().toBool(), false);
        QVERIFY(f.runUntilIdle());
        QCOMPARE(f.form.progress, u"a(pdf) a(xls) \r\n"_qs);
        QCOMPARE(f.searches().size(), 2);
        int pdfRows = 0;
        for (int i = 1; i <= f.results.count(); ++i)
            pdfRows += f.results.row(i).key.contains(u"pdf/"_qs) ? 1 : 0;
        QCOMPARE(pdfRows, 4);                     // two pages before the stop
        QCOMPARE(f.results.count() - pdfRows, 6); // all three pages of xls
    }

    void stoppingTheBatchEndsEverything() {
        Fixture f;
        f.form.keywords = u"a\r\nb"_qs;
        f.form.ticked = {DocumentType::Pdf, DocumentType::Xls};
        f.batch.RunBatchSearch();
        f.clock.advance(1500);
        QSignalSpy batchButton(&f.batch, &BatchSearch::batchButtonEnabledChanged);
        f.batch.RunBatchSearch(); // "停止批量搜索"
        QCOMPARE(batchButton.first().first().toBool(), false);
        QVERIFY(f.runUntilIdle());
        QCOMPARE(f.form.progress, u"a(pdf) \r\n"_qs);
        QCOMPARE(f.searches().size(), 1);
        QCOMPARE(batchButton.last().first().toBool(), true);
    }

    // Stopped while the blank page between two searches loads: no further search opens.
    void stoppingDuringTheBlankPageOpensNoSearch() {
        Fixture f;
        f.form.keywords = u"a"_qs;
        f.form.ticked = {DocumentType::Pdf};
        f.batch.RunBatchSearch();
        f.clock.advance(1);
        f.batch.RunBatchSearch(); // "停止批量搜索"
        QVERIFY(f.runUntilIdle());
        QCOMPARE(f.searches().size(), 0);
    }

    void verificationPageHaltsAfterTheCurrentSearch() {
        Fixture f;
        f.form.keywords = u"a\r\nb"_qs;
        f.form.ticked = {DocumentType::Pdf, DocumentType::Doc};
        const QString blocked = BuildSearchAddress(u"a"_qs, DocumentType::Doc, false,
                                                   TimeRange::AllTime, SearchScope::China, Hosts);
        FakeBrowser browser(f.clock, [blocked](const QString& address) {
            return address == blocked
                       ? u"<html><body>您的访问过于频繁，为确认本次访问为正常用户行为，需要您协助验证</body></html>"_qs
                       : resultPage(address);
        });
        BatchSearch batch(browser, f.clock, f.form, f.results, f.live, Hosts, f.messages);
        batch.RunBatchSearch();
        for (int i = 0; i < 3000 && batch.batchRunning(); ++i)
            f.clock.advance(100);
        QVERIFY(!batch.batchRunning());
        QVERIFY(batch.haltFlag());
        QCOMPARE(f.form.progress, u"a(pdf) a(doc) \r\n"_qs);
        QCOMPARE(browser.navigations.last(), blocked); // the user can answer it there
    }

    void offsetGoingBackEndsTheWalk() {
        Fixture f;
        // Page 11's next-page link leads to offset 3, below the highest offset seen.
        FakeBrowser browser(f.clock, [](const QString& address) {
            QString page = resultPage(address);
            return address.contains(u"&first=11"_qs) ? page.replace(u"first=21"_qs, u"first=3"_qs)
                                                     : page;
        });
        BatchSearch walker(browser, f.clock, f.form, f.results, f.live, Hosts, f.messages);
        browser.Navigate(BuildSearchAddress(u"z"_qs, DocumentType::Pdf, false, TimeRange::AllTime,
                                            SearchScope::China, Hosts) +
                         u"&first=11&FORM=PERE"_qs);
        f.clock.advance(500);
        walker.WalkAllPages();
        for (int i = 0; i < 600 && walker.walkRunning(); ++i)
            f.clock.advance(100);
        QVERIFY(!walker.walkRunning());
        QCOMPARE(browser.clickTimes.size(), 1);
        QCOMPARE(walker.lastResultOffset(), 0);
        // Page 3 was harvested before the walk saw its offset.
        QCOMPARE(f.results.count(), 4);
        QVERIFY(f.results.row(3).key.endsWith(u"/3-0.pdf"_qs));
    }

    void untickingATypeAffectsWhatIsNotReachedYet() {
        Fixture f;
        f.form.keywords = u"a\r\nb"_qs;
        f.form.ticked = {DocumentType::Pdf, DocumentType::Rtf};
        f.form.onProgress = [&] {
            if (f.form.progress == u"a(pdf) "_qs)
                f.form.ticked.remove(DocumentType::Rtf);
        };
        f.batch.RunBatchSearch();
        QVERIFY(f.runUntilIdle());
        QCOMPARE(f.form.progress, u"a(pdf) \r\nb(pdf) \r\n"_qs);
    }

    void batchRefusedWhileAWalkRuns() {
        Fixture f;
        f.browser.Navigate(BuildSearchAddress(u"a"_qs, DocumentType::Pdf, false, TimeRange::AllTime,
                                              SearchScope::China, Hosts));
        f.clock.advance(500);
        f.live.SaveFolderPromptFlag = 1;
        f.batch.WalkAllPages();
        QCOMPARE(f.form.folderQuestions, 1);
        f.batch.RunBatchSearch();
        QCOMPARE(f.messages.texts(), QStringList{u"正在提取网页信息，请停止以后使用该功能！"_qs});
        QVERIFY(!f.batch.batchRunning());
        QVERIFY(f.runUntilIdle());
        QCOMPARE(f.results.count(), 6);
        QCOMPARE(f.results.row(1).saveFolder, u"/home/u/下载/"_qs);
    }

    void noTypeTickedWritesOnlyLineBreaks() {
        Fixture f;
        f.form.keywords = u"a\r\nb"_qs;
        f.form.ticked.clear();
        f.batch.RunBatchSearch();
        QVERIFY(f.runUntilIdle());
        QCOMPARE(f.form.progress, u"\r\n\r\n"_qs);
        QVERIFY(f.browser.navigations.isEmpty());
    }

    // Between the searches of a batch the walk button must not start a walk of its own
    // beside the batch's: every click keeps the pause apart from the one before.
    void walkButtonBetweenSearchesStartsNoSecondWalk() {
        Fixture f;
        f.form.keywords = u"a\r\nb"_qs;
        f.form.ticked = {DocumentType::Pdf, DocumentType::Doc};
        f.form.pause = u"2"_qs;
        f.form.onProgress = [&] { f.batch.WalkAllPages(); };
        f.batch.RunBatchSearch();
        QVERIFY(f.runUntilIdle());
        QCOMPARE(f.form.progress, u"a(pdf) a(doc) \r\nb(pdf) b(doc) \r\n"_qs);
        QCOMPARE(f.browser.clickTimes.size(), 4 * 2);
        for (int i = 1; i < f.browser.clickTimes.size(); ++i)
            QVERIFY(f.browser.clickTimes[i] - f.browser.clickTimes[i - 1] >= 3.0);
    }

    // The next-page link is found on the live page: one inside <noscript> is not there, and
    // results that scripts add after the load are harvested.
    void walkActsOnTheLivePage() {
        Fixture f;
        FakeBrowser browser(f.clock, [](const QString& address) {
            QString page = resultPage(address);
            if (address.contains(u"first=11"_qs))
                return page;
            return page.replace(u"<ol>"_qs,
                                u"<noscript><a title=\"下一页\" "
                                "href=\"http://elsewhere/\">下一页</a></noscript><ol>"_qs);
        });
        browser.script = [](QString source) {
            return source.replace(u"</ol>"_qs,
                                  u"<li><div class=\"b_title\"><h2><a href=\"http://added/x.pdf\">"
                                  "脚本加入</a></h2></div></li></ol>"_qs);
        };
        BatchSearch walker(browser, f.clock, f.form, f.results, f.live, Hosts, f.messages);
        browser.Navigate(BuildSearchAddress(u"z"_qs, DocumentType::Pdf, false, TimeRange::AllTime,
                                            SearchScope::China, Hosts));
        f.clock.advance(500);
        walker.WalkAllPages();
        for (int i = 0; i < 600 && walker.walkRunning(); ++i)
            f.clock.advance(100);
        QVERIFY(!walker.walkRunning());
        QCOMPARE(browser.clickedAddresses.size(), 2);
        for (const QString& clicked : browser.clickedAddresses)
            QVERIFY2(clicked.contains(u"first="_qs), qPrintable(clicked));
        QVERIFY(f.results.containsKey(u"http://added/x.pdf"_qs));
    }

    // A next-page link that leads to the page on show is not clicked for ever.
    void nextLinkToTheSamePageEndsTheWalk() {
        Fixture f;
        const QString address = u"http://127.0.0.1:9/search?q=loop&first=11&FORM=PERE"_qs;
        FakeBrowser browser(f.clock, [address](const QString&) {
            return QStringLiteral("<html><body><a title=\"下一页\" href=\"%1\">下一页</a>"
                                  "<a title=\"下一页\" href=\"%1#again\">下一页</a></body></html>")
                .arg(address.toHtmlEscaped());
        });
        BatchSearch walker(browser, f.clock, f.form, f.results, f.live, Hosts, f.messages);
        browser.Navigate(address);
        f.clock.advance(500);
        walker.WalkAllPages();
        for (int i = 0; i < 600 && walker.walkRunning(); ++i)
            f.clock.advance(100);
        QVERIFY(!walker.walkRunning());
        QVERIFY(browser.clickTimes.size() <= 1);
    }

    // Two pages without offsets whose next links point at each other.
    void pagesLinkedInACircleEndTheWalk() {
        Fixture f;
        const QString a = u"http://127.0.0.1:9/list?page=a"_qs;
        const QString b = u"http://127.0.0.1:9/list?page=b"_qs;
        FakeBrowser browser(f.clock, [a, b](const QString& address) {
            return QStringLiteral("<html><body><a title=\"下一页\" href=\"%1\">下一页</a>"
                                  "</body></html>")
                .arg((address == a ? b : a).toHtmlEscaped());
        });
        BatchSearch walker(browser, f.clock, f.form, f.results, f.live, Hosts, f.messages);
        browser.Navigate(a);
        f.clock.advance(500);
        walker.WalkAllPages();
        for (int i = 0; i < 600 && walker.walkRunning(); ++i)
            f.clock.advance(100);
        QVERIFY(!walker.walkRunning());
        QCOMPARE(browser.clickTimes.size(), 2);
    }

    // Addresses stay as the browser gives them, fully encoded, in the key and the page.
    void addressesAreKeptEncoded() {
        Fixture f;
        const QString page = u"http://127.0.0.1:9/search?q=%E5%B9%B4%E6%8A%A5"_qs;
        FakeBrowser browser(f.clock, [](const QString&) {
            return u"<html><body><ol><li><div class=\"b_title\"><h2><a href=\"http://d.example/"
                   "%E5%B9%B4%E6%8A%A5%20v1.pdf\">年报</a></h2></div></li></ol></body></html>"_qs;
        });
        BatchSearch walker(browser, f.clock, f.form, f.results, f.live, Hosts, f.messages);
        browser.Navigate(page);
        f.clock.advance(500);
        walker.HarvestCurrentPage(QString());
        f.clock.advance(10);
        QCOMPARE(f.results.count(), 1);
        QCOMPARE(f.results.row(1).key, u"http://d.example/%E5%B9%B4%E6%8A%A5%20v1.pdf"_qs);
        QCOMPARE(f.results.row(1).tag, page);
    }

    // Destroying the batch's owner mid-wait ends every loop through its clean-up: the
    // captions come back and no coroutine frame is left suspended.
    void destroyedMidBatchLeavesNoFrameBehind() {
        VirtualClock clock;
        FakeBrowser browser(clock, resultPage);
        FakeForm form;
        form.keywords = u"a\r\nb"_qs;
        form.pause = u"30"_qs;
        ResultListModel results;
        LiveSettings live;
        RecordingMessageSink messages;
        QList<bool> batchStates, walkStates;
        {
            BatchSearch batch(browser, clock, form, results, live, Hosts, messages);
            connect(&batch, &BatchSearch::batchRunningChanged,
                    [&](bool running) { batchStates << running; });
            connect(&batch, &BatchSearch::walkRunningChanged,
                    [&](bool running) { walkStates << running; });
            batch.RunBatchSearch();
            clock.advance(5000);
            QVERIFY(batch.walkRunning());
            QVERIFY(WorkScope::suspendedWaits() > 0);
        }
        QCOMPARE(batchStates, (QList<bool>{true, false}));
        QCOMPARE(walkStates, (QList<bool>{true, false}));
        QCOMPARE(WorkScope::suspendedWaits(), 0);
        QCOMPARE(WorkScope::liveRuns(), 0);
        clock.advance(120000);
        QCOMPARE(form.progress, u"a(pdf) \r\n"_qs);
    }
};

QTEST_GUILESS_MAIN(tst_batchsearch)
#include "tst_batchsearch.moc"
