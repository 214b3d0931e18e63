#include "Registry.h"

#include <array>

namespace quenlit {

namespace {
const QString ErrorText = QStringLiteral("Error");
constexpr qsizetype TextBufferBytes = 255;

struct RootName {
    const char16_t* name;
    RegistryRoot root;
};
constexpr std::array<RootName, 7> RootNames{{
    {u"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
    {u"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
    {u"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
    {u"HKEY_USERS", RegistryRoot::Users},
    {u"HKEY_PERFORMANCE_DATA", RegistryRoot::PerformanceData},
    {u"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
    {u"HKEY_DYN_DATA", RegistryRoot::DynData},
}};
} // namespace

SplitRegistryPathResult SplitRegistryPath(const QString& path) {
    if (!path.startsWith(u"HKEY_", Qt::CaseInsensitive) || path.endsWith(u'\\'))
        return {};
    const qsizetype slash = path.indexOf(u'\\');
    const QString rootName = slash < 0 ? path : path.left(slash);
    const QString subKey = slash < 0 ? QString() : path.mid(slash + 1);
    for (const RootName& candidate : RootNames) {
        if (rootName.compare(QStringView(candidate.name), Qt::CaseInsensitive) == 0)
            return {candidate.root, subKey};
    }
    return {};
}

Registry::Registry(RegistryStore& store, QString osBitness)
    : m_store(store)
    , m_osBitness(std::move(osBitness)) {}

std::optional<RegistryKey> Registry::openKey(const QString& path, const QString& view) const {
    const SplitRegistryPathResult split = SplitRegistryPath(path);
    if (!split.root)
        return std::nullopt;
    const QString effectiveView = view.isEmpty() ? m_osBitness : view;
    RegistryKey key{*split.root, split.subKey,
                    effectiveView == u"64" ? RegistryView::Bits64 : RegistryView::Bits32};
    if (!m_store.keyExists(key))
        return std::nullopt;
    return key;
}

QString Registry::ReadRegistryNumber(const QString& path, const QString& valueName,
                                     const QString& view) const {
    const auto key = openKey(path, view);
    if (!key)
        return ErrorText;
    const auto value = m_store.value(*key, valueName);
    if (!value || !std::holds_alternative<quint32>(*value))
        return ErrorText;
    return QString::number(std::get<quint32>(*value));
}

bool Registry::WriteRegistryNumber(const QString& path, const QString& valueName, quint32 number,
                                   const QString& view) {
    const auto key = openKey(path, view);
    return key && m_store.setValue(*key, valueName, number);
}

bool Registry::DeleteRegistryValue(const QString& path, const QString& valueName,
                                   const QString& view) {
    const auto key = openKey(path, view);
    return key && m_store.removeValue(*key, valueName);
}

QString Registry::ReadRegistryText(const QString& path, const QString& valueName,
                                   const QString& view) const {
    const auto key = openKey(path, view);
    if (!key)
        return ErrorText;
    const auto value = m_store.value(*key, valueName);
    if (!value || !std::holds_alternative<QString>(*value))
        return ErrorText;
    QString text = std::get<QString>(*value);
    // A value that does not fit the buffer cannot be read, like a query that reports
    // "more data".
    if (text.toUtf8().size() >= TextBufferBytes)
        return ErrorText;
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

} // namespace quenlit
