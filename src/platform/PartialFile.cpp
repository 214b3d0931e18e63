#include "PartialFile.h"

#include <cstdio>

namespace quenlit {

PartialFile::PartialFile(const QString& targetPath)
    : m_target(targetPath)
    , m_file(tempPathFor(targetPath)) {}

PartialFile::~PartialFile() {
    discard();
}

bool PartialFile::open() {
    m_file.close();
    m_size = 0;
    // Pieces come large from the network; what is written is on disk at once.
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
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
    return true;
}

void PartialFile::discard() {
    m_file.close();
    if (QFile::exists(m_file.fileName()))
        QFile::remove(m_file.fileName());
}

} // namespace quenlit
