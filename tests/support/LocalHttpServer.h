#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <functional>

namespace quenlit {
class Clock;
}

namespace quenlit::testing {

// An HTTP/1.1 server on 127.0.0.1 that answers scripted responses by path (the request
// target as sent, so a proxied request is routed by its absolute address). Besides plain
// answers it can misbehave the ways real servers do: wrong or missing lengths, chunked or
// compressed bodies, redirects, resets, stalls, slow drips, huge bodies, delays and
// silence; and it can answer ranges as a static file server does. Timing runs on the given
// clock. Unknown paths get 404. It stops with its owner.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        Response(int status_ = 200, QList<std::pair<QByteArray, QByteArray>> headers_ = {},
                 QByteArray body_ = {}, int delayMs_ = 0)
            : status(status_)
            , headers(std::move(headers_))
            , body(std::move(body_))
            , delayMs(delayMs_) {}
        int status = 200;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0;            // before the answer starts
        QByteArray reason;          // of the status line; empty: the usual one ("OK" for 200)
        bool omitLength = false;    // no Content-Length: the body ends when the connection closes
        qint64 declaredLength = -1; // >= 0: the Content-Length sent, whatever the body's size
        bool chunked = false;       // Transfer-Encoding: chunked, no Content-Length
        bool gzip = false;          // the body is sent gzip-compressed with Content-Encoding: gzip
        qint64 resetAfter = -1;     // close the connection after this many body bytes
        qint64 stallAfter = -1;     // stop sending after this many body bytes, stay connected
        int dripBytes = 0;          // with dripEveryMs: send this many body bytes at a time...
        int dripEveryMs = 0;        // ...every so many ms on the clock
        qint64 generatedSize = -1;  // >= 0: the body is generated(0, size), made as it is sent
        bool noAnswer = false;      // read the request and never answer
        QByteArray etag;            // sent as ETag when not empty
        QByteArray lastModified;    // sent as Last-Modified when not empty
        // Honours "Range: bytes=N-" (not with gzip): 206 from offset N with its Content-Range
        // when If-Range is absent or names the ETag or Last-Modified above, the whole body
        // with 200 when If-Range names anything else, 416 when N is at or past the end.
        bool ranges = false;
        qint64 bodyOffset = 0; // the body sent starts at this offset of the whole body
    };
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // lower-case names
    };
    using Handler = std::function<Response(const Request&)>;

    explicit LocalHttpServer(Clock& clock, QObject* parent = nullptr);
    ~LocalHttpServer() override;

    void route(const QByteArray& path, Response response);
    // Decides the answer when the request comes.
    void route(const QByteArray& path, Handler handler) {
        m_routes.insert(path, std::move(handler));
    }
    QString url(const QByteArray& path = "/") const;
    // The address of the server without a path, "http://127.0.0.1:port".
    QString base() const;
    quint16 port() const { return m_server.serverPort(); }
    // A port on which nothing listens, for refused connections.
    static quint16 closedPort();

    static Response redirect(const QByteArray& location, int status = 302);
    // What a server with ranges answers to request (the response itself when it asks for
    // no range).
    static Response ranged(const Request& request, Response response);
    // The bytes of a generated body from offset on: a pattern that does not repeat within
    // short distances, so a lost or doubled piece shows.
    static QByteArray generated(qint64 offset, qint64 count);
    // data as a gzip member.
    static QByteArray gzipped(const QByteArray& data);

    QList<Request> requests;

private:
    struct Transfer;
    void serve(QTcpSocket* socket);

    Clock& m_clock;
    QTcpServer m_server;
    QHash<QByteArray, Handler> m_routes;
};

} // namespace quenlit::testing
