#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>

namespace quenlit {
class Clock;
}

namespace quenlit::testing {

// An HTTP/1.1 server on 127.0.0.1 that answers scripted responses by path. A response
// can be delayed on the given clock; unknown paths get 404. It stops with its owner.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0;
    };
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // lower-case names
    };

    explicit LocalHttpServer(Clock& clock, QObject* parent = nullptr);

    void route(const QByteArray& path, Response response) { m_routes.insert(path, response); }
    QString url(const QByteArray& path = "/") const;
    // The address of the server without a path, "http://127.0.0.1:port".
    QString base() const;
    // A port on which nothing listens, for refused connections.
    static quint16 closedPort();

    QList<Request> requests;

private:
    void serve(QTcpSocket* socket);

    Clock& m_clock;
    QTcpServer m_server;
    QHash<QByteArray, Response> m_routes;
};

} // namespace quenlit::testing
