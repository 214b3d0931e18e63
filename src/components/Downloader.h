#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QNetworkAccessManager;

namespace quenlit {

class Clock;

// Fetches one address into one file without blocking the window; an instance serves one
// download and is destroyed by its owner after its last event. The body streams into a
// temporary file beside the target, which holds the two-byte placeholder until the body is
// complete and then replaces it. Destroying the instance ends the download and leaves no
// half file under the target's name. A body of known length that stops part-way leaves its
// temporary file for the next download of the same address, which asks for the rest; the
// counts reported are then those of the whole file.
class Downloader : public QObject {
    Q_OBJECT
public:
    Downloader(QNetworkAccessManager& network, Clock& clock, QObject* parent = nullptr);
    ~Downloader() override;

    // A body of unknown length that grows past this many bytes stops with DownloadTooLarge
    // (0: no limit). A known length is the owner's to judge from DownloadProgress.
    void setSizeLimit(qint64 bytes);

    void BeginDownload(const QString& url, const QString& SaveFile);
    // Cancels the asynchronous read; raises no event.
    void CancelAsyncRead();

signals:
    void DownloadProgress(qint64 CurBytes, qint64 MaxBytes, const QString& SaveFile);
    void DownloadComplete(qint64 CurBytes, qint64 MaxBytes, const QString& SaveFile);
    // MissCode: "超时" or "无法下载".
    void DownloadError(const QString& MissCode, const QString& SaveFile);
    // An unknown-length body passed the size limit; the read has stopped.
    void DownloadTooLarge(qint64 CurBytes, const QString& SaveFile);

private:
    struct Run;
    std::unique_ptr<Run> m_run;
};

} // namespace quenlit
