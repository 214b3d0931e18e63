#include "TextRules.h"

#include <QRegularExpression>

namespace quenlit {

QString TrimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

std::optional<double> DecimalNumber(const QString& text) {
    static const QRegularExpression number(u"^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)\\s*$"_qs);
    if (!number.match(text).hasMatch())
        return std::nullopt;
    return text.trimmed().toDouble();
}

} // namespace quenlit
