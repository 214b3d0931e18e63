#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace quenlit {

// The legacy Chinese code page (GBK), in which names are measured.
namespace gbk {
// The GBK bytes of one character (a surrogate pair as one); none when GBK lacks it.
std::optional<QByteArray> encodeCharacter(QStringView character);
// Decodes GBK bytes; none when they are not valid GBK.
std::optional<QString> decode(const QByteArray& bytes);
} // namespace gbk

} // namespace quenlit
