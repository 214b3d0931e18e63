#include "DownloadListKeeper.h"

#include "DownloadListModel.h"
#include "MessageSink.h"

#include <QDir>
#include <algorithm>
#include <cmath>

namespace quenlit {

DownloadListKeeper::DownloadListKeeper(DownloadListModel& list, Clock& clock, MessageSink& messages,
                                       const QString& path, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_clock(clock)
    , m_messages(messages)
    , m_store(path) {}

DownloadListKeeper::~DownloadListKeeper() {
    m_clock.cancel(m_pendingSave);
}

bool DownloadListKeeper::open(bool restore) {
    DownloadListStore::Loaded loaded = m_store.load();
    if (loaded.outcome == DownloadListStore::Loaded::Outcome::Damaged) {
        const QString aside = m_store.setAside();
        if (aside.isEmpty()) {
            // Saving would write over it: this run keeps no list.
            m_messages.post(
                u"下载列表文件 %1 已损坏或无法读取，也无法改名；本次从空列表开始，不保存下载列表。"_qs
                    .arg(QDir::toNativeSeparators(m_store.path())),
                MessageIcon::Warning);
            return false;
        }
        m_messages.post(u"下载列表文件已损坏或无法读取，已改名为 %1，本次从空列表开始。"_qs.arg(
                            QDir::toNativeSeparators(aside)),
                        MessageIcon::Warning);
    } else if (restore) {
        m_list.changeAll([&] {
            for (DownloadRow& row : loaded.rows) {
                // Its cells stay: they show how far it came before the program ended.
                if (row.state == DownloadRow::Downloading)
                    row.state = DownloadRow::Waiting;
                if (m_list.append(row.key, row.name))
                    m_list.modify(m_list.count(), [&](DownloadRow& kept) { kept = row; });
            }
        });
    }
    m_following = true;
    const auto changed = [this] { listChanged(); };
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&m_list, &QAbstractItemModel::rowsMoved, this, changed);
    connect(&m_list, &QAbstractItemModel::modelReset, this, changed);
    connect(&m_list, &QAbstractItemModel::layoutChanged, this, changed);
    // The speed cells are not kept; they change every second while rows download.
    connect(&m_list, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& topLeft) {
        if (topLeft.column() < DownloadListModel::SpeedColumn)
            listChanged();
    });
    return loaded.outcome == DownloadListStore::Loaded::Outcome::Missing ||
           (loaded.outcome == DownloadListStore::Loaded::Outcome::Loaded && restore);
}

void DownloadListKeeper::close() {
    if (!m_following)
        return;
    m_following = false;
    disconnect(&m_list, nullptr, this, nullptr);
    m_clock.cancel(m_pendingSave);
    m_pendingSave = 0;
    save();
}

void DownloadListKeeper::listChanged() {
    // Everything that changes within the second goes into the one save at its end.
    if (m_pendingSave != 0)
        return;
    const int delayMs =
        std::max(SaveDelayMs, int(std::lround(m_lastSaveSeconds * 1000 * SaveShareInverse)));
    m_pendingSave = m_clock.callAfter(delayMs, [this] {
        m_pendingSave = 0;
        save();
    });
}

void DownloadListKeeper::save() {
    QString error;
    const double started = m_clock.elapsedSeconds();
    const bool saved = m_store.save(m_list, error);
    m_lastSaveSeconds = m_clock.elapsedSeconds() - started;
    if (saved) {
        m_saveFailureShown = false;
        return;
    }
    if (m_saveFailureShown)
        return;
    m_saveFailureShown = true;
    m_messages.post(
        u"下载列表无法保存到 %1：%2"_qs.arg(QDir::toNativeSeparators(m_store.path()), error),
        MessageIcon::Warning);
}

} // namespace quenlit
