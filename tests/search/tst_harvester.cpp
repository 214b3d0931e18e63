#include "Harvester.h"
#include "HtmlDocument.h"
#include "ResultListModel.h"

#include <QFile>
#include <QTest>

using namespace quenlit;

namespace {
std::unique_ptr<HtmlDocument> fixture(const char* name,
                                      const QString& url = u"https://cn.bing.com/search?q=a"_qs) {
    QFile file(QFINDTESTDATA(QStringLiteral("fixtures/") + QString::fromLatin1(name)));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return HtmlDocument::parse(QString::fromUtf8(file.readAll()), QUrl(url));
}

TitleOptions defaults() {
    TitleOptions options;
    options.skipUnknownType = true;
    options.removeSpaces = true;
    options.skipJapanese = true;
    return options;
}
} // namespace

class tst_harvester : public QObject {
    Q_OBJECT
private slots:
    void documentModel() {
        const auto page = fixture("results.html");
        QVERIFY(page);
        const QList<const HtmlElement*> anchors = page->getElementsByTagName(u"A"_qs);
        QCOMPARE(anchors.size(), 10);
        QCOMPARE(anchors.first()->href(), u"https://docs.example.org/files/a.pdf?x=1&y=2"_qs);
        QCOMPARE(anchors.at(1)->href(),
                 u"https://docs.example.org/base/files/%E5%B9%B4%E6%8A%A5.PDF"_qs);
        QCOMPARE(anchors.at(1)->tagIndex(), 1);
        QCOMPARE(page->getElementById(u"b_results"_qs)->tag(), u"ol"_qs);
        QVERIFY(anchors.at(2)->innerHTML().startsWith(u"<img "_qs));
        QCOMPARE(anchors.at(4)->innerText(), u"单图"_qs);
        QCOMPARE(anchors.last()->title(), u"下一页"_qs);
        QVERIFY(page->source().contains(u"<base href"_qs));
        const HtmlElement* list = page->getElementById(u"b_results"_qs);
        QCOMPARE(list->getElementsByTagName(u"a"_qs).size(), 9); // the next link is outside
        QVERIFY(!page->documentElement()->innerText().contains(u"script text"_qs));
    }

    void brokenMarkupStillParses() {
        const auto page = HtmlDocument::parse(u"<div class=b_title><a href=x.pdf>未闭合<b>粗"_qs,
                                              QUrl(u"http://h/d/"_qs));
        QCOMPARE(page->getElementsByTagName(u"a"_qs).size(), 1);
        QCOMPARE(page->getElementsByTagName(u"a"_qs).first()->href(), u"http://h/d/x.pdf"_qs);
        QVERIFY(HtmlDocument::parse(QString(), QUrl())->documentElement());
    }

    void findElementsByClassComparesTheWholeAttribute() {
        const auto page = fixture("results.html");
        QCOMPARE(FindElementsByClass(*page, u"div"_qs, u"b_title"_qs).size(), 8);
    }

    void resultBlocks() {
        const auto page = fixture("results.html");
        ResultListModel results;
        bool halt = false;
        Harvester harvester(results, halt);
        const int handed = harvester.ExtractPageLinks(page.get(), u"/home/u/资料/"_qs, defaults());
        // pdf with query: no type; kana refused; the duplicate counts but adds no row.
        QCOMPARE(handed, 5);
        QCOMPARE(results.count(), 4);
        const ResultRow& report = results.row(1);
        QCOMPARE(report.title, u"2019年度报告"_qs);
        QCOMPARE(report.type, u"PDF"_qs);
        QCOMPARE(report.saveFolder, u"/home/u/资料/"_qs);
        QCOMPARE(report.tag, u"https://cn.bing.com/search?q=a"_qs);
        QVERIFY(report.status.isEmpty());
        // The second anchor of an image block passes without a type.
        QCOMPARE(results.row(2).key, u"http://host.example.org/page"_qs);
        QCOMPARE(results.row(2).type, QString());
        // A single anchor around an image is taken as it is.
        QCOMPARE(results.row(3).key, u"http://img.example.org/single.doc"_qs);
        QCOMPARE(results.row(3).title, u"单图"_qs);
        QCOMPARE(results.row(4).title, u"重复一"_qs);
        QVERIFY(!halt);
        // Harvesting again adds nothing.
        QCOMPARE(harvester.ExtractPageLinks(page.get(), {}, defaults()), 5);
        QCOMPARE(results.count(), 4);
    }

    void optionsDecideWhatIsTaken() {
        const auto page = fixture("results.html");
        ResultListModel results;
        bool halt = false;
        Harvester harvester(results, halt);
        TitleOptions options = defaults();
        options.skipJapanese = false;
        harvester.ExtractPageLinks(page.get(), {}, options);
        QVERIFY(results.containsKey(u"http://img.example.org/single.doc"_qs));
        QVERIFY(results.containsKey(u"http://x.example.org/kana.pdf"_qs));
        QVERIFY(!results.containsKey(u"http://x.example.org/two-classes.pdf"_qs));
    }

    void headingsAreTheFallback() {
        const auto page = fixture("headings.html");
        ResultListModel results;
        bool halt = false;
        Harvester harvester(results, halt);
        TitleOptions options = defaults();
        options.removeSpaces = false;
        QCOMPARE(harvester.ExtractPageLinks(page.get(), {}, options), 3);
        QCOMPARE(results.row(1).title, u"第一"_qs); // host with numeric port dropped
        QCOMPARE(results.row(1).type, u"ppt"_qs);
        QCOMPARE(results.row(2).title, u"说明书 - 第二版"_qs);
        QCOMPARE(results.row(3).title, QString()); // "-example.com" loses its host part
        QVERIFY(!results.containsKey(u"http://a.example.org/second.ppt"_qs));
    }

    void verificationPageHalts() {
        const auto page = fixture("verification.html");
        ResultListModel results;
        bool halt = false;
        Harvester harvester(results, halt);
        QCOMPARE(harvester.ExtractPageLinks(page.get(), {}, defaults()), 0);
        QVERIFY(halt);
        QCOMPARE(results.count(), 0);
        QCOMPARE(harvester.ExtractPageLinks(nullptr, {}, defaults()), 0);
    }
};

QTEST_GUILESS_MAIN(tst_harvester)
#include "tst_harvester.moc"
