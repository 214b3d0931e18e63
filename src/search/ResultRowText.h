#pragma once

#include <QString>

namespace quenlit {

// The type label of a result address by its very end: "PDF", "doc", "xls", "ppt", "rtf",
// or empty.
QString TypeLabelFromAddress(const QString& address);
// True for "a.b" to "a.b.c.d.e", optionally with a numeric ":port".
bool LooksLikeHostName(const QString& text);
// A result title without a trailing "- host.name" part, as the results list shows it.
QString RowTextForTitle(const QString& title);

} // namespace quenlit
