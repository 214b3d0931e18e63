#include "VersionNotice.h"

#include "MessageSink.h"
#include "Shell.h"
#include "uXMLHTTP.h"

namespace quenlit {

namespace {
float versionValue(double major, double minor, double revision) {
    return float(major * 10000000.0 + minor * 10000.0 + revision);
}
} // namespace

float VersionValue(const VersionNumbers& version) {
    return versionValue(version.major, version.minor, version.revision);
}

std::optional<float> PublishedVersionValue(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() >= 11)
        return std::nullopt;
    const QStringList parts = trimmed.split(u'.');
    if (parts.size() != 3)
        return std::nullopt;
    double numbers[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        numbers[i] = double(parts[i].trimmed().toLongLong(&ok));
        if (!ok)
            return std::nullopt;
    }
    return versionValue(numbers[0], numbers[1], numbers[2]);
}

VersionNotice::VersionNotice(QNetworkAccessManager& network, Clock& clock, MessageSink& messages,
                             Shell& shell, Sites sites, QString executableName,
                             VersionNumbers running, QObject* parent)
    : QObject(parent)
    , m_messages(messages)
    , m_shell(shell)
    , m_sites(std::move(sites))
    , m_executableName(std::move(executableName))
    , m_running(running)
    , m_primary(std::make_unique<uXMLHTTP>(network, clock))
    , m_alternate(std::make_unique<uXMLHTTP>(network, clock)) {
    connect(m_primary.get(), &uXMLHTTP::OnDateArrived, this, [this] { handleReply(*m_primary); });
    connect(m_alternate.get(), &uXMLHTTP::OnDateArrived, this,
            [this] { handleReply(*m_alternate); });
    connect(m_primary.get(), &uXMLHTTP::OnDateErr, this, [this] { primaryFailed(); });
    connect(m_alternate.get(), &uXMLHTTP::OnDateErr, this,
            [this] { m_messages.post(u"请保持网络畅通-2！"_qs, MessageIcon::Error); });
}

VersionNotice::~VersionNotice() = default;

QString VersionNotice::siteAddress(const QString& site, const QString& path) const {
    QString base = site.trimmed();
    if (!base.endsWith(u'/'))
        base += u'/';
    return base + m_executableName + path;
}

QString VersionNotice::productPage() const {
    return siteAddress(m_sites.primary, u"/"_qs);
}

void VersionNotice::openProductPage() {
    if (!m_sites.primary.trimmed().isEmpty())
        m_shell.OpenInBrowser(productPage());
}

void VersionNotice::check() {
    if (!m_sites.primary.trimmed().isEmpty())
        request(*m_primary, m_sites.primary);
    else if (!m_sites.alternate.trimmed().isEmpty())
        request(*m_alternate, m_sites.alternate);
}

void VersionNotice::request(uXMLHTTP& component, const QString& site) {
    component.Open_(u"GET"_qs, siteAddress(site, u"/newver.txt"_qs));
    component.Send_();
}

void VersionNotice::primaryFailed() {
    if (!m_sites.alternate.trimmed().isEmpty())
        request(*m_alternate, m_sites.alternate);
    m_messages.post(u"请保持网络畅通-1！"_qs, MessageIcon::Error);
    if (m_sites.alternate.trimmed().isEmpty())
        m_messages.post(u"请保持网络畅通-2！"_qs, MessageIcon::Error);
}

void VersionNotice::handleReply(uXMLHTTP& component) {
    const QString text = component.ResponseText().trimmed();
    const auto published = PublishedVersionValue(text);
    if (!published || *published <= VersionValue(m_running))
        return;
    emit newerVersionFound(u"有最新版本：V"_qs + text + u"可以下载升级"_qs);
    openProductPage();
    m_messages.post(u"有最新版本可以更新升级！！"_qs, MessageIcon::Information);
}

} // namespace quenlit
