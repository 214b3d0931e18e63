#include "QueryBuilder.h"

#include <QTest>

using namespace quenlit;

namespace {
const SearchHosts Hosts{u"cn.bing.com"_qs, u"www.bing.com"_qs};
}

class tst_querybuilder : public QObject {
    Q_OBJECT
private slots:
    void fourAddressesInLineAndTypeOrder() {
        const QStringList lines = SplitKeywordLines(u"年度 报告\r\n   \r\nR&D+x"_qs);
        QCOMPARE(lines, (QStringList{u"年度 报告"_qs, u"R&D+x"_qs}));
        QStringList addresses;
        for (const QString& line : lines)
            for (DocumentType type : {DocumentType::Pdf, DocumentType::Xls})
                addresses << BuildSearchAddress(line, type, false, TimeRange::AllTime,
                                                SearchScope::China, Hosts);
        QCOMPARE(
            addresses,
            (QStringList{
                u"https://cn.bing.com/search?ensearch=0&q=%E5%B9%B4%E5%BA%A6 %E6%8A%A5%E5%91%8A+filetype%3Apdf"_qs,
                u"https://cn.bing.com/search?ensearch=0&q=%E5%B9%B4%E5%BA%A6 %E6%8A%A5%E5%91%8A+filetype%3Axls"_qs,
                u"https://cn.bing.com/search?ensearch=0&q=R%26D%2Bx+filetype%3Apdf"_qs,
                u"https://cn.bing.com/search?ensearch=0&q=R%26D%2Bx+filetype%3Axls"_qs}));
    }

    void splittingKeepsTabsAndOnlySplitsAtCrLf() {
        QCOMPARE(SplitKeywordLines(u"\ta \r\nb\nc"_qs), (QStringList{u"\ta"_qs, u"b\nc"_qs}));
        QVERIFY(SplitKeywordLines(QString()).isEmpty());
    }

    void address_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("phrase");
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("scope");
        QTest::addColumn<QString>("address");
        QTest::newRow("whole phrase, doc, month")
            << u"教程"_qs << int(DocumentType::Doc) << true << int(TimeRange::Month) << 0
            << u"https://cn.bing.com/search?ensearch=0&q=%22%E6%95%99%E7%A8%8B%22+filetype%3Adoc&filters=ex1%3a\"ez3\""_qs;
        QTest::newRow("year")
            << u"a"_qs << int(DocumentType::Ppt) << false << int(TimeRange::Year) << 0
            << u"https://cn.bing.com/search?ensearch=0&q=a+filetype%3Appt&filters=ex1%3a\"ez4\""_qs;
        QTest::newRow("week")
            << u"a"_qs << int(DocumentType::Rtf) << false << int(TimeRange::Week) << 0
            << u"https://cn.bing.com/search?ensearch=0&q=a+filetype%3Artf&filters=ex1%3a\"ez2\""_qs;
        QTest::newRow("day, global")
            << u"a b"_qs << int(DocumentType::Pdf) << false << int(TimeRange::Day) << 1
            << u"https://cn.bing.com/?scope=web&ensearch=1&FORM=BEHPTB&q=a b+filetype%3Apdf&filters=ex1%3a\"ez1\"&setmkt=en-us&setlang=en-us"_qs;
    }
    void address() {
        QFETCH(QString, line);
        QFETCH(int, type);
        QFETCH(bool, phrase);
        QFETCH(int, range);
        QFETCH(int, scope);
        QFETCH(QString, address);
        QCOMPARE(BuildSearchAddress(line, DocumentType(type), phrase, TimeRange(range),
                                    SearchScope(scope), Hosts),
                 address);
    }

    void configuredHostsMayCarrySchemeAndPort() {
        const SearchHosts local{u"http://127.0.0.1:8080/"_qs, u"http://127.0.0.1:8081"_qs};
        QCOMPARE(BuildSearchAddress(u"x"_qs, DocumentType::Pdf, false, TimeRange::AllTime,
                                    SearchScope::China, local),
                 u"http://127.0.0.1:8080/search?ensearch=0&q=x+filetype%3Apdf"_qs);
        QCOMPARE(BuildStartPageAddress(SearchScope::Global, local),
                 u"http://127.0.0.1:8081/?setmkt=en-us&setlang=en-us"_qs);
    }

    void startPages() {
        QCOMPARE(BuildStartPageAddress(SearchScope::China, Hosts), u"http://cn.bing.com/"_qs);
        QCOMPARE(BuildStartPageAddress(SearchScope::Global, Hosts),
                 u"http://www.bing.com/?setmkt=en-us&setlang=en-us"_qs);
    }

    void resultOffset_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("offset");
        QTest::newRow("at the end") << u"https://h/search?q=a&first=21"_qs << 0;
        QTest::newRow("in the middle") << u"https://h/search?q=a&first=21&FORM=PERE"_qs << 21;
        QTest::newRow("capitals") << u"https://h/search?q=a&FIRST=31&x"_qs << 31;
        QTest::newRow("not a number") << u"https://h/search?q=a&first=abc&x"_qs << 0;
        QTest::newRow("none") << u"https://h/search?q=a"_qs << 0;
        QTest::newRow("first one counts") << u"h?&first=11&first=51&"_qs << 11;
        QTest::newRow("overflow") << u"h?&first=99999999999&"_qs << 0;
    }
    void resultOffset() {
        QFETCH(QString, address);
        QFETCH(int, offset);
        QCOMPARE(从网址提取页码数(address), offset);
    }

    void labelsAndSuffixes() {
        QCOMPARE(QuerySuffix(DocumentType::Xls), u"+filetype%3Axls"_qs);
        QCOMPARE(ProgressLabel(DocumentType::Rtf), u"(rtf)"_qs);
        QCOMPARE(TimeFilter(TimeRange::AllTime), QString());
    }
};

QTEST_GUILESS_MAIN(tst_querybuilder)
#include "tst_querybuilder.moc"
