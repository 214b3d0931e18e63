#include "HeaderTypes.h"

#include "FileNames.h"
#include "HeaderDecoding.h"

#include <QHash>
#include <QSet>

namespace quenlit {

namespace {
struct MimeRow {
    const char* top;
    const char* subs;      // comma-separated
    const char* candidate; // nullptr: the same as the sub type
};

// Media types and the extensions they give.
constexpr MimeRow MimeTable[] = {
    {"application", "octet-stream", ""},
    {"application", "x-shockwave-flash", "swf"},
    {"application", "x-javascript", "js"},
    {"application", "vnd.rn-realmedia", "rm"},
    {"application", "vnd.ms-wpl", "wpl"},
    {"application", "kdh,caj,pdf,caa,nh,rtf,docx,pptx,ppsx,pps,xlsx", nullptr},
    {"application", "vnd.ms-works", "wps"},
    {"application", "ppt,vnd.ms-powerpoint", "ppt"},
    {"application", "doc,msword", "doc"},
    {"application", "vnd.openxmlformats-officedocument.wordprocessingml.document", "docx"},
    {"application", "xls,vnd.ms-excel,x-excel", "xls"},
    {"application", "vnd.openxmlformats-officedocument.spreadsheetml.sheet", "xlsx"},
    {"application", "vnd.openxmlformats-officedocument.presentationml.presentation", "pptx"},
    {"application", "vnd.openxmlformats-officedocument.presentationml.slideshow", "ppsx"},
    {"application", "dll,x-msdownload", "dll"},
    {"application", "tar,x-tar", "tar"},
    {"application", "tgz,x-compressed", "tgz"},
    {"application", "zip,x-zip-compressed", "zip"},
    {"application", "z,x-compress", "z"},
    {"text", "html,htm,txt,xml,css", nullptr},
    {"text", "plain", "txt"},
    {"image", "jpg,jpeg,gif,png,bmp,tif,pjpeg,g3fax,ief", nullptr},
    {"image", "tiff", "tif"},
    {"image", "x-png", "png"},
    {"image", "x-ms-bmp", "bmp"},
    {"image", "x-icon", "ico"},
    {"video", "mpeg", "mpeg"},
    {"video", "mpeg4", "mp4"},
    {"video", "x-msvideo", "avi"},
    {"video", "x-ms-asf", "asf"},
    {"video", "x-ms-wmv", "wmv"},
    {"video", "quicktime", "mov"},
    {"audio", "amr", "amr"},
    {"audio", "x-ms-wma", "wma"},
    {"audio", "x-wav", "wav"},
    {"audio", "x-pn-realaudio", "ram"},
    {"audio", "midi", "mid"},
    {"audio", "x-mpegurl", "mpeg"},
    {"message", "rfc822", "mht"},
};

struct MimeLookup {
    QHash<QString, QString> byType; // "top/sub" → candidate
    QSet<QString> named;            // "top/sub" whose candidate the table names itself
    QSet<QString> tops;
};

const MimeLookup& mimeLookup() {
    static const MimeLookup lookup = [] {
        MimeLookup built;
        for (const MimeRow& row : MimeTable) {
            const QString top = QString::fromLatin1(row.top);
            built.tops.insert(top);
            for (const QString& sub : QString::fromLatin1(row.subs).split(u',')) {
                const QString candidate = row.candidate ? QString::fromLatin1(row.candidate) : sub;
                built.byType.insert(top + u'/' + sub, candidate);
                if (row.candidate)
                    built.named.insert(top + u'/' + sub);
            }
        }
        return built;
    }();
    return lookup;
}

bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

// The leading run of ASCII letters, empty when longer than five.
QString leadingLetters(const QString& text) {
    qsizetype length = 0;
    while (length < text.size() && isAsciiLetter(text[length]))
        ++length;
    return length > 5 ? QString() : text.left(length);
}

// Cleaned after decoding: the escapes can spell anything ("%2e%2e%2f", "%0d%0a", "%u202e").
QString safeName(const QString& decoded) {
    QString name = StripUnsafeCharacters(decoded).trimmed();
    // Each pass can uncover dots or spaces at the ends (". . ." is "." after one).
    for (QString previous; name != previous;) {
        previous = name;
        name = CleanFileName(name).trimmed();
    }
    return name;
}
} // namespace

QString ExtensionFromMimeType(const QString& mediaType) {
    const QStringList parts = mediaType.split(u'/');
    QString candidate;
    if (parts.size() != 2) {
        candidate = parts.first().trimmed().toLower();
    } else {
        const QString top = parts[0].trimmed().toLower();
        const QString sub = parts[1].trimmed().remove(u' ').toLower();
        const MimeLookup& lookup = mimeLookup();
        const QString mediaKey = top + u'/' + sub;
        const auto known = lookup.byType.constFind(mediaKey);
        // The table's own extensions stand as written ("mp4" keeps its digit).
        if (known != lookup.byType.constEnd() && lookup.named.contains(mediaKey))
            return *known;
        if (known != lookup.byType.constEnd())
            candidate = *known;
        else if (lookup.tops.contains(top) && (sub == u"*" || sub.isEmpty()))
            candidate.clear();
        else if (top == u"message")
            candidate.clear();
        else
            candidate = sub;
    }
    return leadingLetters(candidate);
}

QString 从网络文件Header获取ContentDisposition(const QString& allHeaders) {
    const QString marker = u"content-disposition:"_qs;
    for (const QString& rawLine : allHeaders.split(u"\r\n"_qs)) {
        const QString line = rawLine.trimmed();
        if (line.left(marker.size()).toLower() == marker)
            return line.mid(marker.size()).trimmed();
    }
    return {};
}

DispositionName 从下载头信息ContentDisposition获取文件名(const QString& value) {
    const QString trimmed = value.trimmed();
    const QString marker = u"filename="_qs;
    const qsizetype at = trimmed.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    QString text = trimmed.mid(at + marker.size()).trimmed();
    if (const qsizetype semicolon = text.indexOf(u';'); semicolon >= 0)
        text = text.left(semicolon).trimmed();
    text.remove(u'"').remove(u'\'');
    text = StripControlChars(text);

    QString base = text;
    QString extension;
    if (const qsizetype dot = text.lastIndexOf(u'.'); dot >= 0) {
        extension = leadingLetters(text.mid(dot + 1).trimmed());
        base = text.left(dot).trimmed();
    }
    const bool utf8 = trimmed.contains(u"utf-8"_qs, Qt::CaseInsensitive);
    return {safeName(utf8 ? DecodePercentAuto(base) : DecodePercentRuns(base)), extension};
}

QString SafeFileNameFromHeaders(const QString& allHeaders) {
    return 从下载头信息ContentDisposition获取文件名(
               从网络文件Header获取ContentDisposition(allHeaders))
        .fileName;
}

HeaderFileInfo TypeFromHeaders(const QString& allHeaders, const QString& contentType) {
    const QStringList parts = contentType.split(u';');
    QString charset;
    if (parts.size() >= 2) {
        const QString second = parts[1].trimmed();
        if (second.startsWith(u"charset="_qs, Qt::CaseInsensitive))
            charset = second.mid(8);
    }
    QString type = ExtensionFromMimeType(parts.first().trimmed());
    const DispositionName disposition = 从下载头信息ContentDisposition获取文件名(
        从网络文件Header获取ContentDisposition(allHeaders));
    if (type.isEmpty() && !disposition.extension.isEmpty())
        type = disposition.extension;
    if (type.isEmpty() && !charset.isEmpty())
        type = QStringLiteral("htm");
    return {type, disposition.fileName};
}

} // namespace quenlit
