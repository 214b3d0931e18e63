#include "WebLogin.h"

#include "Browser.h"
#include "HtmlDocument.h"
#include "LivePage.h"
#include "MessageSink.h"
#include "WorkScope.h"

namespace quenlit {

namespace {
constexpr int PageWaitMs = 10000;
// The site may still be redirecting after the form went off.
constexpr int SettleMs = 5000;
constexpr int PollMs = 50;

bool isAccountField(const QString& name) {
    return name == u"userid" || name == u"user" || name == u"username" || name == u"useruid";
}

bool isPasswordField(const QString& name) {
    return name == u"pass" || name == u"password" || name == u"passwd";
}

// Form fields often carry neither id nor title: their type and initial value tell them apart
// (a bare submit button would otherwise stand for the first input of the page).
ElementLocator fieldLocator(const HtmlElement& element) {
    ElementLocator locator = ElementLocator::of(element);
    for (const QString& name : {u"type"_qs, u"value"_qs}) {
        if (element.hasAttribute(name))
            locator.attributes.append({name, element.attribute(name)});
    }
    if (!locator.attributes.isEmpty())
        locator.text.clear();
    locator.countOccurrence(element);
    return locator;
}
} // namespace

WebLogin::WebLogin(Browser& browser, WorkScope& scope, MessageSink& messages, QObject* parent)
    : QObject(parent)
    , m_browser(browser)
    , m_scope(scope)
    , m_messages(messages) {
    // Only the top-level document reports completion; frames do not clear the flag.
    connect(&m_browser, &Browser::DocumentComplete, this, [this] { m_loading = false; });
}

void WebLogin::setBrowseEnabled(bool enabled) {
    if (m_browseEnabled == enabled)
        return;
    m_browseEnabled = enabled;
    emit browseEnabledChanged(enabled);
}

void WebLogin::setLoginEnabled(bool enabled) {
    if (m_loginEnabled == enabled)
        return;
    m_loginEnabled = enabled;
    emit loginEnabledChanged(enabled);
}

QCoro::Task<bool> WebLogin::waitForPage() {
    co_await m_scope.waitUntil([this] { return !m_browser.Busy() && !m_loading; }, PageWaitMs,
                               PollMs);
    co_return !m_scope.cancelled();
}

QCoro::Task<> WebLogin::browse() {
    const QString address = fields.address.trimmed();
    if (address.isEmpty())
        co_return;
    setBrowseEnabled(false);
    m_loading = true;
    m_browser.Navigate(address);
    co_await waitForPage();
    setBrowseEnabled(true);
}

bool WebLogin::checkFields(bool showMessages) {
    if (fields.address.trimmed().isEmpty()) {
        if (showMessages)
            m_messages.post(u"必须先设置登录网址！"_qs, MessageIcon::Error);
        emit autoLoginRefused();
        return false;
    }
    if (fields.mode == LoginFields::Mode::Account &&
        (fields.account.trimmed().isEmpty() || fields.password.trimmed().isEmpty())) {
        if (showMessages)
            m_messages.post(u"帐号登录,必须先设置登录帐号和登录密码！"_qs, MessageIcon::Error);
        emit autoLoginRefused();
        return false;
    }
    return true;
}

bool WebLogin::allowAutoLogin() {
    return checkFields(true);
}

QCoro::Task<bool> WebLogin::setLiveValue(const HtmlElement& element, const QString& value) {
    bool found = false;
    const quint64 ticket = m_browser.setValue(fieldLocator(element), value);
    Browser* browser = &m_browser;
    const bool answered = co_await PendingWait(
        m_scope, PageWaitMs, false, [browser, ticket, &found](std::function<void()> fire) {
            return QObject::connect(browser, &Browser::elementActed, browser,
                                    [ticket, fire, &found](quint64 acted, bool there) {
                                        if (acted != ticket)
                                            return;
                                        found = there;
                                        fire();
                                    });
        });
    co_return answered&& found;
}

QCoro::Task<bool> WebLogin::clickAndWait(const HtmlElement& element) {
    m_loading = true;
    co_await clickLiveElement(m_browser, m_scope, fieldLocator(element));
    const bool waited = co_await waitForPage();
    co_return waited;
}

QCoro::Task<> WebLogin::fillAccountForm() {
    const std::shared_ptr<const HtmlDocument> page = co_await readLivePage(m_browser, m_scope);
    if (!page)
        co_return;
    const QString account = fields.account.trimmed();
    const QString password = fields.password.trimmed();
    int filled = 0;
    for (const HtmlElement* input : page->getElementsByTagName(u"input"_qs)) {
        if (input->insideNoscript())
            continue;
        const QString name = input->attribute(u"name"_qs).toLower();
        if (isAccountField(name) || isPasswordField(name)) {
            ++filled;
            const bool set =
                co_await setLiveValue(*input, isAccountField(name) ? account : password);
            if (!set && m_scope.cancelled())
                co_return;
        }
        if (input->attribute(u"type"_qs).toLower() == u"submit" && filled > 1) {
            co_await clickAndWait(*input);
            co_return;
        }
    }
}

QCoro::Task<> WebLogin::pressAddressLogin() {
    const std::shared_ptr<const HtmlDocument> page = co_await readLivePage(m_browser, m_scope);
    if (!page)
        co_return;
    const HtmlElement* control = page->getElementById(u"submitip"_qs);
    if (control && !control->insideNoscript())
        co_await clickAndWait(*control);
}

QCoro::Task<> WebLogin::autoLogin(bool showMessages) {
    if (!checkFields(showMessages))
        co_return;
    if (!m_loginEnabled)
        co_return;
    setLoginEnabled(false);
    co_await browse();
    if (!m_scope.cancelled()) {
        if (fields.mode == LoginFields::Mode::Account)
            co_await fillAccountForm();
        else if (fields.mode == LoginFields::Mode::Address)
            co_await pressAddressLogin();
    }
    // Enabled again whether the pause ran out or was cancelled.
    (void)co_await m_scope.sleep(SettleMs);
    setLoginEnabled(true);
}

} // namespace quenlit
