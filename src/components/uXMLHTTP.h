#pragma once

#include "ClockTimer.h"

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>

class QNetworkAccessManager;

namespace quenlit {

// One HTTP request at a time without blocking the window. The request's ready state is
// polled every 10 ms; the outcome arrives as OnDateArrived (status 200) or OnDateErr.
class uXMLHTTP : public QObject {
    Q_OBJECT
public:
    uXMLHTTP(QNetworkAccessManager& network, Clock& clock, QObject* parent = nullptr);
    ~uXMLHTTP() override;

    void Open_(const QString& AMethod, const QString& AUrl, const QString& 保存路径 = {});
    void SetRequestHeader(const QString& AHeader, const QString& AValue);
    void Send_(const QByteArray& ABody = {});
    void Abort_();

    bool DownOK() const { return m_finished; }
    int ReadyState() const { return m_readyState; }
    int Status() const { return m_status; }
    QString StatusText() const { return m_statusText; }
    QString GetResponseHeader(const QString& AHeader) const;
    QString GetAllResponseHeaders() const;
    QByteArray ResponseBody() const { return m_body; }
    QString ResponseText() const;

signals:
    void OnDateArrived();
    void OnReadyStateChange();
    void OnDateErr(const QString& txt);

private:
    void pollTick();
    void releaseReply();
    void saveBody() const;

    QNetworkAccessManager& m_network;
    ClockTimer m_tmrReader;
    QPointer<QNetworkReply> m_reply;
    QNetworkRequest m_request;
    QByteArray m_method;
    QString m_savePath;
    bool m_opened = false;
    bool m_finished = false;
    int m_readyState = 0;
    int m_status = 0;
    QString m_statusText;
    QList<QNetworkReply::RawHeaderPair> m_headers;
    QByteArray m_body;
};

} // namespace quenlit
