#include "Inet.h"

#include "WorkScope.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

namespace quenlit {

namespace {

enum States : int {
    Requesting = 5,
    RequestSent = 6,
    Receiving = 7,
    ResponseReceived = 8,
    Disconnected = 10,
    Error = 11,
    ResponseCompleted = 12,
};

// A fast server may not fill memory while the caller writes to disk.
constexpr qint64 ReadBufferBytes = 1 << 20;

bool IsRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Wakes on new bytes or on the end of the reply, whichever comes first. Built outside the
// coroutine: g++ 12 mishandles non-trivial temporaries inside a co_await expression.
PendingWait DataOrEnd(WorkScope& scope, QNetworkReply* reply, int waitMs,
                      QMetaObject::Connection& onFinished) {
    return PendingWait(
        scope, waitMs < 0 ? -1 : waitMs, false, [&onFinished, reply](std::function<void()> fire) {
            onFinished =
                QObject::connect(reply, &QNetworkReply::finished, reply, [fire] { fire(); });
            return QObject::connect(reply, &QIODevice::readyRead, reply, [fire] { fire(); });
        });
}

} // namespace

bool IsHttpStatusError(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ContentAccessDenied &&
            error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError &&
            error <= QNetworkReply::UnknownServerError);
}

struct Inet::Request {
    QPointer<QNetworkReply> reply;
    bool running = false;
    bool finished = false;
    bool failed = false;
    bool headersArrived = false;
    int status = 0;
    QString reason;
    QList<QNetworkReply::RawHeaderPair> headers;
    qint64 announced = -1;
    qint64 taken = 0;
    qint32 responseCode = 0;
    QString responseInfo;
    // Proxied requests go through a manager of their own, so the proxy stays this
    // instance's; it shares the program's cookie jar.
    std::unique_ptr<QNetworkAccessManager> proxyNetwork;
    QString proxyKey;

    // Forgets the reply; its end still wakes a GetChunk waiting on it.
    void release(QObject* owner) {
        if (QNetworkReply* old = reply.data()) {
            reply = nullptr;
            QObject::disconnect(old, nullptr, owner, nullptr);
            old->abort();
            old->deleteLater();
        }
        running = false;
    }
};

Inet::Inet(QNetworkAccessManager& network, QObject* parent)
    : QObject(parent)
    , m_request(std::make_unique<Request>())
    , m_network(network) {}

Inet::~Inet() {
    m_request->release(this);
}

bool Inet::StillExecuting() const {
    return m_request->running;
}

qint32 Inet::ResponseCode() const {
    return m_request->responseCode;
}

QString Inet::ResponseInfo() const {
    return m_request->responseInfo;
}

void Inet::Execute(const QString& url, const QString& method, const QString& data,
                   const QString& requestHeaders) {
    Request& r = *m_request;
    r.release(this);
    r.finished = false;
    r.failed = false;
    r.headersArrived = false;
    r.status = 0;
    r.reason.clear();
    r.headers.clear();
    r.announced = -1;
    r.taken = 0;
    r.responseCode = 0;
    r.responseInfo.clear();

    QNetworkRequest request{QUrl(url)};
    for (const QString& line : requestHeaders.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(u':');
        const QString name = line.left(colon).trimmed();
        if (colon <= 0 || name.isEmpty())
            continue;
        request.setRawHeader(name.toLatin1(), line.mid(colon + 1).trimmed().toUtf8());
    }
    // Bytes on disk must be the bytes announced by Content-Length.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    // HTTP/1.1 keeps the status line with its reason phrase, which callers look at.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

    QNetworkAccessManager* network = &m_network;
    if (AccessType == NamedProxy && !Proxy.trimmed().isEmpty()) {
        const QString proxy = Proxy.trimmed();
        if (!r.proxyNetwork || r.proxyKey != proxy) {
            const qsizetype colon = proxy.lastIndexOf(u':');
            bool portOk = false;
            const uint port = colon > 0 ? proxy.mid(colon + 1).toUInt(&portOk) : 0;
            const QString host = colon > 0 ? proxy.left(colon) : proxy;
            r.proxyNetwork = std::make_unique<QNetworkAccessManager>();
            r.proxyNetwork->setProxy(
                QNetworkProxy(QNetworkProxy::HttpProxy, host,
                              portOk && port > 0 && port <= 65535 ? quint16(port) : RemotePort));
            // Shared, not handed over: the program's manager keeps owning the jar.
            QNetworkCookieJar* jar = m_network.cookieJar();
            r.proxyNetwork->setCookieJar(jar);
            jar->setParent(&m_network);
            r.proxyKey = proxy;
        }
        network = r.proxyNetwork.get();
    }

    const QByteArray verb = method.trimmed().isEmpty() ? "GET" : method.trimmed().toLatin1();
    QNetworkReply* reply = verb == "GET" ? network->get(request)
                                         : network->sendCustomRequest(request, verb, data.toUtf8());
    reply->setReadBufferSize(ReadBufferBytes);
    r.reply = reply;
    r.running = true;
    emit StateChanged(Requesting);

    connect(reply, &QNetworkReply::requestSent, this, [this] { emit StateChanged(RequestSent); });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        Request& r = *m_request;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        // A redirect that is being followed is not the answer.
        if (IsRedirectStatus(status) && !reply->header(QNetworkRequest::LocationHeader).isNull())
            return;
        const bool first = !r.headersArrived;
        r.headersArrived = true;
        r.status = status;
        // As the server sent it: "HTTP/1.1 200" without "OK" is not an OK answer.
        r.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        r.headers = reply->rawHeaderPairs();
        bool known = false;
        const qint64 length = reply->rawHeader("Content-Length").trimmed().toLongLong(&known);
        r.announced = known && length >= 0 ? length : -1;
        if (first) {
            emit StateChanged(Receiving);
            emit StateChanged(ResponseReceived);
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        Request& r = *m_request;
        r.running = false;
        r.finished = true;
        const QNetworkReply::NetworkError error = reply->error();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (error == QNetworkReply::NoError || (IsHttpStatusError(error) && r.headersArrived)) {
            if (status >= 400) {
                r.responseCode = status;
                r.responseInfo = r.reason;
            }
            emit StateChanged(ResponseCompleted);
            return;
        }
        r.failed = true;
        // A redirect that could not be followed (a loop, https to http) is no answer.
        if (IsRedirectStatus(r.status)) {
            r.headersArrived = false;
            r.headers.clear();
        }
        r.responseCode = qint32(error);
        r.responseInfo = reply->errorString();
        emit StateChanged(Error);
    });
}

QString Inet::GetHeader() const {
    const Request& r = *m_request;
    if (!r.headersArrived)
        return QString();
    QStringList lines;
    lines.reserve(r.headers.size() + 1);
    lines << u"HTTP/1.1 %1 %2"_qs.arg(r.status).arg(r.reason).trimmed();
    for (const auto& [name, value] : r.headers)
        for (const QByteArray& part : value.split('\n'))
            lines << QString::fromLatin1(name) + u": "_qs + QString::fromUtf8(part);
    return lines.join(u"\r\n"_qs);
}

QString Inet::GetHeader(const QString& name) const {
    const Request& r = *m_request;
    if (!r.headersArrived)
        return QString();
    const QByteArray wanted = name.trimmed().toLatin1();
    for (const auto& [header, value] : r.headers)
        if (header.compare(wanted, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(value);
    return QString();
}

int Inet::StatusCode() const {
    return m_request->headersArrived ? m_request->status : 0;
}

QCoro::Task<QByteArray> Inet::GetChunk(WorkScope& scope, qint64 maxBytes, int waitMs) {
    const QPointer<Inet> self(this);
    QPointer<QNetworkReply> reply = m_request->reply;
    if (!reply || maxBytes <= 0)
        co_return QByteArray();
    if (reply->bytesAvailable() == 0 && !reply->isFinished()) {
        QMetaObject::Connection onFinished;
        const bool woke = co_await DataOrEnd(scope, reply.data(), waitMs, onFinished);
        QObject::disconnect(onFinished);
        Q_UNUSED(woke);
        // The instance or its reply may be gone while waiting.
        if (!self || !reply || reply != m_request->reply)
            co_return QByteArray();
    }
    const QByteArray piece = reply->read(maxBytes);
    m_request->taken += piece.size();
    co_return piece;
}

bool Inet::BodyEnded() const {
    const Request& r = *m_request;
    if (!r.reply)
        return true;
    return r.finished && r.reply->bytesAvailable() == 0;
}

bool Inet::BodyComplete() const {
    const Request& r = *m_request;
    if (!r.reply || !BodyEnded() || r.failed || !r.headersArrived)
        return false;
    return r.announced < 0 || r.taken == r.announced;
}

QCoro::Task<QByteArray> Inet::OpenURL(WorkScope& scope, const QString& url, qint64 maxBytes,
                                      double stallSeconds) {
    const QPointer<Inet> self(this);
    Execute(url, u"GET"_qs, QString(), QString());
    QByteArray body;
    double lastGrowth = scope.clock().elapsedSeconds();
    while (!scope.cancelled()) {
        const QByteArray piece = co_await GetChunk(scope, ReadBufferBytes, 1000);
        if (!self)
            co_return QByteArray();
        body += piece;
        if (BodyEnded())
            break;
        if (maxBytes >= 0 && body.size() > maxBytes) {
            Cancel(); // the caller sees more than it allowed
            break;
        }
        const double now = scope.clock().elapsedSeconds();
        if (!piece.isEmpty())
            lastGrowth = now;
        else if (stallSeconds > 0 && now - lastGrowth > stallSeconds) {
            Cancel();
            co_return QByteArray();
        }
    }
    if (scope.cancelled()) {
        Cancel();
        co_return QByteArray();
    }
    co_return body;
}

void Inet::Cancel() {
    Request& r = *m_request;
    const bool wasRunning = r.running;
    if (r.reply && !r.finished) {
        r.finished = true;
        r.failed = true;
    }
    r.release(this);
    if (wasRunning)
        emit StateChanged(Disconnected);
}

} // namespace quenlit
