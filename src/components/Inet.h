#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <memory>

class QNetworkAccessManager;

namespace quenlit {

class WorkScope;

// The transfer control of the download engines: one HTTP request at a time over the
// program's network manager (its cookie jar carries the browser's logins). Downloads ask
// for identity encoding, follow at most MaxRedirects redirects and never from https to
// http. Bodies are taken in pieces as the network delivers them.
class Inet : public QObject {
    Q_OBJECT
public:
    enum AccessTypes : int { DefaultAccess = 0, NamedProxy = 2 };
    enum Protocols : int { Http = 4, Https = 5 };
    static constexpr int MaxRedirects = 10;

    explicit Inet(QNetworkAccessManager& network, QObject* parent = nullptr);
    ~Inet() override;

    // Read when the next request starts.
    int AccessType = DefaultAccess;
    QString Proxy; // "host:port", used when AccessType is NamedProxy
    int Protocol = Http;
    quint16 RemotePort = 80;

    // A request started by Execute or OpenURL is running: headers or body still to come.
    bool StillExecuting() const;
    // Number and text of the last failure.
    qint32 ResponseCode() const;
    QString ResponseInfo() const;

    // Starts one request and returns at once. requestHeaders holds complete lines, each
    // ended by CR LF.
    void Execute(const QString& url, const QString& method, const QString& data,
                 const QString& requestHeaders);
    // The whole header block, status line first, lines joined by CR LF; empty before any
    // response.
    QString GetHeader() const;
    // The value of one header (name without colon, letter case ignored), empty when absent.
    QString GetHeader(const QString& name) const;
    // The status of the answer, 0 before any.
    int StatusCode() const;
    // Waits up to waitMs for body bytes, then returns what is ready, at most maxBytes.
    // Empty while BodyEnded() is false: nothing came in time, or the scope was cancelled.
    QCoro::Task<QByteArray> GetChunk(WorkScope& scope, qint64 maxBytes, int waitMs);
    // The response is over and every byte of it has been taken.
    bool BodyEnded() const;
    // ...and it ended as the server meant it to: no reset, no error, not short of its length.
    bool BodyComplete() const;
    // Fetches the whole body of a GET of url; empty when nothing came, nothing came for
    // stallSeconds (0: no limit) or the scope was cancelled. A body that grows past maxBytes
    // (-1: no limit) is abandoned and what came is returned, longer than maxBytes.
    QCoro::Task<QByteArray> OpenURL(WorkScope& scope, const QString& url, qint64 maxBytes = -1,
                                    double stallSeconds = 0);
    // Abandons the running request; afterwards StillExecuting() is false.
    void Cancel();

signals:
    // 0 to 12: none, resolving, resolved, connecting, connected, requesting, request sent,
    // receiving, response received, disconnecting, disconnected, error, completed.
    void StateChanged(int State);

private:
    struct Request;
    std::unique_ptr<Request> m_request;
    QNetworkAccessManager& m_network;
};

// Errors that Qt raises for an HTTP answer it did receive (404, 500...): the answer is
// still a response with headers and a body, not a failure of the transfer.
bool IsHttpStatusError(QNetworkReply::NetworkError error);

} // namespace quenlit
