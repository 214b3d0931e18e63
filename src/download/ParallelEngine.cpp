#include "ParallelEngine.h"

#include "Clock.h"
#include "DownloadList.h"
#include "DownloadListModel.h"
#include "Downloader.h"
#include "DuplicateNames.h"
#include "FileTypeCheck.h"
#include "LiveSettings.h"
#include "NextRow.h"
#include "PartialFile.h"
#include "PostingMessageSink.h"

namespace quenlit {

namespace {

const QString TooLargeText = QStringLiteral("大文件，跳过");
const QString FullText = QStringLiteral("100%");

} // namespace

ParallelEngine::ParallelEngine(DownloadEnvironment& environment, QObject* parent)
    : QObject(parent)
    , m_environment(environment) {
    // The template element: loaded from the start, never started, its events not heard.
    m_elements[0] = std::make_unique<Downloader>(environment.network, environment.clock);
}

ParallelEngine::~ParallelEngine() {
    for (int i = 1; i <= MaxSlots; ++i)
        if (m_elements[i])
            QObject::disconnect(m_elements[i].get(), nullptr, this, nullptr);
}

void ParallelEngine::dispatchPass(int slotCount) {
    DownloadEnvironment& env = m_environment;
    const int used = qMin(slotCount, MaxSlots);
    if (used < 1)
        return;
    PostingMessageSink messages(env.messages);
    // Rows whose file another slot is still writing wait for a later pass; they are kept
    // out of the walk meanwhile.
    QList<int> heldBack;
    for (int s = 1; s <= used; ++s) {
        if (IsSlotLoaded(s))
            continue;
        const QString policy = env.view.duplicateNamePolicy();
        int position = 0;
        RenamedTarget target;
        for (;;) {
            position = NextRowToDownload(env.list, policy, true, messages);
            if (position == 0)
                break;
            const DownloadRow& row = env.list.row(position);
            target = 重命名保存路径(row.saveFolder, row.name, row.type, policy);
            if (!targetInUse(target.path))
                break;
            env.list.modify(position,
                            [](DownloadRow& held) { held.state = DownloadRow::Downloading; });
            heldBack.append(position);
        }
        if (position == 0)
            break; // no row waits: the later slots would find none either
        env.list.modify(position, [](DownloadRow& row) { row.state = DownloadRow::Downloading; });
        if (env.state.follow)
            env.view.scrollToRow(position);
        env.list.modify(position, [&](DownloadRow& changed) { changed.name = target.name; });
        m_slotTable[s] = position;
        多线程下载(qint16(s), position, 选择url(env.list.row(position).key), target.path);
    }
    for (int position : heldBack)
        env.list.modify(position, [](DownloadRow& row) { row.state = DownloadRow::Waiting; });
}

bool ParallelEngine::targetInUse(const QString& path) const {
    for (int i = 1; i <= MaxSlots; ++i)
        if (m_elements[i] && m_targets[i] == path)
            return true;
    return false;
}

void ParallelEngine::多线程下载(qint16 Index, qint32 序号, const QString& 网址,
                                const QString& 保存文件路径) {
    DownloadEnvironment& env = m_environment;
    if (Index < 1 || Index > MaxSlots || m_elements[Index])
        return;
    auto element = std::make_unique<Downloader>(env.network, env.clock);
    element->setSizeLimit(qint64(double(env.live.MaxFileSizeMB) * 1024 * 1024));
    Downloader* raw = element.get();
    const int i = Index;
    connect(raw, &Downloader::DownloadProgress, this,
            [this, i](qint64 cur, qint64 max, const QString& file) {
                Reporting reporting(m_reporting, i);
                onDownloadProgress(i, cur, max, file);
            });
    connect(raw, &Downloader::DownloadComplete, this,
            [this, i](qint64 cur, qint64 max, const QString& file) {
                Reporting reporting(m_reporting, i);
                onDownloadComplete(i, cur, max, file);
            });
    connect(raw, &Downloader::DownloadError, this,
            [this, i](const QString& code, const QString& file) {
                Reporting reporting(m_reporting, i);
                onDownloadError(i, code, file);
            });
    connect(raw, &Downloader::DownloadTooLarge, this, [this, i](qint64 cur, const QString& file) {
        Reporting reporting(m_reporting, i);
        onDownloadTooLarge(i, cur, file);
    });
    m_elements[Index] = std::move(element);
    m_slotTable[Index] = 序号;
    m_targets[Index] = 保存文件路径;

    env.state.busy = true;
    env.list.modify(序号, [](DownloadRow& row) {
        row.state = DownloadRow::Downloading;
        row.size.clear();
        row.downloaded.clear();
        row.percent.clear();
    });
    if (env.state.follow)
        env.view.scrollToRow(序号);
    raw->BeginDownload(网址, 保存文件路径);
}

bool ParallelEngine::IsSlotLoaded(int slot) const {
    return slot >= 0 && slot <= MaxSlots && m_elements[slot] != nullptr;
}

int ParallelEngine::loadedInstanceCount() const {
    int count = 0;
    for (const auto& element : m_elements)
        count += element ? 1 : 0;
    return count;
}

void ParallelEngine::unloadSlots() {
    for (int i = 1; i <= MaxSlots; ++i)
        unload(i);
}

int ParallelEngine::slotRow(int i) const {
    if (i < 1 || i > MaxSlots)
        return 0;
    const qint32 position = m_slotTable[i];
    return position >= 1 && position <= m_environment.list.count() ? position : 0;
}

void ParallelEngine::writeProgress(int position, qint64 CurBytes, qint64 MaxBytes) {
    if (MaxBytes <= 0 || MaxBytes < CurBytes)
        return;
    m_environment.list.modify(position, [&](DownloadRow& row) {
        row.size = QString::number(MaxBytes);
        row.downloaded = QString::number(CurBytes);
        row.percent = QString::number(CurBytes * 100 / MaxBytes) + u'%';
    });
}

void ParallelEngine::skipTooLarge(int i, int position) {
    DownloadEnvironment& env = m_environment;
    env.list.modify(position, [](DownloadRow& row) {
        row.state = DownloadRow::Finished;
        row.percent = TooLargeText;
    });
    env.state.lastFinishTime = float(env.clock.secondsSinceMidnight());
    unload(i);
    // The row is done with: nothing of it is kept for resuming.
    PartialFile::removeFor(m_targets[i]);
}

void ParallelEngine::onDownloadProgress(int i, qint64 CurBytes, qint64 MaxBytes,
                                        const QString& /*SaveFile*/) {
    const int position = slotRow(i);
    if (position == 0 || MaxBytes <= 0 || MaxBytes < CurBytes)
        return;
    writeProgress(position, CurBytes, MaxBytes);
    if (float(double(MaxBytes) / 1024 / 1024) > m_environment.live.MaxFileSizeMB)
        skipTooLarge(i, position);
}

void ParallelEngine::onDownloadComplete(int i, qint64 CurBytes, qint64 MaxBytes,
                                        const QString& /*SaveFile*/) {
    DownloadEnvironment& env = m_environment;
    if (i < 1 || i > MaxSlots)
        return;
    const int position = slotRow(i);
    if (position == 0) {
        // The row is gone: the slot is free again all the same.
        unload(i);
        return;
    }
    writeProgress(position, CurBytes, MaxBytes);
    env.list.modify(position, [](DownloadRow& row) {
        row.state = row.percent == FullText ? DownloadRow::Finished : DownloadRow::Failed;
    });
    unload(i);
    CorrectRowFileType(env.list, position);

    const DownloadRow row = env.list.row(position);
    env.view.setStatusPanel(2, u"完成下载:"_qs + row.name);
    const bool page = IsWebPageType(row.type, false);
    if (env.view.soundPromptTicked()) {
        if (page)
            env.view.playPrompt(SoundPrompt::WebPage);
        if (row.state == DownloadRow::Failed)
            env.view.playPrompt(SoundPrompt::Failed);
    }
    if (env.view.autoLoginTicked() && page)
        env.view.autoLogin();
    env.state.lastFinishTime = float(env.clock.secondsSinceMidnight());
}

void ParallelEngine::onDownloadError(int i, const QString& /*MissCode*/,
                                     const QString& /*SaveFile*/) {
    DownloadEnvironment& env = m_environment;
    if (i < 1 || i > MaxSlots)
        return;
    if (const int position = slotRow(i))
        env.list.modify(position, [](DownloadRow& row) { row.state = DownloadRow::Failed; });
    unload(i);
    env.state.lastFinishTime = float(env.clock.secondsSinceMidnight());
}

void ParallelEngine::onDownloadTooLarge(int i, qint64 CurBytes, const QString& /*SaveFile*/) {
    const int position = slotRow(i);
    if (position == 0) {
        if (i >= 1 && i <= MaxSlots)
            unload(i);
        return;
    }
    m_environment.list.modify(
        position, [&](DownloadRow& row) { row.downloaded = QString::number(CurBytes); });
    skipTooLarge(i, position);
}

void ParallelEngine::unload(int i) {
    if (i < 1 || i > MaxSlots || !m_elements[i])
        return;
    std::unique_ptr<Downloader> element = std::move(m_elements[i]);
    QObject::disconnect(element.get(), nullptr, this, nullptr);
    if (m_reporting & (1u << i)) {
        // Still inside this element's own signal: it goes when the signal has returned.
        // Kept as a child until then, so that it never outlives the engine's environment.
        element->CancelAsyncRead();
        element->setParent(this);
        element.release()->deleteLater();
    }
}

} // namespace quenlit
