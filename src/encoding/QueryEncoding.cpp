#include "QueryEncoding.h"

namespace quenlit {

QString PercentEncodeUtf8(char32_t character) {
    const QByteArray bytes = QString::fromUcs4(&character, 1).toUtf8();
    QString escaped;
    escaped.reserve(bytes.size() * 3);
    for (const char byte : bytes)
        escaped += u'%' + QString::number(uchar(byte), 16).toUpper().rightJustified(2, u'0');
    return escaped;
}

QString EncodeQueryText(const QString& text) {
    QString percentEscaped = text;
    percentEscaped.replace(u'%', u"%25"_qs);

    QString encoded;
    encoded.reserve(percentEscaped.size() * 3);
    for (qsizetype i = 0; i < percentEscaped.size(); ++i) {
        const QChar c = percentEscaped[i];
        if (c.unicode() < 0x80) {
            encoded += c;
        } else if (c.isHighSurrogate() && i + 1 < percentEscaped.size() &&
                   percentEscaped[i + 1].isLowSurrogate()) {
            encoded += PercentEncodeUtf8(QChar::surrogateToUcs4(c, percentEscaped[i + 1]));
            ++i;
        } else {
            encoded += PercentEncodeUtf8(c.unicode());
        }
    }
    encoded.replace(u'#', u"%23"_qs);
    encoded.replace(u'^', u"%5E"_qs);
    encoded.replace(u'&', u"%26"_qs);
    encoded.replace(u'+', u"%2B"_qs);
    return encoded;
}

} // namespace quenlit
