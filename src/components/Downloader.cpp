#include "Downloader.h"

#include "Clock.h"
#include "ClockTimer.h"
#include "Inet.h"
#include "PartialFile.h"
#include "RangeResume.h"
#include "WorkScope.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QUrl>

namespace quenlit {

namespace {
constexpr int WatchdogMs = 1000;
constexpr double StallSeconds = 300.0;
// Six downloads at full speed must not flood the window with progress.
constexpr double ProgressEverySeconds = 0.25;
constexpr qint64 ReadBufferBytes = 1 << 20;
constexpr int FallbackWaitMs = 1000;

ResponseFacts FactsOf(const QNetworkReply& reply) {
    return {reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            QString::fromLatin1(reply.rawHeader("Content-Length")),
            QString::fromLatin1(reply.rawHeader("Content-Range")),
            QString::fromUtf8(reply.rawHeader("ETag")),
            QString::fromLatin1(reply.rawHeader("Last-Modified"))};
}

} // namespace

struct Downloader::Run {
    Run(Downloader& owner_, QNetworkAccessManager& network_, Clock& clock_)
        : owner(owner_)
        , network(network_)
        , clock(clock_)
        , watchdog(clock_, WatchdogMs)
        , fallbackInet(network_)
        , scope(clock_) {}

    Downloader& owner;
    QNetworkAccessManager& network;
    // A manager of its own: each runs its transfers on a thread of its own, so parallel
    // downloads are not held to the pace of one network thread. It shares the program's
    // cookie jar, which the program's manager keeps owning.
    std::unique_ptr<QNetworkAccessManager> ownNetwork;
    Clock& clock;
    ClockTimer watchdog;
    Inet fallbackInet;

    QString target;
    QString address;
    qint64 sizeLimit = 0;
    bool begun = false;
    bool ended = false;    // the last event is decided; nothing else may be raised
    bool reported = false; // a last event was raised
    bool targetWasThere = false;

    // The reported total and count, as the owner last saw them (known totals only).
    qint64 total = 0;
    qint64 bytesRead = 0;
    // Bytes that really arrived, known total or not: what the watchdog watches.
    qint64 received = 0;
    qint64 watched = 0;
    double watchTime = 0;

    QPointer<QNetworkReply> reply;
    std::unique_ptr<PartialFile> part;
    bool writeFailed = false;
    // What the running read asks to continue, and how its answer was taken.
    ResumeOffer offer;
    bool answered = false;
    qint64 whole = -1; // the whole file's length, from the answer
    qint64 base = 0;   // bytes kept from an earlier run that the answer continues
    qint64 got = 0;    // bytes of the answer

    double lastProgressAt = -1;
    qint64 lastProgressSent = -1;
    Clock::CallbackId progressTimer = 0;

    // Last: destroyed first, so the fallback's frame unwinds while the rest still exists.
    WorkScope scope;

    ~Run() {
        ended = true;
        stopReading();
        scope.cancel();
        removeOwnPlaceholder();
    }

    // Ended without an event (a stop, a closed window): the two bytes this download put
    // under the document's name go, so a later run does not take them for the document.
    void removeOwnPlaceholder() {
        if (!begun || reported || targetWasThere)
            return;
        QFile file(target);
        if (file.size() == 2 && file.open(QIODevice::ReadOnly) &&
            file.readAll() == PartialFile::Placeholder) {
            file.close();
            file.remove();
        }
    }

    void stopReading() {
        watchdog.stop();
        if (progressTimer)
            clock.cancel(std::exchange(progressTimer, 0));
        dropReply();
    }

    void dropReply() {
        if (QNetworkReply* old = reply.data()) {
            reply = nullptr;
            QObject::disconnect(old, nullptr, &owner, nullptr);
            old->abort();
            old->deleteLater();
        }
    }

    // Ends the download: everything stops now, the event follows once control is back in
    // the event loop, so an owner that destroys the instance in its handler is safe. The
    // temporary file is the caller's to keep or remove.
    template <typename Emit> void finish(Emit emitEvent) {
        if (ended)
            return;
        ended = true;
        reported = true;
        stopReading();
        scope.cancel();
        QMetaObject::invokeMethod(&owner, emitEvent, Qt::QueuedConnection);
    }

    void fail(const QString& missCode) {
        const QString file = target;
        Downloader* self = &owner;
        finish([self, missCode, file] { emit self->DownloadError(missCode, file); });
    }

    void complete(qint64 cur, qint64 max, bool withProgress = true) {
        const QString file = target;
        Downloader* self = &owner;
        const bool progressOwed = withProgress && max > 0 && lastProgressSent != cur;
        finish([self, cur, max, file, progressOwed] {
            const QPointer<Downloader> alive(self);
            // The counts shown last are the exact final ones.
            if (progressOwed)
                emit self->DownloadProgress(cur, max, file);
            if (alive)
                emit self->DownloadComplete(cur, max, file);
        });
    }

    void tooLarge(qint64 cur) {
        if (part)
            part->discard();
        const QString file = target;
        Downloader* self = &owner;
        finish([self, cur, file] { emit self->DownloadTooLarge(cur, file); });
    }

    void sendProgress() {
        progressTimer = 0;
        if (ended || total <= 0 || lastProgressSent == bytesRead)
            return;
        lastProgressAt = clock.elapsedSeconds();
        lastProgressSent = bytesRead;
        emit owner.DownloadProgress(bytesRead, total, target);
    }

    void progress(qint64 count, qint64 max) {
        if (max <= 0)
            return;
        total = max;
        bytesRead = count;
        const double since = clock.elapsedSeconds() - lastProgressAt;
        if (lastProgressAt < 0 || since >= ProgressEverySeconds) {
            sendProgress();
            return;
        }
        if (!progressTimer)
            progressTimer = clock.callAfter(int((ProgressEverySeconds - since) * 1000) + 1,
                                            [this] { sendProgress(); });
    }

    bool overLimit(qint64 size) const { return sizeLimit > 0 && size > sizeLimit; }
    qint64 have() const { return base + got; }

    void startRead() {
        answered = false;
        whole = -1;
        base = 0;
        got = 0;
        QNetworkRequest request{QUrl(address)};
        request.setRawHeader("Accept-Encoding", "identity");
        for (const auto& [name, value] : offer.requestHeaders())
            request.setRawHeader(name, value);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(Inet::MaxRedirects);
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        QNetworkReply* started = ownNetwork->get(request);
        started->setReadBufferSize(ReadBufferBytes);
        reply = started;
        // Read as it comes: nothing waits a fixed time between pieces.
        QObject::connect(started, &QIODevice::readyRead, &owner,
                         [this, started] { readMore(*started); });
        QObject::connect(started, &QNetworkReply::finished, &owner,
                         [this, started] { readFinished(*started); });
    }

    // Takes the answer's headers once they are in: the body continues the kept file, starts
    // it anew, or is no use and the address is asked again without a range (false).
    bool judge(QNetworkReply& from) {
        if (answered)
            return true;
        const ResponseFacts facts = FactsOf(from);
        if (facts.status <= 0)
            return true; // no answer: the kept file stays as it is
        answered = true;
        const ResumeAnswer answer = JudgeResponse(offer, address, facts);
        const bool resumed = offer.valid();
        offer = {};
        if (answer.kind == ResumeAnswer::Refetch || (resumed && answer.kind == ResumeAnswer::Fresh))
            writeFailed = !part->open();
        if (answer.kind == ResumeAnswer::Refetch) {
            dropReply();
            startRead();
            return false;
        }
        whole = answer.whole;
        if (answer.kind == ResumeAnswer::Append)
            base = part->size();
        // Only a known length is ever continued here; the rest is fetched whole again.
        if (answer.resumable() && whole > 0 && !writeFailed)
            part->record(answer.record);
        return true;
    }

    void take() {
        if (!reply)
            return;
        const QByteArray data = reply->readAll();
        if (data.isEmpty())
            return;
        received += data.size();
        got += data.size();
        if (!part || !part->append(data))
            writeFailed = true;
    }

    void readMore(QNetworkReply& from) {
        if (&from != reply.data() || ended || !judge(from))
            return;
        take();
        if (whole > 0)
            progress(have(), whole);
        else if (overLimit(have()))
            tooLarge(have());
    }

    void readFinished(QNetworkReply& from) {
        if (&from != reply.data() || ended || !judge(from))
            return;
        take();
        const QNetworkReply::NetworkError error = from.error();
        reply = nullptr;
        from.deleteLater();
        if (whole <= 0 || have() < 2) {
            // Nothing worth a file came, or no size to judge it by: fetch once more through
            // Inet, which refuses a body below two bytes. Without any answer the kept file
            // stays for a later run.
            if (answered)
                part->discard();
            else
                part->keepIfResumable();
            startFallback();
            return;
        }
        // An HTTP error page is a body like any other; the owner's type check judges it.
        const bool complete =
            have() == whole && (error == QNetworkReply::NoError || IsHttpStatusError(error));
        if (writeFailed) {
            part->discard();
            fail(u"无法下载"_qs);
        } else if (complete) {
            const bool committed = part->commit();
            if (committed)
                this->complete(have(), whole);
            else
                fail(u"无法下载"_qs);
        } else if (have() == whole) {
            // Every byte counted but the transfer failed: never a finished row.
            part->discard();
            fail(u"无法下载"_qs);
        } else {
            // A body cut short is reported with its real count and never replaces the
            // target; what came stays for the next run.
            part->keepIfResumable();
            this->complete(have(), whole);
        }
    }

    void startFallback() {
        scope.start([this]() -> QCoro::Task<> { co_await fallback(); });
    }

    QCoro::Task<> fallback() {
        while (fallbackInet.StillExecuting()) {
            fallbackInet.Cancel();
            const bool ran = co_await scope.letEventsRun();
            if (!ran)
                co_return;
        }
        const bool ran = co_await scope.letEventsRun();
        if (!ran)
            co_return;
        // Opened at the first byte: a file kept for resuming outlives a fetch that brings
        // nothing.
        PartialFile file(target);
        bool written = true;
        qint64 size = 0;
        fallbackInet.Execute(address, u"GET"_qs, QString(), QString());
        while (true) {
            const QByteArray piece =
                co_await fallbackInet.GetChunk(scope, ReadBufferBytes, FallbackWaitMs);
            if (scope.cancelled() || ended)
                co_return;
            if (!piece.isEmpty()) {
                if (size == 0)
                    written = file.open();
                size += piece.size();
                received += piece.size();
                if (written)
                    written = file.append(piece);
                if (overLimit(size)) {
                    fallbackInet.Cancel();
                    tooLarge(size);
                    co_return;
                }
            }
            if (fallbackInet.BodyEnded())
                break;
        }
        if (size < 2 || !fallbackInet.BodyComplete() || !written || !file.commit()) {
            fail(u"无法下载"_qs);
            co_return;
        }
        const qint64 length = QFileInfo(target).size();
        complete(length, length, false);
    }

    void tick() {
        if (ended)
            return;
        if (received != watched) {
            watched = received;
            watchTime = clock.elapsedSeconds();
            return;
        }
        if (clock.elapsedSeconds() - watchTime >= StallSeconds) {
            // Decided first: cancelling the fallback's transfer resumes it, and it would
            // report its cut body as "无法下载".
            if (part)
                part->keepIfResumable();
            fail(u"超时"_qs);
            fallbackInet.Cancel();
        }
    }
};

Downloader::Downloader(QNetworkAccessManager& network, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_run(std::make_unique<Run>(*this, network, clock)) {
    connect(&m_run->watchdog, &ClockTimer::timeout, this, [this] { m_run->tick(); });
}

Downloader::~Downloader() = default;

void Downloader::setSizeLimit(qint64 bytes) {
    m_run->sizeLimit = qMax<qint64>(0, bytes);
}

void Downloader::BeginDownload(const QString& url, const QString& SaveFile) {
    Run& r = *m_run;
    if (r.begun)
        return;
    r.begun = true;
    r.target = SaveFile;

    // The target exists from the start and holds 01 00 until the body replaces it.
    r.targetWasThere = QFileInfo::exists(SaveFile);
    QFile placeholder(SaveFile);
    if (placeholder.open(QIODevice::ReadWrite)) {
        placeholder.write(PartialFile::Placeholder);
        placeholder.close();
    }

    r.watchTime = r.clock.elapsedSeconds();
    r.watchdog.start();

    static const QRegularExpression entity(u"&amp;"_qs, QRegularExpression::CaseInsensitiveOption);
    r.address = QString(url).replace(entity, u"&"_qs).trimmed();

    // What an earlier run kept is continued where it ended.
    r.part = std::make_unique<PartialFile>(SaveFile);
    r.offer = FindResumeOffer(SaveFile, r.address);
    const bool resuming =
        r.offer.valid() && r.part->openToResume() && r.part->size() == r.offer.offset;
    if (!resuming) {
        r.offer = {};
        r.writeFailed = !r.part->open();
    }

    r.ownNetwork = std::make_unique<QNetworkAccessManager>();
    QNetworkCookieJar* jar = r.network.cookieJar();
    r.ownNetwork->setCookieJar(jar);
    jar->setParent(&r.network);
    r.ownNetwork->setProxy(r.network.proxy());
    r.startRead();
}

void Downloader::CancelAsyncRead() {
    Run& r = *m_run;
    // Done before anything resumes: no event follows.
    r.ended = true;
    r.scope.cancel();
    r.stopReading();
    r.fallbackInet.Cancel();
    if (r.part)
        r.part->keepIfResumable();
    r.removeOwnPlaceholder();
}

} // namespace quenlit
