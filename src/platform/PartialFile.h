#pragma once

#include <QByteArray>
#include <QFile>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace quenlit {

// What a later run needs to ask a server for the rest of an interrupted body.
struct PartialRecord {
    QString address;
    QString etag;
    QString lastModified;
    qint64 total = -1; // the whole length, -1 when the server did not say

    // What If-Range carries: a strong ETag, else Last-Modified; empty when neither is usable
    // (a weak ETag never matches a range request).
    QString validator() const;
    bool operator==(const PartialRecord&) const = default;
};

// The file a download streams into, "<target>.part" beside its target. The target is
// touched only by commit(), which replaces it in one rename; until then an old target
// survives any failure. A body that may be resumed later has a record beside it,
// "<target>.part.meta", which also marks the temporary file as ours. An instance that
// ends without commit() keeps a recorded temporary file for the next run and removes an
// unrecorded one; one that was never opened leaves the disk alone.
class PartialFile {
public:
    explicit PartialFile(const QString& targetPath);
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile();

    // What a parallel download puts under the target's name until its body is complete.
    static inline const QByteArray Placeholder{"\x01\x00", 2};

    static QString tempPathFor(const QString& targetPath) { return targetPath + u".part"_qs; }
    static QString recordPathFor(const QString& targetPath) {
        return targetPath + u".part.meta"_qs;
    }
    // The record kept for targetPath, when there is one of ours that can be read.
    static std::optional<PartialRecord> readRecord(const QString& targetPath);
    // Removes the temporary file of targetPath and its record.
    static void removeFor(const QString& targetPath);

    QString targetPath() const { return m_target; }
    QString tempPath() const { return m_file.fileName(); }

    // Creates the temporary file empty (its folder must exist); an old record goes first.
    bool open();
    // Opens the temporary file left by an earlier run to append to it; size() is then its
    // length. False when there is none.
    bool openToResume();
    bool isOpen() const { return m_file.isOpen(); }
    // Writes the record beside the temporary file, crash-safely; from now on the
    // temporary file outlives a failure.
    bool record(const PartialRecord& record);
    // Writes all of data at the end; false when the disk refused part of it.
    bool append(const QByteArray& data);
    // Bytes in the temporary file.
    qint64 size() const { return m_size; }
    // Moves the temporary file over the target; false leaves the target as it was.
    bool commit();
    // Removes the temporary file and its record; the target is left alone.
    void discard();
    // Stops writing: a recorded temporary file stays for a later run, any other goes.
    void keepIfResumable();

private:
    QString m_target;
    QFile m_file;
    qint64 m_size = 0;
    bool m_owned = false;
    bool m_recorded = false;
};

// Cleans up after downloads that ended without their last steps (a closed program, a
// crash): in each folder, every record of ours whose target is not one of liveTargets goes,
// with its temporary file; and beside every record of ours, a target that holds only the
// placeholder goes, so that the row's next run takes its own name again and continues.
// Files without our record beside them are never touched. Returns the number of records
// removed.
int RemoveStalePartials(const QStringList& folders, const QSet<QString>& liveTargets);

} // namespace quenlit
