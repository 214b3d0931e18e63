#include "uXMLHTTP.h"

#include "FilePaths.h"
#include "HttpStatusText.h"
#include "WholeFile.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>

namespace quenlit {

namespace {
constexpr int PollIntervalMs = 10;
enum ReadyStates { Unsent = 0, Opened = 1, HeadersReceived = 2, Loading = 3, Done = 4 };
} // namespace

uXMLHTTP::uXMLHTTP(QNetworkAccessManager& network, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_network(network)
    , m_tmrReader(clock, PollIntervalMs) {
    connect(&m_tmrReader, &ClockTimer::timeout, this, &uXMLHTTP::pollTick);
}

uXMLHTTP::~uXMLHTTP() {
    releaseReply();
}

void uXMLHTTP::Open_(const QString& AMethod, const QString& AUrl, const QString& 保存路径) {
    releaseReply();
    m_finished = false;
    m_method = AMethod.toUpper().toLatin1();
    m_request = QNetworkRequest(QUrl(AUrl));
    m_request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                           QNetworkRequest::NoLessSafeRedirectPolicy);
    m_readyState = Opened;
    m_status = 0;
    m_statusText.clear();
    m_headers.clear();
    m_body.clear();
    m_opened = true;
    m_savePath = 保存路径;
}

void uXMLHTTP::SetRequestHeader(const QString& AHeader, const QString& AValue) {
    if (m_opened)
        m_request.setRawHeader(AHeader.toLatin1(), AValue.toUtf8());
}

void uXMLHTTP::Send_(const QByteArray& ABody) {
    if (!m_opened)
        return;
    releaseReply();
    // A second send without a new open asks again; the old answer must not be replayed.
    m_finished = false;
    m_readyState = Opened;
    m_status = 0;
    m_statusText.clear();
    m_headers.clear();
    m_body.clear();
    m_reply = m_network.sendCustomRequest(m_request, m_method, ABody);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        m_readyState = HeadersReceived;
        m_status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        m_statusText = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        m_headers = m_reply->rawHeaderPairs();
    });
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        m_readyState = Loading;
        m_body += m_reply->readAll();
    });
    connect(m_reply, &QNetworkReply::finished, this, [this] {
        m_body += m_reply->readAll();
        m_status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        m_statusText = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        m_headers = m_reply->rawHeaderPairs();
        m_readyState = Done;
    });
    m_tmrReader.start();
}

void uXMLHTTP::Abort_() {
    m_tmrReader.stop();
    releaseReply();
    m_readyState = Unsent;
}

void uXMLHTTP::releaseReply() {
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

QString uXMLHTTP::GetResponseHeader(const QString& AHeader) const {
    const QByteArray wanted = AHeader.toLatin1().toLower();
    for (const auto& [name, value] : m_headers) {
        if (name.toLower() == wanted)
            return QString::fromUtf8(value);
    }
    return {};
}

QString uXMLHTTP::GetAllResponseHeaders() const {
    QString all;
    for (const auto& [name, value] : m_headers)
        all += QString::fromLatin1(name) + u": "_qs + QString::fromUtf8(value) + u"\r\n"_qs;
    return all;
}

QString uXMLHTTP::ResponseText() const {
    const QString contentType = GetResponseHeader(QStringLiteral("Content-Type"));
    const qsizetype charsetAt = contentType.indexOf(u"charset=", 0, Qt::CaseInsensitive);
    QString charset = charsetAt < 0 ? QStringLiteral("UTF-8") : contentType.mid(charsetAt + 8);
    charset = charset.section(u';', 0, 0).remove(u'"').trimmed();
    QStringDecoder decoder(charset.toLatin1().constData());
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder(m_body);
}

void uXMLHTTP::pollTick() {
    emit OnReadyStateChange();
    if (m_readyState != Done)
        return;
    m_tmrReader.stop();
    m_finished = true;
    if (m_status == 200) {
        saveBody();
        emit OnDateArrived();
    } else {
        emit OnDateErr(HttpStatusText(m_status));
    }
}

void uXMLHTTP::saveBody() const {
    if (m_savePath.isEmpty() || m_body.isEmpty())
        return;
    WriteWholeFile(LocalPathFromFileAddress(m_savePath), m_body);
}

} // namespace quenlit
