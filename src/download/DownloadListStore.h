#pragma once

#include "DownloadRow.h"

#include <QList>
#include <QString>

namespace quenlit {

class DownloadListModel;

// The download list kept between runs, in JSON Lines: UTF-8, one JSON object per line, lines
// ended by "\n". The first line names the format and its version:
//   {"format":"quenlit-download-list","version":1}
// then one line per row, in list order:
//   {"key":"http://h/a.pdf","name":"年报","type":"pdf","size":"1024","downloaded":"1024",
//    "percent":"100%","saveFolder":"/home/u/下载/","tag":"http://h/s?q=1","state":"finished"}
// key is the download address (alternatives joined by "|"), tag the referer, state one of
// "waiting", "downloading", "finished", "failed"; the other fields are the row's cells as
// shown. A missing text field reads as empty, unknown fields and blank lines are ignored.
// A file is written whole to a temporary file that then takes its name, so a crash leaves
// either the old list or the new one.
class DownloadListStore {
public:
    static constexpr int FormatVersion = 1;

    struct Loaded {
        enum class Outcome { Missing, Loaded, Damaged };
        Outcome outcome = Outcome::Missing;
        QList<DownloadRow> rows;
    };

    explicit DownloadListStore(QString path)
        : m_path(std::move(path)) {}
    // "DownloadList.jsonl" in the data folder.
    static QString pathIn(const QString& dataFolder);
    const QString& path() const { return m_path; }

    // Damaged: the file cannot be read, is not UTF-8, or a line is not of this format and
    // version.
    Loaded load() const;
    // False, with the reason, when the file could not be written; the old one is then kept.
    bool save(const DownloadListModel& list, QString& error) const;
    // Renames the file to the first free name of path.damaged, path.damaged-2, ...; the new
    // path, or empty when it could not be renamed.
    QString setAside() const;

private:
    QString m_path;
};

} // namespace quenlit
