#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>

namespace quenlit {

class Browser;
class MessageSink;
class WorkScope;

// What the login panel's fields hold when the login reads them.
struct LoginFields {
    enum class Mode { None, Account, Address };
    QString address;
    QString account;
    QString password;
    Mode mode = Mode::Account;
};

// Loads a site's login page in the panel's browser and fills in and submits its form, so that
// later downloads from the site count as signed in. Every wait is bounded and ends when the
// scope is cancelled.
class WebLogin : public QObject {
    Q_OBJECT
public:
    WebLogin(Browser& browser, WorkScope& scope, MessageSink& messages, QObject* parent = nullptr);

    LoginFields fields;

    // "浏览": loads the login address and waits for it, at most 10 seconds.
    QCoro::Task<> browse();
    // Logs in with the fields; messages allowed only when asked for. A call while a login
    // runs returns at once.
    QCoro::Task<> autoLogin(bool showMessages);
    // Whether the fields allow automatic logins; shows why not and asks to untick otherwise.
    bool allowAutoLogin();

    // A navigation started by the program; cleared when the top-level document completes.
    void startLoading() { m_loading = true; }
    bool loading() const { return m_loading; }
    bool browseEnabled() const { return m_browseEnabled; }
    bool loginEnabled() const { return m_loginEnabled; }

signals:
    void browseEnabledChanged(bool enabled);
    void loginEnabledChanged(bool enabled);
    // "自动登录" is to be unticked.
    void autoLoginRefused();

private:
    // Returns false (after the message and the untick) when the fields are not enough.
    bool checkFields(bool showMessages);
    void setBrowseEnabled(bool enabled);
    void setLoginEnabled(bool enabled);
    // Waits until the browser is idle and the page has completed: false on cancel.
    QCoro::Task<bool> waitForPage();
    QCoro::Task<bool> setLiveValue(const class HtmlElement& element, const QString& value);
    QCoro::Task<bool> clickAndWait(const class HtmlElement& element);
    QCoro::Task<> fillAccountForm();
    QCoro::Task<> pressAddressLogin();

    Browser& m_browser;
    WorkScope& m_scope;
    MessageSink& m_messages;
    bool m_loading = false;
    bool m_browseEnabled = true;
    bool m_loginEnabled = true;
};

} // namespace quenlit
