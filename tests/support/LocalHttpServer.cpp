#include "LocalHttpServer.h"

#include "Clock.h"

#include <QPointer>
#include <QTcpSocket>
#include <array>
#include <memory>

namespace quenlit::testing {

namespace {

QByteArray StandardReason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

quint32 Crc32(const QByteArray& data) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data)
        crc = table[(crc ^ quint8(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void AppendLittleEndian(QByteArray& out, quint32 value) {
    for (int i = 0; i < 4; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// Keeps the socket's send buffer small, so that stalls and drips are what the client sees.
constexpr qint64 SendWindow = 64 * 1024;

} // namespace

// The answer on one connection, sent piece by piece as the socket drains.
struct LocalHttpServer::Transfer {
    Clock& clock;
    QPointer<QTcpSocket> socket;
    Response response;
    QByteArray body; // when not generated
    qint64 size = 0;
    qint64 sent = 0;
    bool waitingForDrip = false;
    bool ended = false;
    Clock::CallbackId dripTimer = 0;

    Transfer(Clock& c, QTcpSocket* s, Response r)
        : clock(c)
        , socket(s)
        , response(std::move(r)) {}
    ~Transfer() {
        if (dripTimer)
            clock.cancel(dripTimer);
    }

    QByteArray piece(qint64 count) const {
        const qint64 at = response.bodyOffset + sent;
        return response.generatedSize >= 0 ? generated(at, count) : body.mid(at, count);
    }

    void start() {
        body = response.gzip ? gzipped(response.body) : response.body;
        size = (response.generatedSize >= 0 ? response.generatedSize : body.size()) -
               response.bodyOffset;
        const QByteArray reason =
            response.reason.isEmpty() ? StandardReason(response.status) : response.reason;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " " + reason + "\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        if (!response.etag.isEmpty())
            head += "ETag: " + response.etag + "\r\n";
        if (!response.lastModified.isEmpty())
            head += "Last-Modified: " + response.lastModified + "\r\n";
        if (response.ranges)
            head += "Accept-Ranges: bytes\r\n";
        if (response.gzip)
            head += "Content-Encoding: gzip\r\n";
        if (response.chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else if (response.declaredLength >= 0)
            head += "Content-Length: " + QByteArray::number(response.declaredLength) + "\r\n";
        else if (!response.omitLength)
            head += "Content-Length: " + QByteArray::number(size) + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket->write(head);
        pump();
    }

    // The body offset at which sending stops for good (stall or reset), or the size.
    qint64 stopAt() const {
        qint64 stop = size;
        if (response.resetAfter >= 0)
            stop = qMin(stop, response.resetAfter);
        if (response.stallAfter >= 0)
            stop = qMin(stop, response.stallAfter);
        return stop;
    }

    void pump() {
        if (!socket || ended || waitingForDrip)
            return;
        const qint64 stop = stopAt();
        while (sent < stop && socket->bytesToWrite() < SendWindow) {
            qint64 count = qMin<qint64>(stop - sent, SendWindow);
            const bool drip = response.dripBytes > 0 && response.dripEveryMs > 0;
            if (drip)
                count = qMin<qint64>(count, response.dripBytes);
            const QByteArray data = piece(count);
            if (response.chunked)
                socket->write(QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n");
            else
                socket->write(data);
            sent += data.size();
            if (drip && sent < stop) {
                waitingForDrip = true;
                dripTimer = clock.callAfter(response.dripEveryMs, [this] {
                    dripTimer = 0;
                    waitingForDrip = false;
                    pump();
                });
                return;
            }
        }
        if (sent < stop)
            return; // more once the socket drains
        if (response.stallAfter >= 0 && sent == response.stallAfter &&
            (response.resetAfter < 0 || response.resetAfter > response.stallAfter))
            return; // holds the connection open, silent
        if (socket->bytesToWrite() > 0)
            return; // closes once everything written has left
        ended = true;
        if (response.resetAfter >= 0 && response.resetAfter < size) {
            socket->abort();
            return;
        }
        if (response.chunked)
            socket->write("0\r\n\r\n");
        socket->disconnectFromHost();
    }
};

LocalHttpServer::LocalHttpServer(Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock) {
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

LocalHttpServer::~LocalHttpServer() {
    m_server.close();
    // Transfers go with their sockets; their timers must not fire afterwards.
    for (QTcpSocket* socket : findChildren<QTcpSocket*>()) {
        socket->disconnect();
        socket->abort();
        delete socket;
    }
}

void LocalHttpServer::route(const QByteArray& path, Response response) {
    m_routes.insert(path, [response](const Request&) { return response; });
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

LocalHttpServer::Response LocalHttpServer::redirect(const QByteArray& location, int status) {
    Response response;
    response.status = status;
    response.headers = {{"Location", location}};
    response.body = "moved";
    return response;
}

LocalHttpServer::Response LocalHttpServer::ranged(const Request& request, Response response) {
    const QByteArray range = request.headers.value("range");
    if (!range.startsWith("bytes=") || !range.endsWith('-'))
        return response;
    bool numeric = false;
    const qint64 first = range.mid(6, range.size() - 7).toLongLong(&numeric);
    if (!numeric || first < 0)
        return response;
    const QByteArray ifRange = request.headers.value("if-range");
    if (!ifRange.isEmpty() && ifRange != response.etag && ifRange != response.lastModified)
        return response;
    const qint64 size =
        response.generatedSize >= 0 ? response.generatedSize : qint64(response.body.size());
    if (first >= size) {
        Response refused{416, {{"Content-Range", "bytes */" + QByteArray::number(size)}}, {}};
        refused.etag = response.etag;
        refused.lastModified = response.lastModified;
        return refused;
    }
    response.status = 206;
    response.headers.append({"Content-Range", "bytes " + QByteArray::number(first) + '-' +
                                                  QByteArray::number(size - 1) + '/' +
                                                  QByteArray::number(size)});
    response.bodyOffset = first;
    return response;
}

QByteArray LocalHttpServer::generated(qint64 offset, qint64 count) {
    QByteArray out(qMax<qint64>(0, count), Qt::Uninitialized);
    for (qint64 i = 0; i < out.size(); ++i) {
        const quint64 n = quint64(offset + i);
        out[i] = char((n * 31 + n / 251 + n / 65521) & 0xFF);
    }
    return out;
}

QByteArray LocalHttpServer::gzipped(const QByteArray& data) {
    // qCompress gives a zlib stream behind a 4-byte length: the raw deflate data sits
    // between its 2-byte header and 4-byte checksum.
    const QByteArray zlib = qCompress(data, 9);
    QByteArray out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    out += zlib.mid(6, zlib.size() - 10);
    AppendLittleEndian(out, Crc32(data));
    AppendLittleEndian(out, quint32(data.size()));
    return out;
}

void LocalHttpServer::serve(QTcpSocket* socket) {
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray data = socket->property("pending").toByteArray() + socket->readAll();
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("pending", data);
        return;
    }
    socket->setProperty("pending", QByteArray());
    socket->setProperty("answered", true);
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
    const auto route = m_routes.constFind(request.path);
    Response response =
        route != m_routes.cend() ? (*route)(request) : Response{404, {}, "not found", 0};
    if (response.ranges)
        response = ranged(request, response);
    if (response.noAnswer)
        return;
    auto transfer = std::make_shared<Transfer>(m_clock, socket, response);
    // The transfer lives as long as its socket's connections.
    connect(socket, &QTcpSocket::bytesWritten, socket, [transfer] { transfer->pump(); });
    connect(socket, &QObject::destroyed, socket, [transfer] { transfer->ended = true; });
    QPointer<QTcpSocket> guarded(socket);
    const std::weak_ptr<Transfer> weak = transfer;
    m_clock.callAfter(response.delayMs, [guarded, weak] {
        const std::shared_ptr<Transfer> live = weak.lock();
        if (guarded && live)
            live->start();
    });
}

} // namespace quenlit::testing
