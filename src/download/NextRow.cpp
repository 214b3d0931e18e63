#include "NextRow.h"

#include "DownloadListModel.h"
#include "DuplicateNames.h"
#include "FileNames.h"

namespace quenlit {

int NextRowToDownload(DownloadListModel& list, const QString& policy, bool createFolder,
                      MessageSink& messages) {
    for (int position = 1; position <= list.count(); ++position) {
        if (list.row(position).state != DownloadRow::Waiting)
            continue;
        list.modify(position, [&](DownloadRow& row) {
            row.name = CleanFileName(row.name);
            // Names on this file system keep their case: "PDF" from the results and "pdf"
            // from the headers would be two files, and a finished document would not be
            // recognised when the same result comes again.
            row.type = row.type.toLower();
            QString folder = row.saveFolder;
            if (createFolder) {
                const QString made = EnsureFolderPath(folder, messages);
                if (!made.isEmpty())
                    folder = made;
            }
            row.saveFolder = WithTrailingSeparator(folder);
        });
        if (确定是需要下载(list, position, policy))
            return position;
    }
    return 0;
}

} // namespace quenlit
