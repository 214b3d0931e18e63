// The real browser, offscreen: the live page is what the logic reads and acts on.
#include "HtmlDocument.h"
#include "LivePage.h"
#include "WebEngineBrowser.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEngineProfile>

using namespace quenlit;

namespace {

const char* const Page = R"(<!DOCTYPE html><html><head><meta charset="utf-8"><title>t</title></head>
<body>
<noscript><a title="下一页" href="p2.html">noscript</a></noscript>
<a title="下一页" href="p2.html" onclick="document.title='next'; return false">下一页</a>
<button onclick="document.title='甲'">甲</button>
<button onclick="document.title='乙'">乙</button>
<input name="user">
<button name="go" onclick="document.title='go1'">go</button>
<button name="go" onclick="document.title='go2'">go</button>
<script>
var a = document.createElement('a');
a.href = 'added.html';
a.textContent = 'added';
document.body.appendChild(a);
</script>
</body></html>)";

struct Fixture {
    Fixture() {
        QFile file(dir.filePath(QStringLiteral("page.html")));
        file.open(QIODevice::WriteOnly);
        file.write(Page);
        file.close();
        browser.Navigate(QUrl::fromLocalFile(file.fileName()).toString());
    }
    std::shared_ptr<const HtmlDocument> read() {
        QSignalSpy read(&browser, &Browser::pageRead);
        browser.readPage();
        return read.wait(10000) ? browser.Document() : nullptr;
    }
    bool act(quint64 ticket) {
        QSignalSpy acted(&browser, &Browser::elementActed);
        if (!acted.wait(10000))
            return false;
        return acted.first().at(0).toULongLong() == ticket && acted.first().at(1).toBool();
    }
    const HtmlElement* element(const HtmlDocument& document, const QString& tag,
                               const QString& text) {
        for (const HtmlElement* element : document.getElementsByTagName(tag))
            if (!element->insideNoscript() && element->innerText().simplified() == text)
                return element;
        return nullptr;
    }

    QTemporaryDir dir;
    QWebEngineProfile profile; // off the record
    QWidget holder;
    WebEngineBrowser browser{profile, &holder};
};

} // namespace

class tst_webenginebrowser : public QObject {
    Q_OBJECT
private slots:
    void theLivePageCountsWhatScriptsAdded() {
        Fixture f;
        QTRY_VERIFY_WITH_TIMEOUT(!f.browser.Busy(), 20000);
        const std::shared_ptr<const HtmlDocument> page = f.read();
        QVERIFY(page);
        QVERIFY(f.element(*page, u"a"_qs, u"added"_qs));
    }

    void actionsReachTheElementTheLogicChose() {
        Fixture f;
        QTRY_VERIFY_WITH_TIMEOUT(!f.browser.Busy(), 20000);
        std::shared_ptr<const HtmlDocument> page = f.read();
        QVERIFY(page);
        // The second of two buttons without attributes: found by its text.
        const HtmlElement* second = f.element(*page, u"button"_qs, u"乙"_qs);
        QVERIFY(second);
        QVERIFY(f.act(f.browser.click(ElementLocator::of(*second))));
        page = f.read();
        QCOMPARE(page->getElementsByTagName(u"title"_qs).value(0)->innerText(), u"乙"_qs);
        // The next link outside <noscript>, the one scripts see.
        const HtmlElement* next = f.element(*page, u"a"_qs, u"下一页"_qs);
        QVERIFY(next);
        QVERIFY(f.act(f.browser.click(ElementLocator::of(*next))));
        page = f.read();
        QCOMPARE(page->getElementsByTagName(u"title"_qs).value(0)->innerText(), u"next"_qs);
        // A field set on the live page, and an element that is not there.
        const HtmlElement* field = page->getElementsByTagName(u"input"_qs).value(0);
        QVERIFY(field);
        QVERIFY(f.act(f.browser.setValue(ElementLocator::of(*field), u"张三"_qs)));
        // Two elements that look alike: the second is reached, not the first.
        const QList<const HtmlElement*> buttons = page->getElementsByTagName(u"button"_qs);
        QCOMPARE(buttons.size(), 4);
        QVERIFY(f.act(f.browser.click(ElementLocator::of(*buttons[3]))));
        page = f.read();
        QCOMPARE(page->getElementsByTagName(u"title"_qs).value(0)->innerText(), u"go2"_qs);
        const quint64 missing = f.browser.click({u"a"_qs, {{u"href"_qs, u"gone.html"_qs}}, {}, 0});
        QSignalSpy acted(&f.browser, &Browser::elementActed);
        QVERIFY(acted.wait(10000));
        QCOMPARE(acted.first().at(0).toULongLong(), missing);
        QCOMPARE(acted.first().at(1).toBool(), false);
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    tst_webenginebrowser test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_webenginebrowser.moc"
