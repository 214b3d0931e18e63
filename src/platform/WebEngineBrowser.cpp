#include "WebEngineBrowser.h"

#include "HtmlDocument.h"

#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace quenlit {

// Keeps new windows in the same view, refuses to close, and swallows script dialogs
// when silent.
class BrowserPage final : public QWebEnginePage {
public:
    BrowserPage(QWebEngineProfile& profile, QObject* parent)
        : QWebEnginePage(&profile, parent) {
        connect(this, &QWebEnginePage::windowCloseRequested, this, [] {});
    }
    bool silent = false;
    std::function<void(const QString&)> beforeNavigate;

protected:
    QWebEnginePage* createWindow(WebWindowType) override { return this; }
    void javaScriptAlert(const QUrl& origin, const QString& message) override {
        if (!silent)
            QWebEnginePage::javaScriptAlert(origin, message);
    }
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override {
        return silent ? false : QWebEnginePage::javaScriptConfirm(origin, message);
    }
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& defaultValue,
                          QString* result) override {
        return silent ? false
                      : QWebEnginePage::javaScriptPrompt(origin, message, defaultValue, result);
    }
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (isMainFrame && beforeNavigate)
            beforeNavigate(url.toString());
        return true;
    }
};

namespace {
// How long a click may take to start a navigation before it counts as none.
constexpr int ClickGraceMs = 1500;

QString scriptString(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\\', u"\\\\"_qs).replace(u'\'', u"\\'"_qs).replace(u'\n', u"\\n"_qs);
    return u'\'' + quoted + u'\'';
}
} // namespace

WebEngineBrowser::WebEngineBrowser(QWebEngineProfile& profile, QWidget* viewParent)
    : m_view(new QWebEngineView(viewParent))
    , m_page(new BrowserPage(profile, m_view)) {
    m_view->setPage(m_page);
    m_page->beforeNavigate = [this](const QString& address) { emit BeforeNavigate2(address); };
    connect(m_page, &QWebEnginePage::loadStarted, this, [this] {
        m_loading = true;
        m_clickPending = false;
        ++m_loadGeneration;
        emit StatusTextChange(u"正在打开网页..."_qs);
    });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this] {
        m_loading = false;
        takeSnapshot();
    });
    connect(m_page, &QWebEnginePage::linkHovered, this,
            [this](const QString& url) { emit StatusTextChange(url); });
}

WebEngineBrowser::~WebEngineBrowser() {
    // The view may outlive its driver.
    if (m_page)
        m_page->beforeNavigate = nullptr;
}

void WebEngineBrowser::takeSnapshot() {
    m_snapshotPending = true;
    const quint64 generation = m_loadGeneration;
    const QUrl url = m_page->url();
    m_page->toHtml([self = QPointer(this), generation, url](const QString& html) {
        // A newer load has started: its own snapshot follows.
        if (!self || generation != self->m_loadGeneration)
            return;
        self->m_document = HtmlDocument::parse(html, url);
        self->m_snapshotPending = false;
        emit self->StatusTextChange(u"完成"_qs);
        emit self->DocumentComplete(url.toString());
    });
}

void WebEngineBrowser::Navigate(const QString& address) {
    const QUrl url = address.contains(u':') ? QUrl(address) : QUrl::fromUserInput(address);
    m_loading = true; // until the load reports its end
    m_page->load(url);
}

void WebEngineBrowser::setSilent(bool silent) {
    m_page->silent = silent;
}

bool WebEngineBrowser::Silent() const {
    return m_page->silent;
}

void WebEngineBrowser::GoBack() {
    m_page->triggerAction(QWebEnginePage::Back);
}

void WebEngineBrowser::GoForward() {
    m_page->triggerAction(QWebEnginePage::Forward);
}

void WebEngineBrowser::runOnElement(const HtmlElement& element, const QString& action) {
    m_page->runJavaScript(QStringLiteral("(function(){var e=document.getElementsByTagName(%1)[%2];"
                                         "if(e){%3}})()")
                              .arg(scriptString(element.tag()))
                              .arg(element.tagIndex())
                              .arg(action));
}

void WebEngineBrowser::click(const HtmlElement& element) {
    m_clickPending = true;
    const quint64 generation = m_loadGeneration;
    runOnElement(element, u"e.click();"_qs);
    QTimer::singleShot(ClickGraceMs, this, [this, generation] {
        if (generation == m_loadGeneration)
            m_clickPending = false; // the click started no navigation
    });
}

void WebEngineBrowser::setValue(const HtmlElement& element, const QString& value) {
    runOnElement(element, u"e.value="_qs + scriptString(value) + u';');
}

} // namespace quenlit
