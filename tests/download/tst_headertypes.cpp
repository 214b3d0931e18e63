#include "HeaderTypes.h"

#include <QTest>

using namespace quenlit;

class tst_headertypes : public QObject {
    Q_OBJECT
private slots:
    void mimeTable_data() {
        QTest::addColumn<QString>("media");
        QTest::addColumn<QString>("type");
        const QList<std::pair<const char*, const char*>> rows{
            {"application/octet-stream", ""},
            {"application/x-shockwave-flash", "swf"},
            {"application/x-javascript", "js"},
            {"application/vnd.rn-realmedia", "rm"},
            {"application/vnd.ms-wpl", "wpl"},
            {"application/kdh", "kdh"},
            {"application/caj", "caj"},
            {"application/pdf", "pdf"},
            {"application/caa", "caa"},
            {"application/nh", "nh"},
            {"application/rtf", "rtf"},
            {"application/docx", "docx"},
            {"application/pptx", "pptx"},
            {"application/ppsx", "ppsx"},
            {"application/pps", "pps"},
            {"application/xlsx", "xlsx"},
            {"application/vnd.ms-works", "wps"},
            {"application/ppt", "ppt"},
            {"application/vnd.ms-powerpoint", "ppt"},
            {"application/doc", "doc"},
            {"application/msword", "doc"},
            {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", "docx"},
            {"application/xls", "xls"},
            {"application/vnd.ms-excel", "xls"},
            {"application/x-excel", "xls"},
            {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", "xlsx"},
            {"application/vnd.openxmlformats-officedocument.presentationml.presentation", "pptx"},
            {"application/vnd.openxmlformats-officedocument.presentationml.slideshow", "ppsx"},
            {"application/dll", "dll"},
            {"application/x-msdownload", "dll"},
            {"application/tar", "tar"},
            {"application/x-tar", "tar"},
            {"application/tgz", "tgz"},
            {"application/x-compressed", "tgz"},
            {"application/zip", "zip"},
            {"application/x-zip-compressed", "zip"},
            {"application/z", "z"},
            {"application/x-compress", "z"},
            {"text/html", "html"},
            {"text/htm", "htm"},
            {"text/txt", "txt"},
            {"text/xml", "xml"},
            {"text/css", "css"},
            {"text/plain", "txt"},
            {"image/jpg", "jpg"},
            {"image/jpeg", "jpeg"},
            {"image/gif", "gif"},
            {"image/png", "png"},
            {"image/bmp", "bmp"},
            {"image/tif", "tif"},
            {"image/pjpeg", "pjpeg"},
            {"image/g3fax", "g"},
            {"image/ief", "ief"},
            {"image/tiff", "tif"},
            {"image/x-png", "png"},
            {"image/x-ms-bmp", "bmp"},
            {"image/x-icon", "ico"},
            {"video/mpeg", "mpeg"},
            {"video/mpeg4", "mp4"},
            {"video/x-msvideo", "avi"},
            {"video/x-ms-asf", "asf"},
            {"video/x-ms-wmv", "wmv"},
            {"video/quicktime", "mov"},
            {"audio/amr", "amr"},
            {"audio/x-ms-wma", "wma"},
            {"audio/x-wav", "wav"},
            {"audio/x-pn-realaudio", "ram"},
            {"audio/midi", "mid"},
            {"audio/x-mpegurl", "mpeg"},
            {"message/rfc822", "mht"},
            // Case, spaces, unknown subs and tops.
            {"Application/PDF", "pdf"},
            {"application/ pdf", "pdf"},
            {"application/vnd.ms-htmlhelp", "vnd"},
            {"application/postscript", ""},
            {"x-world/x-vrml", "x"},
            {"application/*", ""},
            {"text/", ""},
            {"pdf", "pdf"},
            {"", ""},
            {"a/b/c", "a"},
        };
        for (const auto& [media, type] : rows)
            QTest::newRow(media) << QString::fromLatin1(media) << QString::fromLatin1(type);
    }
    void mimeTable() {
        QFETCH(QString, media);
        QFETCH(QString, type);
        QCOMPARE(ExtensionFromMimeType(media), type);
    }

    void typeFromHeaders_data() {
        QTest::addColumn<QString>("headers");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("pdf") << u"HTTP/1.1 200 OK\r\nContent-Type: application/pdf"_qs
                             << u"application/pdf"_qs << u"pdf"_qs << QString();
        QTest::newRow("octet-stream named by disposition")
            << u"HTTP/1.1 200 OK\r\nContent-Disposition: attachment; filename=\"报告.doc\""_qs
            << u"application/octet-stream"_qs << u"doc"_qs << u"报告"_qs;
        QTest::newRow("html with charset")
            << u"HTTP/1.1 200 OK"_qs << u"text/html; charset=utf-8"_qs << u"html"_qs << QString();
        QTest::newRow("unknown text sub")
            << u""_qs << u"text/x-foo; charset=gbk"_qs << u"x"_qs << QString();
        QTest::newRow("charset alone") << u""_qs << u";charset=gbk"_qs << u"htm"_qs << QString();
        QTest::newRow("charset only in second part")
            << u""_qs << u"; x=1; charset=gbk"_qs << QString() << QString();
        QTest::newRow("nothing") << u"HTTP/1.1 200 OK\r\n"_qs << u"application/octet-stream"_qs
                                 << QString() << QString();
        QTest::newRow("empty everything") << QString() << QString() << QString() << QString();
        QTest::newRow("percent-escaped UTF-8 name")
            << u"  CONTENT-DISPOSITION:  attachment; filename*=x; filename=%E6%8A%A5%E5%91%8A.pdf; size=3"_qs
            << QString() << u"pdf"_qs << u"报告"_qs;
        QTest::newRow("GBK escapes with utf-8 elsewhere")
            << u"Content-Disposition: attachment; filename=%B1%A8%B8%E6.doc; charset=UTF-8"_qs
            << QString() << u"doc"_qs << u"报告"_qs;
        QTest::newRow("huge disposition") << u"Content-Disposition: "_qs + QString(10000, u'%')
                                          << QString() << QString() << QString();
    }
    void typeFromHeaders() {
        QFETCH(QString, headers);
        QFETCH(QString, contentType);
        QFETCH(QString, type);
        QFETCH(QString, fileName);
        const HeaderFileInfo info = TypeFromHeaders(headers, contentType);
        QCOMPARE(info.type, type);
        QCOMPARE(info.fileName, fileName);
    }

    void dispositionNames_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("extension");
        QTest::newRow("double extension")
            << u"attachment; filename=data.tar.gz"_qs << u"data.tar"_qs << u"gz"_qs;
        QTest::newRow("query after extension")
            << u"filename=report.pdf?x=1"_qs << u"report"_qs << u"pdf"_qs;
        QTest::newRow("no dot") << u"filename=README"_qs << u"README"_qs << QString();
        QTest::newRow("letters then digit") << u"filename='a.docx2'"_qs << u"a"_qs << u"docx"_qs;
        QTest::newRow("long extension") << u"filename=a.abcdef"_qs << u"a"_qs << QString();
        QTest::newRow("only filename*")
            << u"attachment; filename*=UTF-8''a.pdf"_qs << QString() << QString();
        QTest::newRow("plus and tab") << u"filename=\"a+b\t.pdf\""_qs << u"a b"_qs << u"pdf"_qs;
        QTest::newRow("no colon, no name") << u"garbage"_qs << QString() << QString();
    }
    void dispositionNames() {
        QFETCH(QString, value);
        QFETCH(QString, fileName);
        QFETCH(QString, extension);
        const DispositionName name = 从下载头信息ContentDisposition获取文件名(value);
        QCOMPARE(name.fileName, fileName);
        QCOMPARE(name.extension, extension);
    }

    // Whatever the escapes spell, the name stays one name inside the save folder.
    void decodedNamesAreMadeSafe_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("climbs out")
            << u"attachment; filename=%2E%2E%2F%2E%2E%2Fetc%2Fpasswd; charset=utf-8"_qs
            << u"etcpasswd"_qs;
        QTest::newRow("climbs out, plain decoder")
            << u"attachment; filename=%2E%2E%2F%2E%2E%2Fetc%2Fpasswd"_qs << u"etcpasswd"_qs;
        QTest::newRow("backslashes") << u"filename=..%5C..%5Cwin.ini"_qs << u"win"_qs;
        QTest::newRow("only dots") << u"filename=%2E%2E.pdf"_qs << QString();
        QTest::newRow("dots and spaces") << u"filename=.%20.%20..pdf"_qs << QString();
        QTest::newRow("CR LF") << u"filename=a%0D%0ASet-Cookie: x.pdf"_qs << u"aSet-Cookie x"_qs;
        QTest::newRow("NUL") << u"filename=\"evil%00.pdf.exe\""_qs << u"evil.pdf"_qs;
        QTest::newRow("C1 and DEL") << u"filename=a%C2%85b%7Fc.pdf; charset=UTF-8"_qs << u"abc"_qs;
        QTest::newRow("right-to-left override") << u"filename=%E2%80%AEfdp.exe"_qs << u"fdp"_qs;
        QTest::newRow("marks and isolates")
            << u"filename=a%u2066b%u200Fc%E2%80%8Ed%u2069e%u061Cf.pdf"_qs << u"abcdef"_qs;
        QTest::newRow("lone surrogates") << u"filename=a%uD800b%uDC00c.pdf"_qs << u"abc"_qs;
        QTest::newRow("a pair stays")
            << u"filename=%uD83D%uDE00.pdf"_qs << QString::fromUcs4(U"\U0001F600");
        QTest::newRow("too long") << u"filename="_qs + QString(300, u'a') + u".pdf"_qs
                                  << QString(200, u'a');
    }
    void decodedNamesAreMadeSafe() {
        QFETCH(QString, value);
        QFETCH(QString, fileName);
        const QString name = 从下载头信息ContentDisposition获取文件名(value).fileName;
        QCOMPARE(name, fileName);
        QCOMPARE(SafeFileNameFromHeaders(u"HTTP/1.1 200 OK\r\nContent-Disposition: "_qs + value +
                                         u"\r\nContent-Length: 3\r\n"_qs),
                 fileName);
        QCOMPARE(TypeFromHeaders(u"Content-Disposition: "_qs + value, {}).fileName, fileName);
    }

    void dispositionLine() {
        QCOMPARE(
            从网络文件Header获取ContentDisposition(
                u"HTTP/1.1 200 OK\r\nX: y\r\n content-disposition: inline; filename=a.pdf \r\n"_qs),
            u"inline; filename=a.pdf"_qs);
        QCOMPARE(从网络文件Header获取ContentDisposition(u"no colon here"_qs), QString());
    }
};

QTEST_GUILESS_MAIN(tst_headertypes)
#include "tst_headertypes.moc"
