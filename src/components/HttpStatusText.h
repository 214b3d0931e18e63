#pragma once

#include <QString>

namespace quenlit {

// The Chinese description of an HTTP status code; empty for a code without one
// (any code outside 0..600 included).
QString HttpStatusText(int code);

} // namespace quenlit
