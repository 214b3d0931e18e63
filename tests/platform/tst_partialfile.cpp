#include "PartialFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

PartialRecord Record(const QString& address) {
    return {address, u"\"v1\""_qs, u"Wed, 01 May 2024 10:00:00 GMT"_qs, 12};
}

// A pair as a download that stopped part-way leaves it.
void LeavePart(const QString& target, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(target).path());
    PartialFile part(target);
    QVERIFY(part.open());
    QVERIFY(part.record(Record(u"http://h/"_qs + QFileInfo(target).fileName())));
    QVERIFY(part.append(bytes));
}

} // namespace

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

    // A recorded body outlives its instance and is taken up by the next one.
    void recordedPartIsResumed() {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"报告.pdf"_qs);
        WriteFile(target, "old");
        LeavePart(target, "first ");
        QCOMPARE(ReadFile(PartialFile::tempPathFor(target)), QByteArray("first "));
        QCOMPARE(PartialFile::readRecord(target), Record(u"http://h/报告.pdf"_qs));
        QCOMPARE(ReadFile(target), QByteArray("old"));

        PartialFile again(target);
        QVERIFY(again.openToResume());
        QCOMPARE(again.size(), qint64(6));
        QVERIFY(again.append("second"));
        QCOMPARE(again.size(), qint64(12));
        QVERIFY(again.commit());
        QCOMPARE(ReadFile(target), QByteArray("first second"));
        QVERIFY(!QFile::exists(PartialFile::tempPathFor(target)));
        QVERIFY(!QFile::exists(PartialFile::recordPathFor(target)));
    }

    // Starting anew forgets the record before a byte is written, and a discarded or unrecorded
    // body takes its record with it.
    void endingsOfARecordedPart_data() {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("partKept");
        QTest::newRow("kept") << u"keep"_qs << true;
        QTest::newRow("discarded") << u"discard"_qs << false;
        QTest::newRow("opened anew, then destroyed") << u"reopen"_qs << false;
        QTest::newRow("never opened") << u"untouched"_qs << true;
        QTest::newRow("resumed without a record") << u"resume unrecorded"_qs << false;
    }
    void endingsOfARecordedPart() {
        QFETCH(QString, ending);
        QFETCH(bool, partKept);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"a.doc"_qs);
        LeavePart(target, "half");
        if (ending == u"resume unrecorded"_qs)
            QVERIFY(QFile::remove(PartialFile::recordPathFor(target)));
        {
            PartialFile part(target);
            if (ending == u"keep"_qs) {
                QVERIFY(part.openToResume());
                part.keepIfResumable();
            } else if (ending == u"discard"_qs) {
                QVERIFY(part.openToResume());
                part.discard();
            } else if (ending == u"reopen"_qs) {
                QVERIFY(part.open());
                QVERIFY(!QFile::exists(PartialFile::recordPathFor(target)));
                QVERIFY(part.append("new"));
            } else if (ending == u"resume unrecorded"_qs) {
                QVERIFY(part.openToResume());
            }
        }
        QCOMPARE(QFile::exists(PartialFile::tempPathFor(target)), partKept);
        QCOMPARE(PartialFile::readRecord(target).has_value(), partKept);
        if (partKept)
            QCOMPARE(ReadFile(PartialFile::tempPathFor(target)), QByteArray("half"));
        QVERIFY(!QFile::exists(target));
    }

    void nothingToResume() {
        QTemporaryDir dir;
        PartialFile part(dir.filePath(u"none.pdf"_qs));
        QVERIFY(!part.openToResume());
        QVERIFY(!part.record(Record(u"http://h/none.pdf"_qs)));
        QVERIFY(!QFile::exists(PartialFile::recordPathFor(dir.filePath(u"none.pdf"_qs))));
    }

    void foreignRecordsAreNotOurs_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not JSON") << QByteArray("address=http://h/a");
        QTest::newRow("another kind")
            << QByteArray("{\"kind\": \"other\", \"version\": 1, \"address\": \"http://h/a\"}");
        QTest::newRow("a later version")
            << QByteArray("{\"kind\": \"quenlit partial download\", \"version\": 2, \"address\": "
                          "\"http://h/a\"}");
        QTest::newRow("a list") << QByteArray("[\"quenlit partial download\", 1]");
        QTest::newRow("huge") << QByteArray(
                                     "{\"kind\": \"quenlit partial download\", \"version\": 1,") +
                                     QByteArray(70000, ' ') + "}";
    }
    void foreignRecordsAreNotOurs() {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"a.pdf"_qs);
        WriteFile(PartialFile::tempPathFor(target), "bytes");
        WriteFile(PartialFile::recordPathFor(target), contents);
        QVERIFY(!PartialFile::readRecord(target));
    }

    void validator_data() {
        QTest::addColumn<QString>("etag");
        QTest::addColumn<QString>("lastModified");
        QTest::addColumn<QString>("validator");
        const QString date = u"Wed, 01 May 2024 10:00:00 GMT"_qs;
        QTest::newRow("strong ETag first") << u"\"abc\""_qs << date << u"\"abc\""_qs;
        QTest::newRow("weak ETag: the date") << u"W/\"abc\""_qs << date << date;
        QTest::newRow("weak ETag alone") << u"W/\"abc\""_qs << QString() << QString();
        QTest::newRow("date alone") << QString() << date << date;
        QTest::newRow("neither") << QString() << QString() << QString();
    }
    void validator() {
        QFETCH(QString, etag);
        QFETCH(QString, lastModified);
        QFETCH(QString, validator);
        QCOMPARE((PartialRecord{u"http://h/a"_qs, etag, lastModified, -1}.validator()), validator);
    }

    // Only our records whose targets are no row's go, each with its temporary file; the
    // placeholder a crashed download left beside a record of ours goes too.
    void staleTemporaryFilesAreRemoved() {
        QTemporaryDir dir;
        const QString one = dir.filePath(u"one"_qs);
        const QString two = dir.filePath(u"two/"_qs);
        const QString elsewhere = dir.filePath(u"elsewhere"_qs);
        LeavePart(one + u"/gone.pdf"_qs, "a");
        LeavePart(one + u"/live.pdf"_qs, "b");
        LeavePart(two + u"gone too.doc"_qs, "c");
        LeavePart(elsewhere + u"/not looked at.pdf"_qs, "d");
        // Ours without its temporary file, which a crash after the rename leaves.
        LeavePart(one + u"/renamed.pdf"_qs, "e");
        QVERIFY(QFile::remove(PartialFile::tempPathFor(one + u"/renamed.pdf"_qs)));
        // Not ours: a temporary file without a record, and a record of another program.
        WriteFile(one + u"/foreign.pdf.part"_qs, "f");
        WriteFile(one + u"/other.pdf.part"_qs, "g");
        WriteFile(one + u"/other.pdf.part.meta"_qs, "{\"kind\": \"other\"}");
        WriteFile(one + u"/gone.pdf"_qs, "a finished file stays");
        const QByteArray placeholder("\x01\x00", 2);
        WriteFile(one + u"/live.pdf"_qs, placeholder);
        WriteFile(two + u"gone too.doc"_qs, placeholder);
        WriteFile(one + u"/foreign.pdf"_qs, placeholder);

        const int removed =
            RemoveStalePartials({one, two, one + u"/"_qs, QString(), dir.filePath(u"missing"_qs)},
                                {one + u"/./live.pdf"_qs, two + u"other row.pdf"_qs});
        QCOMPARE(removed, 3);
        QCOMPARE(QDir(one).entryList(QDir::Files, QDir::Name),
                 (QStringList{u"foreign.pdf"_qs, u"foreign.pdf.part"_qs, u"gone.pdf"_qs,
                              u"live.pdf.part"_qs, u"live.pdf.part.meta"_qs, u"other.pdf.part"_qs,
                              u"other.pdf.part.meta"_qs}));
        QCOMPARE(ReadFile(one + u"/gone.pdf"_qs), QByteArray("a finished file stays"));
        QVERIFY(QDir(two).entryList(QDir::Files).isEmpty());
        QCOMPARE(QDir(elsewhere).entryList(QDir::Files).size(), 2);
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
