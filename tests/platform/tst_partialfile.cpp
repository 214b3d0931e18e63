#include "PartialFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {} // namespace

class tst_partialfile : public QObject {
    Q_OBJECT

private slots:
    void targetChangesOnlyAtCommit() {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"报告.pdf"_qs);
        WriteFile(target, "old");
        PartialFile part(target);
        QCOMPARE(part.tempPath(), target + u".part"_qs);
        QVERIFY(part.open());
        QVERIFY(part.append("new "));
        QVERIFY(part.append("body"));
        QCOMPARE(part.size(), qint64(8));
        QCOMPARE(ReadFile(part.tempPath()), QByteArray("new body"));
        QCOMPARE(ReadFile(target), QByteArray("old"));
        QVERIFY(part.commit());
        QCOMPARE(ReadFile(target), QByteArray("new body"));
        QVERIFY(!QFile::exists(part.tempPath()));
    }

    void endingWithoutCommitKeepsTheOldTarget_data() {
        QTest::addColumn<bool>("explicitDiscard");
        QTest::newRow("discard") << true;
        QTest::newRow("destroyed") << false;
    }
    void endingWithoutCommitKeepsTheOldTarget() {
        QFETCH(bool, explicitDiscard);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"a.doc"_qs);
        WriteFile(target, "old");
        {
            PartialFile part(target);
            QVERIFY(part.open());
            QVERIFY(part.append("half"));
            if (explicitDiscard)
                part.discard();
        }
        QCOMPARE(ReadFile(target), QByteArray("old"));
        QVERIFY(!QFile::exists(target + u".part"_qs));
    }

    void reopeningStartsEmpty() {
        QTemporaryDir dir;
        PartialFile part(dir.filePath(u"b.bin"_qs));
        QVERIFY(part.open());
        QVERIFY(part.append("first try"));
        QVERIFY(part.open());
        QCOMPARE(part.size(), qint64(0));
        QVERIFY(part.append("x"));
        QVERIFY(part.commit());
        QCOMPARE(ReadFile(dir.filePath(u"b.bin"_qs)), QByteArray("x"));
    }

    void failuresAreReported() {
        QTemporaryDir dir;
        // No folder: the part file cannot be made (making folders is the caller's job).
        PartialFile nowhere(dir.filePath(u"missing/c.pdf"_qs));
        QVERIFY(!nowhere.open());
        QVERIFY(!nowhere.append("x"));
        QVERIFY(!nowhere.commit());
        // A folder in the target's place is not replaced.
        const QString target = dir.filePath(u"d.pdf"_qs);
        QVERIFY(QDir(dir.path()).mkdir(u"d.pdf"_qs));
        WriteFile(target + u"/inside"_qs, "kept");
        PartialFile part(target);
        QVERIFY(part.open());
        QVERIFY(part.append("body"));
        QVERIFY(!part.commit());
        QCOMPARE(ReadFile(target + u"/inside"_qs), QByteArray("kept"));
        QVERIFY(!QFile::exists(target + u".part"_qs));
    }
};

QTEST_GUILESS_MAIN(tst_partialfile)
#include "tst_partialfile.moc"
