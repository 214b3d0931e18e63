#pragma once

#include "SettingKeys.h"

#include <QString>

namespace quenlit {

class SettingsStore;

// Typed reads and writes of the settings store. A stored value that does not convert to
// the key's number type reads as the key's default.
namespace settings {
QString ReadText(const SettingsStore& store, const Key& key);
QString ReadText(const SettingsStore& store, const Key& key, const QString& defaultValue);
qint16 ReadInt16(const SettingsStore& store, const Key& key);
qint32 ReadInt32(const SettingsStore& store, const Key& key);
float ReadSingle(const SettingsStore& store, const Key& key);

void Save(SettingsStore& store, const Key& key, const QString& value);
void Save(SettingsStore& store, const Key& key, qint64 value);
void SaveSingle(SettingsStore& store, const Key& key, float value);

// The shortest decimal text that reads back as the same single-precision number.
QString FormatSingle(float value);
// "~/Quenlit文件目录", the download folder before the user chooses one.
QString DefaultDownloadFolder();
} // namespace settings

} // namespace quenlit
