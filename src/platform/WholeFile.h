#pragma once

#include <QByteArray>
#include <QString>

namespace quenlit {

// Writes the file whole through a temporary file and one rename: whenever the program
// stops, even killed, the old file or the new one is there, never a part of either.
// Empty on success, else why it failed (the old file is then left as it was).
QString WriteWholeFile(const QString& path, const QByteArray& contents);

} // namespace quenlit
