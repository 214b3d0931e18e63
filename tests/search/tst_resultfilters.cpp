#include "ResultFilters.h"
#include "ResultRowText.h"

#include <QFile>
#include <QTest>

using namespace quenlit;

namespace {
TitleOptions options(bool unknownType, bool spaces, bool japanese, bool traditional,
                     bool simplify) {
    TitleOptions o;
    o.skipUnknownType = unknownType;
    o.removeSpaces = spaces;
    o.skipJapanese = japanese;
    o.skipTraditional = traditional;
    o.convertTraditional = simplify;
    return o;
}
const QString Refused = u"<refused>"_qs;
} // namespace

Q_DECLARE_METATYPE(quenlit::TitleOptions)

class tst_resultfilters : public QObject {
    Q_OBJECT
private slots:
    void acceptAndCleanTitle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("image");
        QTest::addColumn<TitleOptions>("opts");
        QTest::addColumn<QString>("result");
        const TitleOptions plain = options(true, false, false, false, false);
        QTest::newRow("html page refused") << u"报告"_qs << QString() << false << plain << Refused;
        QTest::newRow("image block passes type gate")
            << u"报告"_qs << QString() << true << plain << u"报告"_qs;
        QTest::newRow("type gate off") << u"报告"_qs << QString() << false
                                       << options(false, false, false, false, false) << u"报告"_qs;
        QTest::newRow("ellipsis and entity")
            << u"年度…报告&HELLIP; 全文"_qs << u"PDF"_qs << false << plain << u"年度报告 全文"_qs;
        QTest::newRow("ellipsis, spaces removed")
            << u"年度 … 报告&hellip; 全文"_qs << u"PDF"_qs << false
            << options(true, true, false, false, false) << u"年度报告全文"_qs;
        QTest::newRow("tab and spaces fold")
            << u"a\t  b"_qs << u"doc"_qs << false << plain << u"a b"_qs;
        QTest::newRow("kana refused") << u"ひらがなの資料"_qs << u"PDF"_qs << false
                                      << options(true, false, true, false, false) << Refused;
        QTest::newRow("kana allowed")
            << u"カタカナ"_qs << u"PDF"_qs << false << plain << u"カタカナ"_qs;
        QTest::newRow("kanji with prolonged mark is not kana")
            << u"日本語ー・資料"_qs << u"PDF"_qs << false
            << options(true, false, true, false, false) << u"日本語ー・資料"_qs;
        QTest::newRow("traditional converted")
            << u"萬與專"_qs << u"PDF"_qs << false << options(true, false, false, false, true)
            << u"万与专"_qs;
        QTest::newRow("traditional refused") << u"萬與專"_qs << u"PDF"_qs << false
                                             << options(true, false, false, true, false) << Refused;
        QTest::newRow("simplified stays")
            << u"万与专"_qs << u"PDF"_qs << false << options(true, false, false, true, false)
            << u"万与专"_qs;
        QTest::newRow("baidu in compact title")
            << u"文库 - 百度"_qs << u"PDF"_qs << false << plain << Refused;
        QTest::newRow("baidu underscore")
            << u"x_百度文库"_qs << u"PDF"_qs << false << plain << Refused;
        QTest::newRow("portal domain")
            << u"资料 DOCIN.COM豆丁网"_qs << u"PDF"_qs << false << plain << Refused;
        QTest::newRow("portal hyphen")
            << u"资料-豆丁网"_qs << u"PDF"_qs << false << plain << Refused;
        QTest::newRow("portal spaced hyphen stays")
            << u"资料 - 豆丁网"_qs << u"PDF"_qs << false << plain << u"资料 - 豆丁网"_qs;
        QTest::newRow("360 encyclopedia")
            << u"词条_360百科"_qs << u"PDF"_qs << false << plain << Refused;
        QTest::newRow("sogou encyclopedia")
            << u"词条 -搜狗百科—x"_qs << u"PDF"_qs << false << plain << Refused;
        QTest::newRow("doc88") << u"论文-道客巴巴"_qs << u"PDF"_qs << false << plain << Refused;
    }
    void acceptAndCleanTitle() {
        QFETCH(QString, title);
        QFETCH(QString, type);
        QFETCH(bool, image);
        QFETCH(TitleOptions, opts);
        QFETCH(QString, result);
        QCOMPARE(AcceptAndCleanTitle(title, type, image, opts).value_or(Refused), result);
    }

    void kanaRanges() {
        QVERIFY(ContainsKana(u"\u3041"_qs));
        QVERIFY(ContainsKana(u"\u3093"_qs));
        QVERIFY(ContainsKana(u"\u30A1"_qs));
        QVERIFY(ContainsKana(u"\u30F6"_qs));
        QVERIFY(!ContainsKana(u"\u3094\u30F7\u30FB\u30FC\u3040"_qs));
    }

    void everyListedCharacterIsTraditionalAndSimplifies() {
        QFile file(QFINDTESTDATA("../../src/search/data/traditional-characters.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString list = QString::fromUtf8(file.readAll()).trimmed();
        QCOMPARE(list.size(), 2170);
        QStringList unchanged;
        for (const QChar c : list) {
            QVERIFY(ContainsTraditional(QString(c)));
            const QString simplified = ToSimplified(QString(c));
            QCOMPARE(simplified.size(), 1);
            if (simplified == QString(c))
                unchanged << QString(c);
        }
        QVERIFY2(unchanged.isEmpty(), qPrintable(unchanged.join(QString())));
        QVERIFY(!ContainsTraditional(ToSimplified(list)));
    }

    void simplifiedAndOtherTextStay() {
        QCOMPARE(ToSimplified(u"万 abc 😀 日本"_qs), u"万 abc 😀 日本"_qs);
        QVERIFY(!ContainsTraditional(u"万与专"_qs));
        QVERIFY(ContainsTraditional(u"x萬"_qs));
    }

    void hostNames_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("host");
        QTest::newRow("three parts") << u" www.example.com "_qs << true;
        QTest::newRow("two parts with port") << u"example.com:8080"_qs << true;
        QTest::newRow("letters after colon") << u"example.com:abc"_qs << false;
        QTest::newRow("version number") << u"1.5"_qs << true;
        QTest::newRow("six parts") << u"a.b.c.d.e.f"_qs << false;
        QTest::newRow("no dot") << u"第二版"_qs << false;
    }
    void hostNames() {
        QFETCH(QString, text);
        QFETCH(bool, host);
        QCOMPARE(LooksLikeHostName(text), host);
    }

    void rowText() {
        QCOMPARE(RowTextForTitle(u"年度报告 - www.example.com"_qs), u"年度报告"_qs);
        QCOMPARE(RowTextForTitle(u"说明书 - 第二版"_qs), u"说明书 - 第二版"_qs);
        QCOMPARE(RowTextForTitle(u"-example.com"_qs), QString());
        QCOMPARE(RowTextForTitle(u"a-b - site.org:80"_qs), u"a-b"_qs);
        QCOMPARE(RowTextForTitle(u"无连字符"_qs), u"无连字符"_qs);
    }

    void typeLabels_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("label");
        QTest::newRow("PDF upper") << u"http://h/A.PDF"_qs << u"PDF"_qs;
        QTest::newRow("Docx") << u"http://h/a.Docx"_qs << u"doc"_qs;
        QTest::newRow("doc") << u"http://h/a.doc"_qs << u"doc"_qs;
        QTest::newRow("xls") << u"http://h/a.xls"_qs << u"xls"_qs;
        QTest::newRow("ppt") << u"http://h/a.ppt"_qs << u"ppt"_qs;
        QTest::newRow("rtf") << u"http://h/a.rtf"_qs << u"rtf"_qs;
        QTest::newRow("query after pdf") << u"http://h/a.pdf?x=1"_qs << QString();
        QTest::newRow("xlsx") << u"http://h/a.xlsx"_qs << QString();
        QTest::newRow("pptx") << u"http://h/a.pptx"_qs << QString();
    }
    void typeLabels() {
        QFETCH(QString, address);
        QFETCH(QString, label);
        QCOMPARE(TypeLabelFromAddress(address), label);
    }
};

QTEST_GUILESS_MAIN(tst_resultfilters)
#include "tst_resultfilters.moc"
