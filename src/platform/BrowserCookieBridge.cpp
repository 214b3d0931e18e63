#include "BrowserCookieBridge.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

namespace quenlit {

BrowserCookieBridge::BrowserCookieBridge(QWebEngineProfile& profile, QNetworkAccessManager& network,
                                         QObject* parent)
    : QObject(parent)
    , m_jar(network.cookieJar()) {
    QWebEngineCookieStore* store = profile.cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, [this](const QNetworkCookie& cookie) {
        if (m_jar)
            m_jar->insertCookie(cookie);
    });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this,
            [this](const QNetworkCookie& cookie) {
                if (m_jar)
                    m_jar->deleteCookie(cookie);
            });
    // The cookies of earlier sessions arrive through cookieAdded when the store starts, on
    // the first page load; asking now lists them before any page is shown.
    store->loadAllCookies();
}

} // namespace quenlit
