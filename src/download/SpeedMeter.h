#pragma once

#include <QString>
#include <deque>
#include <optional>

namespace quenlit {

// The rate of a growing byte count, averaged over a sliding window of the last few seconds
// of samples: steady enough to read, quick enough to follow a change of pace.
class SpeedMeter {
public:
    static constexpr double WindowSeconds = 5.0;

    // bytes: the count so far, read at seconds on a clock that never goes backwards. A count
    // that falls means the transfer started again: the window starts again with it.
    void add(double seconds, qint64 bytes);
    // Bytes per second across the window; none until two samples lie apart in time.
    std::optional<double> bytesPerSecond() const;
    // The count of the newest sample; none before the first.
    std::optional<qint64> bytes() const;

private:
    struct Sample {
        double seconds;
        qint64 bytes;
    };
    std::deque<Sample> m_samples;
};

// "512 B/s", "356 KB/s", "1.2 MB/s": binary units, one decimal below ten.
QString SpeedText(double bytesPerSecond);
// "0:42", "1:05:07": whole seconds, rounded up.
QString TimeLeftText(double seconds);

} // namespace quenlit
