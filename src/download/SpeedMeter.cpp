#include "SpeedMeter.h"

#include <algorithm>
#include <cmath>

namespace quenlit {

void SpeedMeter::add(double seconds, qint64 bytes) {
    if (!m_samples.empty()) {
        const Sample& last = m_samples.back();
        if (bytes < last.bytes || seconds < last.seconds)
            m_samples.clear();
        else if (seconds == last.seconds)
            m_samples.pop_back();
    }
    m_samples.push_back({seconds, bytes});
    // The window starts at the newest sample that is at least a window old.
    while (m_samples.size() > 2 && m_samples[1].seconds <= seconds - WindowSeconds)
        m_samples.pop_front();
}

std::optional<double> SpeedMeter::bytesPerSecond() const {
    if (m_samples.size() < 2)
        return std::nullopt;
    const Sample& first = m_samples.front();
    const Sample& last = m_samples.back();
    return double(last.bytes - first.bytes) / (last.seconds - first.seconds);
}

std::optional<qint64> SpeedMeter::bytes() const {
    if (m_samples.empty())
        return std::nullopt;
    return m_samples.back().bytes;
}

QString SpeedText(double bytesPerSecond) {
    static const char* const units[] = {"B/s", "KB/s", "MB/s", "GB/s"};
    double value = std::max(0.0, bytesPerSecond);
    int unit = 0;
    // Never four digits: 1000 bytes already read as "1.0 KB/s".
    while (unit < 3 && value >= 999.5) {
        value /= 1024;
        ++unit;
    }
    const bool decimal = unit > 0 && value < 9.95;
    return QString::number(value, 'f', decimal ? 1 : 0) + u' ' + QLatin1String(units[unit]);
}

QString TimeLeftText(double seconds) {
    // Capped far beyond any wait worth showing, so the count cannot overflow.
    const qint64 total = seconds > 0 ? qint64(std::ceil(std::min(seconds, 1e9))) : 0;
    const qint64 hours = total / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(total / 60 % 60, hours > 0 ? 2 : 1, 10, QChar(u'0'))
                                          .arg(total % 60, 2, 10, QChar(u'0'));
    return hours > 0 ? QString::number(hours) + u':' + minutesAndSeconds : minutesAndSeconds;
}

} // namespace quenlit
