#include "CopyNames.h"

#include "FileNames.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace quenlit {

QString SplitName::fileName() const {
    return extension.isEmpty() ? base : base + u'.' + extension;
}

SplitName SplitFilePath(const QString& path) {
    const QString trimmed = path.trimmed();
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    SplitName split;
    split.folder = trimmed.left(slash + 1);
    const QString name = trimmed.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || name.size() - dot - 1 >= 7) {
        split.base = name;
    } else {
        split.base = name.left(dot).trimmed();
        split.extension = name.mid(dot + 1).trimmed();
    }
    if (split.base.isEmpty()) {
        split.base = name;
        split.extension.clear();
    }
    return split;
}

namespace {
// A plain decimal number with an optional sign and decimal point.
bool isNumber(const QString& text) {
    bool ok = false;
    text.toDouble(&ok);
    if (!ok)
        return false;
    for (QChar c : text)
        if (!(c.isDigit() || c == u'.' || c == u'-' || c == u'+'))
            return false; // no exponents, "inf" or "nan"
    return true;
}
} // namespace

QString StripCounterSuffix(const QString& base) {
    if (!base.endsWith(u']'))
        return base;
    const qsizetype open = base.lastIndexOf(u'[', base.size() - 2);
    if (open < 0)
        return base;
    if (!isNumber(base.mid(open + 1, base.size() - open - 2).trimmed()))
        return base;
    const QString stem = base.left(open);
    return stem.isEmpty() ? base : stem;
}

bool CopyFileSafely(const QString& source, const QString& destination, bool replace) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QFileInfo target(destination);
    // A dangling link counts as taken: writing through it would land outside the folder.
    if (!replace && (target.exists() || target.isSymLink()))
        return false;
    QTemporaryFile out(target.absolutePath() + u"/.quenlit-copy-XXXXXX"_qs);
    if (!out.open())
        return false;
    // A named temporary, so that it can be renamed after closing.
    const QString temporaryName = out.fileName();
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 read = in.read(buffer.data(), buffer.size());
        if (read < 0)
            return false;
        if (read == 0)
            break;
        if (out.write(buffer.constData(), read) != read)
            return false;
    }
    if (!out.flush())
        return false;
    out.setPermissions(in.permissions());
    const QDateTime modified = QFileInfo(in).lastModified();
    if (modified.isValid())
        out.setFileTime(modified, QFileDevice::FileModificationTime);
    out.close();
    if (out.error() != QFileDevice::NoError)
        return false;
    if (replace) {
        // Atomic: the old file stays until the new one is complete.
        if (std::rename(QFile::encodeName(temporaryName).constData(),
                        QFile::encodeName(destination).constData()) != 0)
            return false;
        out.setAutoRemove(false);
        return true;
    }
    // Fails when the name was taken meanwhile, never replacing it and never following a
    // link that stands there.
    const QByteArray from = QFile::encodeName(temporaryName);
    const QByteArray to = QFile::encodeName(destination);
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        out.setAutoRemove(false);
        return true;
    }
    // File systems without the flag: a hard link refuses an existing name just as well.
    if (errno == EINVAL && ::link(from.constData(), to.constData()) == 0)
        return true; // the temporary name goes with the temporary file
    return false;
}

bool 复制相同文件自动重命名(const QString& 源文件长路径, const QString& 目的文件夹,
                            QString* newName) {
    if (!FileExists(源文件长路径))
        return false;
    const SplitName split = SplitFilePath(源文件长路径);
    const QString stem = StripCounterSuffix(split.base);
    const QString extension = split.extension.isEmpty() ? QString() : u'.' + split.extension;
    QString 文件名 = stem + extension;
    QString candidate = 目的文件夹 + 文件名;
    for (int counter = 1;
         FileExists(candidate) || QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink();
         ++counter) {
        if (counter > 999999)
            return false;
        文件名 =
            stem + u'[' + QStringLiteral("%1").arg(counter, 3, 10, QChar(u'0')) + u']' + extension;
        candidate = 目的文件夹 + 文件名;
    }
    if (!CopyFileSafely(源文件长路径, candidate, false))
        return false;
    if (newName)
        *newName = 文件名;
    return true;
}

} // namespace quenlit
