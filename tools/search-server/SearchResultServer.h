#pragma once

#include <QObject>
#include <QTcpServer>

namespace quenlit::tools {

// A local stand-in for the search engine on 127.0.0.1: it answers the addresses the
// program builds with result pages of the same structure (title blocks, an image block,
// a "下一页" link carrying "&first="), and serves small documents behind the results.
//
// A keyword containing "verify" gets the verification page; one containing "backwards"
// gets a last page whose next link goes back to the first offset.
class SearchResultServer : public QObject {
    Q_OBJECT
public:
    explicit SearchResultServer(int pagesPerSearch = 3, QObject* parent = nullptr);

    bool listen(quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }
    // "http://127.0.0.1:port", what the program's host settings take.
    QString base() const;
    int requestCount() const { return m_requests; }

private:
    void serve(class QTcpSocket* socket);
    QByteArray resultPage(const QUrl& url) const;

    QTcpServer m_server;
    int m_pages;
    int m_requests = 0;
};

} // namespace quenlit::tools
