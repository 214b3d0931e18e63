#include "BatchArguments.h"
#include "IniSettingsStore.h"
#include "SettingKeys.h"
#include "Settings.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace quenlit;
using Outcome = ParsedArguments::Outcome;

Q_DECLARE_METATYPE(ParsedArguments::Outcome)

class TestBatchArguments : public QObject {
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();
    void values();
    void typesKeepTheBatchOrder();
    void defaultsComeFromTheSettings();
    void givenOptionsOverrideTheSettings();
    void helpListsEveryOptionWithItsDefault();
    void keywordFiles_data();
    void keywordFiles();
};

void TestBatchArguments::outcomes_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Outcome>("outcome");
    // Words the message must hold: the bad option and, where there is one, the bad value.
    QTest::addColumn<QStringList>("message");

    const QStringList none;
    QTest::newRow("nothing: windows") << QStringList{} << Outcome::Window << none;
    QTest::newRow("toolkit arguments: windows")
        << QStringList{u"-platform"_qs, u"offscreen"_qs} << Outcome::Window << none;
    QTest::newRow("batch") << QStringList{u"--batch"_qs, u"k.txt"_qs} << Outcome::Batch << none;
    QTest::newRow("batch=") << QStringList{u"--batch=k.txt"_qs} << Outcome::Batch << none;
    QTest::newRow("everything")
        << QStringList{u"--batch"_qs,      u"k.txt"_qs,   u"--types"_qs,   u"pdf,doc"_qs,
                       u"--range"_qs,      u"1年内"_qs,   u"--out"_qs,     u"/tmp/d"_qs,
                       u"--method"_qs,     u"2"_qs,       u"--threads"_qs, u"6"_qs,
                       u"--clash=跳过"_qs, u"--scope"_qs, u"国际"_qs,      u"--whole-phrase"_qs,
                       u"--pause"_qs,      u"0"_qs,       u"--json"_qs}
        << Outcome::Batch << none;
    QTest::newRow("help") << QStringList{u"--help"_qs} << Outcome::Help << none;
    QTest::newRow("-h") << QStringList{u"-h"_qs} << Outcome::Help << none;
    QTest::newRow("help wins over a batch")
        << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--help"_qs} << Outcome::Help << none;

    QTest::newRow("unknown option")
        << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--thread"_qs, u"2"_qs} << Outcome::Bad
        << QStringList{u"--thread"_qs, u"--help"_qs};
    QTest::newRow("unknown option alone")
        << QStringList{u"--verbose"_qs} << Outcome::Bad << QStringList{u"--verbose"_qs};
    QTest::newRow("no batch file")
        << QStringList{u"--types"_qs, u"pdf"_qs} << Outcome::Bad << QStringList{u"--batch"_qs};
    QTest::newRow("batch without value")
        << QStringList{u"--batch"_qs} << Outcome::Bad << QStringList{u"--batch"_qs, u"值"_qs};
    QTest::newRow("value is the next option")
        << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--out"_qs, u"--json"_qs} << Outcome::Bad
        << QStringList{u"--out"_qs};
    QTest::newRow("empty batch=") << QStringList{u"--batch="_qs} << Outcome::Bad
                                  << QStringList{u"--batch"_qs};
    QTest::newRow("stray word") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"extra"_qs}
                                << Outcome::Bad << QStringList{u"extra"_qs};
    QTest::newRow("toolkit argument in a batch")
        << QStringList{u"-platform"_qs, u"xcb"_qs, u"--batch"_qs, u"k.txt"_qs} << Outcome::Bad
        << QStringList{u"-platform"_qs};
    QTest::newRow("twice") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--method"_qs, u"1"_qs,
                                          u"--method=2"_qs}
                           << Outcome::Bad << QStringList{u"--method"_qs};
    QTest::newRow("flag with value") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--json=yes"_qs}
                                     << Outcome::Bad << QStringList{u"--json"_qs};
    QTest::newRow("bad type") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--types"_qs,
                                             u"pdf,docx"_qs}
                              << Outcome::Bad << QStringList{u"--types"_qs, u"docx"_qs};
    QTest::newRow("empty type") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--types"_qs,
                                               u"pdf,,doc"_qs}
                                << Outcome::Bad << QStringList{u"--types"_qs};
    QTest::newRow("bad range") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--range"_qs,
                                              u"2年内"_qs}
                               << Outcome::Bad
                               << QStringList{u"--range"_qs, u"2年内"_qs, u"1年内"_qs};
    QTest::newRow("bad scope") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--scope"_qs, u"mars"_qs}
                               << Outcome::Bad << QStringList{u"--scope"_qs, u"mars"_qs};
    QTest::newRow("bad clash") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--clash"_qs,
                                              u"merge"_qs}
                               << Outcome::Bad << QStringList{u"--clash"_qs, u"merge"_qs};
    QTest::newRow("method 3") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--method"_qs, u"3"_qs}
                              << Outcome::Bad << QStringList{u"--method"_qs, u"3"_qs};
    QTest::newRow("threads 0") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--threads"_qs, u"0"_qs}
                               << Outcome::Bad << QStringList{u"--threads"_qs, u"0"_qs};
    QTest::newRow("threads 7") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--threads"_qs, u"7"_qs}
                               << Outcome::Bad << QStringList{u"--threads"_qs, u"7"_qs};
    QTest::newRow("threads word") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--threads"_qs,
                                                 u"six"_qs}
                                  << Outcome::Bad << QStringList{u"--threads"_qs, u"six"_qs};
    QTest::newRow("pause 121") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--pause"_qs, u"121"_qs}
                               << Outcome::Bad << QStringList{u"--pause"_qs, u"121"_qs};
    QTest::newRow("empty out") << QStringList{u"--batch"_qs, u"k.txt"_qs, u"--out="_qs}
                               << Outcome::Bad << QStringList{u"--out"_qs};
}

void TestBatchArguments::outcomes() {
    QFETCH(QStringList, arguments);
    QFETCH(Outcome, outcome);
    QFETCH(QStringList, message);
    const ParsedArguments parsed = ParseBatchArguments(arguments);
    QCOMPARE(parsed.outcome, outcome);
    if (outcome == Outcome::Bad) {
        for (const QString& word : message)
            QVERIFY2(parsed.error.contains(word), qPrintable(parsed.error + u" lacks "_qs + word));
    } else {
        QVERIFY(parsed.error.isEmpty());
    }
}

void TestBatchArguments::values() {
    const ParsedArguments parsed = ParseBatchArguments(
        {u"--batch"_qs, u"关键词.txt"_qs, u"--types"_qs, u"PDF, xls"_qs, u"--range"_qs, u"week"_qs,
         u"--out"_qs, u"/tmp/文档"_qs, u"--method=1"_qs, u"--threads"_qs, u"4"_qs, u"--clash"_qs,
         u"overwrite"_qs, u"--scope"_qs, u"global"_qs, u"--whole-phrase"_qs, u"--pause"_qs, u"7"_qs,
         u"--json"_qs});
    QCOMPARE(parsed.outcome, Outcome::Batch);
    const BatchRequest& r = parsed.request;
    QCOMPARE(r.keywordFile, u"关键词.txt"_qs);
    QCOMPARE(*r.types, (QList<DocumentType>{DocumentType::Pdf, DocumentType::Xls}));
    QCOMPARE(*r.range, TimeRange::Week);
    QCOMPARE(*r.saveFolder, u"/tmp/文档"_qs);
    QCOMPARE(*r.method, 1);
    QCOMPARE(*r.threads, 4);
    QCOMPARE(*r.clashPolicy, u"覆盖"_qs);
    QCOMPARE(*r.scope, SearchScope::Global);
    QVERIFY(r.wholePhrase);
    QCOMPARE(*r.pause, 7);
    QVERIFY(r.json);
}

void TestBatchArguments::typesKeepTheBatchOrder() {
    const ParsedArguments parsed =
        ParseBatchArguments({u"--batch"_qs, u"k"_qs, u"--types"_qs, u"rtf,doc,pdf,doc"_qs});
    QCOMPARE(*parsed.request.types,
             (QList<DocumentType>{DocumentType::Pdf, DocumentType::Doc, DocumentType::Rtf}));
}

void TestBatchArguments::defaultsComeFromTheSettings() {
    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(u"s.ini"_qs));
    settings::Save(store, settings::SearchScope, 1);
    settings::Save(store, settings::DownloadFolder, u"/srv/文档"_qs);
    settings::Save(store, settings::DuplicateNamePolicy, u"跳过"_qs);
    settings::Save(store, settings::DownloadMethod, 1);
    settings::Save(store, settings::ThreadCount, 5);
    settings::Save(store, settings::SearchDelay, 3);
    const BatchSettings s =
        ResolveBatchSettings(ParseBatchArguments({u"--batch"_qs, u"k"_qs}).request, store);
    QCOMPARE(s.keywordFile, u"k"_qs);
    QCOMPARE(s.types.size(), 5);
    QCOMPARE(s.range, TimeRange::AllTime);
    QVERIFY(!s.wholePhrase);
    QCOMPARE(s.scope, SearchScope::Global);
    QCOMPARE(s.saveFolder, u"/srv/文档"_qs);
    QCOMPARE(s.clashPolicy, u"跳过"_qs);
    QCOMPARE(s.method, 1);
    QCOMPARE(s.threads, 6);
    QCOMPARE(s.pause, 3);

    // An empty store gives the windows' own defaults.
    IniSettingsStore empty(dir.filePath(u"empty.ini"_qs));
    const BatchSettings d = ResolveBatchSettings(BatchRequest{}, empty);
    QCOMPARE(d.scope, SearchScope::China);
    QCOMPARE(d.saveFolder, settings::DefaultDownloadFolder());
    QCOMPARE(d.clashPolicy, u"重命名"_qs);
    QCOMPARE(d.method, 2);
    QCOMPARE(d.threads, 3);
    QCOMPARE(d.pause, 0);

    // Values the windows would not show fall back as the windows do.
    settings::Save(store, settings::ThreadCount, 9);
    settings::Save(store, settings::SearchDelay, 500);
    settings::Save(store, settings::DuplicateNamePolicy, u"whatever"_qs);
    const BatchSettings f = ResolveBatchSettings(BatchRequest{}, store);
    QCOMPARE(f.threads, 3);
    QCOMPARE(f.pause, 0);
    QCOMPARE(f.clashPolicy, u"重命名"_qs);
}

void TestBatchArguments::givenOptionsOverrideTheSettings() {
    QTemporaryDir dir;
    IniSettingsStore store(dir.filePath(u"s.ini"_qs));
    settings::Save(store, settings::DownloadMethod, 1);
    settings::Save(store, settings::DuplicateNamePolicy, u"跳过"_qs);
    const BatchSettings s = ResolveBatchSettings(
        ParseBatchArguments({u"--batch"_qs, u"k"_qs, u"--method"_qs, u"2"_qs, u"--clash"_qs,
                             u"重命名"_qs, u"--out"_qs, u"/o"_qs, u"--types"_qs, u"ppt"_qs})
            .request,
        store);
    QCOMPARE(s.method, 2);
    QCOMPARE(s.clashPolicy, u"重命名"_qs);
    QCOMPARE(s.saveFolder, u"/o"_qs);
    QCOMPARE(s.types, QList<DocumentType>{DocumentType::Ppt});
}

void TestBatchArguments::helpListsEveryOptionWithItsDefault() {
    BatchSettings d;
    d.types = {DocumentType::Pdf, DocumentType::Doc};
    d.range = TimeRange::Month;
    d.saveFolder = u"/home/u/Quenlit文件目录"_qs;
    d.clashPolicy = u"覆盖"_qs;
    d.method = 1;
    d.threads = 5;
    d.pause = 9;
    const QString help = BatchHelpText(d);
    for (const QString& option : {u"--batch"_qs, u"--types"_qs, u"--range"_qs, u"--whole-phrase"_qs,
                                  u"--scope"_qs, u"--out"_qs, u"--clash"_qs, u"--method"_qs,
                                  u"--threads"_qs, u"--pause"_qs, u"--json"_qs, u"--help"_qs})
        QVERIFY2(help.contains(option), qPrintable(option));
    for (const QString& value : {u"默认：pdf,doc"_qs, u"默认：1月内"_qs, u"默认：国内"_qs,
                                 u"默认：/home/u/Quenlit文件目录"_qs, u"默认：覆盖"_qs,
                                 u"默认：1）"_qs, u"默认：5）"_qs, u"默认：9）"_qs})
        QVERIFY2(help.contains(value), qPrintable(value));
}

void TestBatchArguments::keywordFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("LF") << QByteArray("教程\n 手册 \n\nguide\n")
                        << QStringList{u"教程"_qs, u"手册"_qs, u"guide"_qs};
    QTest::newRow("CR LF") << QByteArray("a b\r\nc\r\n") << QStringList{u"a b"_qs, u"c"_qs};
    QTest::newRow("no last line end") << QByteArray("x\ny") << QStringList{u"x"_qs, u"y"_qs};
    QTest::newRow("blank only") << QByteArray(" \n\n") << QStringList{};
    QTest::newRow("empty") << QByteArray() << QStringList{};
}

void TestBatchArguments::keywordFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"关键词.txt"_qs);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const KeywordFile read = ReadKeywordFile(path);
    QCOMPARE(read.lines, lines);
    if (lines.isEmpty())
        QVERIFY(read.error.contains(u"--batch"_qs) && read.error.contains(path));
    else
        QVERIFY(read.error.isEmpty());

    const KeywordFile missing = ReadKeywordFile(dir.filePath(u"missing.txt"_qs));
    QVERIFY(missing.lines.isEmpty());
    QVERIFY(missing.error.contains(u"missing.txt"_qs));
}

QTEST_GUILESS_MAIN(TestBatchArguments)
#include "tst_batcharguments.moc"
