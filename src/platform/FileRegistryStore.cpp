#include "FileRegistryStore.h"

#include "WholeFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quenlit {

FileRegistryStore::FileRegistryStore(QString filePath)
    : m_filePath(std::move(filePath)) {
    load();
}

QString FileRegistryStore::keyId(const RegistryKey& key) {
    return QStringLiteral("%1/%2/%3")
        .arg(key.view == RegistryView::Bits64 ? 64 : 32)
        .arg(int(key.root))
        .arg(key.subKey.toLower());
}

void FileRegistryStore::createKey(const RegistryKey& key) {
    const QString id = keyId(key);
    if (!m_keys.contains(id)) {
        m_keys.insert(id, {});
        save();
    }
}

bool FileRegistryStore::keyExists(const RegistryKey& key) const {
    return m_keys.contains(keyId(key));
}

std::optional<RegistryValue> FileRegistryStore::value(const RegistryKey& key,
                                                      const QString& name) const {
    const auto keyIt = m_keys.constFind(keyId(key));
    if (keyIt == m_keys.constEnd())
        return std::nullopt;
    const auto valueIt = keyIt->constFind(name.toLower());
    if (valueIt == keyIt->constEnd())
        return std::nullopt;
    return valueIt->value;
}

bool FileRegistryStore::setValue(const RegistryKey& key, const QString& name,
                                 const RegistryValue& value) {
    const auto keyIt = m_keys.find(keyId(key));
    if (keyIt == m_keys.end())
        return false;
    keyIt->insert(name.toLower(), {name, value});
    return save();
}

bool FileRegistryStore::removeValue(const RegistryKey& key, const QString& name) {
    const auto keyIt = m_keys.find(keyId(key));
    if (keyIt == m_keys.end())
        return false;
    if (keyIt->remove(name.toLower()) > 0)
        save();
    return true;
}

void FileRegistryStore::load() {
    if (m_filePath.isEmpty())
        return;
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonObject keys = QJsonDocument::fromJson(file.readAll()).object();
    for (auto keyIt = keys.begin(); keyIt != keys.end(); ++keyIt) {
        Values values;
        for (const QJsonValue& item : keyIt.value().toArray()) {
            const QJsonObject entry = item.toObject();
            const QString name = entry.value(u"name").toString();
            const QJsonValue stored = entry.value(u"value");
            RegistryValue value = stored.isDouble() ? RegistryValue(quint32(stored.toDouble()))
                                                    : RegistryValue(stored.toString());
            values.insert(name.toLower(), {name, value});
        }
        m_keys.insert(keyIt.key(), values);
    }
}

bool FileRegistryStore::save() const {
    if (m_filePath.isEmpty())
        return true;
    QJsonObject keys;
    for (auto keyIt = m_keys.begin(); keyIt != m_keys.end(); ++keyIt) {
        QJsonArray values;
        for (const Entry& entry : keyIt.value()) {
            QJsonObject item{{u"name"_qs, entry.name}};
            if (const auto* number = std::get_if<quint32>(&entry.value))
                item.insert(u"value", double(*number));
            else
                item.insert(u"value", std::get<QString>(entry.value));
            values.append(item);
        }
        keys.insert(keyIt.key(), values);
    }
    return WriteWholeFile(m_filePath, QJsonDocument(keys).toJson()).isEmpty();
}

} // namespace quenlit
