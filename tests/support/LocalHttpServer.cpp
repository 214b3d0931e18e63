#include "LocalHttpServer.h"

#include "Clock.h"

#include <QPointer>
#include <QTcpSocket>

namespace quenlit::testing {

LocalHttpServer::LocalHttpServer(Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock) {
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
}

QString LocalHttpServer::base() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

QString LocalHttpServer::url(const QByteArray& path) const {
    return base() + QString::fromLatin1(path);
}

quint16 LocalHttpServer::closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

void LocalHttpServer::serve(QTcpSocket* socket) {
    QByteArray data = socket->property("pending").toByteArray() + socket->readAll();
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("pending", data);
        return;
    }
    socket->setProperty("pending", QByteArray());
    const QList<QByteArray> lines = data.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request{requestLine.value(0), requestLine.value(1), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    requests.append(request);
    const Response response = m_routes.value(request.path, Response{404, {}, "not found", 0});
    QPointer<QTcpSocket> guarded(socket);
    m_clock.callAfter(response.delayMs, [guarded, response] {
        if (!guarded)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Scripted\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        guarded->write(head + response.body);
        guarded->disconnectFromHost();
    });
}

} // namespace quenlit::testing
