#include "WebEngineBrowser.h"

#include "HtmlDocument.h"

#include <QJsonArray>
#include <QJsonDocument>
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
            beforeNavigate(url.toString(QUrl::FullyEncoded));
        return true;
    }
};

namespace {
// How long a click may take to start a navigation before it counts as none.
constexpr int ClickGraceMs = 1500;

// A text as a script literal.
QString scriptString(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString scriptAttributes(const ElementLocator& element) {
    QJsonArray attributes;
    for (const auto& [name, value] : element.attributes)
        attributes.append(QJsonArray{name, value});
    return QString::fromUtf8(QJsonDocument(attributes).toJson(QJsonDocument::Compact));
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
    connect(m_page, &QWebEnginePage::titleChanged, this,
            [this](const QString& title) { emit TitleChange(title); });
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
        emit self->DocumentComplete(url.toString(QUrl::FullyEncoded));
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

quint64 WebEngineBrowser::readPage() {
    const quint64 ticket = ++m_lastTicket;
    const QUrl url = m_page->url();
    m_page->runJavaScript(u"document.documentElement ? document.documentElement.outerHTML : ''"_qs,
                          [self = QPointer(this), ticket, url](const QVariant& html) {
                              if (!self)
                                  return;
                              self->m_document = HtmlDocument::parse(html.toString(), url);
                              emit self->pageRead(ticket);
                          });
    return ticket;
}

quint64 WebEngineBrowser::runOnElement(const ElementLocator& element, const QString& action) {
    const quint64 ticket = ++m_lastTicket;
    const QString script =
        QStringLiteral(
            "(function(tag,attributes,text,n){var list=document.getElementsByTagName(tag);"
            "for(var i=0;i<list.length;i++){var e=list[i],same=true;"
            "for(var j=0;j<attributes.length&&same;j++)"
            "same=e.getAttribute(attributes[j][0])===attributes[j][1];"
            "if(same&&text)same=(e.textContent||'').replace(/\\s+/g,' ').trim()===text;"
            "if(same&&n--===0){%5return true;}}return false;})(%1,%2,%3,%4)")
            .arg(scriptString(element.tag), scriptAttributes(element), scriptString(element.text),
                 QString::number(element.occurrence), action);
    m_page->runJavaScript(script, [self = QPointer(this), ticket](const QVariant& found) {
        if (self)
            emit self->elementActed(ticket, found.toBool());
    });
    return ticket;
}

quint64 WebEngineBrowser::click(const ElementLocator& element) {
    m_clickPending = true;
    const quint64 generation = m_loadGeneration;
    QTimer::singleShot(ClickGraceMs, this, [this, generation] {
        if (generation == m_loadGeneration)
            m_clickPending = false; // the click started no navigation
    });
    return runOnElement(element, u"e.click();"_qs);
}

quint64 WebEngineBrowser::setValue(const ElementLocator& element, const QString& value) {
    return runOnElement(element, u"e.value="_qs + scriptString(value) + u';');
}

} // namespace quenlit
