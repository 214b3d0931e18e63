#pragma once

#include "Clock.h"
#include "DownloadListStore.h"

#include <QObject>

namespace quenlit {

class DownloadListModel;
class MessageSink;

// Keeps the download window's list in its file across runs: reads it back when the window
// opens, saves it at most once a second while rows change (less often when a save takes
// long), and once more when the window closes. A file that cannot be read is set aside, never
// written over.
class DownloadListKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int SaveDelayMs = 1000;
    // A long list on a slow disk: the saves take no more than this share of the time.
    static constexpr int SaveShareInverse = 20;

    DownloadListKeeper(DownloadListModel& list, Clock& clock, MessageSink& messages,
                       const QString& path, QObject* parent = nullptr);
    ~DownloadListKeeper() override;

    // Reads the file and, with restore, puts its rows in the list: a row that was
    // downloading comes back waiting. Saving starts here and not before, so a damaged file
    // is already set aside (with one message) when the first save comes. True when the list
    // now holds every row kept (or none was), so that what no row claims may go.
    bool open(bool restore);
    // Saves the list as it is now and stops following it: what closing leaves behind, before
    // the stop fails the rows that were downloading.
    void close();

private:
    void listChanged();
    void save();

    DownloadListModel& m_list;
    Clock& m_clock;
    MessageSink& m_messages;
    DownloadListStore m_store;
    bool m_following = false;
    // One message for a run of failed saves.
    bool m_saveFailureShown = false;
    double m_lastSaveSeconds = 0;
    Clock::CallbackId m_pendingSave = 0;
};

} // namespace quenlit
