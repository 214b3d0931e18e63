#include "DownloadListModel.h"
#include "FileTypeCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;

namespace {
QByteArray padded(const QByteArray& head, int size = 64) {
    QByteArray bytes = head;
    bytes.resize(qMax(size, int(head.size())), '\x01');
    return bytes;
}

QByteArray at(QByteArray bytes, int offset, const QByteArray& part) {
    if (bytes.size() < offset + part.size())
        bytes.resize(offset + part.size(), '\0');
    bytes.replace(offset, part.size(), part);
    return bytes;
}

// A package the way Office writes its first local headers: [Content_Types].xml, then parts.
QByteArray officePackage(const QByteArray& partName) {
    QByteArray bytes;
    for (const QByteArray& name :
         {QByteArray("[Content_Types].xml"), QByteArray("_rels/.rels"), partName}) {
        QByteArray header("PK\x03\x04\x14\x00\x06\x00\x08\x00", 10);
        header.resize(26, '\0');
        header += char(name.size());
        header += '\0';
        header += QByteArray(2, '\0');
        bytes += header + name + QByteArray(200, '\x11');
    }
    return bytes;
}

// A package as Python's zipfile writes it: deflated entries, local headers reading
// 50 4B 03 04 14 00 00 00 08 00, the signature of a plain zip.
QByteArray written(const QString& name) {
    QFile file(u":/packages/"_qs + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture");
    return file.readAll();
}
} // namespace

class tst_filetypecheck : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString write(const QString& name, const QByteArray& content) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }

private slots:
    void init() {
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(m_dir.filePath(name));
    }

    void detection_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("type");
        const QByteArray compound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        QTest::newRow("pdf") << padded("%PDF-1.7") << u"pdf"_qs;
        QTest::newRow("caj") << padded(QByteArray("\xC8\x00\x00\x00", 4)) << u"caj"_qs;
        QTest::newRow("CAJ zero is kdh") << padded(QByteArray("CAJ\x00", 4)) << u"kdh"_qs;
        QTest::newRow("kdh") << padded("KDH ") << u"kdh"_qs;
        QTest::newRow("nh") << padded(QByteArray("HN\x00\x00", 4)) << u"nh"_qs;
        QTest::newRow("tif") << padded(QByteArray("II*\x00", 4)) << u"tif"_qs;
        QTest::newRow("rtf") << padded("{\\rtf1") << u"rtf"_qs;
        QTest::newRow("exe") << padded("MZ") << u"exe"_qs;
        QTest::newRow("rar") << padded("Rar!") << u"rar"_qs;
        QTest::newRow("zip") << padded(QByteArray("PK\x03\x04\x14\x00\x00\x00\x08", 9))
                             << u"zip"_qs;
        QTest::newRow("docx") << officePackage("word/document.xml") << u"docx"_qs;
        QTest::newRow("xlsx") << officePackage("xl/workbook.xml") << u"xlsx"_qs;
        QTest::newRow("pptx") << officePackage("ppt/presentation.xml") << u"pptx"_qs;
        QTest::newRow("package without known parts") << officePackage("other/x.xml") << u"docx"_qs;
        QTest::newRow("xlsx by zipfile") << written(u"book.xlsx"_qs) << u"xlsx"_qs;
        QTest::newRow("docx by zipfile") << written(u"letter.docx"_qs) << u"docx"_qs;
        QTest::newRow("pptx by zipfile") << written(u"slides.pptx"_qs) << u"pptx"_qs;
        QTest::newRow("plain zip by zipfile") << written(u"archive.zip"_qs) << u"zip"_qs;
        QTest::newRow("parts beyond the sample") << written(u"late-parts.xlsx"_qs) << u"zip"_qs;
        QTest::newRow("swf") << padded("CWS\x06") << u"swf"_qs;
        QTest::newRow("rm") << padded(".RMF") << u"rm"_qs;
        QTest::newRow("wma") << padded("\x30\x26\xB2\x75\x8E") << u"wma"_qs;
        QTest::newRow("mp3 ID3") << padded("ID3\x03") << u"mp3"_qs;
        QTest::newRow("png") << padded("\x89PNG\r\n\x1A\n") << u"png"_qs;
        QTest::newRow("gif") << padded("GIF89a") << u"gif"_qs;
        QTest::newRow("jpg Exif") << at(at(padded("\xFF\xD8\xFF\xE1"), 6, "Exif"), 12,
                                        QByteArray("MM\x00*", 4))
                                  << u"jpg"_qs;
        QTest::newRow("jpg JFIF") << at(padded(QByteArray("\xFF\xD8\xFF\xE0\x00\x10", 6)), 6,
                                        "JFIF")
                                  << u"jpg"_qs;
        QTest::newRow("doc") << at(padded(compound, 600), 512, QByteArray("\xEC\xA5\xC1\x00", 4))
                             << u"doc"_qs;
        QTest::newRow("xls") << at(padded(compound, 600), 512, QByteArray("\x09\x08\x10\x00", 4))
                             << u"xls"_qs;
        QTest::newRow("ppt") << at(padded(compound, 600), 515, "\xF0") << u"ppt"_qs;
        QTest::newRow("other compound") << padded(compound, 600) << QString();
        QTest::newRow("short compound") << padded(compound, 400) << QString();
        QTest::newRow("mp3 by TAG") << at(QByteArray(1000, '\x05'), 872, "TAG") << u"mp3"_qs;
        QTest::newRow("html page")
            << padded("<!doctype x><HTML lang=zh><head><TITLE>错误</title>", 2000) << u"htm"_qs;
        QTest::newRow("html> without title") << padded("</html>", 100) << QString();
        QTest::newRow("tiny html stops") << QByteArray("<html><b>") << QString();
        QTest::newRow("caa")
            << QByteArray("[TARGET]\nA1=1\nA2=2\nB1=3\nB2=4\nC1=5\nC2=6\nD1=7\nD2=8\nDOCTYPE=x\n")
            << u"caa"_qs;
        QTest::newRow("caa missing a key")
            << QByteArray("[TARGET]\nA1=1\nA2=2\nB1=3\nB2=4\nC1=5\nC2=6\nD1=7\nDOCTYPE=x\n")
            << QString();
        QTest::newRow("empty file") << QByteArray() << QString();
    }
    void detection() {
        QFETCH(QByteArray, content);
        QFETCH(QString, type);
        QCOMPARE(打开文件判断文件类型(write(u"sample.bin"_qs, content)), type);
    }

    void largePagesAreNotTextTested() {
        QByteArray page = padded("<html ><title>x</title>", 300 * 1024);
        QCOMPARE(打开文件判断文件类型(write(u"big.htm"_qs, page)), QString());
        page.resize(199 * 1024);
        QCOMPARE(打开文件判断文件类型(write(u"big.htm"_qs, page)), u"htm"_qs);
    }

    void missingOrFolderIsUnknown() {
        QCOMPARE(打开文件判断文件类型(m_dir.filePath(u"none.pdf"_qs)), QString());
        QCOMPARE(打开文件判断文件类型(m_dir.path()), QString());
    }

    void splitFileName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("extension");
        QTest::newRow("plain") << u"/a/b/report.pdf"_qs << u"report"_qs << u"pdf"_qs;
        QTest::newRow("no dot") << u"/a/README"_qs << u"README"_qs << QString();
        QTest::newRow("long extension") << u" /a/x.abcdefg "_qs << u"x.abcdefg"_qs << QString();
        QTest::newRow("six letters") << u"x.abcdef"_qs << u"x"_qs << u"abcdef"_qs;
    }
    void splitFileName() {
        QFETCH(QString, path);
        QFETCH(QString, base);
        QFETCH(QString, extension);
        const SplitName split = SplitFileName(path);
        QCOMPARE(split.base, base);
        QCOMPARE(split.extension, extension);
    }

    void errorPageSavedAsPdfBecomesHtm() {
        const QByteArray page = padded("<html ><head><title>404</title></head>", 3000);
        write(u"name.pdf"_qs, page);
        write(u"name.htm"_qs, "someone else's file");
        DownloadListModel list;
        list.append(u"http://h/name.pdf"_qs, u"name"_qs);
        list.modify(1, [&](DownloadRow& row) {
            row.type = u"pdf"_qs;
            row.saveFolder = m_dir.path() + u'/';
        });
        QVERIFY(CorrectRowFileType(list, 1));
        QCOMPARE(list.row(1).type, u"htm"_qs);
        QCOMPARE(list.row(1).name, u"name[0001]"_qs);
        QFile moved(m_dir.filePath(u"name[0001].htm"_qs));
        QVERIFY(moved.open(QIODevice::ReadOnly));
        QCOMPARE(moved.readAll(), page);
        QFile untouched(m_dir.filePath(u"name.htm"_qs));
        QVERIFY(untouched.open(QIODevice::ReadOnly));
        QCOMPARE(untouched.readAll(), QByteArray("someone else's file"));
        QVERIFY(!QFile::exists(m_dir.filePath(u"name.pdf"_qs)));
    }

    void matchingTypeOrMissingFileIsLeftAlone() {
        write(u"doc.PDF"_qs, padded("%PDF-1.4"));
        DownloadListModel list;
        list.append(u"k1"_qs, u"doc"_qs);
        list.append(u"k2"_qs, u"gone"_qs);
        for (int i : {1, 2})
            list.modify(i, [&](DownloadRow& row) {
                row.type = u"PDF"_qs;
                row.saveFolder = m_dir.path();
            });
        QVERIFY(!CorrectRowFileType(list, 1));
        QVERIFY(!CorrectRowFileType(list, 2));
        QCOMPARE(list.row(1).type, u"PDF"_qs);
        QVERIFY(QFile::exists(m_dir.filePath(u"doc.PDF"_qs)));
    }

    void packagesKeepOrGetTheirType_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("rowType");
        QTest::addColumn<QString>("finalType"); // the row's type afterwards
        QTest::newRow("xlsx stays xlsx") << u"book.xlsx"_qs << u"xlsx"_qs << u"xlsx"_qs;
        QTest::newRow("docm stays docm") << u"letter.docx"_qs << u"docm"_qs << u"docm"_qs;
        QTest::newRow("xlsm stays xlsm") << u"book.xlsx"_qs << u"XLSM"_qs << u"XLSM"_qs;
        QTest::newRow("pptm stays pptm") << u"slides.pptx"_qs << u"pptm"_qs << u"pptm"_qs;
        QTest::newRow("ppsx stays ppsx") << u"slides.pptx"_qs << u"ppsx"_qs << u"ppsx"_qs;
        QTest::newRow("parts unseen, xlsx stays")
            << u"late-parts.xlsx"_qs << u"xlsx"_qs << u"xlsx"_qs;
        QTest::newRow("pdf that is a sheet") << u"book.xlsx"_qs << u"pdf"_qs << u"xlsx"_qs;
        QTest::newRow("zip that is a sheet") << u"book.xlsx"_qs << u"zip"_qs << u"xlsx"_qs;
        QTest::newRow("xlsm that is a document") << u"letter.docx"_qs << u"xlsm"_qs << u"docx"_qs;
        QTest::newRow("pdf that is a zip") << u"archive.zip"_qs << u"pdf"_qs << u"zip"_qs;
    }
    void packagesKeepOrGetTheirType() {
        QFETCH(QString, fixture);
        QFETCH(QString, rowType);
        QFETCH(QString, finalType);
        const QByteArray content = written(fixture);
        write(u"book."_qs + rowType, content);
        DownloadListModel list;
        list.append(u"k"_qs, u"book"_qs);
        list.modify(1, [&](DownloadRow& row) {
            row.type = rowType;
            row.saveFolder = m_dir.path();
        });
        QCOMPARE(CorrectRowFileType(list, 1), finalType != rowType);
        QCOMPARE(list.row(1).type, finalType);
        QCOMPARE(list.row(1).name, u"book"_qs);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"book."_qs + finalType});
        QFile file(m_dir.filePath(u"book."_qs + finalType));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }

    void aWrongOfficeExtensionIsCorrected() {
        write(u"sheet.docx"_qs, officePackage("xl/workbook.xml"));
        DownloadListModel list;
        list.append(u"k"_qs, u"sheet"_qs);
        list.modify(1, [&](DownloadRow& row) {
            row.type = u"docx"_qs;
            row.saveFolder = m_dir.path();
        });
        QVERIFY(CorrectRowFileType(list, 1));
        QCOMPARE(list.row(1).type, u"xlsx"_qs);
        QVERIFY(QFile::exists(m_dir.filePath(u"sheet.xlsx"_qs)));
    }
};

QTEST_GUILESS_MAIN(tst_filetypecheck)
#include "tst_filetypecheck.moc"
