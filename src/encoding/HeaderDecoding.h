#pragma once

#include <QString>

namespace quenlit {

// Removes CR LF, NUL, LF, CR and tabs, then trims spaces at both ends.
QString StripControlChars(const QString& text);
// The longest head of the text whose GBK form fits in limit bytes; never cuts a character
// in half. A character GBK cannot hold counts as one byte, as its "?" would.
QString TruncateToCodePageBytes(const QString& text, qint32 limit);
// Removes what a decoded name must never carry: every control character (C0, DEL, C1,
// CR LF and NUL among them), the direction marks, embeddings, overrides and isolates
// (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069), the line and paragraph
// separators and unpaired surrogates.
QString StripUnsafeCharacters(const QString& text);
// The length of the text in GBK, a character GBK cannot hold counting as one byte.
qint64 CodePageByteCount(const QString& text);
// The longest head of the text whose UTF-8 form fits in limit bytes, never cutting a
// character (a surrogate pair included).
QString TruncateToUtf8Bytes(const QString& text, qint32 limit);
// Percent escapes decoded a run at a time as UTF-8; "%uXXXX" as a code unit; "+" as space.
QString DecodePercentRuns(const QString& text);
// Like DecodePercentRuns, but a run that is not valid UTF-8 is read as GBK, and "%U" is
// accepted too.
QString DecodePercentAuto(const QString& text);

} // namespace quenlit
