#pragma once

#include "DownloadEnvironment.h"

#include <QCoroTask>
#include <QObject>

namespace quenlit {

class Inet;
class WorkScope;
struct ResumeAnswer;
struct ResumeOffer;

// Download method 1: one row at a time through the window's transfer control Inet1,
// with the proxy settings, a referer, the header types and the stall and stop rules.
class SingleConnectionEngine : public QObject {
    Q_OBJECT
public:
    SingleConnectionEngine(DownloadEnvironment& environment, QObject* parent = nullptr);
    ~SingleConnectionEngine() override;

    Inet& Inet1() { return *m_inet; }

    // The scheduler's entry: a second call while one runs only puts its row back to
    // waiting. Ends when the download has ended; cancelling the scope ends it at once
    // (the row then fails with "下载取消" and no half file stays behind).
    QCoro::Task<> Inet下载当前文件(WorkScope& scope, int position);
    QCoro::Task<> Inet下载文件(WorkScope& scope, int position);
    QCoro::Task<bool> FetchWholeBody(WorkScope& scope, int position, const QString& targetPath);

private:
    // Sends the request and waits up to 30 s for its headers; empty when none came.
    QCoro::Task<QString> askHeaders(WorkScope& scope, const QString& address,
                                    const QString& requestLines);
    // From the response headers to the closing steps: the target, then the body. True when
    // the answer could not continue the offered file after all and the address is to be
    // asked again without a range.
    QCoro::Task<bool> transfer(WorkScope& scope, int position, const QString& headers,
                               double announced, double& lastProgress, const ResumeOffer& offer,
                               const ResumeAnswer& answer);

    DownloadEnvironment& m_environment;
    Inet* m_inet;
    // A run has not returned yet (the busy flag may already be cleared by a stop).
    bool m_running = false;
};

// Scheme and host of an address, the default referer: "http://h/a/b.pdf" gives "http://h".
QString SiteRoot(const QString& address);
// The status bar text of a transfer state.
QString TransferStateText(int state, qint32 responseCode, const QString& responseInfo);

} // namespace quenlit
