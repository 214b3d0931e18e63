#pragma once

#include "ListCommands.h"

#include <QString>

namespace quenlit {

// How many rows a batch replacement changed, and how many it left alone because the new
// address was already another row's.
struct ReplaceOutcome {
    int changed = 0;
    int clashes = 0;
};

// The file and address tools of the download list: they act on the selected row's file or
// on the rows' addresses, never on their states.
class FileTools {
public:
    explicit FileTools(ListToolsEnvironment environment);

    // save folder + name + "." + type, the dot written even for an empty type.
    static QString CommandTarget(const QString& saveFolder, const QString& name,
                                 const QString& type);

    void openDownloadedFile();
    void openContainingFolder();
    void openInTextEditor();
    // The selected row's name, empty when none.
    QString selectedName() const;
    // Every key and referer with `from` (any case) replaced by `to`; a key that would clash
    // with another row's stays as it was.
    ReplaceOutcome replaceAddresses(const QString& from, const QString& to);
    void exportNames(bool unfinishedOnly);
    // The selected row's first address, empty when none.
    QString selectedAddress() const;

    // Status bar panel 2 after a click on the row: its file when that exists, else its key.
    QString clickedRowText(int position) const;

private:
    // The current row's file, or empty (with the message when it is missing).
    QString currentRowFile();
    ListToolsEnvironment m_env;
    ListCommands m_rows;
};

} // namespace quenlit
