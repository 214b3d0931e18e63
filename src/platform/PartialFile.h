#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace quenlit {

// The file a download streams into, "<target>.part" beside its target. The target is
// touched only by commit(), which replaces it in one rename; until then an old target
// survives any failure. An instance destroyed without commit() removes its temporary file.
class PartialFile {
public:
    explicit PartialFile(const QString& targetPath);
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile();

    static QString tempPathFor(const QString& targetPath) { return targetPath + u".part"_qs; }
    QString targetPath() const { return m_target; }
    QString tempPath() const { return m_file.fileName(); }

    // Creates the temporary file empty (its folder must exist).
    bool open();
    bool isOpen() const { return m_file.isOpen(); }
    // Writes all of data at the end; false when the disk refused part of it.
    bool append(const QByteArray& data);
    // Bytes written so far.
    qint64 size() const { return m_size; }
    // Moves the temporary file over the target; false leaves the target as it was.
    bool commit();
    // Removes the temporary file; the target is left alone.
    void discard();

private:
    QString m_target;
    QFile m_file;
    qint64 m_size = 0;
};

} // namespace quenlit
