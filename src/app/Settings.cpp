#include "Settings.h"

#include "SettingsStore.h"

#include <QDir>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace quenlit::settings {

namespace {
std::optional<double> parseNumber(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Whole numbers round half to even, as the stored numbers were always converted.
template <typename Int> std::optional<Int> toInteger(const QString& text) {
    const auto value = parseNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value);
    if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max())
        return std::nullopt;
    return Int(rounded);
}

template <typename Int> Int readInteger(const SettingsStore& store, const Key& key) {
    const Int fallback = toInteger<Int>(key.defaultValue.toString()).value_or(0);
    return toInteger<Int>(ReadText(store, key)).value_or(fallback);
}
} // namespace

QString ReadText(const SettingsStore& store, const Key& key) {
    return ReadText(store, key, key.defaultValue.toString());
}

QString ReadText(const SettingsStore& store, const Key& key, const QString& defaultValue) {
    return store.GetSetting(key.section.toString(), key.name.toString(), defaultValue);
}

qint16 ReadInt16(const SettingsStore& store, const Key& key) {
    return readInteger<qint16>(store, key);
}

qint32 ReadInt32(const SettingsStore& store, const Key& key) {
    return readInteger<qint32>(store, key);
}

float ReadSingle(const SettingsStore& store, const Key& key) {
    const float fallback = float(parseNumber(key.defaultValue.toString()).value_or(0));
    const auto value = parseNumber(ReadText(store, key));
    if (!value || std::fabs(*value) > std::numeric_limits<float>::max())
        return fallback;
    return float(*value);
}

void Save(SettingsStore& store, const Key& key, const QString& value) {
    store.SaveSetting(key.section.toString(), key.name.toString(), value);
}

void Save(SettingsStore& store, const Key& key, qint64 value) {
    Save(store, key, QString::number(value));
}

void SaveSingle(SettingsStore& store, const Key& key, float value) {
    Save(store, key, FormatSingle(value));
}

QString FormatSingle(float value) {
    char buffer[32];
    const auto result = std::to_chars(std::begin(buffer), std::end(buffer), value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString DefaultDownloadFolder() {
    return QDir::homePath() + u"/Quenlit文件目录"_qs;
}

} // namespace quenlit::settings
