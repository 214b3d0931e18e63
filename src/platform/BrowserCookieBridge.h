#pragma once

#include <QObject>
#include <QPointer>

class QNetworkAccessManager;
class QNetworkCookieJar;
class QWebEngineProfile;

namespace quenlit {

// Keeps the network manager's cookie jar in step with the browser profile's cookie store,
// so that downloads carry the logins made in the browser.
class BrowserCookieBridge : public QObject {
    Q_OBJECT
public:
    BrowserCookieBridge(QWebEngineProfile& profile, QNetworkAccessManager& network,
                        QObject* parent = nullptr);

private:
    QPointer<QNetworkCookieJar> m_jar;
};

} // namespace quenlit
