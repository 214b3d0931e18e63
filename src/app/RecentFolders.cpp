#include "RecentFolders.h"

#include "WholeFile.h"

#include <QFile>

namespace quenlit {

void LoadRecentFolders(QStringList& list, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    list.clear();
    int taken = 0;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        // A byte order mark at the start of a line is never part of a folder; the decoder
        // drops it only when it comes first in the text it is given.
        QString line = QString::fromUtf8(raw).trimmed();
        while (line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        if (line.isEmpty())
            continue;
        if (++taken > 100)
            break;
        if (!list.contains(line, Qt::CaseInsensitive))
            list.append(line);
    }
}

void SaveRecentFolders(const QStringList& list, const QString& path) {
    QByteArray text = list.isEmpty() ? QByteArray("\r\n") : QByteArray();
    for (const QString& folder : list)
        text += (folder + u"\r\n"_qs).toUtf8();
    WriteWholeFile(path, text);
}

} // namespace quenlit
