#pragma once

#include <QString>

namespace quenlit {

// A keyword line as it goes after "q=": "%" first, then every non-ASCII character as
// upper-case UTF-8 escapes, then "#", "^", "&", "+". Spaces and other ASCII stay.
QString EncodeQueryText(const QString& text);
// The UTF-8 escapes of one character, "%E4%B8%AD" for 中.
QString PercentEncodeUtf8(char32_t character);

} // namespace quenlit
