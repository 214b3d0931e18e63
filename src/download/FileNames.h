#pragma once

#include <QString>

namespace quenlit {

class MessageSink;

// A name safe for the file system: the nine characters \ / : * ? " < > | and every control
// character but the tab (line breaks among them) removed, dots trimmed from both ends, double
// spaces folded, and cut so that it fits in 200 bytes both in GBK and in UTF-8. "." and ".."
// clean to nothing; spaces at the ends and tabs stay.
QString CleanFileName(const QString& text);
// The longest head of base that keeps both limits of a name on disk: at most 200 bytes in
// GBK and in UTF-8 for the name, at most 255 bytes in either for base + suffix (the
// numbering and the extension, e.g. "[001].pdf").
QString FitFileName(const QString& base, const QString& suffix);
// The last segment of an address or path ("/" or "\"), optionally without its extension.
QString NameFromAddress(const QString& address, bool dropExtension);
// Creates the folder chain, cleaning each level; returns the deepest folder reached
// (without a trailing "/"), or empty on failure. A level that cleans to nothing stops the
// walk with a message.
QString EnsureFolderPath(const QString& path, MessageSink& messages);
// True when an ordinary file (not a folder) exists under exactly this name (spaces at the
// ends count); takes the "file:///" form too.
bool FileExists(const QString& path);
bool FolderExists(const QString& path);
// The path itself when free, else name[0001].ext, name[0002].ext, ... (an old
// bracketed number is replaced, a base longer than 100 characters is cut); every
// candidate's file name keeps the limits of FitFileName.
QString UniqueNumberedPath(const QString& fullPath);

} // namespace quenlit
