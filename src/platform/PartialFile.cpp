#include "PartialFile.h"

#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace quenlit {

namespace {

const QString RecordKind = QStringLiteral("quenlit partial download");
constexpr int RecordVersion = 1;
// A record is a few hundred bytes; anything much larger is not one of ours.
constexpr qint64 RecordMaxBytes = 64 * 1024;
const QString RecordSuffix = QStringLiteral(".part.meta");

QString Normalised(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

QString PartialRecord::validator() const {
    if (!etag.isEmpty() && !etag.startsWith(u"W/"_qs))
        return etag;
    return lastModified;
}

PartialFile::PartialFile(const QString& targetPath)
    : m_target(targetPath)
    , m_file(tempPathFor(targetPath)) {}

PartialFile::~PartialFile() {
    keepIfResumable();
}

std::optional<PartialRecord> PartialFile::readRecord(const QString& targetPath) {
    QFile file(recordPathFor(targetPath));
    if (file.size() > RecordMaxBytes || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    if (json.value(u"kind"_qs).toString() != RecordKind ||
        json.value(u"version"_qs).toInt() != RecordVersion)
        return std::nullopt;
    PartialRecord record;
    record.address = json.value(u"address"_qs).toString();
    record.etag = json.value(u"etag"_qs).toString();
    record.lastModified = json.value(u"lastModified"_qs).toString();
    // A hand-edited or damaged total that no file can have reads as unknown.
    const double total = json.value(u"total"_qs).toDouble(-1);
    record.total = total >= 0 && total < 9.0e15 ? qint64(total) : -1;
    return record;
}

void PartialFile::removeFor(const QString& targetPath) {
    // The record first: a temporary file without one is never resumed.
    QFile::remove(recordPathFor(targetPath));
    QFile::remove(tempPathFor(targetPath));
}

bool PartialFile::open() {
    m_file.close();
    m_size = 0;
    m_owned = true;
    m_recorded = false;
    QFile::remove(recordPathFor(m_target));
    // Pieces come large from the network; what is written is on disk at once.
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
}

bool PartialFile::openToResume() {
    m_file.close();
    if (!QFileInfo(m_file.fileName()).isFile())
        return false;
    m_owned = true;
    m_recorded = QFileInfo::exists(recordPathFor(m_target));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    m_size = m_file.size();
    return true;
}

bool PartialFile::record(const PartialRecord& record) {
    if (!m_file.isOpen())
        return false;
    const QJsonObject json{
        {u"kind"_qs, RecordKind},
        {u"version"_qs, RecordVersion},
        {u"address"_qs, record.address},
        {u"etag"_qs, record.etag},
        {u"lastModified"_qs, record.lastModified},
        {u"total"_qs, double(record.total)},
    };
    const bool written =
        WriteWholeFile(recordPathFor(m_target), QJsonDocument(json).toJson()).isEmpty();
    m_recorded = written;
    return written;
}

bool PartialFile::append(const QByteArray& data) {
    if (!m_file.isOpen())
        return false;
    const qint64 written = m_file.write(data);
    if (written > 0)
        m_size += written;
    return written == data.size();
}

bool PartialFile::commit() {
    if (!m_file.isOpen())
        return false;
    const bool flushed = m_file.flush();
    m_file.close();
    if (!flushed) {
        discard();
        return false;
    }
    // rename() replaces the target atomically: there is never a moment without a file.
    const QByteArray from = QFile::encodeName(m_file.fileName());
    const QByteArray to = QFile::encodeName(m_target);
    if (std::rename(from.constData(), to.constData()) != 0) {
        discard();
        return false;
    }
    QFile::remove(recordPathFor(m_target));
    m_owned = false;
    return true;
}

void PartialFile::discard() {
    m_file.close();
    if (!m_owned)
        return;
    m_owned = false;
    m_recorded = false;
    removeFor(m_target);
}

void PartialFile::keepIfResumable() {
    m_file.close();
    if (m_recorded)
        m_owned = false;
    else
        discard();
}

int RemoveStalePartials(const QStringList& folders, const QSet<QString>& liveTargets) {
    QSet<QString> live;
    for (const QString& target : liveTargets)
        live.insert(Normalised(target));
    QSet<QString> seen;
    int removed = 0;
    for (const QString& folder : folders) {
        if (folder.trimmed().isEmpty() || seen.contains(Normalised(folder)))
            continue;
        seen.insert(Normalised(folder));
        const QDir dir(folder);
        const QStringList records =
            dir.entryList({u"*"_qs + RecordSuffix}, QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : records) {
            const QString target = dir.filePath(name.chopped(RecordSuffix.size()));
            if (!PartialFile::readRecord(target))
                continue;
            QFile placeholder(target);
            if (placeholder.size() == PartialFile::Placeholder.size() &&
                placeholder.open(QIODevice::ReadOnly) &&
                placeholder.readAll() == PartialFile::Placeholder) {
                placeholder.close();
                placeholder.remove();
            }
            if (live.contains(Normalised(target)))
                continue;
            PartialFile::removeFor(target);
            ++removed;
        }
    }
    return removed;
}

} // namespace quenlit
