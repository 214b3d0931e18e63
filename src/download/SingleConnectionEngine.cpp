#include "SingleConnectionEngine.h"

#include "Clock.h"
#include "DownloadList.h"
#include "DownloadListModel.h"
#include "DuplicateNames.h"
#include "FileNames.h"
#include "FileTypeCheck.h"
#include "HeaderTypes.h"
#include "Inet.h"
#include "LiveSettings.h"
#include "PartialFile.h"
#include "PostingMessageSink.h"
#include "RangeResume.h"
#include "WorkScope.h"

#include <QFileInfo>
#include <cmath>

namespace quenlit {

namespace {

constexpr qint64 PieceBytes = 256 * 1024;
constexpr int PieceWaitMs = 1000;
constexpr int HeaderWaitMs = 30000;
constexpr double StallSeconds = 120;
// Cells are rewritten at most this often while a body streams.
constexpr double CellUpdateSeconds = 0.25;

const QString WaitAgainText = QStringLiteral("等待重新下载");
const QString UnknownText = QStringLiteral("未知");
const QString FailedText = QStringLiteral("下载失败");
const QString CancelledText = QStringLiteral("下载取消");
const QString TooLargeText = QStringLiteral("大文件，跳过");
const QString NotReplaceableText = QStringLiteral("无法替换");
const QString FullText = QStringLiteral("100%");

bool overLimit(double bytes, float limitMB) {
    return float(bytes / 1024 / 1024) > limitMB;
}

QString percentText(qint64 downloaded, double size) {
    return QString::number(qint64(std::floor(double(downloaded) / size * 100))) + u'%';
}

// The port written in an address after the host, or 80.
quint16 PortFromAddress(const QString& address) {
    const qsizetype slash = address.indexOf(u'/', 8);
    if (slash < 0 || slash == 8)
        return 80;
    const QStringList parts = address.mid(8, slash - 8).split(u':');
    if (parts.size() != 2)
        return 80;
    bool ok = false;
    const uint port = parts[1].trimmed().toUInt(&ok);
    return ok && port <= 0xFFFF ? quint16(port) : quint16(80);
}

// The folder can take a new file in place of the old one.
bool replaceable(const QString& path) {
    const QFileInfo target(path);
    if (target.isDir())
        return false;
    const QFileInfo folder(target.absolutePath());
    return folder.isDir() && folder.isWritable();
}

// The file the row's body goes to: under the rename policy the first free numbered name.
RenamedTarget TargetOf(const DownloadRow& row, const QString& policy) {
    if (policy == RenamePolicy)
        return 重命名保存路径(row.saveFolder, row.name, row.type, policy);
    return {row.name, row.targetPath()};
}

ResponseFacts FactsOf(const Inet& inet) {
    return {inet.StatusCode(), inet.GetHeader(u"Content-Length"_qs),
            inet.GetHeader(u"Content-Range"_qs), inet.GetHeader(u"ETag"_qs),
            inet.GetHeader(u"Last-Modified"_qs)};
}

} // namespace

SingleConnectionEngine::SingleConnectionEngine(DownloadEnvironment& environment, QObject* parent)
    : QObject(parent)
    , m_environment(environment)
    , m_inet(new Inet(environment.network, this)) {
    connect(m_inet, &Inet::StateChanged, this, [this](int state) {
        m_environment.view.setStatusPanel(
            3, TransferStateText(state, m_inet->ResponseCode(), m_inet->ResponseInfo()));
    });
}

SingleConnectionEngine::~SingleConnectionEngine() = default;

QCoro::Task<> SingleConnectionEngine::Inet下载当前文件(WorkScope& scope, int position) {
    DownloadEnvironment& env = m_environment;
    if (m_running || m_inet->StillExecuting() || env.state.busy) {
        env.list.modify(position, [](DownloadRow& row) {
            row.state = DownloadRow::Waiting;
            row.size = WaitAgainText;
        });
        co_return;
    }
    m_running = true;
    env.state.busy = true;
    co_await Inet下载文件(scope, position);
    env.state.busy = false;
    m_running = false;
}

QCoro::Task<> SingleConnectionEngine::Inet下载文件(WorkScope& scope, int position) {
    DownloadEnvironment& env = m_environment;
    DownloadListModel& list = env.list;
    Inet& inet = *m_inet;
    auto setRow = [&](const std::function<void(DownloadRow&)>& change) {
        list.modify(position, change);
    };
    auto cancelled = [&](DownloadRow& row) {
        row.size = CancelledText;
        row.state = DownloadRow::Failed;
    };
    if (position < 1 || position > list.count())
        co_return;

    double lastProgress = env.clock.elapsedSeconds();
    const QString address = 选择url(list.row(position).key);

    // Connection settings.
    if (env.live.ProxyEnabled == 1) {
        inet.AccessType = Inet::NamedProxy;
        inet.RemotePort = quint16(env.live.ProxyPort.trimmed().toUShort());
        inet.Proxy = env.live.ProxyAddress + u':' + env.live.ProxyPort;
    } else {
        inet.AccessType = Inet::DefaultAccess;
        inet.Proxy.clear();
        inet.RemotePort = PortFromAddress(address);
    }
    if (address.left(8).toLower() == u"https://"_qs) {
        inet.Protocol = Inet::Https;
        inet.RemotePort = 443;
    } else {
        inet.Protocol = Inet::Http;
    }

    env.state.busy = true;
    env.view.setStatusPanel(2, u"正在下载:"_qs + list.row(position).name);

    const QString tag = list.row(position).tag;
    const QString referer =
        u"Referer: "_qs + (tag.isEmpty() ? SiteRoot(address) : tag) + u"\r\n"_qs;
    // What an earlier run of this row kept is continued where it ended.
    ResumeOffer offer =
        FindResumeOffer(TargetOf(list.row(position), env.view.duplicateNamePolicy()).path, address);
    for (;;) {
        const QString headers = co_await askHeaders(scope, address, referer + offer.requestLines());
        if (scope.cancelled() || !env.state.busy) {
            inet.Cancel();
            setRow(cancelled);
            break;
        }
        if (headers.isEmpty()) {
            inet.Cancel();
            setRow([](DownloadRow& row) { row.state = DownloadRow::Failed; });
            break;
        }
        const ResumeAnswer answer = JudgeResponse(offer, address, FactsOf(inet));
        if (answer.kind == ResumeAnswer::Refetch) {
            inet.Cancel();
            PartialFile::removeFor(offer.target);
            offer = {};
            continue;
        }
        bool numeric = false;
        double announced = inet.GetHeader(u"Content-Length"_qs).trimmed().toDouble(&numeric);
        if (!numeric || !std::isfinite(announced) || announced < 0)
            announced = 0;
        // The cells and the size limit count the whole file, kept bytes included.
        if (answer.kind == ResumeAnswer::Append)
            announced = answer.whole > 0 ? double(answer.whole) : 0;

        if (overLimit(announced, env.live.MaxFileSizeMB)) {
            inet.Cancel();
            // The row is done with: what an earlier run kept is of no more use.
            if (offer.valid())
                PartialFile::removeFor(offer.target);
            setRow([](DownloadRow& row) {
                row.state = DownloadRow::Finished;
                row.percent = TooLargeText;
            });
            break;
        }
        const bool again =
            co_await transfer(scope, position, headers, announced, lastProgress, offer, answer);
        if (!again)
            break;
        offer = {};
    }

    // Closing steps, on every path.
    inet.Cancel();
    if (position > list.count())
        co_return;
    const DownloadRow row = list.row(position);
    env.view.setStatusPanel(2, u"完成下载:"_qs + row.name);
    env.state.lastFinishTime = float(env.clock.secondsSinceMidnight());
    const bool web = IsWebPageType(row.type, true);
    if (env.view.soundPromptTicked()) {
        if (web)
            env.view.playPrompt(SoundPrompt::WebPage);
        if (row.state == DownloadRow::Failed)
            env.view.playPrompt(SoundPrompt::Failed);
    }
    if (env.view.autoLoginTicked() && web)
        env.view.autoLogin();
}

QCoro::Task<QString> SingleConnectionEngine::askHeaders(WorkScope& scope, const QString& address,
                                                        const QString& requestLines) {
    DownloadEnvironment& env = m_environment;
    Inet& inet = *m_inet;
    inet.Execute(address, u"GET"_qs, {}, requestLines);

    // Up to 30 s for the response headers.
    const double headerDeadline = env.clock.elapsedSeconds() + HeaderWaitMs / 1000.0;
    while (inet.GetHeader().isEmpty() && inet.StillExecuting() && !scope.cancelled()) {
        const int leftMs = int((headerDeadline - env.clock.elapsedSeconds()) * 1000);
        if (leftMs <= 0)
            break;
        const bool changed = co_await scope.signal(m_inet, &Inet::StateChanged, qMin(leftMs, 100));
        Q_UNUSED(changed);
    }

    if (inet.GetHeader().isEmpty() && !scope.cancelled()) {
        const bool ran = co_await scope.letEventsRun(); // a stop may be under way
        Q_UNUSED(ran);
    }
    co_return inet.GetHeader();
}

QCoro::Task<bool> SingleConnectionEngine::transfer(WorkScope& scope, int position,
                                                   const QString& headers, double announced,
                                                   double& lastProgress, const ResumeOffer& offer,
                                                   const ResumeAnswer& answer) {
    DownloadEnvironment& env = m_environment;
    DownloadListModel& list = env.list;
    Inet& inet = *m_inet;
    auto setRow = [&](const std::function<void(DownloadRow&)>& change) {
        list.modify(position, change);
    };

    const HeaderFileInfo fromHeaders =
        TypeFromHeaders(headers, inet.GetHeader(u"Content-Type"_qs).trimmed());
    const QString statusLine = headers.section(u"\r\n"_qs, 0, 0);
    const bool statusOk =
        statusLine.contains(u"200"_qs) && statusLine.contains(u"OK"_qs, Qt::CaseInsensitive);

    // Row preparation. The row keeps its own name; the header's name is not used.
    PostingMessageSink messages(env.messages);
    setRow([&](DownloadRow& row) {
        row.name = CleanFileName(row.name);
        // A folder that cannot be made keeps its text: the file then cannot be created and
        // the row fails, instead of landing in the root folder.
        const QString made = EnsureFolderPath(row.saveFolder, messages);
        row.saveFolder = WithTrailingSeparator(made.isEmpty() ? row.saveFolder : made);
        if (!fromHeaders.type.isEmpty())
            row.type = fromHeaders.type;
    });

    const RenamedTarget target = TargetOf(list.row(position), env.view.duplicateNamePolicy());
    setRow([&](DownloadRow& row) { row.name = target.name; });
    const QString path = target.path;
    const bool appending = answer.kind == ResumeAnswer::Append;
    if (appending && path != offer.target) {
        // The row now names another file: the kept bytes are of no use, ask for all.
        inet.Cancel();
        PartialFile::removeFor(offer.target);
        co_return true;
    }

    // An existing file is replaced only when the new one is complete; refuse up front
    // when that could not happen.
    auto refuseReplace = [&] {
        const QString length =
            QString::number(QFileInfo(path).isFile() ? QFileInfo(path).size() : 0);
        setRow([&](DownloadRow& row) {
            row.state = DownloadRow::Failed;
            row.size = length;
            row.downloaded = length;
            row.percent = NotReplaceableText;
        });
    };
    if (QFileInfo::exists(path) && !replaceable(path)) {
        inet.Cancel();
        refuseReplace();
        co_return false;
    }

    if (announced <= 0 && !statusOk && !appending) {
        const bool fetched = co_await FetchWholeBody(scope, position, path);
        if (fetched)
            CorrectRowFileType(list, position);
        co_return false;
    }

    PartialFile file(path);
    const bool opened = appending ? file.openToResume() : file.open();
    if (appending && (!opened || file.size() != offer.offset)) {
        // The kept file changed since it was offered.
        inet.Cancel();
        file.discard();
        co_return true;
    }
    setRow([&](DownloadRow& row) {
        row.size = announced > 0 ? QString::number(qint64(announced)) : UnknownText;
        row.downloaded = QString::number(file.size());
        if (appending && announced > 0)
            row.percent = percentText(file.size(), announced);
    });
    if (!opened) {
        setRow([](DownloadRow& row) {
            row.size = FailedText;
            row.state = DownloadRow::Failed;
        });
        co_return false;
    }
    if (answer.resumable())
        file.record(answer.record);

    enum class End { Complete, Short, TooLarge, Stalled, Stopped, Cancelled, WriteFailed };
    End end = End::Complete;
    qint64 written = file.size();
    double lastCellUpdate = -1;
    auto writeCells = [&] {
        setRow([&](DownloadRow& row) {
            row.downloaded = QString::number(written);
            if (announced > 0)
                row.percent = percentText(written, announced);
        });
        lastCellUpdate = env.clock.elapsedSeconds();
    };
    for (;;) {
        const QByteArray piece = co_await inet.GetChunk(scope, PieceBytes, PieceWaitMs);
        if (scope.cancelled()) {
            end = End::Cancelled;
            break;
        }
        if (!piece.isEmpty()) {
            const bool appended = file.append(piece);
            if (!appended) {
                end = End::WriteFailed;
                break;
            }
            written = file.size();
            lastProgress = env.clock.elapsedSeconds();
            if (env.clock.elapsedSeconds() - lastCellUpdate >= CellUpdateSeconds)
                writeCells();
        }
        // Complete first; then the stop, which also cuts the transfer short; then the rest.
        if (announced > 0 ? double(written) >= announced : inet.BodyEnded() && inet.BodyComplete())
            break;
        if (!env.state.busy) {
            end = End::Stopped;
            break;
        }
        if (inet.BodyEnded()) {
            // A stop cancels the transfer before it clears the busy flag: one turn later
            // tells the stop from a connection the server cut.
            const bool ran = co_await scope.letEventsRun();
            Q_UNUSED(ran);
            end = scope.cancelled() ? End::Cancelled : !env.state.busy ? End::Stopped : End::Short;
            break;
        }
        if (announced <= 0 && overLimit(double(written), env.live.MaxFileSizeMB)) {
            end = End::TooLarge;
            break;
        }
        if (env.clock.elapsedSeconds() - lastProgress > StallSeconds) {
            end = End::Stalled;
            break;
        }
    }
    writeCells();

    if (end != End::Complete) {
        inet.Cancel();
        // What came stays for the next run, unless it can never be the file.
        if (end == End::TooLarge || end == End::WriteFailed)
            file.discard();
        else
            file.keepIfResumable();
        setRow([&](DownloadRow& row) {
            switch (end) {
            case End::TooLarge:
                row.state = DownloadRow::Finished;
                row.percent = TooLargeText;
                return;
            case End::Stopped:
            case End::Cancelled:
                row.size = CancelledText;
                break;
            default:
                row.size = FailedText;
                break;
            }
            row.state = DownloadRow::Failed;
        });
        co_return false;
    }

    // Checked again: the folder or the old file may have changed meanwhile.
    const bool committed = replaceable(path) && file.commit();
    if (!committed) {
        file.discard();
        refuseReplace();
        co_return false;
    }
    setRow([&](DownloadRow& row) {
        row.state = DownloadRow::Finished;
        if (row.size == UnknownText) {
            row.size = row.downloaded;
            row.percent = FullText;
        }
    });
    CorrectRowFileType(list, position);
    co_return false;
}

QCoro::Task<bool> SingleConnectionEngine::FetchWholeBody(WorkScope& scope, int position,
                                                         const QString& targetPath) {
    DownloadListModel& list = m_environment.list;
    Inet& inet = *m_inet;
    if (position < 1 || position > list.count())
        co_return false;
    list.modify(position, [](DownloadRow& row) { row.size = UnknownText; });

    while (inet.StillExecuting() && !scope.cancelled()) {
        inet.Cancel();
        const bool ran = co_await scope.letEventsRun();
        Q_UNUSED(ran);
    }
    const bool ran = co_await scope.letEventsRun();
    Q_UNUSED(ran);
    QByteArray body;
    const QString address = 选择url(list.row(position).key);
    if (!scope.cancelled()) {
        // Bounded: an endless error page may neither fill memory nor hold the engine.
        const double limitBytes = double(m_environment.live.MaxFileSizeMB) * 1024 * 1024;
        body = co_await inet.OpenURL(scope, address,
                                     limitBytes >= 0 && limitBytes < 9e18 ? qint64(limitBytes) : -1,
                                     StallSeconds);
        const bool later = co_await scope.letEventsRun(); // a stop may be under way
        Q_UNUSED(later);
    }

    if (scope.cancelled() || (m_running && !m_environment.state.busy)) {
        inet.Cancel();
        list.modify(position, [](DownloadRow& row) {
            row.size = CancelledText;
            row.state = DownloadRow::Failed;
        });
        co_return false;
    }
    if (overLimit(double(body.size()), m_environment.live.MaxFileSizeMB)) {
        list.modify(position, [](DownloadRow& row) {
            row.state = DownloadRow::Finished;
            row.percent = TooLargeText;
        });
        co_return false;
    }
    // A body cut short is no file.
    if (body.size() >= 2 && inet.BodyComplete()) {
        PartialFile file(targetPath);
        const bool opened = file.open();
        const bool appended = opened && file.append(body);
        const bool committed = appended && replaceable(targetPath) && file.commit();
        if (!committed) {
            file.discard();
            const bool existing = opened && appended && QFileInfo(targetPath).isFile();
            const QString length = QString::number(existing ? QFileInfo(targetPath).size() : 0);
            list.modify(position, [&](DownloadRow& row) {
                row.state = DownloadRow::Failed;
                if (existing) {
                    row.size = length;
                    row.downloaded = length;
                    row.percent = NotReplaceableText;
                } else {
                    row.size = FailedText;
                }
            });
            co_return false;
        }
        const QString length = QString::number(QFileInfo(targetPath).size());
        list.modify(position, [&](DownloadRow& row) {
            row.size = length;
            row.downloaded = QString::number(body.size());
            row.percent = FullText;
            row.state = DownloadRow::Finished;
        });
        co_return true;
    }
    list.modify(position, [](DownloadRow& row) {
        row.size.clear();
        row.downloaded.clear();
        row.percent.clear();
        row.state = DownloadRow::Failed;
    });
    co_return false;
}

QString SiteRoot(const QString& address) {
    const qsizetype scheme = address.indexOf(u"://"_qs);
    if (scheme >= 0) {
        const qsizetype slash = address.indexOf(u'/', scheme + 3);
        if (slash < 0 || slash == scheme + 3)
            return address;
        return address.left(slash);
    }
    const qsizetype slash = address.indexOf(u'/');
    return slash >= 3 ? address.left(slash) : address;
}

QString TransferStateText(int state, qint32 responseCode, const QString& responseInfo) {
    static const char* const texts[] = {
        "0 无状态可报告。",
        "1 正在查询所指定的主机的 IP 地址...",
        "2 已成功地找到所指定的主机的 IP 地址。",
        "3 正在与主机连接...",
        "4 已与主机连接成功。",
        "5 正在向主机发送请求...",
        "6 发送请求已成功。",
        "7 正在接收主机的响应...",
        "8 已成功地接收到主机的响应。",
        "9 正在解除与主机的连接...",
        "10 已成功地与主机解除了连接。",
        nullptr,
        "12 该请求已经完成，并且所有数据均已接收到。",
    };
    const QString failure = QString::number(responseCode) + u':' + responseInfo;
    if (state == 11)
        return u"11 与主机通讯时出现了错误:"_qs + failure;
    if (state >= 0 && state <= 12)
        return QString::fromUtf8(texts[state]);
    return failure;
}

} // namespace quenlit
