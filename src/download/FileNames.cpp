#include "FileNames.h"

#include "HeaderDecoding.h"
#include "MessageSink.h"
#include "TextRules.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace quenlit {

namespace {
constexpr qint32 NameByteLimit = 200;
constexpr qint64 FileNameByteLimit = 255; // what the file system takes for one name
const QString BadFolderName = QStringLiteral("文件夹名称有误！不能创建文件夹！");
} // namespace

QString CleanFileName(const QString& text) {
    QString name = text;
    for (const QChar c : QStringView(u"\\/:*?\"<>|"))
        name.remove(c);
    // Line breaks, NUL and every other control character but the tab, which names keep: an
    // escape or a bell in a name makes a file that shells and terminals mishandle.
    name.removeIf([](QChar c) { return c.category() == QChar::Other_Control && c != u'\t'; });
    qsizetype begin = 0;
    while (begin < name.size() && name[begin] == u'.')
        ++begin;
    qsizetype end = name.size();
    while (end > begin && name[end - 1] == u'.')
        --end;
    name = name.mid(begin, end - begin);
    while (name.contains(u"  "_qs))
        name.replace(u"  "_qs, u" "_qs);
    return TruncateToUtf8Bytes(TruncateToCodePageBytes(name, NameByteLimit), NameByteLimit);
}

QString FitFileName(const QString& base, const QString& suffix) {
    const auto room = [](qint64 suffixBytes) {
        return qint32(std::clamp<qint64>(FileNameByteLimit - suffixBytes, 0, NameByteLimit));
    };
    return TruncateToUtf8Bytes(TruncateToCodePageBytes(base, room(CodePageByteCount(suffix))),
                               room(suffix.toUtf8().size()));
}

QString NameFromAddress(const QString& address, bool dropExtension) {
    QString name = address;
    name.replace(u'\\', u'/');
    name = name.mid(name.lastIndexOf(u'/') + 1).trimmed();
    if (dropExtension && name.contains(u'.'))
        name = name.left(name.lastIndexOf(u'.')).trimmed();
    return name;
}

QString EnsureFolderPath(const QString& path, MessageSink& messages) {
    const QStringList parts = path.split(u'/');
    QString built;
    qsizetype next = 1;
    if (path.startsWith(u"//"_qs)) {
        const QString server = parts.value(2);
        if (server.isEmpty()) {
            messages.showMessage(BadFolderName, MessageIcon::Error);
            return {};
        }
        built = u"//"_qs + server;
        next = 3;
    } else {
        built = parts.value(0); // the root: empty for "/", kept as it is otherwise
    }
    for (qsizetype i = next; i < parts.size(); ++i) {
        if (parts[i].isEmpty())
            break;
        const QString level = CleanFileName(parts[i]);
        if (level.isEmpty()) {
            messages.showMessage(BadFolderName, MessageIcon::Error);
            break;
        }
        built += u'/' + level;
        if (!FolderExists(built))
            QDir().mkdir(built);
    }
    if (built.isEmpty() || !FolderExists(built))
        return {};
    return built;
}

bool FileExists(const QString& path) {
    // Not trimmed: "report " and "report" are different files.
    QString local = path;
    if (local.startsWith(u"file:///", Qt::CaseInsensitive))
        local.remove(0, 7); // keep the root "/"
    return !local.isEmpty() && QFileInfo(local).isFile();
}

bool FolderExists(const QString& path) {
    return !path.trimmed().isEmpty() && QFileInfo(path).isDir();
}

QString UniqueNumberedPath(const QString& fullPath) {
    const qsizetype slash = fullPath.lastIndexOf(u'/');
    if (slash < 0)
        return fullPath;
    const QString folder = fullPath.left(slash + 1);
    const QString fileName = fullPath.mid(slash + 1);
    const qsizetype dot = fileName.lastIndexOf(u'.');
    QString base = dot < 0 ? fileName : fileName.left(dot);
    const QString extension = dot < 0 ? QString() : u'.' + fileName.mid(dot + 1);
    if (!FileExists(fullPath)) {
        const QString fitted = folder + FitFileName(base, extension) + extension;
        if (fitted == fullPath || !FileExists(fitted))
            return fitted;
    }
    base.truncate(100);
    if (!base.isEmpty() && base.back().isHighSurrogate())
        base.chop(1); // never half a character
    if (base.endsWith(u']')) {
        const qsizetype open = base.lastIndexOf(u'[', base.size() - 2);
        if (open >= 0 && DecimalNumber(base.mid(open + 1, base.size() - open - 2)))
            base.truncate(open);
    }
    QString candidate = folder + FitFileName(base, extension) + extension;
    for (int counter = 1; FileExists(candidate); ++counter) {
        const QString number = QStringLiteral("[%1]").arg(counter, 4, 10, QChar(u'0'));
        candidate = folder + FitFileName(base, number + extension) + number + extension;
    }
    return candidate;
}

} // namespace quenlit
