#pragma once

#include <QString>
#include <optional>

namespace quenlit {

// The text without spaces (only U+0020) at either end; tabs and other white space stay.
QString TrimSpaces(const QString& text);
// The value of a plain decimal number (optional sign, digits, optional fraction; white
// space around it allowed), or none.
std::optional<double> DecimalNumber(const QString& text);

} // namespace quenlit
