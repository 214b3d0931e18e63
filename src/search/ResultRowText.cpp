#include "ResultRowText.h"

#include "TextRules.h"

#include <QStringList>

namespace quenlit {

QString TypeLabelFromAddress(const QString& address) {
    const QString lower = address.toLower();
    if (lower.endsWith(u".pdf"_qs))
        return QStringLiteral("PDF");
    if (lower.endsWith(u".doc"_qs) || lower.endsWith(u".docx"_qs))
        return QStringLiteral("doc");
    for (const char* type : {"xls", "ppt", "rtf"}) {
        if (lower.endsWith(u'.' + QString::fromLatin1(type)))
            return QString::fromLatin1(type);
    }
    return {};
}

bool LooksLikeHostName(const QString& text) {
    const QString trimmed = text.trimmed();
    QString host = trimmed;
    const qsizetype colon = trimmed.lastIndexOf(u':');
    if (colon >= 0) {
        const QString port = trimmed.mid(colon + 1).trimmed();
        if (!port.isEmpty() && !DecimalNumber(port))
            return false;
        host = trimmed.left(colon).trimmed();
    }
    const qsizetype parts = host.split(u'.').size();
    return parts >= 2 && parts <= 5;
}

QString RowTextForTitle(const QString& title) {
    const qsizetype hyphen = title.lastIndexOf(u'-');
    if (hyphen < 0)
        return title;
    if (LooksLikeHostName(title.mid(hyphen + 1)))
        return title.left(hyphen).trimmed();
    return title;
}

} // namespace quenlit
