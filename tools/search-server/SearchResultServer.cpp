#include "SearchResultServer.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

namespace quenlit::tools {

namespace {
constexpr int ResultsPerPage = 10;

QByteArray response(int status, const QByteArray& type, const QByteArray& body) {
    return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Not Found") +
           "\r\nContent-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

QString queryValue(const QUrl& url, const QString& name) {
    // Form encoding: "+" is a space.
    QString raw = QUrlQuery(url).queryItemValue(name, QUrl::PrettyDecoded);
    raw.replace(u'+', u' ');
    return QUrl::fromPercentEncoding(raw.toUtf8());
}
} // namespace

SearchResultServer::SearchResultServer(int pagesPerSearch, QObject* parent)
    : QObject(parent)
    , m_pages(pagesPerSearch) {
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool SearchResultServer::listen(quint16 port) {
    return m_server.listen(QHostAddress::LocalHost, port);
}

QString SearchResultServer::base() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void SearchResultServer::serve(QTcpSocket* socket) {
    QByteArray request = socket->property("pending").toByteArray() + socket->readAll();
    if (!request.contains("\r\n\r\n")) {
        socket->setProperty("pending", request);
        return;
    }
    socket->setProperty("pending", QByteArray());
    ++m_requests;
    const QByteArray target = request.left(request.indexOf("\r\n")).split(' ').value(1);
    const QUrl url(base() + QString::fromUtf8(target));
    const QString path = url.path();
    QByteArray reply;
    if (path == u"/search" || (path == u"/" && url.hasQuery() && url.query().contains(u"q=")))
        reply = response(200, "text/html; charset=utf-8", resultPage(url));
    else if (path == u"/")
        reply = response(200, "text/html; charset=utf-8",
                         "<!DOCTYPE html><html><head><title>本地搜索</title></head><body>"
                         "<h1>本地搜索结果服务器</h1><form action=\"/search\">"
                         "<input name=\"q\"><button>搜索</button></form></body></html>");
    else if (path.startsWith(u"/files/") && path.endsWith(u".doc"))
        // The documents of the second type have gone: their servers answer with a page.
        reply =
            response(404, "text/html; charset=utf-8",
                     "<html><head><title>404 未找到</title></head><body>文件已删除</body></html>");
    else if (path.startsWith(u"/files/stall/")) {
        // A document whose server stops sending part-way and keeps the connection open.
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/pdf\r\n"
                      "Content-Length: 1048576\r\n\r\n%PDF-1.4\n" +
                      QByteArray(4096, 'x'));
        return;
    } else if (path.startsWith(u"/files/"))
        reply = response(200, "application/pdf",
                         "%PDF-1.4\n% local test document\n" + target + "\n%%EOF\n");
    else
        reply = response(404, "text/html; charset=utf-8", "<html><body>404</body></html>");
    socket->write(reply);
    socket->disconnectFromHost();
}

QByteArray SearchResultServer::resultPage(const QUrl& url) const {
    const QString query = queryValue(url, u"q"_qs);
    static const QRegularExpression typeFilter(u"filetype:(\\w+)"_qs);
    const QString type = typeFilter.match(query).captured(1).isEmpty()
                             ? u"pdf"_qs
                             : typeFilter.match(query).captured(1);
    QString keywords = QString(query).remove(typeFilter).remove(u'"').trimmed();
    if (keywords.contains(u"verify"_qs))
        return QString(u"<html><body><p>您的访问过于频繁，为确认本次访问为正常用户行为，"
                       "需要您协助验证</p></body></html>"_qs)
            .toUtf8();

    const int first = qMax(1, QUrlQuery(url).queryItemValue(u"first"_qs).toInt());
    const int page = (first - 1) / ResultsPerPage; // 0-based
    const QString escaped = keywords.toHtmlEscaped();
    const QString slug = QString::fromLatin1(QUrl::toPercentEncoding(keywords));
    QString html = u"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>"_qs + escaped +
                   u" - 本地搜索</title></head><body><ol id=\"b_results\">"_qs;
    for (int i = 0; i < 3; ++i) {
        const int number = first + i;
        const QString file =
            QStringLiteral("%1/files/%2/%3.%4").arg(base(), slug).arg(number).arg(type);
        html += QStringLiteral("<li class=\"b_algo\"><div class=\"b_title\"><h2><a href=\"%1\">"
                               "%2 资料 第%3篇 - www.example.com</a></h2></div>"
                               "<div class=\"b_caption\"><p>第%3篇的摘要。</p></div></li>")
                    .arg(file, escaped)
                    .arg(number);
    }
    // An image result: the picture's anchor first, the titled link second.
    html +=
        QStringLiteral("<li class=\"b_algo\"><div class=\"b_title\"><a href=\"%1/img/%2\">"
                       "<img src=\"%1/img/%2.png\" alt=\"\"></a><a href=\"%1/files/%3/img-%2.%4\">"
                       "%5 图示 %2</a></div></li>")
            .arg(base())
            .arg(first)
            .arg(slug, type, escaped);
    html += u"</ol>"_qs;
    if (page + 1 < m_pages || keywords.contains(u"backwards"_qs)) {
        QUrl next = url;
        QUrlQuery nextQuery(url);
        nextQuery.removeAllQueryItems(u"first"_qs);
        nextQuery.removeAllQueryItems(u"FORM"_qs);
        const int nextFirst = page + 1 < m_pages ? first + ResultsPerPage : 1;
        next.setQuery(nextQuery.query(QUrl::FullyEncoded) +
                      QStringLiteral("&first=%1&FORM=PERE").arg(nextFirst));
        html += u"<nav><a title=\"下一页\" href=\""_qs +
                next.toString(QUrl::FullyEncoded).toHtmlEscaped() + u"\">下一页</a></nav>"_qs;
    }
    return (html + u"</body></html>"_qs).toUtf8();
}

} // namespace quenlit::tools
