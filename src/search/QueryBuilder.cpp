#include "QueryBuilder.h"

#include "QueryEncoding.h"
#include "TextRules.h"

#include <cmath>
#include <limits>

namespace quenlit {

namespace {
const char* typeName(DocumentType type) {
    switch (type) {
    case DocumentType::Pdf:
        return "pdf";
    case DocumentType::Doc:
        return "doc";
    case DocumentType::Ppt:
        return "ppt";
    case DocumentType::Xls:
        return "xls";
    case DocumentType::Rtf:
        return "rtf";
    }
    return "";
}

QString hostAddress(const QString& host, QStringView defaultScheme) {
    const QString trimmed = host.trimmed();
    if (trimmed.contains(u"://"_qs))
        return trimmed.endsWith(u'/') ? trimmed.chopped(1) : trimmed;
    return defaultScheme.toString() + u"://"_qs + trimmed;
}
} // namespace

QString QuerySuffix(DocumentType type) {
    return u"+filetype%3A"_qs + QString::fromLatin1(typeName(type));
}

QString ProgressLabel(DocumentType type) {
    return u'(' + QString::fromLatin1(typeName(type)) + u')';
}

QString TimeFilter(TimeRange range) {
    switch (range) {
    case TimeRange::AllTime:
        return {};
    case TimeRange::Year:
        return u"&filters=ex1%3a\"ez4\""_qs;
    case TimeRange::Month:
        return u"&filters=ex1%3a\"ez3\""_qs;
    case TimeRange::Week:
        return u"&filters=ex1%3a\"ez2\""_qs;
    case TimeRange::Day:
        return u"&filters=ex1%3a\"ez1\""_qs;
    }
    return {};
}

QStringList SplitKeywordLines(const QString& text) {
    QStringList lines;
    for (const QString& piece : text.split(u"\r\n"_qs)) {
        const QString line = TrimSpaces(piece);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

QString BuildSearchAddress(const QString& line, DocumentType type, bool wholePhrase,
                           TimeRange range, SearchScope scope, const SearchHosts& hosts) {
    const QString host = hostAddress(hosts.china, u"https");
    QString address =
        host + (scope == SearchScope::Global ? u"/?scope=web&ensearch=1&FORM=BEHPTB&q="_qs
                                             : u"/search?ensearch=0&q="_qs);
    const QString encoded = EncodeQueryText(line);
    address += wholePhrase ? u"%22"_qs + encoded + u"%22"_qs : encoded;
    address += QuerySuffix(type);
    address += TimeFilter(range);
    if (scope == SearchScope::Global)
        address += u"&setmkt=en-us&setlang=en-us"_qs;
    return address;
}

QString BuildStartPageAddress(SearchScope scope, const SearchHosts& hosts) {
    if (scope == SearchScope::Global)
        return hostAddress(hosts.global, u"http") + u"/?setmkt=en-us&setlang=en-us"_qs;
    return hostAddress(hosts.china, u"http") + u'/';
}

qint32 从网址提取页码数(const QString& address) {
    const QString marker = u"&first="_qs;
    const qsizetype at = address.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return 0;
    const QString rest = address.mid(at + marker.size());
    const qsizetype amp = rest.indexOf(u'&');
    if (amp < 0)
        return 0;
    bool ok = false;
    const double value = rest.left(amp).trimmed().toDouble(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max())
        return 0;
    return qint32(std::lround(value));
}

} // namespace quenlit
