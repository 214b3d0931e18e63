#include "DownloadSpeeds.h"

#include "DownloadListModel.h"

#include <algorithm>

namespace quenlit {

DownloadSpeeds::DownloadSpeeds(Clock& clock, DownloadListModel& list, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_list(list)
    , m_timer(clock, SampleEveryMs) {
    connect(&m_timer, &ClockTimer::timeout, this, &DownloadSpeeds::sample);
    connect(&list, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                // Our own cells say nothing about which rows download.
                if (topLeft.column() < DownloadListModel::SpeedColumn)
                    rowsChanged(topLeft.row(), bottomRight.row());
            });
    connect(&list, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { rowsChanged(first, last); });
    connect(&list, &QAbstractItemModel::rowsRemoved, this, &DownloadSpeeds::rowsGone);
    // Batched changes tell only that everything may have changed.
    connect(&list, &QAbstractItemModel::modelReset, this, &DownloadSpeeds::rescan);
    rescan();
}

void DownloadSpeeds::rowsChanged(int first, int last) {
    for (int row = first; row <= last; ++row) {
        follow(row, std::find_if(m_tracked.begin(), m_tracked.end(), [row](const Tracked& tracked) {
                   return tracked.index.row() == row;
               }));
    }
    updateTotal();
}

void DownloadSpeeds::follow(int row, std::vector<Tracked>::iterator tracked) {
    const DownloadRow& current = m_list.row(row + 1);
    const bool downloading = current.state == DownloadRow::Downloading;
    if (tracked == m_tracked.end()) {
        if (downloading)
            m_tracked.push_back({m_list.index(row, 0), current.key, {}});
    } else if (!downloading) {
        untrack(tracked);
    } else if (tracked->key != current.key) {
        m_list.dropTransferCells(tracked->key);
        tracked->key = current.key;
    }
}

void DownloadSpeeds::untrack(std::vector<Tracked>::iterator tracked) {
    m_list.dropTransferCells(tracked->key);
    m_tracked.erase(tracked);
}

void DownloadSpeeds::rowsGone() {
    for (auto tracked = m_tracked.begin(); tracked != m_tracked.end();) {
        if (tracked->index.isValid()) {
            ++tracked;
        } else {
            m_list.dropTransferCells(tracked->key);
            tracked = m_tracked.erase(tracked);
        }
    }
    updateTotal();
}

void DownloadSpeeds::rescan() {
    std::vector<Tracked> found;
    for (int position = 1; position <= m_list.count(); ++position) {
        const DownloadRow& row = m_list.row(position);
        if (row.state != DownloadRow::Downloading)
            continue;
        // A row that downloaded before keeps its samples.
        SpeedMeter meter;
        const auto known =
            std::find_if(m_tracked.begin(), m_tracked.end(),
                         [&](const Tracked& tracked) { return tracked.key == row.key; });
        if (known != m_tracked.end()) {
            meter = known->meter;
            m_tracked.erase(known);
        }
        found.push_back({m_list.index(position - 1, 0), row.key, meter});
    }
    for (const Tracked& gone : m_tracked)
        m_list.dropTransferCells(gone.key);
    m_tracked = std::move(found);
    updateTotal();
}

void DownloadSpeeds::sample() {
    const double now = m_clock.elapsedSeconds();
    // By index: a view that hears of the new cells could change the list.
    for (std::size_t i = 0; i < m_tracked.size(); ++i) {
        Tracked& tracked = m_tracked[i];
        const int position = tracked.index.row() + 1;
        const DownloadRow& row = m_list.row(position);
        bool numeric = false;
        const qint64 bytes = row.downloaded.toLongLong(&numeric);
        // Counting starts with the first bytes that come, so what a resumed file held
        // already never counts as speed.
        if (numeric && bytes > 0)
            tracked.meter.add(now, bytes);
        DownloadListModel::TransferCells cells;
        if (const std::optional<double> rate = tracked.meter.bytesPerSecond()) {
            cells.speed = SpeedText(*rate);
            const qint64 size = row.size.toLongLong(&numeric);
            if (numeric && size > 0 && *rate > 0)
                cells.timeLeft = TimeLeftText(double(size - *tracked.meter.bytes()) / *rate);
        }
        m_list.setTransferCells(position, cells);
    }
    updateTotal();
}

void DownloadSpeeds::updateTotal() {
    if (m_tracked.empty())
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start();
    m_total = 0;
    for (const Tracked& tracked : m_tracked)
        m_total += std::max(0.0, tracked.meter.bytesPerSecond().value_or(0));
    const QString text = m_tracked.empty() ? QString() : u"总速度: "_qs + SpeedText(m_total);
    if (text != m_totalText) {
        m_totalText = text;
        emit totalChanged();
    }
}

} // namespace quenlit
