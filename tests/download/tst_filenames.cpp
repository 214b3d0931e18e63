#include "FileNames.h"
#include "HeaderDecoding.h"
#include "RecordingMessageSink.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {
void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}
} // namespace

class tst_filenames : public QObject {
    Q_OBJECT
private slots:
    void cleanFileName_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clean");
        QTest::newRow("forbidden and dots") << u"..a<b>:c?.."_qs << u"abc"_qs;
        QTest::newRow("all nine") << u"a\\b/c:d*e?f\"g<h>i|j"_qs << u"abcdefghij"_qs;
        QTest::newRow("only dots") << u"...."_qs << QString();
        QTest::newRow("dot") << u"."_qs << QString();
        QTest::newRow("dot dot") << u".."_qs << QString();
        QTest::newRow("three spaces") << u"a   b"_qs << u"a b"_qs;
        QTest::newRow("line breaks") << u"a\r\nb\nc\rd"_qs << u"abcd"_qs;
        QTest::newRow("tabs and end spaces stay") << u" a\tb "_qs << u" a\tb "_qs;
        QTest::newRow("other control characters go")
            << u"a\001b\033c\177d\u0085e\u009bf"_qs << u"abcdef"_qs;
        QTest::newRow("inner dots stay") << u"v1.2 report.final"_qs << u"v1.2 report.final"_qs;
    }
    void cleanFileName() {
        QFETCH(QString, text);
        QFETCH(QString, clean);
        QCOMPARE(CleanFileName(text), clean);
    }

    void longChineseNameFitsBothLimits() {
        const QString name(150, QChar(u'报'));
        const QString clean = CleanFileName(name);
        // 200 bytes of UTF-8 at three bytes a character: 66 characters (GBK alone keeps 100).
        QCOMPARE(TruncateToCodePageBytes(name, 200).size(), 100);
        QCOMPARE(clean, QString(66, QChar(u'报')));
        QVERIFY(clean.toUtf8().size() <= 200);
        QTemporaryDir dir;
        touch(dir.filePath(clean + u"[001].pdf"_qs)); // room for numbering and extension
    }

    void nameFromAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"http://h/a/b/report.pdf"_qs << false << u"report.pdf"_qs;
        QTest::newRow("drop extension")
            << u"http://h/a/report.v2.pdf"_qs << true << u"report.v2"_qs;
        QTest::newRow("backslashes") << u"c:\\x\\y.doc"_qs << true << u"y"_qs;
        QTest::newRow("trailing slash") << u"http://h/a/"_qs << true << QString();
        QTest::newRow("no dot") << u"http://h/download?id=3"_qs << true << u"download?id=3"_qs;
    }
    void nameFromAddress() {
        QFETCH(QString, address);
        QFETCH(bool, drop);
        QFETCH(QString, name);
        QCOMPARE(NameFromAddress(address, drop), name);
    }

    void ensureFolderPathCreatesAndCleansLevels() {
        QTemporaryDir dir;
        RecordingMessageSink messages;
        QCOMPARE(EnsureFolderPath(dir.path() + u"/a:b/c"_qs, messages), dir.path() + u"/ab/c"_qs);
        QVERIFY(QFileInfo(dir.path() + u"/ab/c"_qs).isDir());
        QCOMPARE(EnsureFolderPath(dir.path() + u"/x//y"_qs, messages), dir.path() + u"/x"_qs);
        QCOMPARE(EnsureFolderPath(dir.path() + u"/z/"_qs, messages), dir.path() + u"/z"_qs);
        QVERIFY(messages.messages.isEmpty());
    }

    void ensureFolderPathRefusesLevelsThatCleanToNothing() {
        QTemporaryDir dir;
        RecordingMessageSink messages;
        // ".." never climbs out: it cleans to nothing and stops the walk.
        QCOMPARE(EnsureFolderPath(dir.path() + u"/ok/../evil"_qs, messages),
                 dir.path() + u"/ok"_qs);
        QVERIFY(!QFileInfo::exists(dir.path() + u"/evil"_qs));
        QCOMPARE(messages.texts(), QStringList{u"文件夹名称有误！不能创建文件夹！"_qs});
        QCOMPARE(messages.messages.first().icon, MessageIcon::Error);
        QCOMPARE(EnsureFolderPath(u"///share/x"_qs, messages), QString());
        QCOMPARE(messages.messages.size(), 2);
    }

    void fileAndFolderExistence() {
        QTemporaryDir dir;
        touch(dir.filePath(u"b.pdf"_qs));
        QVERIFY(FileExists(dir.filePath(u"b.pdf"_qs)));
        QVERIFY(FileExists(u"FILE://"_qs + dir.filePath(u"b.pdf"_qs)));
        // The exact name: spaces at the ends name other files.
        QVERIFY(!FileExists(u" FILE://"_qs + dir.filePath(u"b.pdf"_qs)));
        QVERIFY(!FileExists(dir.filePath(u"b.pdf "_qs)));
        touch(dir.filePath(u"b.pdf "_qs));
        QVERIFY(FileExists(u"file://"_qs + dir.filePath(u"b.pdf "_qs)));
        QVERIFY(!FileExists(dir.path()));
        QVERIFY(!FileExists(QString()));
        QVERIFY(FolderExists(dir.path()));
        QVERIFY(!FolderExists(dir.filePath(u"b.pdf"_qs)));
        QVERIFY(!FolderExists(u"  "_qs));
    }

    void uniqueNumberedPath() {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        QCOMPARE(UniqueNumberedPath(folder + u"x.doc"_qs), folder + u"x.doc"_qs);
        touch(folder + u"x[0003].doc"_qs);
        QCOMPARE(UniqueNumberedPath(folder + u"x[0003].doc"_qs), folder + u"x.doc"_qs);
        touch(folder + u"x.doc"_qs);
        touch(folder + u"x[0001].doc"_qs);
        QCOMPARE(UniqueNumberedPath(folder + u"x[0003].doc"_qs), folder + u"x[0002].doc"_qs);
        touch(folder + u"noext"_qs);
        QCOMPARE(UniqueNumberedPath(folder + u"noext"_qs), folder + u"noext[0001]"_qs);
        touch(folder + u"v[a].pdf"_qs);
        QCOMPARE(UniqueNumberedPath(folder + u"v[a].pdf"_qs), folder + u"v[a][0001].pdf"_qs);
        const QString longBase(120, u'n');
        touch(folder + longBase + u".pdf"_qs);
        QCOMPARE(UniqueNumberedPath(folder + longBase + u".pdf"_qs),
                 folder + QString(100, u'n') + u".pdf"_qs);
    }

    void uniqueNumberedPathNamesAFileTheSystemTakes() {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        // 300 bytes of UTF-8: too long to create as it stands.
        const QString tooLong = folder + QString(100, u'报') + u".htm"_qs;
        QSet<QString> paths;
        for (int round = 0; round < 3; ++round) {
            const QString path = UniqueNumberedPath(tooLong);
            QVERIFY(path.startsWith(folder + QString(60, u'报')));
            QVERIFY(path.endsWith(u".htm"_qs));
            QFile file(path);
            QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
            paths.insert(path);
        }
        QCOMPARE(paths.size(), 3);
    }
};

QTEST_GUILESS_MAIN(tst_filenames)
#include "tst_filenames.moc"
