#include "DownloadListModel.h"
#include "DuplicateNames.h"
#include "FileNames.h"
#include "HeaderDecoding.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace quenlit;

namespace {
void touch(const QString& path, qint64 size = 1) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}
} // namespace

class tst_duplicatenames : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path(); } // without trailing "/"

private slots:
    void init() {
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(m_dir.filePath(name));
    }

    void renaming_data() {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("policy");
        QTest::addColumn<QString>("finalName");
        QTest::newRow("free") << QStringList{} << u"report"_qs << RenamePolicy << u"report"_qs;
        QTest::newRow("next free number") << QStringList{u"report.pdf"_qs, u"report[001].pdf"_qs}
                                          << u"report"_qs << RenamePolicy << u"report[002]"_qs;
        QTest::newRow("number taken over") << QStringList{u"report[7].pdf"_qs} << u"report[7]"_qs
                                           << RenamePolicy << u"report[007]"_qs;
        QTest::newRow("taken over and taken")
            << QStringList{u"report[7].pdf"_qs, u"report[007].pdf"_qs} << u"report[7]"_qs
            << RenamePolicy << u"report[008]"_qs;
        QTest::newRow("brackets that are no number")
            << QStringList{u"a[b]c.pdf"_qs} << u"a[b]c"_qs << RenamePolicy << u"a『b』c"_qs;
        QTest::newRow("overwrite keeps the name")
            << QStringList{u"report.pdf"_qs} << u"report"_qs << OverwritePolicy << u"report"_qs;
        QTest::newRow("four digits") << QStringList{u"r[999].pdf"_qs, u"r.pdf"_qs} << u"r[999]"_qs
                                     << RenamePolicy << u"r[1000]"_qs;
        QTest::newRow("huge number")
            << QStringList{u"n[99999999999999999999].pdf"_qs} << u"n[99999999999999999999]"_qs
            << RenamePolicy << u"n[100000000000000000000]"_qs;
        QTest::newRow("huge number taken")
            << QStringList{u"n[99999999999999999999].pdf"_qs, u"n[100000000000000000000].pdf"_qs}
            << u"n[99999999999999999999]"_qs << RenamePolicy << u"n[100000000000000000001]"_qs;
        QTest::newRow("every digit counts")
            << QStringList{u"n[12345678901234567891].pdf"_qs} << u"n[12345678901234567891]"_qs
            << RenamePolicy << u"n[12345678901234567892]"_qs;
        QTest::newRow("negative stays in the name")
            << QStringList{u"r[-5].pdf"_qs} << u"r[-5]"_qs << RenamePolicy << u"r『-5』"_qs;
        QTest::newRow("fraction rounds")
            << QStringList{u"r[2.5].pdf"_qs} << u"r[2.5]"_qs << RenamePolicy << u"r[003]"_qs;
    }
    void renaming() {
        QFETCH(QStringList, existing);
        QFETCH(QString, name);
        QFETCH(QString, policy);
        QFETCH(QString, finalName);
        for (const QString& file : existing)
            touch(m_dir.filePath(file));
        const RenamedTarget target = 重命名保存路径(folder(), name, u"pdf"_qs, policy);
        QCOMPARE(target.name, finalName);
        QCOMPARE(target.path, folder() + u'/' + finalName + u".pdf"_qs);
    }

    // Each name already cleaned, so it fits before the rename touches it.
    void renamedNamesKeepTheLimits_data() {
        QTest::addColumn<QString>("name");
        QString chinese = QString(40, u'报');
        QString ascii;
        QString numbers;
        for (int i = 0; i < 70; ++i) {
            chinese += u"[x]"_qs;
            ascii += u"a[b]"_qs;
            numbers += u"[1]"_qs;
        }
        QTest::newRow("Chinese and brackets") << CleanFileName(chinese);
        QTest::newRow("ASCII brackets") << CleanFileName(ascii);
        QTest::newRow("brackets and a number") << CleanFileName(numbers);
        QString wide;
        for (int i = 0; i < 40; ++i)
            wide += QString::fromUcs4(U"\U00020000"); // four bytes of UTF-8, none in GBK
        for (int i = 0; i < 13; ++i)
            wide += u"[z]"_qs;
        QTest::newRow("four-byte characters") << CleanFileName(wide);
    }
    void renamedNamesKeepTheLimits() {
        QFETCH(QString, name);
        QVERIFY(name.toUtf8().size() <= 200 && CodePageByteCount(name) <= 200);
        touch(m_dir.filePath(name + u".pdf"_qs));
        QSet<QString> paths;
        for (int round = 0; round < 3; ++round) {
            const RenamedTarget target = 重命名保存路径(folder(), name, u"pdf"_qs, RenamePolicy);
            QCOMPARE(target.path, folder() + u'/' + target.name + u".pdf"_qs);
            QVERIFY(!QFile::exists(target.path));
            const QString fileName = target.name + u".pdf"_qs;
            QVERIFY2(fileName.toUtf8().size() <= 255, qPrintable(fileName));
            QVERIFY(CodePageByteCount(fileName) <= 255);
            const QString withoutNumber = target.name.left(target.name.lastIndexOf(u'['));
            QVERIFY(withoutNumber.toUtf8().size() <= 200);
            QVERIFY(CodePageByteCount(withoutNumber) <= 200);
            QFile file(target.path);
            QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
            paths.insert(target.path);
        }
        QCOMPARE(paths.size(), 3);
    }

    void skipPolicyFinishesAnExistingFile() {
        touch(m_dir.filePath(u"report.pdf"_qs), 2048);
        DownloadListModel list;
        list.append(u"http://h/report.pdf"_qs, u"report"_qs);
        list.modify(1, [&](DownloadRow& row) {
            row.type = u"pdf"_qs;
            row.saveFolder = folder();
        });
        QVERIFY(确定是需要下载(list, 1, RenamePolicy));
        QVERIFY(确定是需要下载(list, 1, OverwritePolicy));
        QVERIFY(!确定是需要下载(list, 1, SkipPolicy));
        const DownloadRow& row = list.row(1);
        QCOMPARE(row.state, qint16(DownloadRow::Finished));
        QCOMPARE(row.size, u"2048"_qs);
        QCOMPARE(row.downloaded, u"2048"_qs);
        QCOMPARE(row.percent, u"已存在，跳过"_qs);
    }

    void skipPolicyWithoutTypeLooksForTheBareName() {
        touch(m_dir.filePath(u"readme"_qs), 5);
        DownloadListModel list;
        list.append(u"k"_qs, u"readme"_qs);
        list.modify(1, [&](DownloadRow& row) { row.saveFolder = folder() + u'/'; });
        QVERIFY(!确定是需要下载(list, 1, SkipPolicy));
        QCOMPARE(list.row(1).size, u"5"_qs);
    }
};

QTEST_GUILESS_MAIN(tst_duplicatenames)
#include "tst_duplicatenames.moc"
