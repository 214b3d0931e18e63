#pragma once

#include <QString>

namespace quenlit {

class DownloadListModel;
class MessageSink;

// The scheduler's walk over the waiting rows: each gets its name cleaned, its type in lower
// case and its folder a trailing separator (and, with createFolder, the folder made), then
// the duplicate-name check; rows it finishes as skipped are passed over. The position of
// the first row to download, or 0.
int NextRowToDownload(DownloadListModel& list, const QString& policy, bool createFolder,
                      MessageSink& messages);

} // namespace quenlit
