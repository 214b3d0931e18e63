#pragma once

#include <QString>
#include <QStringList>

namespace quenlit {

// "SaveList.dat": recently used folders, one a line. Reading replaces the list with at
// most the first 100 distinct (case ignored) non-empty lines; a missing file leaves it.
void LoadRecentFolders(QStringList& list, const QString& path);
// Writes the list whole, in order, lines ended by CR LF (an empty list: one empty line).
void SaveRecentFolders(const QStringList& list, const QString& path);

} // namespace quenlit
