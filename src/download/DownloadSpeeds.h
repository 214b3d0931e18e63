#pragma once

#include "ClockTimer.h"
#include "SpeedMeter.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <vector>

namespace quenlit {

class DownloadListModel;

// Speed and time left of the downloading rows, and their total. Once a second it reads the
// "已下载数" and "文件大小" cells of the rows that download and writes their speed and
// time-left cells. It follows the list's changes to know which rows download, so a sample
// costs those rows only, however long the list is.
class DownloadSpeeds : public QObject {
    Q_OBJECT
public:
    static constexpr int SampleEveryMs = 1000;

    DownloadSpeeds(Clock& clock, DownloadListModel& list, QObject* parent = nullptr);

    // Bytes per second of all downloading rows together.
    double totalBytesPerSecond() const { return m_total; }
    // "总速度: 3.4 MB/s"; empty while no row downloads.
    QString totalText() const { return m_totalText; }

signals:
    void totalChanged();

private:
    struct Tracked {
        QPersistentModelIndex index;
        QString key;
        SpeedMeter meter;
    };

    void rowsChanged(int first, int last);
    void rowsGone();
    void rescan();
    void sample();
    // Starts, ends or renames the tracking of one row after it changed.
    void follow(int row, std::vector<Tracked>::iterator tracked);
    void untrack(std::vector<Tracked>::iterator tracked);
    // The total of the latest rates; the timer runs while rows are tracked.
    void updateTotal();

    Clock& m_clock;
    DownloadListModel& m_list;
    ClockTimer m_timer;
    std::vector<Tracked> m_tracked;
    double m_total = 0;
    QString m_totalText;
};

} // namespace quenlit
